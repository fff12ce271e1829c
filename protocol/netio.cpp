// Socket helpers: send-all with a silence deadline, single reads, waits.
#include "protocol/netio.h"

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <poll.h>
#include <sys/socket.h>

namespace tav {

double ioSeconds() {
  static const double seconds = [] {
    if (const char* v = std::getenv("TAV_IO_SECONDS")) {
      char* end = nullptr;
      double d = std::strtod(v, &end);
      if (end != v && d > 0) return d;
    }
    return 10.368;
  }();
  return seconds;
}

bool sendAll(int fd, std::string_view bytes, double silenceSeconds) {
  using clock = std::chrono::steady_clock;
  const auto silence = std::chrono::duration_cast<clock::duration>(
      std::chrono::duration<double>(silenceSeconds));
  auto deadline = clock::now() + silence;
  std::size_t off = 0;
  while (off < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      off += static_cast<std::size_t>(n);
      deadline = clock::now() + silence;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLOUT, 0};
    int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    if (r < 0 && errno != EINTR) return false;
    if (r > 0 && (p.revents & (POLLERR | POLLNVAL))) return false;
  }
  return true;
}

ReadOutcome readSome(int fd, std::string& out, std::size_t max) {
  const std::size_t old = out.size();
  out.resize(old + max);
  ssize_t n;
  do {
    n = ::recv(fd, out.data() + old, max, MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    out.resize(old + static_cast<std::size_t>(n));
    return ReadOutcome::Data;
  }
  out.resize(old);
  if (n == 0) return ReadOutcome::Closed;
  if (errno == EAGAIN || errno == EWOULDBLOCK) return ReadOutcome::NoData;
  return ReadOutcome::Closed;
}

bool waitReadable(int fd, double seconds) {
  pollfd p{fd, POLLIN, 0};
  int ms = seconds <= 0 ? 0 : static_cast<int>(seconds * 1000);
  int r;
  do {
    r = ::poll(&p, 1, ms);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

}  // namespace tav
