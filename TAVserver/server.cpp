// Connection-table bookkeeping shared by the login, the main loop and the
// dispatcher.
#include "TAVserver/server.h"

#include <unistd.h>

#include "protocol/wire.h"

namespace tav::server {

std::u16string waitingStatus(int n) { return fromUtf8(std::to_string(n)) + u":(waiting)"; }

void Server::renewSession(int n) { slot(n).sessionExpiry = steadyAfter(timeOuts().sessionSeconds); }

void Server::clearSlot(int n) {
  Slot& s = slot(n);
  s = Slot{};
  s.slotStatus = waitingStatus(n);
}

void Server::logSlotEvent(int n, std::u16string_view word) {
  const Slot& s = slot(n);
  std::u16string entry = s.slotID + u"(" + s.slotTag;
  entry += word;
  entry += fromUtf8(std::to_string(n)) + u")   " + logTime(now());
  serverLog.add(entry);
}

void Server::endSession(int n, std::u16string_view word) {
  int& fd = slotSock[static_cast<std::size_t>(n - 1)];
  if (fd >= 0) ::close(fd);
  fd = -1;
  setInUse(n, false);
  logSlotEvent(n, word);
  clearSlot(n);
}

}  // namespace tav::server
