// Child processes and loopback ports for the tests and the benchmarks that
// run the real server: start a program with its output in files, wait for
// it, find a free port and tell whether a process listens on it.
//
// Every child a test starts ends with the test, however the test ends (an
// abort by Qt Test's watchdog, SIGKILL by CTest's time-out): a server left
// behind would hold its port and its folder for as long as the machine runs.
#pragma once
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace tav::support {

using Env = std::vector<std::pair<std::string, std::string>>;

// fork + exec (PATH searched) with stdout and stderr sent to files and the
// environment extended by `env`. The child is killed when this process
// ends (see endWithParent). Throws std::runtime_error when fork fails and
// std::logic_error off the main thread (see forkingParent).
pid_t spawn(const std::string& exe, const std::vector<std::string>& args, const Env& env,
            const std::string& outFile, const std::string& errFile);

// For a child made some other way (a fork of its own, QProcess): call this
// before forking and pass the result to endWithParent in the child. The
// kernel's parent-death signal follows the THREAD that forked, not the
// process; a child forked by a thread that ends before the test would be
// killed early. So children are made on the main thread only, and this
// throws std::logic_error anywhere else.
pid_t forkingParent();

// In the child, right after fork, before exec: asks for SIGKILL when the
// parent ends, and ends at once should the parent (the pid forkingParent
// gave before the fork) already be gone. Async-signal-safe.
void endWithParent(pid_t parent);

// A fresh folder under /tmp named `prefix` + six random characters that
// goes away with this process: removed when the object is destroyed, and,
// should the process die first, by a small shell that has waited for the
// process's end of a pipe to close. That shell is the one child that
// outlives the test, for as long as `rm -rf` takes.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  pid_t sweeper_ = -1;
  int hold_ = -1;  // the write end of the sweeper's pipe
};

// Waits up to `timeoutSeconds` for the child to end: its exit code, or -1
// when it was killed by a signal or is still running (then reaped is false).
int waitExit(pid_t pid, double timeoutSeconds, bool& reaped);

// Waits for the child to end: its exit code, or -1 when killed by a signal.
int reap(pid_t pid);

// The whole content of a file ("" when it cannot be read).
std::string slurp(const std::string& path);

// True when nothing holds 127.0.0.1:port (a bind without SO_REUSEADDR).
bool portFree(int port);
// A port of 127.0.0.1 that nothing is bound to now, below the range the
// system hands to outgoing connections and spread by process, so parallel
// programs rarely meet.
int freePort();

// True when process `pid` holds the listening socket of `port`.
bool listensOn(pid_t pid, int port);

// True when some process runs the program file `exe`.
bool anyProcessRuns(const std::string& exe);

// A connected socket to 127.0.0.1:port, or -1.
int connectLoopback(int port);

}  // namespace tav::support
