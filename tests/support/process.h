// Child processes and loopback ports for the tests and the benchmarks that
// run the real server: start a program with its output in files, wait for
// it, find a free port and tell whether a process listens on it.
#pragma once
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace tav::support {

using Env = std::vector<std::pair<std::string, std::string>>;

// fork + exec (PATH searched) with stdout and stderr sent to files and the
// environment extended by `env`. Throws std::runtime_error when fork fails.
pid_t spawn(const std::string& exe, const std::vector<std::string>& args, const Env& env,
            const std::string& outFile, const std::string& errFile);

// Waits up to `timeoutSeconds` for the child to end: its exit code, or -1
// when it was killed by a signal or is still running (then reaped is false).
int waitExit(pid_t pid, double timeoutSeconds, bool& reaped);

// Waits for the child to end: its exit code, or -1 when killed by a signal.
int reap(pid_t pid);

// The whole content of a file ("" when it cannot be read).
std::string slurp(const std::string& path);

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
