// Recordset-style access to the system's SQLite databases: values, connections,
// transaction scopes and table cursors that walk records in stored order.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tav::store {

// Every failure of this layer. A duplicate primary or unique key is told
// apart so that callers can answer it differently from other failures.
class StoreError : public std::runtime_error {
public:
    enum class Kind { DuplicateKey, Other };

    StoreError(Kind kind, const std::string& message, int sqliteCode = 0);

    Kind kind() const noexcept { return kind_; }
    // The extended SQLite result code, 0 when the error did not come from SQLite.
    int sqliteCode() const noexcept { return sqliteCode_; }

private:
    Kind kind_;
    int sqliteCode_;
};

namespace detail {
struct Connection;
struct TableCursor;
struct ValueAccess;
}  // namespace detail

// One field value. Null is a value of its own, never equal to 0 or "".
class Value {
public:
    enum class Type { Null, Integer, Double, Text };

    Value() noexcept = default;
    Value(int v) : v_(std::int64_t{v}) {}
    Value(long v) : v_(std::int64_t{v}) {}
    Value(long long v) : v_(std::int64_t{v}) {}
    Value(double v) : v_(v) {}
    Value(std::u16string v) : v_(std::move(v)) {}
    Value(std::u16string_view v) : v_(std::u16string(v)) {}
    Value(const char16_t* v) : v_(std::u16string(v)) {}
    // A flag must be stored as a number of the caller's choosing.
    Value(bool) = delete;

    static Value null() noexcept { return Value(); }

    Type type() const noexcept { return static_cast<Type>(v_.index()); }
    bool isNull() const noexcept { return v_.index() == 0; }

    // Null gives 0; a double is rounded to the nearest whole number, a half
    // to the even neighbour (out of range: clamped); text gives the number it
    // begins with after leading blanks, 0 when it begins with none.
    std::int64_t asInt() const;
    // Null gives 0; text gives the number it begins with, as above.
    double asDouble() const;
    // Null gives ""; integers as their digits; doubles as the shortest decimal
    // that reads back to the same double, with "." and never an exponent.
    std::u16string asText() const;

    // Same type and same value: Value(1) differs from Value(1.0).
    friend bool operator==(const Value&, const Value&) = default;

private:
    friend struct detail::ValueAccess;
    std::variant<std::monostate, std::int64_t, double, std::u16string> v_;
};

class Table;

enum class OpenMode {
    // Opened for reading only, sharing the file with other programs.
    ReadOnlyShared,
    // Read-write, exclusive for the connection's whole life: the file is
    // locked at open and no other connection or process can read or write it
    // until close. The file must exist.
    ReadWriteExclusive,
    // Like ReadWriteExclusive, but the file must not exist yet: it is created
    // with mode 0600 (attached files too) and its text encoding is UTF-16le.
    Create,
};

// One SQLite connection. Further files are attached to it so that a single
// transaction can span them; table names must be unique across all of them.
// A Database and everything opened from it are used from one thread only.
//
// Lifetime: Table handles belong to the Database they come from. close()
// finalises every statement of every handle; a handle used while its
// Database is closed throws, and works again after reopen(), which opens the
// same files in the same way. A handle that outlives its Database object is
// safe to destroy but throws on any other use.
class Database {
public:
    Database(const std::string& path, OpenMode mode);
    ~Database();
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Attaches another file under schemaName, opened in this connection's
    // mode (and locked exclusively in the read-write modes).
    void attach(const std::string& path, const std::string& schemaName);

    // Runs one or more statements (DDL, pragmas). Not for reading data.
    void exec(const std::string& sql);

    // Opens the table of that name (ASCII letters in any case) in whichever
    // schema holds it. The handle stands on the first record.
    Table table(std::string_view name);

    // Copies a schema's file, consistent as of now, to destPath (mode 0600).
    // The copy is written under a temporary name beside destPath, flushed to
    // disk and renamed over destPath only when complete, so destPath always
    // holds either its old contents or a whole copy. Not inside a transaction.
    void backupTo(const std::string& schemaName, const std::string& destPath);
    // Same, but the copy is compacted (free pages dropped, records rewritten
    // in stored order).
    void vacuumInto(const std::string& schemaName, const std::string& destPath);

    // The text of PRAGMA integrity_check over every attached file: "ok" when
    // nothing is wrong, else one line per problem.
    std::string integrityCheck();

    bool isOpen() const noexcept;
    bool inTransaction() const;

    // Releases the files (and their locks); see the lifetime note above.
    void close();
    // Opens the same files again, attaching them under the same names.
    void reopen();

private:
    friend class Transaction;
    std::shared_ptr<detail::Connection> conn_;
};

// A write scope: begun by the constructor, made permanent by commit(), rolled
// back by the destructor otherwise (an error, an exception, an early return).
// Scopes do not nest: beginning one while another is open on the same
// Database throws.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    std::shared_ptr<detail::Connection> conn_;
    bool open_ = true;
};

// A cursor over one table's records in stored order. Stored order is rowid
// order: the order in which records were added, or key order for a table
// whose INTEGER PRIMARY KEY is its rowid.
//
// Moving past the last record sets eof(), before the first bof(); on an empty
// table moveFirst() and moveLast() set both. The move functions return true
// when the cursor then stands on a record. Any move abandons a pending
// addNew() or edit().
//
// Writing: addNew() or edit(), then set() the fields to change, then
// update(), which writes only the fields that were set. After an addNew()
// the cursor stands on the new record. While a change is pending, get()
// returns the value set for a field, else (edit) the stored value or (add)
// Null. A failed update() throws, changes nothing stored and abandons the
// pending change.
class Table {
public:
    Table(Table&&) noexcept;
    Table& operator=(Table&&) noexcept;
    ~Table();

    const std::string& name() const;
    const std::string& schemaName() const;

    int fieldCount() const;
    const std::string& fieldName(int index) const;
    // Field names compare equal when they differ only in ASCII letter case.
    int fieldIndex(std::string_view name) const;
    int fieldIndex(std::u16string_view name) const;

    std::int64_t recordCount();

    // The rowids, in stored order, of the records whose field equals value
    // (a whole number or a text; Null matches nothing). With an index on the
    // field this costs the matches only, not a walk over the table: the rows
    // of one work order in its history tables are found this way. Go to each
    // with moveTo().
    std::vector<std::int64_t> rowidsWhere(std::string_view fieldName, const Value& value);

    bool moveFirst();
    bool moveLast();
    bool moveNext();
    bool movePrev();
    // Stands on the record with that rowid (for an INTEGER PRIMARY KEY table:
    // that key) without walking. When there is none, returns false and the
    // cursor stays where it was.
    bool moveTo(std::int64_t rowid);

    bool eof() const;
    bool bof() const;

    // The current record's rowid; throws when there is no current record.
    std::int64_t rowid();

    Value get(int index);
    Value get(std::string_view fieldName);
    Value get(std::u16string_view fieldName);

    void addNew();
    void edit();
    void set(int index, Value value);
    void set(std::string_view fieldName, Value value);
    void set(std::u16string_view fieldName, Value value);
    void update();
    void cancelUpdate();

    // Deletes the current record. The cursor then stands between records:
    // moveNext() goes to the one that followed it, movePrev() to the one
    // before it.
    void deleteCurrent();

private:
    friend class Database;
    explicit Table(std::unique_ptr<detail::TableCursor> cursor);
    std::unique_ptr<detail::TableCursor> c_;
};

}  // namespace tav::store
