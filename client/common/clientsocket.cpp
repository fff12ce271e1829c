// Non-blocking client socket and the waits between polls.
#include "client/common/clientsocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>

#include "client/common/clock.h"

namespace tav::client {

void pumpEvents() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

void pauseFor(int ms, int fd) {
  pumpEvents();
  if (fd >= 0) {
    pollfd p{fd, POLLIN, 0};
    int r;
    do {
      r = ::poll(&p, 1, ms);
    } while (r < 0 && errno == EINTR);
  } else {
    ::usleep(static_cast<useconds_t>(ms) * 1000);
  }
  pumpEvents();
}

ClientSocket::~ClientSocket() { close(); }

bool ClientSocket::open(const std::string& ipv4, int port) {
  close();
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (::inet_pton(AF_INET, ipv4.c_str(), &addr.sin_addr) != 1) return false;
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) return false;
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  return true;
}

int ClientSocket::pollConnect() {
  if (fd_ < 0) return -1;
  pollfd p{fd_, POLLOUT, 0};
  int r;
  do {
    r = ::poll(&p, 1, 0);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return -1;
  if (r == 0) return 0;
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) return -1;
  if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return -1;
  return 1;
}

void ClientSocket::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

ReadOutcome ClientSocket::recvSome(std::string& out, std::size_t max) {
  if (fd_ < 0) return ReadOutcome::Closed;
  return readSome(fd_, out, max);
}

bool ClientSocket::readable() const {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, 0);
  } while (r < 0 && errno == EINTR);
  return r > 0;
}

void ClientSocket::sendOnce(std::string_view bytes) {
  if (fd_ < 0) return;
  ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

bool ClientSocket::sendLoop(std::string_view bytes, double seconds) {
  if (fd_ < 0) return false;
  Deadline deadline(seconds);
  std::size_t off = 0;
  while (off < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      off += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (deadline.passed()) return false;
    pumpEvents();
    pollfd p{fd_, POLLOUT, 0};
    ::poll(&p, 1, 50);
  }
  return true;
}

}  // namespace tav::client
