// Serving one request: the knock, the hand-over to the busy thread, the
// body, the command table and the reply.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace tav::server {
struct Server;

// A command handler: the whole request body (terminator cut off) and the
// slot it came from. It sends its own reply through `reply`.
using Handler = void (*)(Server& S, int n, std::u16string_view body);

struct Command {
  std::u16string_view word;  // the first six characters of the body
  Handler handler;
};

// Serves the readable connection of slot n.
void serveRequest(Server& S, int n);

// Sends bytes on slot n's socket within the silence deadline.
bool reply(Server& S, int n, std::string_view bytes);
bool replyWord(Server& S, int n, std::u16string_view word);

// The first steps of a guarded command: the session is renewed and, unless
// it holds a right of `mask` (its own or lent), it is told "WROPOW". True
// when the command may go on.
bool sessionHasRight(Server& S, int n, int32_t mask);
// The same for the commands that belong to administrators.
bool sessionIsAdmin(Server& S, int n);

// Loads libTAVbusy.so from `dir`; false when it or its mTh is missing.
bool loadBusyLibrary(const std::string& dir);

// Reply words used across the handlers.
inline constexpr std::u16string_view WROPOW = u"WROPOW";
inline constexpr std::u16string_view NOTHIS = u"NOTHIS";
inline constexpr std::u16string_view UWRONG = u"UWRONG";
inline constexpr std::u16string_view IGOTIT = u"IGOTIT";
inline constexpr std::u16string_view UNKNOWNS = u"UNKNOWNS";
inline constexpr std::u16string_view RECVERR = u"RECV,ERR";
inline constexpr std::u16string_view CLOSE = u"CLOSE!";

}  // namespace tav::server
