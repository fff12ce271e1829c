// Child processes and loopback ports for tests and benchmarks.
#include "tests/support/process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace tav::support {

pid_t forkingParent() {
  if (::gettid() != ::getpid())
    throw std::logic_error("a child process is started off the main thread; it would die with that thread");
  return ::getpid();
}

void endWithParent(pid_t parent) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // The parent may have died between fork and prctl; then nobody would
  // send the signal.
  if (::getppid() != parent) ::_exit(127);
}

ScratchDir::ScratchDir(const std::string& prefix) {
  std::string name = "/tmp/" + prefix + "XXXXXX";
  if (!::mkdtemp(name.data())) throw std::runtime_error("mkdtemp " + name);
  path_ = name;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;  // then only the destructor removes it
  // The shell reads until every copy of the write end is closed, which the
  // kernel does for a dying process before it signals the process's
  // children: a server of the test may still write a file or two while rm
  // walks the folder, so rm is tried again a few times.
  const char* const argv[] = {"sh", "-c",
                              "read -r _; for t in 1 2 3 4 5; do rm -rf -- \"$0\" && exit; sleep 1; done",
                              path_.c_str(), nullptr};
  const pid_t pid = ::fork();
  if (pid == 0) {
    // Its own process group: a Ctrl-C that ends the test does not end it.
    ::setpgid(0, 0);
    ::dup2(fds[0], 0);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    // Nothing of the test's own (a client's socket) may stay open in it.
    ::close_range(3, ~0U, 0);
    ::execv("/bin/sh", const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ::close(fds[0]);
  if (pid < 0) {
    ::close(fds[1]);
    return;
  }
  sweeper_ = pid;
  hold_ = fds[1];
}

ScratchDir::~ScratchDir() {
  // The sweeper is stopped first, so that only this removes the folder.
  if (sweeper_ > 0) {
    ::kill(sweeper_, SIGKILL);
    reap(sweeper_);
  }
  if (hold_ >= 0) ::close(hold_);
  std::error_code ec;
  fs::remove_all(path_, ec);
}

pid_t spawn(const std::string& exe, const std::vector<std::string>& args, const Env& env,
            const std::string& outFile, const std::string& errFile) {
  const pid_t parent = forkingParent();
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid != 0) return pid;
  endWithParent(parent);
  int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(out, 1);
  ::dup2(err, 2);
  for (const auto& [k, v] : env) ::setenv(k.c_str(), v.c_str(), 1);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execvp(exe.c_str(), argv.data());
  ::_exit(127);
}

int waitExit(pid_t pid, double timeoutSeconds, bool& reaped) {
  const auto start = std::chrono::steady_clock::now();
  int status = 0;
  reaped = false;
  while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < timeoutSeconds) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      reaped = true;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

int reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool portFree(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

int freePort() {
  static int next = 20000 + static_cast<int>(::getpid() % 600) * 20;
  for (int tries = 0; tries < 12000; ++tries) {
    const int port = 20000 + (next++ - 20000) % 12000;
    if (portFree(port)) return port;
  }
  throw std::runtime_error("no free port");
}

bool listensOn(pid_t pid, int port) {
  std::ifstream tcp("/proc/net/tcp");
  std::string line, inode;
  char want[8];
  std::snprintf(want, sizeof want, ":%04X", port);
  std::getline(tcp, line);
  while (std::getline(tcp, line)) {
    std::istringstream in(line);
    std::string sl, local, remote, state, queues, timer, retr, uid, timeout, node;
    in >> sl >> local >> remote >> state >> queues >> timer >> retr >> uid >> timeout >> node;
    if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == want) inode = node;
  }
  if (inode.empty()) return false;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    std::error_code lec;
    if (fs::read_symlink(e.path(), lec).string() == "socket:[" + inode + "]") return true;
  }
  return false;
}

bool anyProcessRuns(const std::string& exe) {
  std::error_code ec;
  const fs::path wanted = fs::canonical(exe, ec);
  if (ec) return false;
  for (const auto& e : fs::directory_iterator("/proc", ec)) {
    const std::string name = e.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::error_code lec;
    if (fs::read_symlink(e.path() / "exe", lec) == wanted) return true;
  }
  return false;
}

int connectLoopback(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace tav::support
