// The steps of a login both clients share: connecting under the connection
// wait, gathering the greeting (or the server's "FULLUSES" answer), the
// clock offset, the password check and the login record.
#pragma once
#include <QString>
#include <optional>
#include <string>

#include "client/common/session.h"
#include "client/common/startup.h"

namespace tav::client {

enum class ConnectResult { Connected, Failed, TimedOut };
// Opens sock and waits (20 ms polls) until it stands; a refused or
// unreachable connection fails at once.
ConnectResult connectServer(Session& s, const ServerAddress& addr, double seconds);

struct Greeting {
  enum Kind { Ok, Full, Failed } kind = Failed;
  std::string bytes;  // the 30 bytes of an Ok greeting
  QString names;      // after "FULLUSES": the connected users' names, joined by ","
};
// Gathers the greeting to 30 bytes; a "FULLUSES" answer (UTF-16LE as the
// server sends it, or single-byte) is read to the server's close.
Greeting readGreeting(Session& s, double seconds);

// Server time of the greeting minus the local now, in days.
double clockOffset(const std::string& greeting30);

// Every character of the (cut) password has a code from 0 to 127.
bool passwordIsAscii(const QString& password);

// The login record with random filler from a generator seeded at start.
std::optional<std::string> loginRecord(const std::string& greeting30, std::u16string_view tag,
                                       const QString& id, const QString& password16);

// What became of connecting and sending the login record.
struct RecordSent {
  bool ok = false;
  Icon icon = Icon::Information;  // on failure: the message the login shows
  QString message;
};
// Connects (the connection wait), reads the greeting, takes the clock
// offset into s.timeDiff and sends the login record: the steps both
// clients' logins share up to the reply.
RecordSent sendLoginRecord(Session& s, const ServerAddress& addr, std::u16string_view tag, const QString& id,
                           const QString& password16);

}  // namespace tav::client
