// The server's main loop on its one thread: ten cycles of (wait up to
// 200 ms, admit one connection, serve every readable session), then expiry
// and the daily job.
#include "TAVserver/mainloop.h"

#include <cmath>
#include <vector>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "TAVserver/dailyjob.h"
#include "TAVserver/dispatcher.h"
#include "TAVserver/login.h"
#include "TAVserver/server.h"
#include "protocol/login.h"
#include "protocol/netio.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

constexpr int CyclePauseMs = 200;

// The cycle's pause: up to 200 ms, cut short when a connection or a request
// is waiting, so a client is not kept waiting for the pace of the loop.
void pauseCycle(Server& S) {
  std::vector<pollfd> fds;
  fds.push_back({S.listenSock, POLLIN, 0});
  for (int n = 1; n <= SlotCount; ++n)
    if (S.inUse(n)) fds.push_back({S.sock(n), POLLIN, 0});
  ::poll(fds.data(), fds.size(), CyclePauseMs);
}

void admitOne(Server& S) {
  int fd = ::accept4(S.listenSock, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  // Replies go out in several sends (records, then the terminator); none
  // may wait for the peer's delayed acknowledgement.
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  for (int n = 1; n <= SlotCount; ++n) {
    if (!S.inUse(n)) {
      S.slotSock[static_cast<std::size_t>(n - 1)] = fd;
      checkLogin(S, n);
      return;
    }
  }
  std::u16string names(ReplyFullUses);
  for (int n = 1; n <= SlotCount; ++n) {
    if (n > 1) names += u",";
    names += S.slot(n).slotName;
  }
  sendAll(fd, wordReply(names), ioSeconds());
  ::close(fd);
}

bool readableNow(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) != 0;
}

void expireSessions(Server& S) {
  const auto t = Steady::now();
  for (int n = 1; n <= SlotCount; ++n) {
    const Slot& s = S.slot(n);
    if (!S.inUse(n) || !s.sessionExpiry || *s.sessionExpiry >= t) continue;
    sendAll(S.sock(n), wordReply(CLOSE), ioSeconds());
    S.endSession(n, u") Drop(");
  }
}

}  // namespace

void scheduleNextJob(Server& S) {
  const double nowD = now();
  S.nextJobTime = std::floor(nowD) + 1.128;  // 03:04:19 of the next day
  S.nextJobSteady = steadyAfter((S.nextJobTime - nowD) * 86400.0);
}

void runMainLoop(Server& S) {
  while (!S.stopRequested) {
    for (int cycle = 0; cycle < 10 && !S.stopRequested; ++cycle) {
      pauseCycle(S);
      admitOne(S);
      for (int n = 1; n <= SlotCount && !S.stopRequested; ++n)
        if (S.inUse(n) && readableNow(S.sock(n))) serveRequest(S, n);
    }
    if (S.stopRequested) break;
    expireSessions(S);
    if (Steady::now() >= S.nextJobSteady) {
      scheduleNextJob(S);
      runDailyJob(S);
    }
  }
}

}  // namespace tav::server
