// The one export of libTAVbusy.so, as the server declares it when it loads
// the library with dlopen.
#pragma once
#include <atomic>
#include <cstdint>

extern "C" {
// Starts the busy-reply thread over the server's connection table and
// returns it (a std::thread*, owned by the caller, who joins and deletes it
// after it has set busyState to 3). The tables stay the server's; the
// thread only reads them and writes nothing but 3 into busyState.
using MThFunc = void* (*)(const int32_t* slotSock, const int16_t* servedSlot,
                          const int16_t* slotInUse, std::atomic<int16_t>* busyState,
                          int32_t slotCount);
}
