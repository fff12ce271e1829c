// Socket helpers every program uses for the wire: one send-all loop and one
// read-until loop, each with a silence deadline, never raising SIGPIPE.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace tav {

// The silence deadline of the login, of request reading and of sending:
// 10.368 s, or TAV_IO_SECONDS when set (tests use it to shorten the wait).
double ioSeconds();

// Sends every byte of `bytes` on a (blocking or not) socket. Gives up when
// `silenceSeconds` pass without the peer taking a byte, or on a hard error.
// Returns true when everything was sent.
bool sendAll(int fd, std::string_view bytes, double silenceSeconds);

enum class ReadOutcome { Data, NoData, Closed };

// One read of whatever is waiting, at most `max` bytes, appended to `out`.
// NoData means nothing has arrived yet; Closed means the peer closed the
// connection or the socket failed: only that counts as a lost connection.
ReadOutcome readSome(int fd, std::string& out, std::size_t max);

// Waits up to `seconds` for the socket to become readable (or closed).
bool waitReadable(int fd, double seconds);

}  // namespace tav
