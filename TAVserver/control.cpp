// "SHOWTX", "SHOWLB", "AUTHOR" and "UNLOAD": looking at the server and
// stopping it. Only "AUTHOR" is open to user sessions.
#include <cstdio>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/server.h"
#include "protocol/wire.h"

namespace tav::server {
void handleShowLog(Server& S, int n, std::u16string_view) {
  if (!sessionIsAdmin(S, n)) return;
  // The log's byte length travels as four hex digits; it always fits, as
  // the log is cut to 40,960 bytes before each entry.
  std::u16string_view log = S.serverLog.text();
  if (log.size() * 2 > 0xFFFF) log = log.substr(0, 0xFFFF / 2);
  char header[8];
  std::snprintf(header, sizeof header, "%04X", static_cast<unsigned>(log.size() * 2));
  if (!reply(S, n, toUtf16le(fromUtf8(header)))) return;
  reply(S, n, toUtf16le(log));
}

void handleShowSlots(Server& S, int n, std::u16string_view) {
  if (!sessionIsAdmin(S, n)) return;
  std::u16string text = S.startText;
  for (int i = 1; i <= SlotCount; ++i) text += u"\r\n" + S.slot(i).slotStatus;
  reply(S, n, textReply(text));
}

void handleAuthor(Server& S, int n, std::u16string_view) {
  S.renewSession(n);
  reply(S, n,
        textReply(u"TAV 设备维修管理系统\r\n"
                  u"服务器程序 TAVserver\r\n"
                  u"管理设备登记、工单、预防性维修和用户权限\r\n"
                  u"本系统在工厂内部网络中使用"));
}

void handleUnload(Server& S, int n, std::u16string_view) {
  if (!S.slot(n).slotIsAdmin) {
    S.renewSession(n);
    replyWord(S, n, WROPOW);
    return;
  }
  // The stop itself runs in the main loop once this request has ended and
  // the busy thread is gone, so nothing writes to a closed socket.
  S.stopRequested = true;
}

}  // namespace tav::server
