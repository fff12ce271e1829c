// Connecting, the greeting and the login record.
#include "client/common/loginsteps.h"

#include <QRandomGenerator>

#include "client/common/clock.h"
#include "protocol/daynum.h"
#include "protocol/login.h"
#include "protocol/netio.h"
#include "protocol/wire.h"

namespace tav::client {

ConnectResult connectServer(Session& s, const ServerAddress& addr, double seconds) {
  if (!s.sock.open(addr.ip, addr.port)) return ConnectResult::Failed;
  Deadline deadline(seconds);
  for (;;) {
    pumpEvents();
    int r = s.sock.pollConnect();
    if (r > 0) return ConnectResult::Connected;
    if (r < 0) return ConnectResult::Failed;
    if (deadline.passed()) return ConnectResult::TimedOut;
    pauseFor(20);
  }
}

namespace {

// The bytes so far agree with the start of `word` in that byte form.
bool agrees(const std::string& b, const std::string& word) {
  std::size_t n = std::min(b.size(), word.size());
  return b.compare(0, n, word, 0, n) == 0;
}

}  // namespace

Greeting readGreeting(Session& s, double seconds) {
  const std::string fullWide = toUtf16le(ReplyFullUses);
  const std::string fullNarrow = "FULLUSES";
  Deadline deadline(seconds);
  std::string buf;
  bool closed = false;
  for (;;) {
    pumpEvents();
    auto got = s.sock.recvSome(buf, 256);
    if (got == ReadOutcome::Closed) closed = true;
    bool maybeFull = (buf.size() >= 2 && agrees(buf, fullWide)) || agrees(buf, fullNarrow);
    // A full server sends its word and the names, then closes: read to the end.
    if (!maybeFull && buf.size() >= GreetingSize) return {Greeting::Ok, buf.substr(0, GreetingSize), {}};
    if (closed || deadline.passed()) break;
    if (got == ReadOutcome::Data) continue;
    pauseFor(20, s.sock.fd());
  }
  if (buf.size() >= fullWide.size() && agrees(buf, fullWide))
    return {Greeting::Full, {}, qs(fromUtf16le(buf).substr(ReplyFullUses.size()))};
  if (buf.size() >= fullNarrow.size() && agrees(buf, fullNarrow))
    return {Greeting::Full, {}, QString::fromLocal8Bit(buf.substr(fullNarrow.size()))};
  return {};
}

double clockOffset(const std::string& g) {
  auto num = [&](int from, int len) { return std::stoi(g.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(len))); };
  try {
    LocalDateTime t{num(16, 4), num(20, 2), num(22, 2), num(24, 2), num(26, 2), num(28, 2)};
    return toDayTime(t) - localNow();
  } catch (...) {
    return 0;
  }
}

bool passwordIsAscii(const QString& password) {
  for (QChar c : password)
    if (c.unicode() > 127) return false;
  return true;
}

std::optional<std::string> loginRecord(const std::string& greeting30, std::u16string_view tag, const QString& id,
                                       const QString& password16) {
  static QRandomGenerator rng(QRandomGenerator::system()->generate());
  std::string filler(PasswordUnits, '\0');
  for (char& c : filler) c = static_cast<char>(rng.bounded(256));
  std::u16string pw = us(password16.left(16));
  std::u16string uid = us(id);
  return buildLoginRecord(greeting30, tag, uid, pw, filler);
}

RecordSent sendLoginRecord(Session& s, const ServerAddress& addr, std::u16string_view tag, const QString& id,
                           const QString& password16) {
  if (connectServer(s, addr, halfIoSeconds()) != ConnectResult::Connected)
    return {false, Icon::Information, QStringLiteral("程序未能连接到远程服务器")};
  Greeting g = readGreeting(s, ioSeconds());
  if (g.kind == Greeting::Full) return {false, Icon::Information, QStringLiteral("满座啦：") + g.names};
  if (g.kind != Greeting::Ok)
    return {false, Icon::Critical,
            QStringLiteral("程序不能从服务器获取有效数据，也许连错了服务器!\r\n请检查配置文件的IP和端口是否设置正确。")};
  s.timeDiff = clockOffset(g.bytes);
  auto record = loginRecord(g.bytes, tag, id, password16);
  if (!record || !s.sock.sendLoop(*record, ioSeconds()))
    return {false, Icon::Critical, QStringLiteral("远程服务器响应超时")};
  return {true, Icon::Information, {}};
}

}  // namespace tav::client
