// The client's one TCP connection: a non-blocking POSIX socket with the
// calls the wait loops use — connect and its poll, single reads, a
// zero-wait readability test, one send and the send loop.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "protocol/netio.h"

namespace tav::client {

// Lets the window process pending events.
void pumpEvents();
// Sleeps up to `ms` milliseconds, waking early when `fd` turns readable
// (or fails); -1 for no socket. Events are processed before and after.
void pauseFor(int ms, int fd = -1);

class ClientSocket {
 public:
  ClientSocket() = default;
  ~ClientSocket();
  ClientSocket(const ClientSocket&) = delete;
  ClientSocket& operator=(const ClientSocket&) = delete;

  // New non-blocking socket, connect started. False when no socket could be
  // made or the address is not dotted IPv4.
  bool open(const std::string& ipv4, int port);
  // 1 once connected, 0 while pending, -1 when the connect failed
  // (refused, unreachable: SO_ERROR) or the poll itself failed.
  int pollConnect();

  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  void close();

  // One read of at most `max` bytes, appended to `out`.
  ReadOutcome recvSome(std::string& out, std::size_t max);
  // True when a read would not wait (data, end of stream or an error).
  bool readable() const;
  // One send; the result is not needed by the callers that use it.
  void sendOnce(std::string_view bytes);
  // Sends everything, offering the unsent rest each pass and waiting 50 ms
  // after a pass that took nothing; false once `seconds` (set once, before
  // the first pass) have passed or the connection failed.
  bool sendLoop(std::string_view bytes, double seconds);

 private:
  int fd_ = -1;
};

}  // namespace tav::client
