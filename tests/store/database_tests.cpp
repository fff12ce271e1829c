// Connections: transactions across attached files, exclusive holding, file
// modes, backups, compaction and the close-and-reopen of the daily job.
#include "tests/store/store_fixture.h"

#include <sqlite3.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/process.h"

namespace tav::store::testing {
namespace {

namespace fs = std::filesystem;

unsigned modeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
}

std::string contentsOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Tries to write a file through a plain SQLite connection of its own; the
// result code of the attempt.
int rawWrite(const std::string& path) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "CREATE TABLE intruder(x)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc;
}

constexpr const char* kIntruderVar = "TAV_STORE_TEST_INTRUDER";

// Run as a separate program (this test binary started again with the files to
// try in kIntruderVar) it tries to write each file and exits 0 only when
// every attempt was refused. A forked child would not do: it inherits this
// process's own record of its locks and never asks the system.
[[maybe_unused]] const int intruder = [] {
    const char* files = std::getenv(kIntruderVar);
    if (!files) return 0;
    bool refused = true;
    std::istringstream list(files);
    for (std::string path; std::getline(list, path, '\n');) {
        if ((rawWrite(path) & 0xff) != SQLITE_BUSY) refused = false;
        try {
            Database second(path, OpenMode::ReadWriteExclusive);
            refused = false;
        } catch (const StoreError&) {
        }
    }
    ::_exit(refused ? 0 : 1);
}();

// The server's arrangement: one connection, a main file and an attached one.
class TwoFiles : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        db_.emplace(usersPath(), OpenMode::Create);
        db_->attach(recordsPath(), "records");
        db_->exec(
            "CREATE TABLE main.users(user_id TEXT PRIMARY KEY, times INTEGER);"
            "CREATE TABLE records.list(bill_id INTEGER PRIMARY KEY, descr TEXT);");
        Table u = db_->table("users");
        add(u, {{"user_id", u"wang"}, {"times", 0}});
        Table l = db_->table("list");
        add(l, {{"bill_id", 1}, {"descr", u"泵"}});
    }
    std::string usersPath() const { return file("TAVusers.mdb"); }
    std::string recordsPath() const { return file("TAVrecords.mdb"); }
    std::optional<Database> db_;
};

TEST_F(TwoFiles, AFailedScopeLeavesNoTraceInEitherFile) {
    Table users = db_->table("users");
    Table list = db_->table("LIST");
    EXPECT_EQ(list.schemaName(), "records");
    try {
        Transaction tx(*db_);
        add(list, {{"bill_id", 2}, {"descr", u"阀"}});
        users.edit();
        users.set("times", 3);
        users.update();
        add(users, {{"user_id", u"li"}});
        throw std::runtime_error("request failed half way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(db_->inTransaction());
    EXPECT_EQ(walkForward(list, "bill_id"), ints({1}));
    EXPECT_EQ(walkForward(users, "times"), ints({0}));

    // A committed scope reaches both files.
    {
        Transaction tx(*db_);
        add(list, {{"bill_id", 3}, {"descr", u"电机"}});
        ASSERT_TRUE(users.moveFirst());
        users.edit();
        users.set("times", 5);
        users.update();
        tx.commit();
    }
    db_.reset();
    for (const auto& [path, table, field, want] :
         {std::tuple{usersPath(), "users", "times", ints({5})},
          std::tuple{recordsPath(), "list", "bill_id", ints({1, 3})}}) {
        Database check(path, OpenMode::ReadOnlyShared);
        Table t = check.table(table);
        EXPECT_EQ(walkForward(t, field), want) << path;
        EXPECT_EQ(check.integrityCheck(), "ok");
    }
}

TEST_F(TwoFiles, ScopesDoNotNestAndHandlesOutliveThem) {
    Table list = db_->table("list");
    Transaction outer(*db_);
    EXPECT_THROW(Transaction inner(*db_), StoreError);
    add(list, {{"bill_id", 2}, {"descr", u"x"}});
    ASSERT_TRUE(list.moveFirst());
    outer.commit();
    EXPECT_THROW(outer.commit(), StoreError);
    // The walk begun inside the scope goes on after it.
    ASSERT_TRUE(list.moveNext());
    EXPECT_EQ(list.get("bill_id"), Value(2));
    Transaction next(*db_);
    list.deleteCurrent();
    next.commit();
    EXPECT_EQ(walkForward(list, "bill_id"), ints({1}));
}

TEST_F(TwoFiles, NoSecondConnectionCanOpenOrWriteWhileTheyAreHeld) {
    // Held from the open itself, before this connection has read or written.
    db_->close();
    db_->reopen();
    for (const std::string& path : {usersPath(), recordsPath()}) {
        SCOPED_TRACE(path);
        for (OpenMode mode : {OpenMode::ReadWriteExclusive, OpenMode::ReadOnlyShared}) {
            try {
                Database second(path, mode);
                ADD_FAILURE() << "a second connection opened a held file";
            } catch (const StoreError& e) {
                EXPECT_EQ(e.sqliteCode() & 0xff, SQLITE_BUSY) << e.what();
                EXPECT_NE(std::string(e.what()).find("in use"), std::string::npos) << e.what();
            }
        }
        EXPECT_EQ(rawWrite(path) & 0xff, SQLITE_BUSY);
    }

    // Another process fares no better.
    const std::string files = usersPath() + "\n" + recordsPath();
    const pid_t parent = tav::support::forkingParent();
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        tav::support::endWithParent(parent);
        ::setenv(kIntruderVar, files.c_str(), 1);
        ::execl("/proc/self/exe", "store_tests", static_cast<char*>(nullptr));
        ::_exit(2);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "another process could use a held file";

    // Closing lets go of both files.
    db_->close();
    EXPECT_EQ(rawWrite(recordsPath()), SQLITE_OK);
    Database again(usersPath(), OpenMode::ReadWriteExclusive);
}

TEST_F(TwoFiles, FilesAndTheirJournalsAreOwnerOnly) {
    Table users = db_->table("users");
    Table list = db_->table("list");
    Transaction tx(*db_);
    add(list, {{"bill_id", 2}});
    users.edit();
    users.set("times", 1);
    users.update();
    tx.commit();
    for (const std::string& path : {usersPath(), recordsPath()}) {
        EXPECT_EQ(modeOf(path), 0600u) << path;
        // An exclusively held file keeps its journal between transactions.
        ASSERT_TRUE(fs::exists(path + "-journal")) << path;
        EXPECT_EQ(modeOf(path + "-journal"), 0600u) << path;
    }
}

TEST_F(TwoFiles, HandlesSurviveCloseAndReopen) {
    Table list = db_->table("list");
    add(list, {{"bill_id", 2}, {"descr", u"b"}});
    add(list, {{"bill_id", 3}, {"descr", u"c"}});
    ASSERT_TRUE(list.moveTo(2));
    db_->close();
    EXPECT_FALSE(db_->isOpen());
    EXPECT_THROW(list.get("descr"), StoreError);
    EXPECT_THROW(list.moveNext(), StoreError);
    EXPECT_THROW(Transaction tx(*db_), StoreError);
    db_->reopen();
    // Still held exclusively, and the handle goes on from its record.
    EXPECT_EQ(rawWrite(recordsPath()) & 0xff, SQLITE_BUSY);
    EXPECT_EQ(list.get("descr"), Value(u"b"));
    ASSERT_TRUE(list.moveNext());
    EXPECT_EQ(list.get("bill_id"), Value(3));
    EXPECT_THROW(db_->reopen(), StoreError);

    // A handle that outlives its Database refuses to work.
    Table users = db_->table("users");
    db_.reset();
    EXPECT_THROW(users.moveFirst(), StoreError);
}

TEST_F(TwoFiles, BackupCopiesARecordedFileWhole) {
    Table list = db_->table("list");
    for (long long id = 2; id <= 300; ++id) add(list, {{"bill_id", id}, {"descr", Value(std::u16string(200, u'维'))}});
    const std::string dest = file("TAVrecords251214.BAK");
    {
        std::ofstream old(dest);
        old << "last week's copy";
    }
    ASSERT_TRUE(list.moveTo(150));  // a walk in progress does not hinder the copy
    db_->backupTo("records", dest);
    EXPECT_EQ(list.get("bill_id"), Value(150));
    EXPECT_EQ(modeOf(dest), 0600u);

    Database copy(dest, OpenMode::ReadOnlyShared);
    EXPECT_EQ(copy.integrityCheck(), "ok");
    Table t = copy.table("list");
    EXPECT_EQ(t.recordCount(), 300);
    ASSERT_TRUE(t.moveLast());
    EXPECT_EQ(t.get("descr"), Value(std::u16string(200, u'维')));
    EXPECT_THROW(copy.table("users"), StoreError);

    // Inside a transaction the copy would not be what is committed.
    Transaction tx(*db_);
    EXPECT_THROW(db_->backupTo("main", file("x.BAK")), StoreError);
}

TEST_F(TwoFiles, AFailedBackupLeavesTheOldCopyAndNoScratchFile) {
    const std::string dest = file("TAVusers251214.BAK");
    {
        std::ofstream old(dest);
        old << "last week's copy";
    }
    const auto before = std::distance(fs::directory_iterator(dir()), fs::directory_iterator());
    EXPECT_THROW(db_->backupTo("nosuch", dest), StoreError);
    EXPECT_THROW(db_->vacuumInto("nosuch", dest), StoreError);
    EXPECT_THROW(db_->backupTo("main", file("missing/folder.BAK")), StoreError);
    EXPECT_EQ(contentsOf(dest), "last week's copy");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir()), fs::directory_iterator()), before);
}

TEST_F(TwoFiles, CompactionSwapsTheFileUnderLiveHandles) {
    Table list = db_->table("list");
    for (long long id = 2; id <= 200; ++id) add(list, {{"bill_id", id}, {"descr", Value(std::u16string(300, u'x'))}});
    for (bool on = list.moveFirst(); on; on = list.moveNext())
        if (list.get("bill_id").asInt() % 3 != 0) list.deleteCurrent();
    ASSERT_TRUE(list.moveTo(99));
    // Without an INTEGER PRIMARY KEY the rowids may be renumbered; the order must hold.
    db_->exec("CREATE TABLE records.status(bill_id INTEGER, Status INTEGER)");
    Table status = db_->table("status");
    for (long long id : {7, 3, 9, 1, 8, 2}) add(status, {{"bill_id", id}});
    ASSERT_TRUE(status.moveFirst());
    ASSERT_TRUE(status.moveNext());
    status.deleteCurrent();

    const std::string tmp = file("TAVtemdb000.tav");
    db_->vacuumInto("records", tmp);
    EXPECT_EQ(modeOf(tmp), 0600u);
    EXPECT_LT(fs::file_size(tmp), fs::file_size(recordsPath()));
    db_->close();
    fs::rename(tmp, recordsPath());
    db_->reopen();

    EXPECT_EQ(db_->integrityCheck(), "ok");
    EXPECT_EQ(list.get("bill_id"), Value(99));
    ASSERT_TRUE(list.moveNext());
    EXPECT_EQ(list.get("bill_id"), Value(102));
    EXPECT_EQ(list.recordCount(), 66);
    Table users = db_->table("users");
    EXPECT_EQ(users.get("user_id"), Value(u"wang"));
    EXPECT_EQ(walkForward(status, "bill_id"), ints({7, 9, 1, 8, 2}));
}

TEST_F(StoreTest, OpeningRefusesWrongFilesAndLosesNothing) {
    const std::string existing = file("existing.db");
    {
        Database db(existing, OpenMode::Create);
        db.exec("CREATE TABLE t(a)");
        Table t = db.table("t");
        add(t, {{"a", 1}});
        EXPECT_THROW(db.table("nosuch"), StoreError);
        EXPECT_THROW(db.attach(existing, "again"), StoreError);
    }
    const std::string before = contentsOf(existing);
    EXPECT_THROW(Database(existing, OpenMode::Create), StoreError);
    EXPECT_EQ(contentsOf(existing), before);

    const std::string missing = file("missing.db");
    EXPECT_THROW(Database(missing, OpenMode::ReadWriteExclusive), StoreError);
    EXPECT_THROW(Database(missing, OpenMode::ReadOnlyShared), StoreError);
    EXPECT_FALSE(fs::exists(missing));

    const std::string notDb = file("notes.txt");
    {
        std::ofstream out(notDb);
        out << std::string(4096, 'z');
    }
    EXPECT_THROW(Database(notDb, OpenMode::ReadWriteExclusive), StoreError);
    EXPECT_THROW(Database(notDb, OpenMode::ReadOnlyShared), StoreError);
    EXPECT_EQ(contentsOf(notDb), std::string(4096, 'z'));

    // A file in another text encoding would have its text converted: it is
    // readable but not opened for writing.
    const std::string utf8 = file("utf8.db");
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(utf8.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE t(a); INSERT INTO t VALUES('x')", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    EXPECT_THROW(Database(utf8, OpenMode::ReadWriteExclusive), StoreError);
    Database reader(utf8, OpenMode::ReadOnlyShared);
    Table t = reader.table("t");
    EXPECT_EQ(t.get("a"), Value(u"x"));
    Database writer(existing, OpenMode::ReadWriteExclusive);
    EXPECT_THROW(writer.attach(utf8, "other"), StoreError);
}

}  // namespace
}  // namespace tav::store::testing
