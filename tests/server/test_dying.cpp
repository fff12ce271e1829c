// A test that dies leaves nothing running: the server it started ends with
// it, the server's port is free again and its folder is gone, whether the
// test aborts (Qt Test's watchdog) or is killed (CTest's time-out).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "fixture.h"
#include "tests/support/process.h"

using namespace tavtest;
namespace support = tav::support;
namespace fs = std::filesystem;

namespace {

// True when child `pid` has ended; it is left to be reaped.
bool ended(pid_t pid) {
  siginfo_t info{};
  return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

struct Death {
  const char* name;
  const char* mode;  // dying_test's argument
  int signal;        // what ends it
};

void PrintTo(const Death& d, std::ostream* os) { *os << d.name; }

class TestThatDies : public ::testing::TestWithParam<Death> {};

TEST_P(TestThatDies, LeavesNoServerNoPortNoFolder) {
  // The dying program's orphans come to this process rather than to init,
  // so the server's end is waited for by its pid, which nothing else can
  // take meanwhile; and a server that outlives the program can be stopped.
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  struct SubreaperOff {
    ~SubreaperOff() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
  } off;

  support::ScratchDir io("tavdying-");
  const std::string out = io.path() + "/out", err = io.path() + "/err";
  const pid_t dying = support::spawn(TAV_DYING_TEST_BIN, {GetParam().mode}, {}, out, err);
  auto printed = [&] {
    const std::string text = support::slurp(out);
    return !text.empty() && text.back() == '\n';
  };
  EXPECT_TRUE(eventually([&] { return printed() || ended(dying); }, 120));
  if (!printed()) {
    ::kill(dying, SIGKILL);
    support::reap(dying);
    FAIL() << "the dying program said nothing: " << support::slurp(err);
  }
  pid_t server = 0;
  int port = 0;
  std::string folder;
  std::istringstream(support::slurp(out)) >> server >> port >> folder;
  ASSERT_GT(server, 0);
  // Whatever fails below, nothing of this test stays behind.
  struct Leftovers {
    pid_t server;
    std::string folder;
    bool reaped = false;
    ~Leftovers() {
      if (!reaped) {
        ::kill(server, SIGKILL);
        ::waitpid(server, nullptr, 0);
      }
      std::error_code ec;
      fs::remove_all(folder, ec);
    }
  } leftovers{server, folder};

  if (GetParam().signal == SIGKILL) {
    EXPECT_FALSE(support::portFree(port)) << "the server does not hold its port";
    ::kill(dying, SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(dying, &status, 0), dying);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == GetParam().signal) << support::slurp(err);

  leftovers.reaped = eventually([&] { return ::waitpid(server, &status, WNOHANG) == server; }, 60);
  ASSERT_TRUE(leftovers.reaped) << "the server outlived the test that started it";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_TRUE(support::portFree(port)) << port;
  EXPECT_TRUE(eventually([&] { return !fs::exists(folder); }, 60)) << folder;
}

INSTANTIATE_TEST_SUITE_P(Deaths, TestThatDies,
                         ::testing::Values(Death{"Aborted", "abort", SIGABRT}, Death{"Killed", "wait", SIGKILL}),
                         [](const ::testing::TestParamInfo<Death>& info) { return std::string(info.param.name); });

// The death signal follows the thread that forked: a child started by a
// short-lived thread would be killed when that thread ends.
TEST(ChildProcesses, AreStartedFromTheMainThreadOnly) {
  bool refused = false;
  pid_t started = -1;
  std::thread([&] {
    try {
      started = support::spawn("true", {}, {}, "/dev/null", "/dev/null");
    } catch (const std::logic_error&) {
      refused = true;
    }
  }).join();
  if (started > 0) support::reap(started);
  EXPECT_TRUE(refused);
}

}  // namespace
