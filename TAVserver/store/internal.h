// What the files of the storage layer share and its callers never see:
// failures, owned statements, the connection and the table cursor behind
// the handles of store.h.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TAVserver/store/store.h"

namespace tav::store::detail {

inline constexpr std::int64_t kMinRowid = std::numeric_limits<std::int64_t>::min();
inline constexpr std::int64_t kMaxRowid = std::numeric_limits<std::int64_t>::max();

[[noreturn]] void failOther(const std::string& message);
// A failure SQLite reported, with its message and extended result code.
[[noreturn]] void failSqlite(sqlite3* db, int code, const std::string& what);

std::string quoteIdent(std::string_view name);

template <class C>
C asciiLower(C c) {
    return (c >= C('A') && c <= C('Z')) ? C(c + ('a' - 'A')) : c;
}

template <class A, class B>
bool equalsNoCase(std::basic_string_view<A> a, std::basic_string_view<B> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (char32_t(asciiLower(a[i])) != char32_t(asciiLower(b[i]))) return false;
    return true;
}

// Owns one prepared statement.
class Stmt {
public:
    Stmt() = default;
    explicit Stmt(sqlite3_stmt* p) : p_(p) {}
    Stmt(Stmt&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    Stmt& operator=(Stmt&& o) noexcept {
        if (this != &o) {
            sqlite3_finalize(p_);
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ~Stmt() { sqlite3_finalize(p_); }
    sqlite3_stmt* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    sqlite3_stmt* p_ = nullptr;
};

// keep: prepared for use again and again (SQLITE_PREPARE_PERSISTENT).
Stmt prepare(sqlite3* db, const std::string& sql, bool keep);
void execOn(sqlite3* db, const std::string& sql, const std::string& what);

// One SQLite connection with the files attached to it, and the cursors
// opened on it, which it tells when their statements must go.
struct Connection {
    sqlite3* db = nullptr;
    std::string path;
    OpenMode mode = OpenMode::ReadOnlyShared;
    std::vector<std::pair<std::string, std::string>> attached;  // path, schema
    // Bumped whenever a live walk statement may no longer stand where its
    // cursor thinks: any write, DDL, rollback, reset or close.
    std::uint64_t epoch = 1;
    // Bumped at every open, so cursors know to prepare their statements anew.
    std::uint64_t openCount = 0;
    std::vector<TableCursor*> cursors;

    ~Connection() { closeDb(); }

    void requireOpen() const {
        if (!db) failOther("the database " + path + " is closed");
    }
    bool inTransaction() const { return db && !sqlite3_get_autocommit(db); }

    void openMain(OpenMode how);
    void attachFile(const std::string& file, const std::string& schema, OpenMode how);
    void lockAndConfigure(const std::string& schema, const std::string& file);
    void quiesce();
    void closeDb();
};

// The state behind one Table handle: where it stands, the statements it
// keeps prepared and a pending addNew() or edit().
struct TableCursor {
    enum class Pos { Before, After, OnRow, Gap };
    enum class Live { None, Forward, Backward };
    enum class Pending { None, Add, Change };

    std::shared_ptr<Connection> conn;
    std::string schema, table, qualified;
    std::vector<std::string> names;
    std::vector<std::u16string> names16;

    std::uint64_t preparedFor = 0;  // Connection::openCount of the statements below
    Stmt forward, backward, count, remove;
    std::map<std::vector<bool>, Stmt> inserts, updates;
    std::map<int, Stmt> wheres;  // rowidsWhere, by field index

    Pos pos = Pos::Before;
    bool bofFlag = false, eofFlag = false;
    std::int64_t cur = 0;
    Live live = Live::None;
    std::uint64_t liveEpoch = 0;

    Pending pending = Pending::None;
    std::vector<Value> values;
    std::vector<bool> changed;

    TableCursor(std::shared_ptr<Connection> c, std::string s, std::string t);
    ~TableCursor();

    // Statements and the walk.
    void finalizeAll();
    void resetWalk();
    void ensurePrepared();
    int step(sqlite3_stmt* s, const char* what);
    // Runs the walk statement of one direction from `from`; found receives
    // the rowid it stands on.
    bool seek(Live dir, std::int64_t from, std::int64_t& found);
    sqlite3_stmt* liveStmt() const { return live == Live::Forward ? forward.get() : backward.get(); }
    bool liveOnCurrent() const;
    void standOn(std::int64_t rowid);
    // Makes the live statement stand on the current record, reading it anew
    // when something may have moved it.
    sqlite3_stmt* current();

    // Moving.
    void dropPending();
    bool step(Live dir);
    bool moveEnd(Live dir);

    // Fields.
    int indexOf(std::string_view name) const;
    int indexOf(std::u16string_view name) const;
    void checkIndex(int i) const;
    Value get(int i);
    void set(int i, Value v);

    // Writing.
    void begin(Pending kind);
    sqlite3_stmt* writeStatement(bool add);
    void update();
    void deleteCurrent();

    std::vector<std::int64_t> rowidsWhere(int index, const Value& v);
    std::int64_t recordCount();
};

// The connection behind a Database handle; throws when it was moved from
// or is closed.
Connection& live(const std::shared_ptr<Connection>& c);

}  // namespace tav::store::detail
