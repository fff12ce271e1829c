// A test program that dies with a server running, for test_dying.cpp: it
// starts the real server through the fixture, prints the server's pid, its
// port and its folder on one line, then aborts ("abort", as Qt Test's
// watchdog does) or waits to be killed ("wait").
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fixture.h"

int main(int argc, char** argv) {
  const bool abort = argc > 1 && std::strcmp(argv[1], "abort") == 0;
  tavtest::ServerDir dir;
  tavtest::ServerProcess server(dir);
  std::printf("%d %d %s\n", static_cast<int>(server.pid()), dir.port(), dir.path().c_str());
  std::fflush(stdout);
  if (abort) {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    std::abort();
  }
  for (;;) ::pause();
}
