// SQLite behind the recordset layer: opening and locking files, keeping one
// walk statement per table live while it moves, and writing changed fields.
#include "TAVserver/store/store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tav::store {

StoreError::StoreError(Kind kind, const std::string& message, int sqliteCode)
    : std::runtime_error(message), kind_(kind), sqliteCode_(sqliteCode) {}

namespace detail {
// Binding text without copying it.
struct ValueAccess {
    static const std::u16string& text(const Value& v) { return std::get<std::u16string>(v.v_); }
};
}  // namespace detail

namespace {

constexpr std::int64_t kMinRowid = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMaxRowid = std::numeric_limits<std::int64_t>::max();

[[noreturn]] void failOther(const std::string& message) {
    throw StoreError(StoreError::Kind::Other, message);
}

StoreError::Kind kindOf(int code) {
    switch (code) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
        return StoreError::Kind::DuplicateKey;
    default:
        return StoreError::Kind::Other;
    }
}

[[noreturn]] void failSqlite(sqlite3* db, int code, const std::string& what) {
    std::string msg = what + ": ";
    msg += db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw StoreError(kindOf(code), msg, code);
}

bool isBusy(int code) { return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED; }

std::string quoteIdent(std::string_view name) {
    std::string out = "\"";
    for (char ch : name) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
    return out;
}

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

Stmt prepare(sqlite3* db, const std::string& sql, bool keep) {
    sqlite3_stmt* p = nullptr;
    int rc = sqlite3_prepare_v3(db, sql.c_str(), int(sql.size()), keep ? SQLITE_PREPARE_PERSISTENT : 0,
                                &p, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(p);
        failSqlite(db, rc, "cannot prepare [" + sql + "]");
    }
    return Stmt(p);
}

void execOn(sqlite3* db, const std::string& sql, const std::string& what) {
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = what + ": " + (err ? err : sqlite3_errstr(rc));
        sqlite3_free(err);
        throw StoreError(kindOf(rc), msg, rc);
    }
}

// One text row of a pragma.
std::string pragmaText(sqlite3* db, const std::string& sql) {
    Stmt s = prepare(db, sql, false);
    int rc = sqlite3_step(s.get());
    if (rc == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(s.get(), 0);
        return t ? reinterpret_cast<const char*>(t) : "";
    }
    if (rc != SQLITE_DONE) failSqlite(db, rc, sql);
    return {};
}

// New files hold the plant's data: readable by the server's account only.
void createPrivateFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) failOther("cannot create " + path + ": " + std::strerror(errno));
    ::close(fd);
}

std::string folderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void syncPath(const std::string& path, bool folder) {
    int fd = ::open(path.c_str(), (folder ? O_RDONLY | O_DIRECTORY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) failOther("cannot open " + path + " to flush it: " + std::strerror(errno));
    int rc = ::fsync(fd);
    int err = errno;
    ::close(fd);
    if (rc != 0) failOther("cannot flush " + path + ": " + std::strerror(err));
}

// A 0600 scratch file beside dest, removed again unless keep() is called.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& dest) {
        auto slash = dest.find_last_of('/');
        std::string base = slash == std::string::npos ? dest : dest.substr(slash + 1);
        std::string tmpl = folderOf(dest) + "/." + base + ".tmpXXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        int fd = ::mkostemp(buf.data(), O_CLOEXEC);
        if (fd < 0) failOther("cannot create a temporary file beside " + dest + ": " + std::strerror(errno));
        ::close(fd);
        path_ = buf.data();
    }
    ~ScratchFile() {
        if (!kept_) ::unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& path() const { return path_; }

    // Flushes the finished copy and puts it in dest's place in one step.
    void moveOnto(const std::string& dest) {
        syncPath(path_, false);
        if (::rename(path_.c_str(), dest.c_str()) != 0)
            failOther("cannot rename " + path_ + " to " + dest + ": " + std::strerror(errno));
        kept_ = true;
        syncPath(folderOf(dest), true);
    }

private:
    std::string path_;
    bool kept_ = false;
};

// The number a text begins with, after blanks: sign, digits, fraction and
// exponent. integral is set when it has neither fraction nor exponent.
struct LeadingNumber {
    std::string digits;  // in from_chars form, empty when there is none
    bool integral = true;
};

LeadingNumber scanLeadingNumber(std::u16string_view t) {
    LeadingNumber n;
    std::size_t i = 0;
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t')) ++i;
    std::string s;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        if (t[i] == u'-') s += '-';
        ++i;
    }
    auto isDigit = [&](std::size_t k) { return k < t.size() && t[k] >= u'0' && t[k] <= u'9'; };
    bool any = false;
    while (isDigit(i)) { s += char(t[i++]); any = true; }
    if (i < t.size() && t[i] == u'.') {
        s += '.';
        ++i;
        n.integral = false;
        while (isDigit(i)) { s += char(t[i++]); any = true; }
    }
    if (!any) return {};
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        std::size_t k = i + 1;
        std::string e = "e";
        if (k < t.size() && (t[k] == u'+' || t[k] == u'-')) e += char(t[k++]);
        if (isDigit(k)) {
            while (isDigit(k)) e += char(t[k++]);
            s += e;
            n.integral = false;
        }
    }
    n.digits = std::move(s);
    return n;
}

double toDouble(const LeadingNumber& n) {
    if (n.digits.empty()) return 0.0;
    double d = 0.0;
    auto r = std::from_chars(n.digits.data(), n.digits.data() + n.digits.size(), d);
    if (r.ec == std::errc::result_out_of_range) {
        // from_chars leaves d alone on overflow or underflow: tell them apart.
        bool tiny = n.digits.find_first_of("123456789") == std::string::npos ||
                    n.digits.find("e-") != std::string::npos;
        bool negative = n.digits[0] == '-';
        if (tiny) return negative ? -0.0 : 0.0;
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return d;
}

std::int64_t roundHalfEven(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775808.0) return kMaxRowid;
    if (d < -9223372036854775808.0) return kMinRowid;
    double f = std::floor(d);
    double diff = d - f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0)) f += 1.0;
    return static_cast<std::int64_t>(f);
}

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

Value readColumn(sqlite3_stmt* s, int col) {
    switch (sqlite3_column_type(s, col)) {
    case SQLITE_INTEGER:
        return Value(static_cast<long long>(sqlite3_column_int64(s, col)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(s, col));
    case SQLITE_TEXT: {
        auto p = static_cast<const char16_t*>(sqlite3_column_text16(s, col));
        int bytes = sqlite3_column_bytes16(s, col);
        if (!p) return Value(std::u16string());
        return Value(std::u16string(p, std::size_t(bytes) / 2));
    }
    case SQLITE_NULL:
        return Value();
    default:
        failOther(std::string("field \"") + sqlite3_column_name(s, col) + "\" holds binary data");
    }
}

void bindValue(sqlite3* db, sqlite3_stmt* s, int at, const Value& v) {
    int rc = SQLITE_OK;
    switch (v.type()) {
    case Value::Type::Null:
        rc = sqlite3_bind_null(s, at);
        break;
    case Value::Type::Integer:
        rc = sqlite3_bind_int64(s, at, v.asInt());
        break;
    case Value::Type::Double:
        rc = sqlite3_bind_double(s, at, v.asDouble());
        break;
    case Value::Type::Text: {
        // The caller keeps v alive until the statement has run.
        const std::u16string& text = detail::ValueAccess::text(v);
        rc = sqlite3_bind_text16(s, at, text.data(), int(text.size() * 2), SQLITE_STATIC);
        break;
    }
    }
    if (rc != SQLITE_OK) failSqlite(db, rc, "cannot bind a value");
}

}  // namespace

// ---------------------------------------------------------------- Value

std::int64_t Value::asInt() const {
    switch (type()) {
    case Type::Null:
        return 0;
    case Type::Integer:
        return std::get<std::int64_t>(v_);
    case Type::Double:
        return roundHalfEven(std::get<double>(v_));
    case Type::Text: {
        LeadingNumber n = scanLeadingNumber(std::get<std::u16string>(v_));
        if (n.digits.empty()) return 0;
        if (n.integral) {
            std::int64_t i = 0;
            auto r = std::from_chars(n.digits.data(), n.digits.data() + n.digits.size(), i);
            if (r.ec == std::errc()) return i;
        }
        return roundHalfEven(toDouble(n));
    }
    }
    return 0;
}

double Value::asDouble() const {
    switch (type()) {
    case Type::Null:
        return 0.0;
    case Type::Integer:
        return double(std::get<std::int64_t>(v_));
    case Type::Double:
        return std::get<double>(v_);
    case Type::Text:
        return toDouble(scanLeadingNumber(std::get<std::u16string>(v_)));
    }
    return 0.0;
}

std::u16string Value::asText() const {
    // Fixed notation of the largest and smallest doubles needs some 330 characters.
    char buf[400];
    switch (type()) {
    case Type::Null:
        return {};
    case Type::Integer: {
        auto r = std::to_chars(buf, buf + sizeof buf, std::get<std::int64_t>(v_));
        return widen(std::string_view(buf, std::size_t(r.ptr - buf)));
    }
    case Type::Double: {
        double d = std::get<double>(v_);
        if (d == 0.0) return u"0";
        auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
        return widen(std::string_view(buf, std::size_t(r.ptr - buf)));
    }
    case Type::Text:
        return std::get<std::u16string>(v_);
    }
    return {};
}

// ---------------------------------------------------------------- connection

namespace detail {

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

    TableCursor(std::shared_ptr<Connection> c, std::string s, std::string t)
        : conn(std::move(c)), schema(std::move(s)), table(std::move(t)),
          qualified(quoteIdent(schema) + "." + quoteIdent(table)) {
        conn->cursors.push_back(this);
    }
    ~TableCursor() {
        finalizeAll();
        std::erase(conn->cursors, this);
    }

    void finalizeAll() {
        forward = Stmt();
        backward = Stmt();
        count = Stmt();
        remove = Stmt();
        inserts.clear();
        updates.clear();
        wheres.clear();
        live = Live::None;
        preparedFor = 0;
    }

    void resetWalk() {
        if (forward) sqlite3_reset(forward.get());
        if (backward) sqlite3_reset(backward.get());
        live = Live::None;
    }

    void ensurePrepared() {
        conn->requireOpen();
        if (preparedFor == conn->openCount) return;
        finalizeAll();
        sqlite3* db = conn->db;
        forward = prepare(db, "SELECT rowid,* FROM " + qualified + " WHERE rowid>=?1 ORDER BY rowid", true);
        backward =
            prepare(db, "SELECT rowid,* FROM " + qualified + " WHERE rowid<=?1 ORDER BY rowid DESC", true);
        int n = sqlite3_column_count(forward.get()) - 1;
        std::vector<std::string> now;
        std::vector<std::u16string> now16;
        for (int i = 0; i < n; ++i) {
            now.emplace_back(sqlite3_column_name(forward.get(), i + 1));
            now16.emplace_back(static_cast<const char16_t*>(sqlite3_column_name16(forward.get(), i + 1)));
        }
        if (!names.empty() && now != names) {
            finalizeAll();
            failOther("table " + table + " no longer has the fields it had when it was opened");
        }
        names = std::move(now);
        names16 = std::move(now16);
        preparedFor = conn->openCount;
    }

    int step(sqlite3_stmt* s, const char* what) {
        int rc = sqlite3_step(s);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            sqlite3_reset(s);
            if (s == forward.get() || s == backward.get()) live = Live::None;
            failSqlite(conn->db, rc, std::string(what) + " " + table);
        }
        return rc;
    }

    // Runs the walk statement of one direction from `from`; found receives
    // the rowid it stands on.
    bool seek(Live dir, std::int64_t from, std::int64_t& found) {
        ensurePrepared();
        sqlite3_stmt* s = dir == Live::Forward ? forward.get() : backward.get();
        resetWalk();
        sqlite3_bind_int64(s, 1, from);
        if (step(s, "cannot read") != SQLITE_ROW) return false;
        found = sqlite3_column_int64(s, 0);
        live = dir;
        liveEpoch = conn->epoch;
        return true;
    }

    sqlite3_stmt* liveStmt() const { return live == Live::Forward ? forward.get() : backward.get(); }

    bool liveOnCurrent() const {
        return pos == Pos::OnRow && live != Live::None && liveEpoch == conn->epoch &&
               preparedFor == conn->openCount && conn->db;
    }

    void standOn(std::int64_t rowid) {
        cur = rowid;
        pos = Pos::OnRow;
        bofFlag = eofFlag = false;
    }

    // Makes the live statement stand on the current record, reading it anew
    // when something may have moved it.
    sqlite3_stmt* current() {
        if (pos != Pos::OnRow) failOther("table " + table + " has no current record");
        if (liveOnCurrent()) return liveStmt();
        std::int64_t found = 0;
        if (!seek(Live::Forward, cur, found) || found != cur) {
            pos = Pos::Gap;
            failOther("the current record of table " + table + " no longer exists");
        }
        return forward.get();
    }

    void dropPending() {
        pending = Pending::None;
        values.clear();
        changed.clear();
    }

    bool step(Live dir) {
        dropPending();
        const bool fwd = dir == Live::Forward;
        std::int64_t found = 0;
        bool ok = false;
        switch (pos) {
        case Pos::After:
            if (fwd) return false;
            ok = seek(Live::Backward, kMaxRowid, found);
            break;
        case Pos::Before:
            if (!fwd) return false;
            ok = seek(Live::Forward, kMinRowid, found);
            break;
        case Pos::OnRow:
        case Pos::Gap:
            if (pos == Pos::OnRow && liveOnCurrent() && live == dir) {
                sqlite3_stmt* s = liveStmt();
                ok = step(s, "cannot read") == SQLITE_ROW;
                if (ok) found = sqlite3_column_int64(s, 0);
                else live = Live::None;
            } else if (fwd ? cur != kMaxRowid : cur != kMinRowid) {
                ok = seek(dir, fwd ? cur + 1 : cur - 1, found);
            }
            break;
        }
        if (ok) {
            standOn(found);
            return true;
        }
        const bool empty = pos == Pos::Before || pos == Pos::After;
        pos = fwd ? Pos::After : Pos::Before;
        (fwd ? eofFlag : bofFlag) = true;
        if (empty) bofFlag = eofFlag = true;
        return false;
    }

    bool moveEnd(Live dir) {
        dropPending();
        std::int64_t found = 0;
        if (seek(dir, dir == Live::Forward ? kMinRowid : kMaxRowid, found)) {
            standOn(found);
            return true;
        }
        pos = dir == Live::Forward ? Pos::After : Pos::Before;
        bofFlag = eofFlag = true;
        return false;
    }

    int indexOf(std::string_view name) const {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (equalsNoCase(std::string_view(names[i]), name)) return int(i);
        return -1;
    }
    int indexOf(std::u16string_view name) const {
        for (std::size_t i = 0; i < names16.size(); ++i)
            if (equalsNoCase(std::u16string_view(names16[i]), name)) return int(i);
        return -1;
    }

    void checkIndex(int i) const {
        if (i < 0 || std::size_t(i) >= names.size())
            failOther("table " + table + " has no field number " + std::to_string(i));
    }

    Value get(int i) {
        checkIndex(i);
        if (pending != Pending::None && changed[std::size_t(i)]) return values[std::size_t(i)];
        if (pending == Pending::Add) return Value();
        return readColumn(current(), i + 1);
    }

    void set(int i, Value v) {
        if (pending == Pending::None) failOther("table " + table + ": set() without addNew() or edit()");
        checkIndex(i);
        values[std::size_t(i)] = std::move(v);
        changed[std::size_t(i)] = true;
    }

    void begin(Pending kind) {
        ensurePrepared();
        if (kind == Pending::Change) current();
        pending = kind;
        values.assign(names.size(), Value());
        changed.assign(names.size(), false);
    }

    sqlite3_stmt* writeStatement(bool add) {
        auto& cache = add ? inserts : updates;
        auto it = cache.find(changed);
        if (it != cache.end()) return it->second.get();
        std::string cols, params;
        int n = 0;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (!changed[i]) continue;
            if (n) { cols += ','; params += ','; }
            ++n;
            std::string p = "?" + std::to_string(n);
            if (add) {
                cols += quoteIdent(names[i]);
                params += p;
            } else {
                cols += quoteIdent(names[i]) + "=" + p;
            }
        }
        std::string sql;
        if (add)
            sql = n ? "INSERT INTO " + qualified + "(" + cols + ") VALUES(" + params + ")"
                    : "INSERT INTO " + qualified + " DEFAULT VALUES";
        else
            sql = "UPDATE " + qualified + " SET " + cols + " WHERE rowid=?" + std::to_string(n + 1);
        sql += " RETURNING rowid";
        return cache.emplace(changed, prepare(conn->db, sql, true)).first->second.get();
    }

    void update() {
        if (pending == Pending::None) failOther("table " + table + ": update() without addNew() or edit()");
        ensurePrepared();
        const bool add = pending == Pending::Add;
        if (!add && std::find(changed.begin(), changed.end(), true) == changed.end()) {
            dropPending();
            return;
        }
        sqlite3_stmt* s = writeStatement(add);
        int at = 0;
        for (std::size_t i = 0; i < names.size(); ++i)
            if (changed[i]) bindValue(conn->db, s, ++at, values[i]);
        if (!add) sqlite3_bind_int64(s, at + 1, cur);

        // Whatever happens, walk statements must find their place again.
        ++conn->epoch;
        int rc = sqlite3_step(s);
        const bool wrote = rc == SQLITE_ROW;
        std::int64_t rowid = wrote ? sqlite3_column_int64(s, 0) : 0;
        while (rc == SQLITE_ROW) rc = sqlite3_step(s);
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
        dropPending();
        if (rc != SQLITE_DONE) failSqlite(conn->db, rc, std::string(add ? "cannot add to " : "cannot change ") + table);
        if (!wrote) {
            pos = Pos::Gap;
            failOther("the current record of table " + table + " no longer exists");
        }
        standOn(rowid);
    }

    void deleteCurrent() {
        dropPending();
        if (pos != Pos::OnRow) failOther("table " + table + " has no current record");
        ensurePrepared();
        if (!remove) remove = prepare(conn->db, "DELETE FROM " + qualified + " WHERE rowid=?1", true);
        sqlite3_bind_int64(remove.get(), 1, cur);
        ++conn->epoch;
        step(remove.get(), "cannot delete from");
        sqlite3_reset(remove.get());
        pos = Pos::Gap;
        if (sqlite3_changes(conn->db) == 0)
            failOther("the current record of table " + table + " no longer exists");
    }

    std::vector<std::int64_t> rowidsWhere(int index, const Value& v) {
        ensurePrepared();
        if (index < 0 || index >= int(names.size())) failOther("table " + table + " has no such field");
        Stmt& st = wheres[index];
        if (!st)
            st = prepare(conn->db,
                         "SELECT rowid FROM " + qualified + " WHERE " + quoteIdent(names[std::size_t(index)]) +
                             "=?1 ORDER BY rowid",
                         true);
        bindValue(conn->db, st.get(), 1, v);
        std::vector<std::int64_t> out;
        while (step(st.get(), "cannot read") == SQLITE_ROW) out.push_back(sqlite3_column_int64(st.get(), 0));
        sqlite3_reset(st.get());
        sqlite3_clear_bindings(st.get());
        return out;
    }

    std::int64_t recordCount() {
        ensurePrepared();
        if (!count) count = prepare(conn->db, "SELECT count(*) FROM " + qualified, true);
        step(count.get(), "cannot count");
        std::int64_t n = sqlite3_column_int64(count.get(), 0);
        sqlite3_reset(count.get());
        return n;
    }
};

void Connection::lockAndConfigure(const std::string& schema, const std::string& file) {
    const std::string q = quoteIdent(schema) + ".";
    try {
        if (mode == OpenMode::ReadOnlyShared) {
            // Reading the catalogue proves the file is a database, now rather than later.
            pragmaText(db, "SELECT count(*) FROM " + q + "sqlite_master");
            return;
        }
        // Locked now, so a second opener fails at once, and held until close.
        // A rollback journal (not WAL) lets one commit span attached files atomically.
        execOn(db, "PRAGMA " + q + "locking_mode=EXCLUSIVE", "cannot open " + file);
        pragmaText(db, "PRAGMA " + q + "journal_mode=DELETE");
        execOn(db, "PRAGMA " + q + "synchronous=FULL", "cannot open " + file);
        execOn(db, "BEGIN EXCLUSIVE; COMMIT", "cannot lock " + file);
    } catch (const StoreError& e) {
        if (isBusy(e.sqliteCode()))
            throw StoreError(StoreError::Kind::Other,
                             "cannot open " + file + ": it is in use by another connection or program (" +
                                 e.what() + ")",
                             e.sqliteCode());
        throw;
    }
    std::string enc = pragmaText(db, "PRAGMA " + q + "encoding");
    if (enc != "UTF-16le")
        failOther("cannot open " + file + " for writing: its text encoding is " + enc + ", not UTF-16le");
}

void Connection::openMain(OpenMode how) {
    bool created = false;
    if (how == OpenMode::Create) {
        createPrivateFile(path);
        created = true;
    }
    int flags = (how == OpenMode::ReadOnlyShared ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                SQLITE_OPEN_NOMUTEX;
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = "cannot open " + path + ": " + (handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
        sqlite3_close_v2(handle);
        if (created) ::unlink(path.c_str());
        throw StoreError(StoreError::Kind::Other, msg, rc);
    }
    db = handle;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 0);
    OpenMode saved = mode;
    mode = how;
    try {
        // Only takes effect on a new, empty file; later reads check it.
        if (how != OpenMode::ReadOnlyShared) execOn(db, "PRAGMA encoding='UTF-16le'", "cannot open " + path);
        lockAndConfigure("main", path);
    } catch (...) {
        sqlite3_close_v2(db);
        db = nullptr;
        mode = saved;
        if (created) ::unlink(path.c_str());
        throw;
    }
    ++openCount;
    ++epoch;
}

void Connection::attachFile(const std::string& file, const std::string& schema, OpenMode how) {
    requireOpen();
    if (inTransaction()) failOther("cannot attach " + file + " inside a transaction");
    bool created = false;
    if (how == OpenMode::Create) {
        createPrivateFile(file);
        created = true;
    }
    quiesce();
    try {
        Stmt s = prepare(db, "ATTACH DATABASE ?1 AS ?2", false);
        sqlite3_bind_text(s.get(), 1, file.data(), int(file.size()), SQLITE_STATIC);
        sqlite3_bind_text(s.get(), 2, schema.data(), int(schema.size()), SQLITE_STATIC);
        int rc = sqlite3_step(s.get());
        if (rc != SQLITE_DONE) failSqlite(db, rc, "cannot attach " + file);
    } catch (...) {
        if (created) ::unlink(file.c_str());
        throw;
    }
    try {
        lockAndConfigure(schema, file);
    } catch (...) {
        if (inTransaction()) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_exec(db, ("DETACH DATABASE " + quoteIdent(schema)).c_str(), nullptr, nullptr, nullptr);
        if (created) ::unlink(file.c_str());
        throw;
    }
}

void Connection::quiesce() {
    for (TableCursor* c : cursors) c->resetWalk();
    ++epoch;
}

void Connection::closeDb() {
    if (!db) return;
    for (TableCursor* c : cursors) c->finalizeAll();
    sqlite3_close_v2(db);
    db = nullptr;
    ++epoch;
}

}  // namespace detail

// ---------------------------------------------------------------- Database

Database::Database(const std::string& path, OpenMode mode) : conn_(std::make_shared<detail::Connection>()) {
    conn_->path = path;
    conn_->openMain(mode);
}

Database::~Database() {
    if (conn_) conn_->closeDb();
}

Database::Database(Database&&) noexcept = default;

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        if (conn_) conn_->closeDb();
        conn_ = std::move(other.conn_);
    }
    return *this;
}

static detail::Connection& live(const std::shared_ptr<detail::Connection>& c) {
    if (!c) failOther("the database object was moved from");
    c->requireOpen();
    return *c;
}

void Database::attach(const std::string& path, const std::string& schemaName) {
    detail::Connection& c = live(conn_);
    for (const auto& a : c.attached)
        if (equalsNoCase(std::string_view(a.second), std::string_view(schemaName)))
            failOther("a file is already attached as " + schemaName);
    c.attachFile(path, schemaName, c.mode);
    c.attached.emplace_back(path, schemaName);
}

void Database::exec(const std::string& sql) {
    detail::Connection& c = live(conn_);
    c.quiesce();
    execOn(c.db, sql, "cannot run [" + sql + "]");
}

Table Database::table(std::string_view name) {
    detail::Connection& c = live(conn_);
    std::vector<std::string> schemas;
    {
        Stmt s = prepare(c.db, "PRAGMA database_list", false);
        while (sqlite3_step(s.get()) == SQLITE_ROW) {
            std::string schema = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 1));
            if (schema != "temp") schemas.push_back(std::move(schema));
        }
    }
    std::string foundSchema, foundName;
    for (const auto& schema : schemas) {
        Stmt s = prepare(c.db,
                         "SELECT name FROM " + quoteIdent(schema) +
                             ".sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE",
                         false);
        sqlite3_bind_text(s.get(), 1, name.data(), int(name.size()), SQLITE_STATIC);
        int rc = sqlite3_step(s.get());
        if (rc == SQLITE_ROW) {
            if (!foundSchema.empty())
                failOther("table " + std::string(name) + " exists in both " + foundSchema + " and " + schema);
            foundSchema = schema;
            foundName = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
        } else if (rc != SQLITE_DONE) {
            failSqlite(c.db, rc, "cannot look for table " + std::string(name));
        }
    }
    if (foundSchema.empty()) failOther("there is no table " + std::string(name));
    auto cursor = std::make_unique<detail::TableCursor>(conn_, foundSchema, foundName);
    cursor->ensurePrepared();
    cursor->moveEnd(detail::TableCursor::Live::Forward);
    return Table(std::move(cursor));
}

void Database::backupTo(const std::string& schemaName, const std::string& destPath) {
    detail::Connection& c = live(conn_);
    if (c.inTransaction()) failOther("cannot back up inside a transaction");
    ScratchFile tmp(destPath);
    sqlite3* out = nullptr;
    int rc = sqlite3_open_v2(tmp.path().c_str(), &out, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    auto closeOut = [&] { sqlite3_close_v2(out); out = nullptr; };
    if (rc != SQLITE_OK) {
        std::string msg = "cannot open " + tmp.path() + ": " + (out ? sqlite3_errmsg(out) : sqlite3_errstr(rc));
        closeOut();
        throw StoreError(StoreError::Kind::Other, msg, rc);
    }
    sqlite3_backup* b = sqlite3_backup_init(out, "main", c.db, schemaName.c_str());
    if (!b) {
        std::string msg = "cannot back up " + schemaName + ": " + sqlite3_errmsg(out);
        int code = sqlite3_extended_errcode(out);
        closeOut();
        throw StoreError(StoreError::Kind::Other, msg, code);
    }
    rc = sqlite3_backup_step(b, -1);
    int finish = sqlite3_backup_finish(b);
    if (rc == SQLITE_DONE) rc = finish;
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        std::string msg = "cannot back up " + schemaName + " to " + destPath + ": " + sqlite3_errmsg(out);
        closeOut();
        throw StoreError(StoreError::Kind::Other, msg, rc);
    }
    rc = sqlite3_close(out);
    out = nullptr;
    if (rc != SQLITE_OK) failOther("cannot close " + tmp.path() + ": " + sqlite3_errstr(rc));
    tmp.moveOnto(destPath);
}

void Database::vacuumInto(const std::string& schemaName, const std::string& destPath) {
    detail::Connection& c = live(conn_);
    if (c.inTransaction()) failOther("cannot compact inside a transaction");
    ScratchFile tmp(destPath);
    // VACUUM refuses to run while any statement of the connection is active.
    c.quiesce();
    Stmt s = prepare(c.db, "VACUUM " + quoteIdent(schemaName) + " INTO ?1", false);
    sqlite3_bind_text(s.get(), 1, tmp.path().data(), int(tmp.path().size()), SQLITE_STATIC);
    int rc = sqlite3_step(s.get());
    if (rc != SQLITE_DONE) failSqlite(c.db, rc, "cannot compact " + schemaName + " into " + destPath);
    tmp.moveOnto(destPath);
}

std::string Database::integrityCheck() {
    detail::Connection& c = live(conn_);
    Stmt s = prepare(c.db, "PRAGMA integrity_check", false);
    std::string out;
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        if (!out.empty()) out += '\n';
        const unsigned char* t = sqlite3_column_text(s.get(), 0);
        if (t) out += reinterpret_cast<const char*>(t);
    }
    if (rc != SQLITE_DONE) failSqlite(c.db, rc, "cannot check integrity");
    return out;
}

bool Database::isOpen() const noexcept { return conn_ && conn_->db; }

bool Database::inTransaction() const { return conn_ && conn_->inTransaction(); }

void Database::close() {
    if (conn_) conn_->closeDb();
}

void Database::reopen() {
    if (!conn_) failOther("the database object was moved from");
    detail::Connection& c = *conn_;
    if (c.db) failOther("the database " + c.path + " is already open");
    // The files exist by now, whatever mode first made them.
    OpenMode how = c.mode == OpenMode::Create ? OpenMode::ReadWriteExclusive : c.mode;
    c.openMain(how);
    try {
        for (const auto& [file, schema] : c.attached) c.attachFile(file, schema, how);
    } catch (...) {
        c.closeDb();
        throw;
    }
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Database& db) : conn_(db.conn_) {
    detail::Connection& c = live(conn_);
    if (c.inTransaction()) failOther("a transaction is already open on " + c.path);
    execOn(c.db, "BEGIN", "cannot begin a transaction");
}

Transaction::~Transaction() {
    if (!open_ || !conn_->db) return;
    if (conn_->inTransaction()) sqlite3_exec(conn_->db, "ROLLBACK", nullptr, nullptr, nullptr);
    ++conn_->epoch;
}

void Transaction::commit() {
    if (!open_) failOther("the transaction is already committed");
    live(conn_);
    execOn(conn_->db, "COMMIT", "cannot commit");
    open_ = false;
}

// ---------------------------------------------------------------- Table

Table::Table(std::unique_ptr<detail::TableCursor> cursor) : c_(std::move(cursor)) {}
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;
Table::~Table() = default;

const std::string& Table::name() const { return c_->table; }
const std::string& Table::schemaName() const { return c_->schema; }
int Table::fieldCount() const { return int(c_->names.size()); }

const std::string& Table::fieldName(int index) const {
    c_->checkIndex(index);
    return c_->names[std::size_t(index)];
}

int Table::fieldIndex(std::string_view name) const { return c_->indexOf(name); }
int Table::fieldIndex(std::u16string_view name) const { return c_->indexOf(name); }

std::int64_t Table::recordCount() { return c_->recordCount(); }

std::vector<std::int64_t> Table::rowidsWhere(std::string_view fieldName, const Value& value) {
    return c_->rowidsWhere(c_->indexOf(fieldName), value);
}

bool Table::moveFirst() { return c_->moveEnd(detail::TableCursor::Live::Forward); }
bool Table::moveLast() { return c_->moveEnd(detail::TableCursor::Live::Backward); }
bool Table::moveNext() { return c_->step(detail::TableCursor::Live::Forward); }
bool Table::movePrev() { return c_->step(detail::TableCursor::Live::Backward); }

bool Table::moveTo(std::int64_t rowid) {
    c_->dropPending();
    std::int64_t found = 0;
    if (c_->seek(detail::TableCursor::Live::Forward, rowid, found) && found == rowid) {
        c_->standOn(rowid);
        return true;
    }
    c_->live = detail::TableCursor::Live::None;
    return false;
}

bool Table::eof() const { return c_->eofFlag; }
bool Table::bof() const { return c_->bofFlag; }

std::int64_t Table::rowid() {
    c_->current();
    return c_->cur;
}

Value Table::get(int index) { return c_->get(index); }

Value Table::get(std::string_view fieldName) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field " + std::string(fieldName));
    return c_->get(i);
}

Value Table::get(std::u16string_view fieldName) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field of the name asked for");
    return c_->get(i);
}

void Table::addNew() { c_->begin(detail::TableCursor::Pending::Add); }
void Table::edit() { c_->begin(detail::TableCursor::Pending::Change); }

void Table::set(int index, Value value) { c_->set(index, std::move(value)); }

void Table::set(std::string_view fieldName, Value value) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field " + std::string(fieldName));
    c_->set(i, std::move(value));
}

void Table::set(std::u16string_view fieldName, Value value) {
    int i = c_->indexOf(fieldName);
    if (i < 0) failOther("table " + c_->table + " has no field of the name asked for");
    c_->set(i, std::move(value));
}

void Table::update() { c_->update(); }
void Table::cancelUpdate() { c_->dropPending(); }
void Table::deleteCurrent() { c_->deleteCurrent(); }

}  // namespace tav::store
