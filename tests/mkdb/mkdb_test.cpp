// Runs the built TAVmkdb into temporary folders and inspects what it leaves
// there directly through SQLite: layout, pools, accounts, constants, refusals.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <ctime>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TAVserver/store/schema.h"
#include "protocol/password.h"
#include "tests/support/process.h"

namespace fs = std::filesystem;
using tav::schema::FileId;

namespace {

const char* const kFileNames[] = {"TAVusers.mdb", "TAVequipment.mdb", "TAVrecords.mdb",
                                  "TAVconst.mdb"};

class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "mkdbtest.XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};

// tavNow == nullptr runs with TAV_NOW unset (the real clock).
RunResult runMkdb(const std::vector<std::string>& args, const char* tavNow) {
    TempDir io;
    const fs::path outPath = io.path() / "out", errPath = io.path() / "err";
    const pid_t parent = tav::support::forkingParent();
    pid_t pid = ::fork();
    if (pid == 0) {
        tav::support::endWithParent(parent);
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (tavNow)
            ::setenv("TAV_NOW", tavNow, 1);
        else
            ::unsetenv("TAV_NOW");
        std::vector<char*> argv{const_cast<char*>(TAVMKDB_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(TAVMKDB_PATH, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(outPath);
    r.err = readFile(errPath);
    return r;
}

// Every entry of a folder with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> m;
    for (const auto& e : fs::directory_iterator(dir))
        m[e.path().filename().string()] = readFile(e.path());
    return m;
}

struct Cell {
    int type = SQLITE_NULL;
    std::int64_t i = 0;
    double d = 0;
    std::u16string t;
};
using Row = std::vector<Cell>;

class Db {
public:
    explicit Db(const fs::path& p, bool writable = false) {
        const int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
        if (sqlite3_open_v2(p.c_str(), &h_, flags, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open " + p.string());
    }
    ~Db() { sqlite3_close(h_); }
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    std::vector<Row> rows(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(h_));
        std::vector<Row> out;
        while (sqlite3_step(st) == SQLITE_ROW) {
            Row r;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                Cell cell;
                cell.type = sqlite3_column_type(st, c);
                cell.i = sqlite3_column_int64(st, c);
                cell.d = sqlite3_column_double(st, c);
                if (const void* t = sqlite3_column_text16(st, c))
                    cell.t.assign(static_cast<const char16_t*>(t),
                                  static_cast<std::size_t>(sqlite3_column_bytes16(st, c)) / 2);
                r.push_back(std::move(cell));
            }
            out.push_back(std::move(r));
        }
        sqlite3_finalize(st);
        return out;
    }
    Cell one(const std::string& sql) {
        auto r = rows(sql);
        if (r.size() != 1 || r[0].empty()) throw std::runtime_error("not one value: " + sql);
        return r[0][0];
    }
    int exec(const std::string& sql) { return sqlite3_exec(h_, sql.c_str(), nullptr, nullptr, nullptr); }

private:
    sqlite3* h_ = nullptr;
};

std::string ascii(const std::u16string& s) { return std::string(s.begin(), s.end()); }

// Days since 1899-12-30 as SQLite's own calendar counts them.
std::int64_t dayNumber(const std::string& isoDate) {
    Db mem(":memory:", true);
    return mem.one("SELECT CAST(julianday('" + isoDate + "') - julianday('1899-12-30') AS INTEGER)").i;
}

fs::path fileOf(const fs::path& dir, FileId f) { return dir / std::string(tav::schema::fileName(f)); }

const char* kNow = "2026-03-15 10:20:30";

// One plain run shared by the read-only checks.
class FreshInstall : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        result_ = new RunResult(runMkdb({dir_->path().string()}, kNow));
    }
    static void TearDownTestSuite() {
        delete result_;
        delete dir_;
    }
    void SetUp() override { ASSERT_EQ(result_->exitCode, 0) << result_->err; }
    static fs::path file(FileId f) { return fileOf(dir_->path(), f); }

    static TempDir* dir_;
    static RunResult* result_;
};
TempDir* FreshInstall::dir_ = nullptr;
RunResult* FreshInstall::result_ = nullptr;

TEST_F(FreshInstall, LeavesExactlyTheFourFilesOwnerOnlySoundAndUtf16) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_->path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names, std::set<std::string>(std::begin(kFileNames), std::end(kFileNames)));

    for (FileId f : tav::schema::kAllFiles) {
        SCOPED_TRACE(file(f).string());
        struct stat st;
        ASSERT_EQ(::stat(file(f).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        Db db(file(f));
        EXPECT_EQ(ascii(db.one("PRAGMA integrity_check").t), "ok");
        EXPECT_EQ(ascii(db.one("PRAGMA encoding").t), "UTF-16le");
    }
}

std::string expectedSqlType(tav::schema::FieldType t) {
    using T = tav::schema::FieldType;
    switch (t) {
        case T::Int32: case T::Day: case T::Bool: return "INTEGER";
        case T::DateTime: case T::Real: return "REAL";
        case T::Text: return "TEXT";
    }
    return "?";
}

TEST_F(FreshInstall, EveryFileHoldsItsCatalogueTablesWithFieldsInOrder) {
    for (FileId f : tav::schema::kAllFiles) {
        Db db(file(f));
        std::set<std::string> stored, expected;
        for (const auto& r : db.rows("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'"))
            stored.insert(ascii(r[0].t));
        for (const auto* t : tav::schema::tablesOf(f)) expected.insert(std::string(t->name));
        EXPECT_EQ(stored, expected) << tav::schema::fileName(f);

        for (const auto* t : tav::schema::tablesOf(f)) {
            SCOPED_TRACE(std::string(t->name));
            auto info = db.rows("PRAGMA table_info(" + tav::schema::quoteIdent(t->name) + ")");
            ASSERT_EQ(info.size(), t->fields.size());
            for (std::size_t i = 0; i < info.size(); ++i) {
                const auto& fld = t->fields[i];
                EXPECT_EQ(ascii(info[i][1].t), fld.name) << "position " << i;
                EXPECT_EQ(ascii(info[i][2].t), expectedSqlType(fld.type)) << fld.name;
                if (!fld.autoKey) {
                    EXPECT_EQ(info[i][3].i != 0, !fld.nullable) << fld.name;
                }
            }
        }
    }
}

// The positions that readers address by number rather than by name.
struct FixedPosition {
    FileId file;
    const char* table;
    std::size_t pos;
    const char* field;
};
const FixedPosition kFixedPositions[] = {
    {FileId::Users, "users", 7, "sears1"},   {FileId::Users, "users", 8, "sorts1"},
    {FileId::Users, "users", 9, "sname1"},   {FileId::Users, "users", 16, "sears4"},
    {FileId::Users, "users", 18, "sname4"},  {FileId::Users, "adacess", 1, "archday"},
    {FileId::Equipment, "collection", 0, "autonum"}, {FileId::Equipment, "collection", 1, "name"},
    {FileId::Equipment, "collection", 3, "iday"},    {FileId::Equipment, "collection", 5, "loccode1"},
    {FileId::Equipment, "collection", 24, "loccode20"}, {FileId::Equipment, "collection", 25, "locname1"},
    {FileId::Equipment, "collection", 44, "locname20"}, {FileId::Equipment, "collection", 45, "refer"},
    {FileId::Equipment, "prewo", 0, "Number"},  {FileId::Equipment, "prewo", 6, "begday"},
    {FileId::Equipment, "prewo", 12, "sday"},   {FileId::Equipment, "prewo", 15, "statu"},
    {FileId::Equipment, "prewo", 16, "autocreate"}, {FileId::Records, "list", 0, "bill_id"},
    {FileId::Records, "list", 3, "Description"}, {FileId::Records, "list", 18, "equs"},
    {FileId::Records, "status", 3, "Time"},     {FileId::Records, "detail", 3, "used_time"},
};

TEST_F(FreshInstall, FieldsReadByPositionStandWhereTheyAreRead) {
    for (const auto& c : kFixedPositions) {
        Db db(file(c.file));
        auto info = db.rows(std::string("PRAGMA table_info(\"") + c.table + "\")");
        ASSERT_GT(info.size(), c.pos) << c.table;
        EXPECT_EQ(ascii(info[c.pos][1].t), c.field) << c.table << " position " << c.pos;
    }
}

TEST_F(FreshInstall, ArchiveTwinsEqualTheirTablesColumnByColumn) {
    Db db(file(FileId::Records));
    for (const char* name : {"list", "status", "detail", "sublist"}) {
        SCOPED_TRACE(name);
        auto a = db.rows(std::string("PRAGMA table_info(\"") + name + "\")");
        auto b = db.rows(std::string("PRAGMA table_info(\"") + name + "_o\")");
        ASSERT_EQ(a.size(), b.size());
        ASSERT_FALSE(a.empty());
        for (std::size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i][1].t, b[i][1].t) << i;
            EXPECT_EQ(a[i][2].t, b[i][2].t) << i;
        }
    }
    // The current list numbers its orders itself; the archive keeps them.
    EXPECT_EQ(db.one("SELECT pk FROM pragma_table_info('list') WHERE name='bill_id'").i, 1);
    EXPECT_EQ(db.one("SELECT pk FROM pragma_table_info('list_o') WHERE name='bill_id'").i, 0);
}

TEST_F(FreshInstall, PoolsHoldFreeRecords2001To2999InStoredOrder) {
    Db db(file(FileId::Equipment));
    for (auto [table, key] : {std::pair{"collection", "autonum"}, std::pair{"prewo", "Number"}}) {
        SCOPED_TRACE(table);
        auto rows = db.rows(std::string("SELECT \"") + key + "\", name FROM " + table + " ORDER BY rowid");
        ASSERT_EQ(rows.size(), 999u);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i][0].i, static_cast<std::int64_t>(2001 + i));
            EXPECT_EQ(rows[i][1].type, SQLITE_NULL);
        }
    }
}

TEST_F(FreshInstall, AdministratorsExistWithPassword8526AndNoOtherAccounts) {
    Db db(file(FileId::Users));
    auto rows = db.rows("SELECT adID, adPswd, adName, times, doub, newstitu FROM admins ORDER BY rowid");
    ASSERT_EQ(rows.size(), 3u);
    const std::u16string pswd = tav::encodePswd(u"8526");
    const char* ids[] = {"admino", "adminm", "admint"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(ascii(rows[i][0].t), ids[i]);
        EXPECT_EQ(rows[i][1].t, pswd);
        EXPECT_NE(rows[i][1].t, tav::encodePswd(u"8527"));
        EXPECT_FALSE(rows[i][2].t.empty());
        EXPECT_LE(rows[i][2].t.size(), 10u);  // a holder name may have at most 10 characters
        EXPECT_TRUE(std::any_of(rows[i][2].t.begin(), rows[i][2].t.end(), [](char16_t c) { return c > 0x7F; }));
        EXPECT_EQ(rows[i][3].i, 0);
        EXPECT_EQ(rows[i][4].d, 0.0);
        EXPECT_EQ(rows[i][5].i, 0);
    }
    EXPECT_EQ(db.one("SELECT count(*) FROM users").i, 0);
    Db rec(file(FileId::Records));
    EXPECT_EQ(rec.one("SELECT count(*) FROM list").i, 0);
}

// ---- the next yearly archive -------------------------------------------------

struct ArchiveCase {
    const char* now;
    const char* nextJanuary;
};

void PrintTo(const ArchiveCase& c, std::ostream* os) { *os << c.now; }

class NextArchiveDay : public ::testing::TestWithParam<ArchiveCase> {};

TEST_P(NextArchiveDay, AdacessHoldsTheNextFirstJanuary) {
    TempDir dir;
    auto r = runMkdb({dir.path().string()}, GetParam().now);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Db db(fileOf(dir.path(), FileId::Users));
    auto rows = db.rows("SELECT * FROM adacess");
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_GE(rows[0].size(), 2u);
    EXPECT_EQ(rows[0][1].type, SQLITE_INTEGER);
    EXPECT_EQ(rows[0][1].i, dayNumber(GetParam().nextJanuary));
}

INSTANTIATE_TEST_SUITE_P(Clock, NextArchiveDay,
                         ::testing::Values(ArchiveCase{"2026-03-15 10:20:30", "2027-01-01"},
                                           ArchiveCase{"2026-01-01 00:00:00", "2027-01-01"},
                                           ArchiveCase{"2025-12-31 23:59:59", "2026-01-01"},
                                           ArchiveCase{"2024-02-29 12:00:00", "2025-01-01"}),
                         [](const auto& info) {
                             std::string n = info.param.now;
                             for (char& ch : n)
                                 if (ch < '0' || ch > '9') ch = '_';
                             return "at_" + n;
                         });

// ---- the constant set ---------------------------------------------------------

bool singleBit(std::int64_t v) { return v > 0 && v <= INT32_MAX && (v & (v - 1)) == 0; }

struct Consts {
    std::map<std::int64_t, std::u16string> rights, statuses, trades;
    std::set<std::u16string> types;
    std::vector<std::int64_t> manage;
    struct Rule {
        std::string field;
        std::int64_t states, powers, tostas;
    };
    std::vector<Rule> rules;
    std::int64_t allRights = 0, allStatuses = 0;

    std::int64_t statusNamed(const std::u16string& name) const {
        for (const auto& [code, n] : statuses)
            if (n == name) return code;
        return 0;
    }
};

Consts readConsts(const fs::path& file) {
    Db db(file);
    Consts c;
    auto codeNames = [&](const char* table, const char* code, const char* name, auto& into, std::int64_t* all) {
        for (const auto& r : db.rows(std::string("SELECT ") + code + ", " + name + " FROM " + table + " ORDER BY rowid")) {
            EXPECT_TRUE(singleBit(r[0].i)) << table << " code " << r[0].i;
            EXPECT_FALSE(r[1].t.empty()) << table;
            EXPECT_TRUE(into.emplace(r[0].i, r[1].t).second) << table << " repeats " << r[0].i;
            if (all) *all |= r[0].i;
        }
        EXPECT_FALSE(into.empty()) << table;
    };
    codeNames("rights", "right_id", "right_name", c.rights, &c.allRights);
    codeNames("status", "right_id", "right_name", c.statuses, &c.allStatuses);
    codeNames("special", "type_id", "type_name", c.trades, nullptr);
    for (const auto& r : db.rows("SELECT type_id, type_name FROM type")) {
        EXPECT_FALSE(r[1].t.empty());
        EXPECT_TRUE(c.types.insert(r[0].t).second) << "type code repeats";
    }
    auto m = db.rows("SELECT * FROM manage");
    EXPECT_EQ(m.size(), 1u);
    if (!m.empty())
        for (const auto& cell : m[0]) {
            EXPECT_EQ(cell.type, SQLITE_INTEGER);
            c.manage.push_back(cell.i);
        }
    for (const auto& r : db.rows("SELECT Fields, states, powers, tostas FROM rightscribe ORDER BY rowid"))
        c.rules.push_back({ascii(r[0].t), r[1].i, r[2].i, r[3].i});
    return c;
}

TEST_F(FreshInstall, SettingsAgreeWithTheCodeTables) {
    const Consts c = readConsts(file(FileId::Const));
    ASSERT_EQ(c.manage.size(), 10u);
    const auto& m = c.manage;
    auto isRightsMask = [&](std::int64_t v) { return v != 0 && (v & ~c.allRights) == 0; };
    auto isStatusMask = [&](std::int64_t v) { return v != 0 && (v & ~c.allStatuses) == 0; };

    // New requests go out as status 1, the status named "未生效", and their
    // writer may change them while they keep the status of position 8.
    EXPECT_EQ(c.statusNamed(u"未生效"), 1);
    EXPECT_EQ(m[8], 1);
    EXPECT_TRUE(c.rights.count(m[8]));
    // Position 4 is the status "已安排" and, in the client, a rights mask.
    EXPECT_EQ(m[4], c.statusNamed(u"已安排"));
    EXPECT_TRUE(isRightsMask(m[4]));
    // Position 9 guards approvals and is the status of generated orders.
    EXPECT_TRUE(c.statuses.count(m[9]));
    EXPECT_TRUE(isRightsMask(m[9]));
    for (std::size_t pos : {0u, 6u, 7u}) EXPECT_TRUE(isRightsMask(m[pos])) << "position " << pos;
    for (std::size_t pos : {2u, 3u}) EXPECT_TRUE(isStatusMask(m[pos])) << "position " << pos;
    EXPECT_EQ(m[5], 4);  // the fourth use state of the client's list is "已报废"
    EXPECT_TRUE(c.types.count(u"PS"));    // given to orders made from preventive plans
    EXPECT_FALSE(c.types.count(u"OO"));   // the client's stand-in for "no such type"
}

TEST_F(FreshInstall, FieldRulesNameWorkOrderFieldsAndKnownBits) {
    const Consts c = readConsts(file(FileId::Const));
    const auto* list = tav::schema::findTable(FileId::Records, "list");
    ASSERT_NE(list, nullptr);
    std::set<std::string> ruled;
    for (const auto& r : c.rules) {
        SCOPED_TRACE(r.field);
        ruled.insert(r.field);
        EXPECT_NE(list->field(r.field), nullptr);
        // The server matches the lower-case names that the client sends exactly.
        std::string lower = r.field;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char ch) { return std::tolower(ch); });
        EXPECT_EQ(r.field, lower);
        EXPECT_TRUE(r.states != 0 && (r.states & ~c.allStatuses) == 0);
        EXPECT_TRUE(r.powers != 0 && (r.powers & ~c.allRights) == 0);
        EXPECT_EQ((r.tostas & ~c.allStatuses), 0);
        EXPECT_EQ(r.tostas != 0, r.field == "status");
    }
    for (const char* needed : {"status", "pointto", "reason", "solute", "scribebyeng", "usetime"})
        EXPECT_TRUE(ruled.count(needed)) << needed;
}

TEST_F(FreshInstall, EveryStatusIsReachableAndOnlyFinishedOnesAreFinal) {
    const Consts c = readConsts(file(FileId::Const));
    ASSERT_EQ(c.manage.size(), 10u);
    const std::int64_t finished = c.manage[2] | c.manage[3];
    auto next = [&](std::int64_t status) {
        std::int64_t mask = 0;
        for (const auto& r : c.rules)
            if (r.field == "status" && (r.states & status)) mask |= r.tostas;
        return mask;
    };
    std::int64_t seen = 1, frontier = 1;
    while (frontier) {
        std::int64_t grown = 0;
        for (const auto& [code, name] : c.statuses)
            if (frontier & code) grown |= next(code);
        frontier = grown & ~seen;
        seen |= grown;
    }
    EXPECT_EQ(seen, c.allStatuses);
    for (const auto& [code, name] : c.statuses) {
        SCOPED_TRACE(code);
        EXPECT_EQ(next(code) == 0, (code & finished) != 0);
    }
}

// ---- what the store refuses ----------------------------------------------------

struct UniqueCase {
    const char* what;
    FileId file;
    const char* first;
    const char* second;
    bool secondRefused;
};

void PrintTo(const UniqueCase& c, std::ostream* os) { *os << c.what; }

class UniquenessRule : public FreshInstall, public ::testing::WithParamInterface<UniqueCase> {};

TEST_P(UniquenessRule, StoreRefusesOnlyRealDuplicates) {
    const auto& c = GetParam();
    TempDir work;
    const fs::path copy = work.path() / "copy.mdb";
    fs::copy_file(file(c.file), copy);
    Db db(copy, true);
    ASSERT_EQ(db.exec(c.first), SQLITE_OK) << c.what;
    EXPECT_EQ(db.exec(c.second) == SQLITE_CONSTRAINT, c.secondRefused) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, UniquenessRule,
    ::testing::Values(
        UniqueCase{"equipment id", FileId::Equipment,
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (10, 'P-1')",
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (10, 'P-2')", true},
        UniqueCase{"location in other case", FileId::Equipment,
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (10, 'pump-a1')",
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (11, 'PUMP-A1')", true},
        UniqueCase{"two without location", FileId::Equipment,
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (10, NULL)",
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (11, NULL)", false},
        UniqueCase{"different locations", FileId::Equipment,
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (10, 'A-1')",
                   "INSERT INTO equipment(equip_id, equip_locate) VALUES (11, 'A-2')", false},
        UniqueCase{"collection name", FileId::Equipment,
                   "UPDATE collection SET autonum = 1001, name = '冷却水系统' WHERE autonum = 2001",
                   "UPDATE collection SET autonum = 1002, name = '冷却水系统' WHERE autonum = 2002", true},
        UniqueCase{"collection freed by name", FileId::Equipment,
                   "UPDATE collection SET autonum = 1001, name = '冷却水系统' WHERE autonum = 2001",
                   "UPDATE collection SET autonum = 2001, name = NULL WHERE autonum = 1001", false},
        UniqueCase{"plan name", FileId::Equipment,
                   "UPDATE prewo SET \"Number\" = 1001, name = '月检' WHERE \"Number\" = 2001",
                   "UPDATE prewo SET \"Number\" = 1002, name = '月检' WHERE \"Number\" = 2002", true},
        UniqueCase{"user id in other case", FileId::Users,
                   "INSERT INTO users(user_id) VALUES ('Lisi')",
                   "INSERT INTO users(user_id) VALUES ('LISI')", true}),
    [](const auto& info) {
        std::string n = info.param.what;
        std::replace(n.begin(), n.end(), ' ', '_');
        return n;
    });

TEST_F(FreshInstall, WorkOrderNumbersAreNeverReusedAfterDeletion) {
    TempDir work;
    const fs::path copy = work.path() / "copy.mdb";
    fs::copy_file(file(FileId::Records), copy);
    Db db(copy, true);
    ASSERT_EQ(db.exec("INSERT INTO list(Description) VALUES ('a'), ('b')"), SQLITE_OK);
    const auto highest = db.one("SELECT max(bill_id) FROM list").i;
    ASSERT_EQ(db.exec("DELETE FROM list"), SQLITE_OK);
    ASSERT_EQ(db.exec("INSERT INTO list(Description) VALUES ('c')"), SQLITE_OK);
    EXPECT_GT(db.one("SELECT bill_id FROM list").i, highest);
    EXPECT_EQ(db.one("SELECT usetime FROM list").i, 0);  // used time adds onto it
}

// ---- refusals -------------------------------------------------------------------

TEST(MkdbRefusal, SecondRunExitsOneAndChangesNothing) {
    TempDir dir;
    ASSERT_EQ(runMkdb({dir.path().string()}, kNow).exitCode, 0);
    const auto before = snapshot(dir.path());
    for (const auto& args : {std::vector<std::string>{dir.path().string()},
                             std::vector<std::string>{dir.path().string(), "--demo"}}) {
        auto r = runMkdb(args, kNow);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("TAVusers.mdb"), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir.path()), before);
    }
}

class OneFilePresent : public ::testing::TestWithParam<const char*> {};

TEST_P(OneFilePresent, FolderIsRefusedAndLeftAsItWas) {
    TempDir dir;
    {
        std::ofstream(dir.path() / GetParam()) << "kept as it is";
    }
    const auto before = snapshot(dir.path());
    auto r = runMkdb({dir.path().string()}, kNow);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(GetParam()), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(EachFile, OneFilePresent, ::testing::ValuesIn(kFileNames),
                         [](const auto& info) {
                             std::string n = info.param;
                             return n.substr(0, n.find('.'));
                         });

TEST(MkdbRefusal, BadInputLeavesNoTrace) {
    TempDir dir;
    const fs::path missingParent = dir.path() / "a" / "b";
    auto r = runMkdb({missingParent.string()}, kNow);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir.path() / "a"));

    r = runMkdb({dir.path().string()}, "2026-02-30 10:00:00");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("TAV_NOW"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir.path()));

    const fs::path plainFile = dir.path() / "plain";
    std::ofstream(plainFile) << "x";
    EXPECT_EQ(runMkdb({plainFile.string()}, kNow).exitCode, 1);

    EXPECT_NE(runMkdb({}, kNow).exitCode, 0);
    EXPECT_NE(runMkdb({dir.path().string(), "--bogus"}, kNow).exitCode, 0);
    EXPECT_EQ(snapshot(dir.path()).size(), 1u);
}

TEST(MkdbRun, MissingFolderIsCreatedOwnerOnly) {
    TempDir dir;
    const fs::path target = dir.path() / "new";
    auto r = runMkdb({target.string()}, kNow);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    struct stat st;
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u);
    for (const char* name : kFileNames) EXPECT_TRUE(fs::exists(target / name)) << name;
}

TEST(MkdbRun, RealClockIsUsedWithoutTavNow) {
    TempDir dir;
    const std::time_t before = std::time(nullptr);
    auto r = runMkdb({dir.path().string()}, nullptr);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::tm local{};
    ::localtime_r(&before, &local);
    Db db(fileOf(dir.path(), FileId::Users));
    const auto stored = db.one("SELECT archday FROM adacess").i;
    // A run straddling New Year's midnight may legitimately see either year.
    const auto thisYear = dayNumber(std::to_string(local.tm_year + 1901) + "-01-01");
    const auto nextYear = dayNumber(std::to_string(local.tm_year + 1902) + "-01-01");
    EXPECT_TRUE(stored == thisYear || stored == nextYear) << stored;
}

// ---- demonstration data ---------------------------------------------------------

TEST(MkdbDemo, DataIsSoundAndPrintedPasswordsVerify) {
    TempDir dir;
    auto r = runMkdb({dir.path().string(), "--demo"}, kNow);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (FileId f : tav::schema::kAllFiles) {
        Db db(fileOf(dir.path(), f));
        EXPECT_EQ(ascii(db.one("PRAGMA integrity_check").t), "ok") << tav::schema::fileName(f);
    }

    // Printed as "  id / password / name".
    std::vector<std::pair<std::string, std::string>> printed;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);) {
        if (line.rfind("  ", 0) != 0) continue;
        std::istringstream ls(line);
        std::string id, slash1, pw, slash2;
        if (ls >> id >> slash1 >> pw >> slash2 && slash1 == "/" && slash2 == "/") printed.emplace_back(id, pw);
    }
    ASSERT_FALSE(printed.empty()) << r.out;

    const Consts c = readConsts(fileOf(dir.path(), FileId::Const));
    ASSERT_EQ(c.manage.size(), 10u);
    Db users(fileOf(dir.path(), FileId::Users));
    std::int64_t heldBySomeone = 0;
    for (const auto& [id, pw] : printed) {
        SCOPED_TRACE(id);
        auto rows = users.rows("SELECT Password, Right, canceled FROM users WHERE user_id = '" + id + "'");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0][0].t, tav::encodePswd(std::u16string(pw.begin(), pw.end())));
        EXPECT_NE(rows[0][0].t, tav::encodePswd(u"wrong"));
        EXPECT_NE(rows[0][1].i & c.manage[8], 0) << "cannot raise a work request";
        EXPECT_EQ(rows[0][2].i, 0);
        heldBySomeone |= rows[0][1].i;
    }
    EXPECT_EQ(users.one("SELECT count(*) FROM users").i, static_cast<std::int64_t>(printed.size()));
    for (std::size_t pos : {0u, 6u, 7u, 9u})
        EXPECT_NE(heldBySomeone & c.manage[pos], 0) << "nobody may use the commands of position " << pos;

    Db rec(fileOf(dir.path(), FileId::Records));
    auto orders = rec.rows("SELECT bill_id, Status, usetime, done_date FROM list");
    ASSERT_FALSE(orders.empty());
    for (const auto& o : orders) {
        const std::string id = std::to_string(o[0].i);
        SCOPED_TRACE(id);
        EXPECT_TRUE(c.statuses.count(o[1].i));
        auto last = rec.rows("SELECT Status FROM status WHERE bill_id = " + id + " ORDER BY rowid DESC LIMIT 1");
        if (last.empty()) {
            EXPECT_EQ(o[1].i, c.manage[8]);  // never moved: still as raised
        } else {
            EXPECT_EQ(last[0][0].i, o[1].i);
        }
        EXPECT_EQ(rec.one("SELECT CAST(total(used_time) AS INTEGER) FROM detail WHERE bill_id = " + id).i, o[2].i);
        const bool finished = (o[1].i & (c.manage[2] | c.manage[3])) != 0;
        EXPECT_EQ(o[3].type != SQLITE_NULL, finished);
    }
    EXPECT_EQ(rec.one("SELECT count(*) FROM status WHERE bill_id NOT IN (SELECT bill_id FROM list)").i, 0);
    EXPECT_EQ(rec.one("SELECT count(*) FROM detail WHERE bill_id NOT IN (SELECT bill_id FROM list)").i, 0);

    // The collection and its plan took the first pool records.
    Db equ(fileOf(dir.path(), FileId::Equipment));
    auto col = equ.rows("SELECT * FROM collection ORDER BY rowid LIMIT 1");
    ASSERT_EQ(col.size(), 1u);
    EXPECT_EQ(col[0][0].i, 1001);
    int members = 0;
    for (int k = 0; k < 20; ++k) {
        const auto& code = col[0][5 + k].t;
        if (code.empty()) continue;
        ++members;
        // Each member is found in the register under its location and name.
        bool found = false;
        for (const auto& e : equ.rows("SELECT equip_locate, equip_name FROM equipment"))
            if (e[0].t == code && e[1].t == col[0][25 + k].t) found = true;
        EXPECT_TRUE(found) << "pair " << k + 1;
    }
    EXPECT_GT(members, 0);
    auto plan = equ.rows("SELECT \"Number\", colnum, statu, aday, autocreate, begday FROM prewo ORDER BY rowid LIMIT 1");
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0][0].i, 1001);
    EXPECT_EQ(plan[0][1].i, 1001);
    EXPECT_EQ(plan[0][2].i, 1);
    EXPECT_GT(plan[0][3].d, col[0][3].d);  // approved after the collection's last change
    EXPECT_GT(plan[0][4].i, dayNumber("2026-03-15"));
    EXPECT_EQ(plan[0][4].i, plan[0][5].i - 1);
    EXPECT_EQ(equ.one("SELECT count(*) FROM collection WHERE autonum > 2000").i, 998);
    EXPECT_EQ(equ.one("SELECT count(*) FROM prewo WHERE \"Number\" > 2000").i, 998);
}

}  // namespace
