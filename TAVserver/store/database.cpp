// The database: a connection's handle, its tables, copies of its files
// (backup and compaction through a scratch file) and its checks.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "TAVserver/store/internal.h"

namespace tav::store {
using namespace detail;

namespace {

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

}  // namespace

detail::Connection& detail::live(const std::shared_ptr<detail::Connection>& c) {
    if (!c) failOther("the database object was moved from");
    c->requireOpen();
    return *c;
}

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

}  // namespace tav::store
