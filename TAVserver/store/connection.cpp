// The connection: SQLite's failures as StoreError, prepared statements,
// and opening, attaching, locking and closing the files of one connection.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TAVserver/store/internal.h"

namespace tav::store {

StoreError::StoreError(Kind kind, const std::string& message, int sqliteCode)
    : std::runtime_error(message), kind_(kind), sqliteCode_(sqliteCode) {}

namespace detail {

namespace {

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

bool isBusy(int code) { return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED; }


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

}  // namespace

[[noreturn]] void failOther(const std::string& message) {
    throw StoreError(StoreError::Kind::Other, message);
}

[[noreturn]] void failSqlite(sqlite3* db, int code, const std::string& what) {
    std::string msg = what + ": ";
    msg += db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw StoreError(kindOf(code), msg, code);
}

std::string quoteIdent(std::string_view name) {
    std::string out = "\"";
    for (char ch : name) {
        if (ch == '"') out += '"';
        out += ch;
    }
    out += '"';
    return out;
}

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
}  // namespace tav::store
