// What the client tests share: a notifier that records every message and
// answers questions from a script, waiting on the event loop for a
// condition, the real server in a temp folder, and a scripted peer that
// plays the server's side byte by byte where the real server cannot.
#pragma once
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "tests/server/fixture.h"

namespace tavtest {

struct Shown {
  tav::client::Icon icon;
  QString title, text;
};

class RecordingNotifier : public tav::client::Notifier {
 public:
  RecordingNotifier();
  ~RecordingNotifier() override;
  void show(tav::client::Icon icon, const QString& title, const QString& text) override;
  bool ask(const QString& title, const QString& text) override;

  std::vector<Shown> shown;  // messages and questions, in order
  QStringList questions;
  // Answers to the next questions; an unanswered question is answered No
  // and counted in `unanswered`.
  std::deque<bool> answers;
  int unanswered = 0;
  // Called for every message or question (a test may act while a "modal" box is open).
  std::function<void(const Shown&)> onShow;

  QString last() const { return shown.empty() ? QString() : shown.back().text; }
  QStringList texts() const;
  void clear() { shown.clear(); questions.clear(); }
};

// Processes events until `pred` holds or `seconds` pass; the result of pred.
bool waitFor(const std::function<bool()>& pred, double seconds = 20);

// Runs `act` once, from inside whatever pumps events (a wait loop of the
// client as well as the test's own), at the first pass at which `when`
// holds. A zero timer fires at every pass of processEvents, so no pass is
// missed. The watch ends when the result is destroyed.
std::unique_ptr<QTimer> atFirstPassWhere(std::function<bool()> when, std::function<void()> act);

// Fires `t`'s timeout as its own expiry would, whether it runs or not.
void tick(QTimer* t);

// Fires `poll` (an older window's Timer1) at the first pass of a login's
// event pump that finds the server's greeting waiting on `s`'s socket, and
// sets `ticked` then.
std::unique_ptr<QTimer> tickWhenGreetingWaits(tav::client::Session& s, QTimer* poll, bool& ticked);

// How a test window leaves: the connection is closed without a word to the
// server (no IULOAD) and the session made ready for the next window. A
// session another window has taken since is that window's to end: false
// then, and nothing is touched.
bool dropSession(tav::client::Session& s, const QTimer* ownPoll);

// Ends a protocol client's session as a closing client does and waits until
// the server has closed it: the server handles one connection at a time, so
// from then on its busy-reply thread of the client's last request is gone,
// the window's next knock is answered by the server itself, and the slot is
// free for the next connection (a plain close is only seen by the server
// after it has admitted whatever connection waits beside it).
void leave(Client& c);

// A plain folder beside the test with the client's ini pointing at `port`.
void writeClientIni(const QString& folder, int port, const QString& address = QStringLiteral("127.0.0.1"));

// One connection of a scripted peer, seen from the peer's side.
class PeerConn {
 public:
  explicit PeerConn(int fd) : fd_(fd) {}
  int fd() const { return fd_; }
  // Sends bytes (all of them).
  void send(const std::string& bytes);
  void sendWord(std::u16string_view word);
  // Reads exactly n bytes (fewer when the client closes or 20 s pass).
  std::string read(std::size_t n, double seconds = 20);
  // Reads up to and including an even-aligned zero pair (a request body).
  std::string readRequest(double seconds = 20);
  // True when the client closed its side within the wait.
  bool waitClosed(double seconds = 20);
  void close();

 private:
  int fd_;
};

// Listens on 127.0.0.1 and runs `script` on a thread for each accepted
// connection, in turn (one at a time).
class ScriptedPeer {
 public:
  using Script = std::function<void(PeerConn&)>;
  explicit ScriptedPeer(std::vector<Script> scripts);
  ~ScriptedPeer();
  int port() const { return port_; }
  // True once every script has run to its end.
  bool done() const { return done_; }
  // Anything a script wants to report back (checked by the test).
  std::vector<std::string> notes;
  // Marks a peer whose scripts only pass the real server's bytes on: its
  // replies count as the server's (the harvest of fuzz seeds keeps them).
  void relaysRealServer();

 private:
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> done_{false};
  std::atomic<bool> stop_{false};
  bool relay_ = false;
  std::thread thread_;
};

// A 30-byte greeting of the challenge "ABCDEFGHIJKLMNOP" at the given stamp.
std::string greetingAt(const std::string& stamp14 = "20240315103000");

}  // namespace tavtest
