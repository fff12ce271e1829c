// The daily job, driven by the test clock: preventive orders, the start-up
// pass, Sunday backups, the yearly archive and the compaction.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "fixture.h"
#include "protocol/daynum.h"
#include "protocol/wire.h"

using namespace tavtest;
namespace fs = std::filesystem;

namespace {

std::string day(int y, int m, int d) { return std::to_string(tav::dayFromCivil(y, m, d)); }

// The first job is due two seconds after start-up and runs at the end of
// the main loop's pass then running.
constexpr auto kFirstJob = std::chrono::seconds(2);
Env jobSoonAt(const std::string& now) {
  return {{"TAV_NOW", now}, {"TAV_FIRST_JOB_SECONDS", std::to_string(kFirstJob.count())}};
}

// Returns once the first job has run, through a logged-in session. The
// greeting comes from the main loop, so the job is due at the latest two
// seconds after it. A pass of the loop is ten cycles and a cycle serves at
// most one request of a session; the job runs on the loop's one thread.
// So among more than ten requests served after the job is due, one is
// served after the pass that ran the job, and its answer comes after it.
void waitForJob(Client& c, std::chrono::steady_clock::time_point greeted) {
  for (int sentWhenDue = 0; sentWhenDue <= 20;) {
    if (std::chrono::steady_clock::now() >= greeted + kFirstJob)
      ++sentWhenDue;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(c.request(u"NOSUCH"));
    ASSERT_EQ(c.readWord(8), u"UNKNOWNS");
  }
}

void waitForJob(int port) {
  Client c(port);
  ASSERT_EQ(c.loginAdmin(), u"ACCEPTED");
  waitForJob(c, std::chrono::steady_clock::now());
}

struct Plan {
  int number;
  std::string name;
  int colnum;
  std::string begday;
  int every, perio, isusing, statu;
  std::string aday, autocreate;
};

std::string insertPlan(const Plan& p) {
  return "INSERT INTO prewo(Number, name, discr, colnum, colnam, pointto, begday, every, perio, isusing, sperson, "
         "spersid, sday, aperson, aday, statu, autocreate) VALUES(" +
         std::to_string(p.number) + ", '" + p.name + "', '检查" + p.name + "', " + std::to_string(p.colnum) +
         ", '泵组', '李工', " + p.begday + ", " + std::to_string(p.every) + ", " + std::to_string(p.perio) + ", " +
         std::to_string(p.isusing) + ", '张三', 'zhang', 47000.5, 'boss(老板)', " + p.aday + ", " +
         std::to_string(p.statu) + ", " + p.autocreate + ");";
}

std::string autocreateOf(ServerDir& dir, const std::string& name) {
  return dir.query("TAVequipment.mdb", "SELECT autocreate FROM prewo WHERE name='" + name + "'");
}

}  // namespace

TEST(DailyJob, CreatesOneOrderPerDuePlanAndNeverTwice) {
  ServerDir dir;
  const std::string friday = day(2030, 3, 8), saturday = day(2030, 3, 9), sunday = day(2030, 3, 10);
  std::string sql =
      "INSERT INTO equipment(equip_id, equip_name, equip_locate) VALUES(3001, '水泵', 'A-01'), "
      "(3002, '风机', 'a-02'), (3003, '电机', 'C-03');"
      "INSERT INTO collection(autonum, name, iday, loccode1, locname1, loccode2, locname2, loccode4, locname4, "
      "refer) VALUES(1001, '泵组', 47000.0, 'A-01', '水泵', 'A-02', '别的名字', 'Z-99', '无', 3);"
      "INSERT INTO collection(autonum, name, iday) VALUES(1002, '改过的集合', 47600.0);"
      "UPDATE prewo SET statu=1, isusing=1, begday=" + sunday + ", every=1, perio=2, colnum=1001, aday=47100 "
      "WHERE Number=2001;";
  const Plan plans[] = {
      // Due on Sunday, so created on Saturday.
      {1001, "due", 1001, sunday, 1, 2, 1, 1, "47100.0", friday},
      {1002, "notused", 1001, sunday, 1, 2, 0, 1, "47100.0", saturday},
      {1003, "unapproved", 1001, sunday, 1, 2, 1, 0, "NULL", saturday},
      {1004, "changedcol", 1002, sunday, 1, 2, 1, 1, "47100.0", friday},
      {1005, "gonecol", 1500, sunday, 1, 2, 1, 1, "47100.0", friday},
      // Years back: brought up to date by the start-up pass.
      {1006, "monthly", 1001, day(2020, 1, 15), 1, 3, 1, 1, "47100.0", "NULL"},
      {1007, "leapyear", 1001, day(2028, 2, 29), 3, 4, 1, 1, "47100.0", "NULL"},
  };
  for (const Plan& p : plans) sql += insertPlan(p);
  dir.sql("TAVequipment.mdb", sql);

  {  // Started late on Friday: the first job runs on Saturday.
    ServerProcess server(dir, jobSoonAt("2030-03-08 23:59:58"));
    ASSERT_NO_FATAL_FAILURE(waitForJob(dir.port()));
    ASSERT_TRUE(server.alive());
  }
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM list"), "1");
  const std::string order =
      dir.query("TAVrecords.mdb",
                "SELECT bill_id||'|'||equip_id||'|'||comofequip||'|'||Description||'|'||bill_type||'|'||em_level||'|'"
                "||createid||'|'||createname||'|'||created_date||'|'||begin_date||'|'||compl_date||'|'||pointto||'|'"
                "||equs FROM list");
  EXPECT_EQ(order, "1|1001|泵组|检查due|PS|4|zhang|张三|" + saturday + "|" + sunday + "|" + sunday + "|李工|3");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT Status FROM list"),
            dir.query("TAVconst.mdb", "SELECT pworight FROM manage"));
  // One equipment row per used pair, in pair order; a location whose
  // equipment has another name, or none, gives no equipment id.
  EXPECT_EQ(dir.query("TAVrecords.mdb",
                      "SELECT group_concat(ifnull(equip_id,'-')||':'||equipname, ',') FROM "
                      "(SELECT * FROM sublist WHERE bill_id=1 ORDER BY rowid)"),
            "3001:A-01水泵,-:A-02别的名字,-:Z-99无");

  EXPECT_EQ(autocreateOf(dir, "due"), day(2030, 3, 16));
  for (const char* untouched : {"notused", "changedcol", "gonecol"})
    EXPECT_EQ(autocreateOf(dir, untouched), saturday) << untouched;
  EXPECT_EQ(autocreateOf(dir, "unapproved"), saturday);
  EXPECT_EQ(autocreateOf(dir, "monthly"), day(2030, 3, 14));
  // Yearly plans step exact years: 29 February 2028, 1 March 2029, 2030, 2031.
  EXPECT_EQ(autocreateOf(dir, "leapyear"), day(2031, 2, 28));
  EXPECT_EQ(dir.query("TAVequipment.mdb", "SELECT autocreate FROM prewo WHERE Number=2001"), saturday);

  {  // A restart the same day creates nothing more.
    ServerProcess server(dir, jobSoonAt("2030-03-09 10:00:00"));
    ASSERT_NO_FATAL_FAILURE(waitForJob(dir.port()));
  }
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM list"), "1");
  EXPECT_EQ(autocreateOf(dir, "due"), day(2030, 3, 16));
}

TEST(DailyJob, SundayBackupsWhileClientsWork) {
  ServerDir dir;
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, canceled) VALUES('u1', 'x', '某人', 0)");
  // A folder in the way of one backup makes exactly that copy fail.
  fs::create_directory(dir.file("TAVequipment300310.BAK"));
  ServerProcess server(dir, jobSoonAt("2030-03-10 09:00:00"));
  Client admin(dir.port());
  ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  ASSERT_NO_FATAL_FAILURE(waitForJob(admin, std::chrono::steady_clock::now()));
  ASSERT_TRUE(server.alive());
  ASSERT_TRUE(admin.request(u"SHOWTX"));
  std::string header = admin.readExactly(8);
  std::u16string log = tav::fromUtf16le(admin.readExactly(std::stoul(tav::toUtf8(tav::fromUtf16le(header)), nullptr, 16)));
  EXPECT_NE(log.find(u"Backup Error: TAVequipment.mdb  2030-3-10 0:0:0"), std::u16string::npos) << utf8(log);
  EXPECT_EQ(log.find(u"Backup Error: TAVusers"), std::u16string::npos);
  EXPECT_EQ(log.find(u"Backup Error: TAVrecords"), std::u16string::npos);
  EXPECT_EQ(log.find(u"Backup Error"), log.rfind(u"Backup Error"));

  for (const char* bak : {"TAVusers300310.BAK", "TAVrecords300310.BAK"}) {
    ASSERT_TRUE(fs::is_regular_file(dir.file(bak))) << bak;
    EXPECT_EQ(dir.query(bak, "PRAGMA integrity_check"), "ok") << bak;
  }
  EXPECT_EQ(dir.query("TAVusers300310.BAK", "SELECT user_name FROM users WHERE user_id='u1'"), "某人");
  EXPECT_TRUE(fs::is_directory(dir.file("TAVequipment300310.BAK")));
}

TEST(DailyJob, YearlyArchiveMovesOldOrdersWithAllTheirHistory) {
  ServerDir dir;
  dir.sql("TAVusers.mdb", "UPDATE adacess SET archday=" + day(2030, 1, 1));
  // Order 1 stays (made 1 January 2028, the cut-off); order 2 moves (made
  // the day before); order 3 stays. History rows follow their own order.
  dir.sql("TAVrecords.mdb",
          "INSERT INTO list(bill_id, Description, created_date) VALUES(1, 'stays', " + day(2028, 1, 1) +
              "), (2, 'moves', " + day(2027, 12, 31) + "), (3, 'recent', " + day(2029, 6, 1) + ");"
              "INSERT INTO status(bill_id, Status, User) VALUES(1, 1, 'a'), (2, 1, 'b'), (3, 2, 'c'), (2, 16, 'd');"
              "INSERT INTO detail(bill_id, user_id, used_time) VALUES(1, 'a', 1), (2, 'b', 2);"
              "INSERT INTO sublist(bill_id, equip_id, equipname) VALUES(2, 7, 'x'), (1, 8, 'y');");
  {
    ServerProcess server(dir, jobSoonAt("2029-12-31 23:59:58"));
    ASSERT_NO_FATAL_FAILURE(waitForJob(dir.port()));
    ASSERT_TRUE(server.alive());
    Client admin(dir.port());
    EXPECT_EQ(admin.loginAdmin(), u"ACCEPTED");  // still serving after the compaction
  }
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT group_concat(bill_id) FROM list"), "1,3");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT group_concat(bill_id||Description) FROM list_o"), "2moves");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT group_concat(User) FROM status"), "a,c");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT group_concat(User) FROM status_o"), "b,d");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT group_concat(user_id) FROM detail_o"), "b");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT group_concat(equipname) FROM sublist"), "y");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT group_concat(equipname) FROM sublist_o"), "x");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT archday FROM adacess"), day(2031, 1, 1));
  EXPECT_FALSE(fs::exists(dir.file("TAVtemdb000.tav")));
  EXPECT_EQ(dir.query("TAVrecords.mdb", "PRAGMA integrity_check"), "ok");
  // Numbers are never handed out again, not even after the archive.
  dir.sql("TAVrecords.mdb", "INSERT INTO list(Description) VALUES('new')");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT max(bill_id) FROM list"), "4");
}

TEST(DailyJob, FailedArchiveOrCompactionChangesNothingAndServingGoesOn) {
  ServerDir dir;
  dir.sql("TAVusers.mdb", "UPDATE adacess SET archday=" + day(2030, 1, 1));
  dir.sql("TAVrecords.mdb",
          "INSERT INTO list(bill_id, created_date) VALUES(1, " + day(2020, 1, 1) + ");"
          "INSERT INTO sublist(bill_id, equipname) VALUES(1, 'x');"
          "CREATE TRIGGER refuse BEFORE INSERT ON sublist_o BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
  {
    ServerProcess server(dir, jobSoonAt("2030-01-01 10:00:00"));
    ASSERT_NO_FATAL_FAILURE(waitForJob(dir.port()));
    Client admin(dir.port());
    ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
    ASSERT_TRUE(admin.request(u"SHOWTX"));
    std::string header = admin.readExactly(8);
    std::u16string log =
        tav::fromUtf16le(admin.readExactly(std::stoul(tav::toUtf8(tav::fromUtf16le(header)), nullptr, 16)));
    EXPECT_NE(log.find(u"Archive Error: TAVrecords.mdb  2030-1-1 0:0:0"), std::u16string::npos) << utf8(log);
  }
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM list"), "1");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM list_o"), "0");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM sublist"), "1");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT archday FROM adacess"), day(2030, 1, 1));

  // The archive done, a compaction that cannot write its copy leaves the
  // records database in place and the server serving.
  dir.sql("TAVrecords.mdb", "DROP TRIGGER refuse");
  fs::create_directory(dir.file("TAVtemdb000.tav"));
  fs::create_directory(dir.file("TAVtemdb000.tav/keep"));
  {
    ServerProcess server(dir, jobSoonAt("2030-01-01 10:00:00"));
    ASSERT_NO_FATAL_FAILURE(waitForJob(dir.port()));
    Client admin(dir.port());
    ASSERT_EQ(admin.loginAdmin(), u"ACCEPTED");
  }
  EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM list_o"), "1");
  EXPECT_EQ(dir.query("TAVrecords.mdb", "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT archday FROM adacess"), day(2031, 1, 1));
}

TEST(DailyJob, ArchiveDayKeptAcrossARestartUnlessLongPast) {
  struct Case {
    const char* what;
    std::string storedDay;  // adacess before the start
    const char* now;
    const char* moved;      // orders in the archive after the first job
    std::string archday;    // adacess after it
  };
  const Case cases[] = {
      // Restarted on 5 January before that year's job ran: the archive still runs.
      {"restart early in January", day(2030, 1, 1), "2030-01-05 10:00:00", "1", day(2031, 1, 1)},
      // A day more than a year back: a database not in use; the next archive
      // is the coming 1 January and nothing moves now.
      {"day long past", day(2028, 1, 1), "2030-01-05 10:00:00", "0", day(2028, 1, 1)},
  };
  for (const Case& c : cases) {
    ServerDir dir;
    dir.sql("TAVusers.mdb", "UPDATE adacess SET archday=" + c.storedDay);
    dir.sql("TAVrecords.mdb", "INSERT INTO list(bill_id, created_date) VALUES(1, " + day(2027, 6, 1) + ")");
    {
      ServerProcess server(dir, jobSoonAt(c.now));
      ASSERT_NO_FATAL_FAILURE(waitForJob(dir.port()));
    }
    EXPECT_EQ(dir.query("TAVrecords.mdb", "SELECT count(*) FROM list_o"), c.moved) << c.what;
    EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT archday FROM adacess"), c.archday) << c.what;
  }
}
