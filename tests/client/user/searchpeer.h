// The server's side of the searches played by a scripted peer: the login
// with statuses, request types and saved searches, then every request kept
// and answered from a queue; and the texts the tests write the bytes with.
#pragma once
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/common/session.h"
#include "protocol/daynum.h"
#include "tests/client/user/peerscripts.h"
#include "tests/client/user/userfixture.h"

namespace tavtest {

inline const std::string End(tav::MsgEnd);

// "|" stands for FieldSep and "#" for RecordSep.
inline std::u16string wire(const QString& s) {
  std::u16string r = tav::client::us(s);
  for (char16_t& c : r) {
    if (c == u'|') c = tav::FieldSep;
    if (c == u'#') c = tav::RecordSep;
  }
  return r;
}
inline std::string bytes(const QString& s) { return tav::toUtf16le(wire(s)); }
inline QString day(int y, int m, int d) { return QString::number(tav::dayFromCivil(y, m, d)); }

// The greeting's date: the client's today while logged on to the peer.
inline constexpr int Year = 2024;

// A start-of-session reply with statuses, request types, the archive right
// (settings number 7 = 32) and the user's rights.
inline std::string gradeReply(int rights, const QString& presets = QString(12, QLatin1Char('#'))) {
  QString r = QStringLiteral("测试|%1|0|0|#").arg(rights);
  r += QStringLiteral("1|提交工作请求|32|工时报表与旧单查询|#");
  r += QStringLiteral("1|未生效|2|已安排|4|维修中|16|已完成|#");
  r += QStringLiteral("#");  // trades
  r += QStringLiteral("#");  // field rules
  r += QStringLiteral("CM|纠正性维修|PM|预防性维修|#");
  r += QStringLiteral("0|0|16|32|2|0|32|16|1|2|#");
  r += presets;
  return bytes(r) + End;
}

// The peer's side after the login: every knock approved, every request
// kept, each answered by the next reply queued (an empty list when none,
// nothing at all for an empty reply);
// while `hold` is set the answer waits.
struct Wire {
  std::mutex m;
  std::vector<std::string> requests;
  std::deque<std::string> replies;
  std::atomic<bool> hold{false};

  std::vector<std::string> got() {
    std::lock_guard<std::mutex> l(m);
    return requests;
  }
  void reply(const std::string& b) {
    std::lock_guard<std::mutex> l(m);
    replies.push_back(b);
  }
};

inline ScriptedPeer::Script serving(Wire& w, std::string grade) {
  return [&w, grade](PeerConn& c) {
    if (!playLogin(c, nullptr, grade)) return;
    for (;;) {
      if (c.read(12, 60) != tav::toUtf16le(u"CLIENT")) return;
      c.sendWord(u"APPROV");
      std::string body = c.readRequest(20);
      std::string answer = End;
      {
        std::lock_guard<std::mutex> l(w.m);
        w.requests.push_back(body);
        if (!w.replies.empty()) {
          answer = w.replies.front();
          w.replies.pop_front();
        }
      }
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (w.hold && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      c.send(answer);
    }
  };
}

// One record of a work-order list reply with the store flag.
inline QString orderRecord(int id, int store = 1) {
  return QStringLiteral("%1|10001|泵|描述|4|CM|2|0|u|名|45000|0|45001|0|||||x|%2|#").arg(id).arg(store);
}
inline QString equipmentRecord(int id) { return QStringLiteral("%1|泵|A区|45000|1|厂|参数|1|0|备注|#").arg(id); }

// The order numbers of a list, in its order.
inline QList<int> billIds(const std::vector<tav::user::WOList>& rows) {
  QList<int> l;
  for (const auto& r : rows) l << r.bill_id;
  return l;
}

// Runs `act` once from within the running handler's waits, as soon as the
// peer holds its request.
inline void whenRequestHeld(Wire& w, std::function<void()> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, &w, act] {
    if (w.got().empty()) return;
    poll->stop();
    poll->deleteLater();
    act();
  });
  poll->start();
}

// A window logged on to the peer; `note` records what it shows.
struct Logged {
  RecordingNotifier note;
  Wire w;
  ScriptedPeer peer;
  UserWindow win;
  explicit Logged(int rights = 1, const QString& presets = QString(12, QLatin1Char('#')))
      : peer({serving(w, gradeReply(rights, presets))}), win(peer) {
    if (!win.login("zhang", "pw")) qFatal("login to the peer failed");
  }
  tav::user::FrmMain& main() { return *win.main; }
};

}  // namespace tavtest
