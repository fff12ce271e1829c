// One client's connection to the server and the request exchange every
// handler runs: the knock, the send, reading a word or a list reply across
// reads under their deadlines, and the ending (ready text, Timer1 on,
// reqBusy off) on every path. What the handlers vary is passed in.
#pragma once
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "client/common/clientsocket.h"
#include "client/common/notifier.h"
#include "protocol/wire.h"

class QTimer;

namespace tav::client {

// A reply word a handler expects.
struct ReplyWord {
  std::u16string word;
  bool caseless = true;  // compared without regard to case
  bool prefix = true;    // the text begins with it (a value may be glued on); else the whole text
};

// A word every handler of a family treats alike, with its message.
struct CommonWord {
  std::u16string word;
  Icon icon;
  QString text;
};

// How a word reply is judged.
enum class WordStyle {
  // The text gathered so far is tested whenever nothing more is waiting;
  // unrecognised text keeps the wait going until the deadline.
  WhenQuiet,
  // The text is taken as soon as it equals a word (a prefix word: once it
  // begins with it and nothing more is waiting); reading stops silently as
  // soon as it can no longer become one.
  AsSoonAsEqual,
};

struct ExchangeTexts {
  QString knockBusy = QStringLiteral("服务器正忙，请稍后再试。");   // information
  QString knockWrong = QStringLiteral("错误的回复!");              // critical
  QString knockTimeout = QStringLiteral("接收数据超时");           // critical
  QString sendFailure = QStringLiteral("发送数据时网络出错");      // critical
  QString wordTimeout = QStringLiteral("接收数据超时");            // critical
  QString listTimeout = QStringLiteral("从服务器接收数据有错误，可能与网络有关。");  // critical
  int listSleepMs = 50;
  WordStyle style = WordStyle::WhenQuiet;
  std::vector<CommonWord> common;  // tested after the handler's own words
};

// The texts of the work-order, search and saved-search handlers.
ExchangeTexts coreTexts();
// The texts of the equipment, collection, preventive, settings and report
// handlers: their time-out and the common words "WROPOW", "RECV,ERR", "UWRONG".
ExchangeTexts familyTexts();

struct WordResult {
  int index = -1;        // the handler's word that matched; -1: failed, message shown
  std::u16string text;   // the reply text, NULs removed
  bool ok() const { return index >= 0; }
};

class Session {
 public:
  // `program` names the client in its status texts ("TAVuser").
  explicit Session(QString program);

  const QString& program() const { return program_; }
  QString readyText() const;
  QString busyText() const;

  ClientSocket sock;
  double timeDiff = 0;   // server clock minus local clock, days
  bool reqBusy = false;  // the main window refuses to close while set
  double knockSeconds;   // the knock's wait
  // How often a busy answer is followed by another knock, 20 ms apart, before
  // it counts: 0 in the programs, where the person decides when to try
  // again; tests against a real server let the window do what that person
  // would, since the server stays busy a moment after every reply.
  int busyRetries = 0;

  // The main window's message poll (its Timer1, enabled exactly while logged
  // on and idle) and its status line (where status texts go). The process
  // has one session and the session one window at a time: a window that
  // takes it stops the timer of the one before, whose ticks then poll
  // nothing (pollsWith), since that connection is no longer its own; a
  // window that goes away lets go only if the session is still its own.
  void takeWindow(QTimer* timer, std::function<void(const QString&)> statusSink);
  void leaveWindow(const QTimer* timer);
  // True while `timer` is the session's poll: only its ticks may read.
  bool pollsWith(const QTimer* timer) const { return timer && timer == timer1_; }
  QTimer* timer() const { return timer1_; }
  bool idle() const;
  void setTimerEnabled(bool on);
  void setStatus(const QString& text) const;
  // True from the accepted login until the return to the logged-off state.
  bool loggedOn = false;

  // The client's now: local time plus timeDiff, in days.
  double serverNow() const;

  // 1 "APPROV", 2 "IAMBUS", 3 any other 12-byte answer, 4 no 12-byte answer
  // in time. The answer is gathered across reads.
  int knockServer();

  // The send loop under the silence deadline.
  bool send(std::u16string_view body);
  // Word reply; failures show their message (time-out, common words).
  WordResult readWord(const std::vector<ReplyWord>& words, const ExchangeTexts& t);
  // List reply up to its terminator (a zero code unit at an even offset);
  // nullopt after the time-out message.
  std::optional<std::u16string> readList(const ExchangeTexts& t);
  // Hands a complete list reply, with the request last sent, to the list
  // tap when one is set (readers of their own call it as readList does).
  void heard(std::u16string_view reply) const;

 private:
  int knockOnce();

  QString program_;
  QTimer* timer1_ = nullptr;
  std::u16string sent_;  // the last request body, kept only while a list tap is set
  std::function<void(const QString&)> status_;
};

// The collector of a list reply's bytes as they arrive: complete at the
// first zero code unit at an even byte offset, and without a cap, since a
// list is as long as the server makes it.
RequestReader listReader();

// The tests' harvest of real replies (the client fuzz target's corpus):
// when set, hears every complete list reply with the request it answers.
// The programs never set it.
using ListTap = std::function<void(std::u16string_view request, std::u16string_view reply)>;
void setListTap(ListTap tap);

// One request exchange, ended by its destructor on every path.
class Exchange {
 public:
  Exchange(Session& s, ExchangeTexts t);
  ~Exchange();
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  // False, and nothing happens, unless the client is logged on and idle.
  // Otherwise Timer1 stops, the busy text shows and reqBusy is set.
  bool begin();
  // begin, the knock and the send: false when the request did not go out
  // (the message, if any, has been shown).
  bool start(std::u16string_view body);
  bool knock();
  bool send(std::u16string_view body);
  WordResult word(const std::vector<ReplyWord>& words) { return s_.readWord(words, t_); }
  std::optional<std::u16string> list() { return s_.readList(t_); }
  const ExchangeTexts& texts() const { return t_; }

 private:
  Session& s_;
  ExchangeTexts t_;
  bool begun_ = false;
};

// What the message poll found on an idle connection.
struct Push {
  enum Kind { Nothing, Close, Lost, Message } kind = Nothing;
  QString text;
};
// One poll: "CLOSE!" in any case is Close; other text a Message; an end of
// stream or read error Lost.
Push pollPush(Session& s);

// The main window's close: false (refused) while a login or a request
// runs; logged on and idle, the server hears "IULOAD" (no knock, no reply);
// then the socket closes.
bool leaveOnClose(Session& s);

// Builds a request body: word, fields each followed by FieldSep, MsgEnd not
// included (the send adds it).
std::u16string requestBody(std::u16string_view word, const std::vector<std::u16string>& fields = {});
// Typed text with the characters that would end a request early or shift
// its fields (Chr(0), Chr(23), Chr(24), Chr(25)) removed.
std::u16string cleanField(std::u16string_view typed);
inline std::u16string cleanField(const QString& typed) {
  return cleanField(std::u16string_view(reinterpret_cast<const char16_t*>(typed.utf16()),
                                        static_cast<std::size_t>(typed.size())));
}

inline QString qs(std::u16string_view s) {
  return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::u16string us(const QString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

}  // namespace tav::client
