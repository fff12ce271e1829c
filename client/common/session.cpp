// The knock, the request exchange and the message poll.
#include "client/common/session.h"

#include <QTimer>

#include "client/common/clock.h"
#include "protocol/netio.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::client {
namespace {

std::u16string withoutNuls(std::u16string_view s) {
  std::u16string r;
  r.reserve(s.size());
  for (char16_t c : s)
    if (c != 0) r.push_back(c);
  return r;
}

bool startsWith(std::u16string_view text, std::u16string_view word, bool caseless) {
  if (text.size() < word.size()) return false;
  auto head = text.substr(0, word.size());
  return caseless ? equalsNoCase(head, word) : head == word;
}

bool matches(std::u16string_view text, const ReplyWord& w) {
  if (w.prefix) return startsWith(text, w.word, w.caseless);
  return w.caseless ? equalsNoCase(text, w.word) : text == w.word;
}

// The text could still grow into the word.
bool couldBecome(std::u16string_view text, std::u16string_view word, bool caseless) {
  return text.size() < word.size() && startsWith(word, text, caseless);
}

ListTap& listTap() {
  static ListTap tap;
  return tap;
}

}  // namespace

RequestReader listReader() { return RequestReader(static_cast<std::size_t>(-1) / 2); }

void setListTap(ListTap tap) { listTap() = std::move(tap); }

void Session::heard(std::u16string_view reply) const {
  if (listTap()) listTap()(sent_, reply);
}

ExchangeTexts coreTexts() { return ExchangeTexts{}; }

ExchangeTexts familyTexts() {
  ExchangeTexts t;
  t.wordTimeout = QStringLiteral("服务器响应超时，原因不明!");
  t.common = {
      {u"WROPOW", Icon::Information, QStringLiteral("你没有这权限")},
      {u"RECV,ERR", Icon::Critical, QStringLiteral("服务器接收数据出错，请重试")},
      {u"UWRONG", Icon::Critical, QStringLiteral("服务器报告不明错误，该请求未被执行。")},
  };
  return t;
}

Session::Session(QString program) : knockSeconds(halfIoSeconds()), program_(std::move(program)) {}

QString Session::readyText() const { return QStringLiteral(" %1 - 就绪").arg(program_); }
QString Session::busyText() const { return QStringLiteral(" %1 - 正在处理请求，请稍候").arg(program_); }

bool Session::idle() const { return timer1_ && timer1_->isActive(); }

void Session::takeWindow(QTimer* timer, std::function<void(const QString&)> statusSink) {
  if (timer1_ && timer1_ != timer) timer1_->stop();
  timer1_ = timer;
  status_ = std::move(statusSink);
}

void Session::leaveWindow(const QTimer* timer) {
  if (!pollsWith(timer)) return;
  timer1_ = nullptr;
  status_ = {};
}

void Session::setTimerEnabled(bool on) {
  if (!timer1_) return;
  if (on)
    timer1_->start();
  else
    timer1_->stop();
}

void Session::setStatus(const QString& text) const {
  if (status_) status_(text);
}

double Session::serverNow() const { return localNow() + timeDiff; }

int Session::knockServer() {
  int r = knockOnce();
  for (int i = 0; r == 2 && i < busyRetries; ++i) {
    pauseFor(20);
    r = knockOnce();
  }
  return r;
}

int Session::knockOnce() {
  sock.sendOnce(toUtf16le(KnockClient));
  Deadline deadline(knockSeconds);
  std::string answer;
  for (;;) {
    pumpEvents();
    auto got = sock.recvSome(answer, KnockBytes - answer.size());
    if (got == ReadOutcome::Closed) return 4;
    if (answer.size() >= KnockBytes) {
      auto word = fromUtf16le(answer);
      if (word == KnockApproved) return 1;
      if (word == KnockBusy) return 2;
      return 3;
    }
    if (got == ReadOutcome::Data) continue;
    if (deadline.passed()) return 4;
    pauseFor(50, sock.fd());
  }
}

bool Session::send(std::u16string_view body) {
  if (listTap()) sent_ = body;
  std::string bytes = toUtf16le(body);
  bytes.append(MsgEnd);
  return sock.sendLoop(bytes, ioSeconds());
}

WordResult Session::readWord(const std::vector<ReplyWord>& words, const ExchangeTexts& t) {
  std::vector<ReplyWord> all = words;
  for (const auto& c : t.common) all.push_back({c.word, true, true});
  auto finish = [&](int i, std::u16string text) -> WordResult {
    if (i >= static_cast<int>(words.size())) {
      const auto& c = t.common[static_cast<std::size_t>(i) - words.size()];
      notifier().show(c.icon, programTitle(), c.text);
      return {-1, std::move(text)};
    }
    return {i, std::move(text)};
  };

  Deadline deadline(ioSeconds());
  std::string buf;
  for (;;) {
    pumpEvents();
    // Everything waiting now is read before the text is judged, so a value
    // glued to a word, or a word split across reads, comes whole.
    bool fresh = false;
    ReadOutcome got;
    while ((got = sock.recvSome(buf, 256)) == ReadOutcome::Data) fresh = true;
    if (fresh) {
      std::u16string text = withoutNuls(fromUtf16le(buf));
      bool hope = false;
      for (std::size_t i = 0; i < all.size(); ++i) {
        if (matches(text, all[i])) return finish(static_cast<int>(i), std::move(text));
        if (couldBecome(text, all[i].word, all[i].caseless)) hope = true;
      }
      if (t.style == WordStyle::AsSoonAsEqual && !hope) return {-1, std::move(text)};
    }
    if (got == ReadOutcome::Closed || deadline.passed()) {
      critical(t.wordTimeout);
      return {};
    }
    pauseFor(50, sock.fd());
  }
}

std::optional<std::u16string> Session::readList(const ExchangeTexts& t) {
  RequestReader reader = listReader();
  Deadline deadline(ioSeconds());
  std::string piece;
  for (;;) {
    pumpEvents();
    piece.clear();
    auto got = sock.recvSome(piece, 1024);
    if (got == ReadOutcome::Data) {
      if (reader.feed(piece.data(), piece.size()) == ReadState::Complete) {
        std::u16string body = reader.body();
        heard(body);
        return body;
      }
      deadline.renew(ioSeconds());
      continue;
    }
    if (got == ReadOutcome::Closed || deadline.passed()) {
      critical(t.listTimeout);
      return std::nullopt;
    }
    pauseFor(t.listSleepMs, sock.fd());
  }
}

Exchange::Exchange(Session& s, ExchangeTexts t) : s_(s), t_(std::move(t)) {}

Exchange::~Exchange() {
  if (!begun_) return;
  s_.setStatus(s_.readyText());
  if (s_.loggedOn) s_.setTimerEnabled(true);
  s_.reqBusy = false;
}

bool Exchange::begin() {
  if (begun_) return true;
  if (!s_.idle()) return false;
  begun_ = true;
  s_.setTimerEnabled(false);
  s_.reqBusy = true;
  s_.setStatus(s_.busyText());
  return true;
}

bool Exchange::knock() {
  switch (s_.knockServer()) {
    case 1: return true;
    case 2: inform(t_.knockBusy); return false;
    case 3: critical(t_.knockWrong); return false;
    default: critical(t_.knockTimeout); return false;
  }
}

bool Exchange::send(std::u16string_view body) {
  if (s_.send(body)) return true;
  critical(t_.sendFailure);
  return false;
}

bool Exchange::start(std::u16string_view body) { return begin() && knock() && send(body); }

Push pollPush(Session& s) {
  if (!s.sock.readable()) return {};
  std::string buf;
  if (s.sock.recvSome(buf, 1022) != ReadOutcome::Data) return {Push::Lost, {}};
  std::u16string text = fromUtf16le(buf);
  if (equalsNoCase(text, u"CLOSE!")) return {Push::Close, {}};
  return {Push::Message, qs(text)};
}

bool leaveOnClose(Session& s) {
  if (s.reqBusy) return false;
  if (s.idle()) {
    s.setTimerEnabled(false);
    s.sock.sendLoop(toUtf16le(KnockUnload), 1.0);
  }
  pumpEvents();
  s.sock.close();
  s.loggedOn = false;
  return true;
}

std::u16string requestBody(std::u16string_view word, const std::vector<std::u16string>& fields) {
  std::u16string body(word);
  for (const auto& f : fields) {
    body += f;
    body += FieldSep;
  }
  return body;
}

std::u16string cleanField(std::u16string_view typed) {
  std::u16string r;
  r.reserve(typed.size());
  for (char16_t c : typed)
    if (c != 0 && c != SectionSep && c != FieldSep && c != RecordSep) r.push_back(c);
  return r;
}

}  // namespace tav::client
