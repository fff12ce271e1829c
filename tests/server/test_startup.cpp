// Start-up and its failures, single instance and the password-reset run.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "fixture.h"
#include "tests/support/process.h"
#include "protocol/password.h"
#include "protocol/wire.h"

using namespace tavtest;

namespace {

const std::string kRunning = "程序已经在运行";
const std::string kBadIni = "配置文件TAVserver.ini出错";

// True when the copy of the server in `dir` runs (and could hold its
// port): the port alone may meanwhile belong to another test's server.
bool serverRunsFrom(const ServerDir& dir) { return tav::support::anyProcessRuns(dir.file("TAVserver")); }

}  // namespace

TEST(Startup, SecondInstanceRefusedAndFirstUntouched) {
  ServerDir dir;
  ServerProcess server(dir);

  RunResult second = runServerToEnd(dir, {});
  EXPECT_NE(second.exitCode, 0);
  EXPECT_EQ(second.err, kRunning + "\n");

  for (const auto& args : std::vector<std::vector<std::string>>{{"noecho"}, {" NoEcho "}, {"NOECHO"}}) {
    RunResult quiet = runServerToEnd(dir, args);
    EXPECT_NE(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, "") << args[0];
  }
  // The reset run is refused too while a server runs.
  RunResult reset = runServerToEnd(dir, {"/pswd", "admino"});
  EXPECT_EQ(reset.err, kRunning + "\n");

  ASSERT_TRUE(server.alive());
  EXPECT_TRUE(serverRunsFrom(dir));
  Client c(dir.port());
  EXPECT_EQ(c.loginAdmin(), u"ACCEPTED");
}

TEST(Startup, PasswordResetRun) {
  ServerDir dir;
  dir.sql("TAVusers.mdb", "UPDATE admins SET adPswd='X' WHERE adID='admino'");

  RunResult r = runServerToEnd(dir, {"/PSWD", "ADMINO"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("用户 ADMINO 的密码已恢复成8526"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(dir.query("TAVusers.mdb", "SELECT adPswd FROM admins WHERE adID='admino'"),
            tav::toUtf8(tav::encodePswd(u"8526")));
  EXPECT_FALSE(serverRunsFrom(dir));

  RunResult unknown = runServerToEnd(dir, {"/pswdnobody"});
  EXPECT_NE(unknown.exitCode, 0);
  EXPECT_NE((unknown.out + unknown.err).find("用户 nobody 不存在，请检查并重试。"), std::string::npos);
  EXPECT_FALSE(serverRunsFrom(dir));
}

TEST(Startup, BadConfigurationFiles) {
  ServerDir dir;
  const std::string port = std::to_string(dir.port());
  const std::vector<std::string> bad = {
      "",                                       // empty
      "ipaddr=127.0.0.1\n",                     // one line
      "address=127.0.0.1\nhostport=" + port,    // wrong first prefix
      "ipaddr=127.0.0.1\nport=" + port,         // wrong second prefix
      "hostport=" + port + "\nipaddr=127.0.0.1",  // lines swapped
      "ipaddr=127.0.0.1\nhostport=65536",       // port out of range
      "ipaddr=127.0.0.1\nhostport=99999999999",  // far out of range
      "ipaddr=127.0.0.1\nhostport=-1",          // negative
  };
  for (const auto& ini : bad) {
    dir.writeIni(ini);
    RunResult r = runServerToEnd(dir, {});
    EXPECT_NE(r.exitCode, 0) << ini;
    EXPECT_EQ(r.err, kBadIni + "\n") << ini;
  }
  // Missing file.
  ::unlink(dir.file("TAVserver.ini").c_str());
  RunResult r = runServerToEnd(dir, {});
  EXPECT_EQ(r.err, kBadIni + "\n");
}

TEST(Startup, IniFromAnotherSystemIsAccepted) {
  ServerDir dir;
  // A byte-order mark, CR LF line ends and prefixes in capitals.
  dir.writeIni("\xEF\xBB\xBFIPADDR=127.0.0.1\r\nHostPort= " + std::to_string(dir.port()) + "\r\n");
  ServerProcess server(dir);
  Client c(dir.port());
  EXPECT_EQ(c.loginAdmin(), u"ACCEPTED");
}

TEST(Startup, DatabaseFailures) {
  {
    ServerDir dir;
    ::unlink(dir.file("TAVrecords.mdb").c_str());
    EXPECT_EQ(runServerToEnd(dir, {}).err, "数据库出错\n");
  }
  {
    ServerDir dir;
    dir.sql("TAVusers.mdb", "DELETE FROM adacess");
    EXPECT_EQ(runServerToEnd(dir, {}).err, "数据库出错\n");
  }
  {
    ServerDir dir;
    dir.sql("TAVequipment.mdb", "DROP TABLE prewo");
    EXPECT_EQ(runServerToEnd(dir, {}).err, "数据库出错\n");
  }
  const char* brokenConst[] = {
      "DELETE FROM manage",                         // no settings record
      "UPDATE manage SET equright='abc'",           // a setting that is no number
      "UPDATE manage SET pworight=NULL",            // a setting without value
      "UPDATE manage SET colright=4294967296",      // beyond 32 bits
      "DROP TABLE status",                          // a table missing
  };
  for (const char* stmt : brokenConst) {
    ServerDir dir;
    dir.sql("TAVconst.mdb", stmt);
    RunResult r = runServerToEnd(dir, {});
    EXPECT_NE(r.exitCode, 0) << stmt;
    EXPECT_EQ(r.err, "数据库TAVconst.mdb出错\n") << stmt;
  }
  {
    ServerDir dir;
    ::unlink(dir.file("TAVconst.mdb").c_str());
    EXPECT_EQ(runServerToEnd(dir, {}).err, "数据库TAVconst.mdb出错\n");
  }
}

TEST(Startup, PortInUseAndMissingBusyLibrary) {
  ServerDir dir;
  // A port the system hands out, so no other program can hold it already.
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = 0;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(::listen(fd, 1), 0);
  socklen_t len = sizeof a;
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
  dir.writeIni("ipaddr=127.0.0.1\nhostport=" + std::to_string(ntohs(a.sin_port)) + "\n");
  RunResult r = runServerToEnd(dir, {});
  ::close(fd);
  EXPECT_NE(r.exitCode, 0);
  EXPECT_EQ(r.err, "不能绑定端口\n");

  dir.writeIni("ipaddr=10.255.255.1\nhostport=" + std::to_string(dir.port()));
  EXPECT_EQ(runServerToEnd(dir, {}).err, "不能绑定端口\n");

  dir.writeIni("ipaddr=127.0.0.1\nhostport=" + std::to_string(dir.port()));
  ::unlink(dir.file("libTAVbusy.so").c_str());
  RunResult noLib = runServerToEnd(dir, {});
  EXPECT_NE(noLib.exitCode, 0);
  EXPECT_EQ(noLib.err, "不能加载libTAVbusy.so\n");
}
