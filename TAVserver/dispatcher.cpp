// The request dispatcher. One request at a time: knock, "APPROV", busy
// thread on, body, handler, busy thread off (always, on every path).
#include "TAVserver/dispatcher.h"

#include <dlfcn.h>
#include <unistd.h>

#include <thread>

#include "TAVserver/handlers.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "busy/busy.h"
#include "protocol/netio.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

MThFunc mTh = nullptr;

// Handlers in the order the words are compared; the first match wins.
constexpr Command commandTable[] = {
    {u"UNLOAD", handleUnload},
    {u"DETAIL", handleWODetail},
    {u"ADVASS", handleSearchEquAdvanced},
    {u"ADVAWO", handleSearchWOAdvanced},
    {u"WRITE:", handleWriteWO},
    {u"MYNAME", handleProposeAdName},
    {u"EQUALT", handleAlterEquipment},
    {u"QUICKY", handleQuickSearch},
    {u"MYGRAD", handleMyGrade},
    {u"ALTIMP", handleAlterGrant},
    {u"REPORT", handleReport},
    {u"ADTIME", handleAddUsedTime},
    {u"SUNAOK", handleAnswerAdName},
    {u"ADDUSE", handleProposeNewUser},
    {u"USESET", handleProposeUserSet},
    {u"SUUSOK", handleAnswerUserSet},
    {u"MYOLWO", handleChangeOwnWO},
    {u"EQUADD", handleAddEquipment},
    {u"WOSAVE", handleSaveSearch},
    {u"WODELE", handleDeleteSearch},
    {u"ALLGAT", handleAllConsts},
    {u"REJECT", handleRejectGrant},
    {u"IMPADD", handleAddGrant},
    {u"GETCOL", handleGetCollections},
    {u"GETPRE", handleGetPlans},
    {u"RENAME", handleRename},
    {u"LISIMP", handleListGrants},
    {u"LISUSE", handleListUsers},
    {u"ALLCOL", handleAllLocations},
    {u"COLDEL", handleDeleteCollection},
    {u"PWODEL", handleDeletePlan},
    {u"PWOAPP", handleApprovePlan},
    {u"PWOCAN", handleCancelPlan},
    {u"COLADD", handleAddCollection},
    {u"PRENEW", handleNewPlan},
    {u"COLALT", handleAlterCollection},
    {u"PREALT", handleAlterPlan},
    {u"SUNAME", handleListAdNameProposals},
    {u"SUNUOK", handleAnswerNewUser},
    {u"FRMSGU", handleListUserSetProposals},
    {u"LISUNU", handleListNewUserProposals},
    {u"SHOWTX", handleShowLog},
    {u"SHOWLB", handleShowSlots},
    {u"AUTHOR", handleAuthor},
};

// Starts the busy-reply thread for the request of slot n and, whatever way
// the request ends, asks it to stop and waits for it, so the next request
// never meets a reader on another session's socket.
class BusyScope {
 public:
  BusyScope(Server& S, int n) : S_(S) {
    S_.busyState.store(1);
    slot_ = static_cast<int16_t>(n);
    thread_ = static_cast<std::thread*>(
        mTh(S_.slotSock.data(), &slot_, S_.slotInUse.data(), &S_.busyState, SlotCount));
  }
  ~BusyScope() {
    S_.busyState.store(2);
    if (thread_) {
      thread_->join();
      delete thread_;
    }
    S_.busyState.store(3);
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  Server& S_;
  int16_t slot_ = 0;
  std::thread* thread_ = nullptr;
};

enum class BodyOutcome { Complete, Stalled, TooLarge, Closed };

BodyOutcome readBody(int fd, std::u16string& body) {
  RequestReader reader;
  const double silence = ioSeconds();
  auto deadline = steadyAfter(silence);
  std::string chunk;
  for (;;) {
    chunk.clear();
    switch (readSome(fd, chunk, 65536)) {
      case ReadOutcome::Data:
        deadline = steadyAfter(silence);
        switch (reader.feed(chunk.data(), chunk.size())) {
          case ReadState::Complete:
            body = reader.body();
            return BodyOutcome::Complete;
          case ReadState::TooLarge:
            return BodyOutcome::TooLarge;
          case ReadState::Incomplete:
            continue;
        }
        continue;
      case ReadOutcome::Closed:
        return BodyOutcome::Closed;
      case ReadOutcome::NoData:
        break;
    }
    double left = std::chrono::duration<double>(deadline - Steady::now()).count();
    if (left <= 0) return BodyOutcome::Stalled;
    waitReadable(fd, std::min(left, 0.05));
  }
}

void runHandler(Server& S, int n, Handler h, std::u16string_view body) {
  S.requestReplied = false;
  S.listBuf.clear();
  S.listFailed = false;
  // A refusal replaces whatever part of a list had not gone out yet; once
  // bytes are on the wire the client's own deadline tells it.
  auto refuse = [&](std::u16string_view word) {
    S.listBuf.clear();
    if (!S.requestReplied) replyWord(S, n, word);
  };
  try {
    h(S, n, body);
  } catch (const BadRequest& e) {
    refuse(e.word.empty() ? UNKNOWNS : std::u16string_view(e.word));
  } catch (const std::exception&) {
    // A failed write was rolled back with its transaction; the session and
    // the server go on.
    refuse(UWRONG);
  }
  S.listBuf.clear();
}

}  // namespace

bool loadBusyLibrary(const std::string& dir) {
  void* lib = ::dlopen((dir + "/libTAVbusy.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) return false;
  mTh = reinterpret_cast<MThFunc>(::dlsym(lib, "mTh"));
  return mTh != nullptr;
}

bool reply(Server& S, int n, std::string_view bytes) {
  S.requestReplied = true;
  // Records still gathering go first, so the reply keeps its order.
  if (!S.listBuf.empty()) {
    std::string pending;
    pending.swap(S.listBuf);
    if (!sendAll(S.sock(n), pending, ioSeconds())) return false;
  }
  return sendAll(S.sock(n), bytes, ioSeconds());
}

bool replyWord(Server& S, int n, std::u16string_view word) { return reply(S, n, wordReply(word)); }

bool sessionHasRight(Server& S, int n, int32_t mask) {
  S.renewSession(n);
  if (S.hasRight(n, mask)) return true;
  replyWord(S, n, WROPOW);
  return false;
}

bool sessionIsAdmin(Server& S, int n) {
  S.renewSession(n);
  if (S.slot(n).slotIsAdmin) return true;
  replyWord(S, n, WROPOW);
  return false;
}

void serveRequest(Server& S, int n) {
  const int fd = S.sock(n);
  std::string knock;
  if (readSome(fd, knock, KnockBytes) == ReadOutcome::Closed) {
    S.endSession(n, u") Drop(");
    return;
  }
  if (knock.empty()) return;  // woken without data: nothing to serve
  if (S.busyState.load() != 3) {
    sendAll(fd, wordReply(KnockBusy), ioSeconds());
    return;
  }
  knock.resize(KnockBytes, '\0');
  const std::u16string word = fromUtf16le(knock);
  if (word == KnockUnload) {
    S.endSession(n, u") close(");
    return;
  }
  if (word != KnockClient) return;

  sendAll(fd, wordReply(KnockApproved), ioSeconds());
  BusyScope busy(S, n);

  std::u16string body;
  switch (readBody(fd, body)) {
    case BodyOutcome::Complete:
      break;
    case BodyOutcome::Stalled:
    case BodyOutcome::TooLarge:
      sendAll(fd, wordReply(RECVERR), ioSeconds());
      S.endSession(n, u") Drop(");
      return;
    case BodyOutcome::Closed:
      S.endSession(n, u") Drop(");
      return;
  }

  const std::u16string_view cmd = std::u16string_view(body).substr(0, 6);
  if (cmd == CLOSE) {
    S.endSession(n, u") unLink(");
    return;
  }
  for (const Command& c : commandTable) {
    if (c.word == cmd) {
      runHandler(S, n, c.handler, body);
      return;
    }
  }
  replyWord(S, n, UNKNOWNS);
}

}  // namespace tav::server
