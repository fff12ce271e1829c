// The server's state for its whole run: the connection table, the shared
// busy word, the constant tables, the open databases and the log.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "TAVserver/clock.h"
#include "TAVserver/constants.h"
#include "TAVserver/databases.h"
#include "TAVserver/serverlog.h"

namespace tav::server {

constexpr int SlotCount = 10;

// One slot of the connection table (slot numbers run 1 to 10; index = n-1).
struct Slot {
  std::optional<Steady::time_point> sessionExpiry;  // empty while the slot is free
  bool slotIsAdmin = false;
  std::u16string slotID;
  std::u16string slotPswd;
  std::u16string slotName;
  int32_t slotType = 0;
  int32_t slotRight = 0;
  int32_t slotRight2 = 0;
  std::u16string slotTag;
  std::u16string slotStatus;
};

struct Server {
  std::string serverPath;

  // The busy-reply thread reads these two tables and busyState through
  // their addresses, so they stay plain arrays of fixed types.
  std::array<int32_t, SlotCount> slotSock{};
  std::array<int16_t, SlotCount> slotInUse{};
  std::array<Slot, SlotCount> slots;
  std::atomic<int16_t> busyState{3};

  ConstTables consts;
  Databases db;
  ServerLog serverLog;

  int listenSock = -1;
  std::u16string startText;
  int32_t archiveDate = 0;
  Steady::time_point nextJobSteady;  // when the daily job runs next
  double nextJobTime = 0;            // the same moment on the server clock
  int32_t nextChangeNo = 0, nextImpNo = 0, nextNameNo = 0, nextNewUserNo = 0;

  bool requestReplied = false;  // the current request has sent bytes
  std::string listBuf;          // list records not sent yet (see records.h)
  bool listFailed = false;      // a piece of the list could not be delivered
  bool stopRequested = false;   // "UNLOAD" was served: leave the main loop

  Slot& slot(int n) { return slots[static_cast<std::size_t>(n - 1)]; }
  int sock(int n) const { return slotSock[static_cast<std::size_t>(n - 1)]; }
  bool inUse(int n) const { return slotInUse[static_cast<std::size_t>(n - 1)] != 0; }
  void setInUse(int n, bool v) { slotInUse[static_cast<std::size_t>(n - 1)] = v ? -1 : 0; }

  // A rights test: the session's own or lent rights share a bit with mask.
  bool hasRight(int n, int32_t mask) { return ((slot(n).slotRight | slot(n).slotRight2) & mask) != 0; }
  // Renews the idle deadline of a session after a served request.
  void renewSession(int n);
  // Frees a slot: closes its socket, clears the session, logs `word`
  // (") Drop(", ") close(", ") unLink(").
  void endSession(int n, std::u16string_view word);
  void logSlotEvent(int n, std::u16string_view word);
  // Clears every per-session field, so no session inherits another's rights.
  void clearSlot(int n);
};

std::u16string waitingStatus(int n);

}  // namespace tav::server
