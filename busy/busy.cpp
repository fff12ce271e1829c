// The busy-reply thread: while the server serves one request, every other
// session that sends anything is answered "IAMBUS" at once.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include <sys/socket.h>

#include "busy/busy.h"
#include "protocol/netio.h"
#include "protocol/wire.h"

namespace {

// The stop request must be seen quickly: the dispatcher waits for this
// thread to end before it serves anything else.
constexpr auto kPassPause = std::chrono::milliseconds(20);

void busyReplyLoop(const int32_t* busySocks, const int16_t* busyInUse,
                   std::atomic<int16_t>* busyState, int busyCur, int busyCount) {
  static const std::string busyWord = tav::wordReply(u"IAMBUS");
  char buf[1024];
  for (;;) {
    if (busyState->load() == 2) {
      busyState->store(3);
      return;
    }
    for (int i = 0; i < busyCount; ++i) {
      if (i == busyCur || busyInUse[i] == 0) continue;
      ssize_t n = ::recv(busySocks[i], buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) tav::sendAll(busySocks[i], busyWord, tav::ioSeconds());
    }
    std::this_thread::sleep_for(kPassPause);
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void* mTh(
    const int32_t* slotSock, const int16_t* servedSlot, const int16_t* slotInUse,
    std::atomic<int16_t>* busyState, int32_t slotCount) {
  return new std::thread(busyReplyLoop, slotSock, slotInUse, busyState,
                         static_cast<int>(*servedSlot) - 1, static_cast<int>(slotCount));
}
