// Client test support.
#include "tests/client/support/clienttest.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "client/common/session.h"
#include "protocol/wire.h"
#include "tests/fuzz/client_seed.h"

namespace tavtest {

namespace {

// Replies of a scripted peer are the test's own bytes, not the server's.
std::atomic<int> scriptedPeers{0};

// Keeps one seed of the client fuzz target: the reader's byte, a read
// pattern, the reply's bytes with their terminator; at most four a reader,
// none over 64 KB.
void keepClientSeed(const char* dir, tavfuzz::ClientReader reader, std::u16string_view text) {
  static const char* const names[] = {"wo19", "wo20", "equ", "grade", "preset",
                                      "report", "collections", "locations", "preventive"};
  const std::string bytes = tav::toUtf16le(text) + std::string(tav::MsgEnd);
  if (bytes.size() + 2 > 65536) return;
  const std::size_t h = std::hash<std::string>{}(bytes);
  const std::string seed = std::string(1, static_cast<char>(reader)) + static_cast<char>(h & 0xFF) + bytes;
  const std::string stem = std::string(names[reader]) + "-";
  const std::filesystem::path name = std::filesystem::path(dir) / (stem + std::to_string(h % 1000000));
  int kept = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) kept += e.path().filename().string().rfind(stem, 0) == 0;
  if (kept >= 4 || std::filesystem::exists(name)) return;
  std::ofstream(name, std::ios::binary) << seed;
}

// With TAV_CORPUS_DIR set, every list reply the real server sends the client
// under test is kept as a seed of the client fuzz target, tagged with the
// reader its request's reply goes to; a start-of-session reply also gives
// its saved searches as seeds of the preset reader.
const bool clientSeedsKept = [] {
  const char* dir = std::getenv("TAV_CORPUS_DIR");
  if (!dir) return false;
  std::filesystem::create_directories(dir);
  tav::client::setListTap([dir = std::string(dir)](std::u16string_view request, std::u16string_view reply) {
    const tavfuzz::ClientReader reader = tavfuzz::readerOfRequest(request);
    if (scriptedPeers > 0 || reader == tavfuzz::ClientReaderCount) return;
    keepClientSeed(dir.c_str(), reader, reply);
    if (reader != tavfuzz::Grade) return;
    std::vector<std::u16string_view> sections;
    for (std::size_t from = 0, at; (at = reply.find(tav::RecordSep, from)) != std::u16string_view::npos; from = at + 1)
      sections.push_back(reply.substr(from, at - from));
    for (std::size_t k = 0; k < 4 && 9 + 3 * k < sections.size(); ++k) {
      if (sections[7 + 3 * k].empty()) continue;
      std::u16string preset;
      for (std::size_t i = 7 + 3 * k; i <= 9 + 3 * k; ++i) (preset += sections[i]) += tav::RecordSep;
      keepClientSeed(dir.c_str(), tavfuzz::Preset, preset);
    }
  });
  return true;
}();

}  // namespace

RecordingNotifier::RecordingNotifier() { tav::client::setNotifier(this); }
RecordingNotifier::~RecordingNotifier() { tav::client::setNotifier(nullptr); }

void RecordingNotifier::show(tav::client::Icon icon, const QString& title, const QString& text) {
  shown.push_back({icon, title, text});
  if (onShow) onShow(shown.back());
}

bool RecordingNotifier::ask(const QString& title, const QString& text) {
  shown.push_back({tav::client::Icon::Question, title, text});
  questions << text;
  if (onShow) onShow(shown.back());
  if (answers.empty()) {
    ++unanswered;
    return false;
  }
  bool a = answers.front();
  answers.pop_front();
  return a;
}

QStringList RecordingNotifier::texts() const {
  QStringList l;
  for (const auto& s : shown) l << s.text;
  return l;
}

std::unique_ptr<QTimer> atFirstPassWhere(std::function<bool()> when, std::function<void()> act) {
  auto t = std::make_unique<QTimer>();
  t->setInterval(0);
  QTimer* raw = t.get();
  QObject::connect(raw, &QTimer::timeout, raw, [raw, when = std::move(when), act = std::move(act)] {
    if (!when()) return;
    raw->stop();
    act();
  });
  t->start();
  return t;
}

void tick(QTimer* t) {
  // timeout() is a private signal: only the meta-object may emit it from outside.
  if (!QMetaObject::invokeMethod(t, "timeout", Qt::DirectConnection)) qFatal("no timeout signal to emit");
}

std::unique_ptr<QTimer> tickWhenGreetingWaits(tav::client::Session& s, QTimer* poll, bool& ticked) {
  return atFirstPassWhere([&s] { return s.reqBusy && s.sock.readable(); },
                          [poll, &ticked] {
                            ticked = true;
                            tick(poll);
                          });
}

bool dropSession(tav::client::Session& s, const QTimer* ownPoll) {
  if (s.timer() && !s.pollsWith(ownPoll)) return false;
  s.setTimerEnabled(false);
  s.sock.close();
  s.loggedOn = false;
  s.reqBusy = false;
  s.busyRetries = 0;
  return true;
}

bool waitFor(const std::function<bool()>& pred, double seconds) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > seconds * 1000) return pred();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

void leave(Client& c) {
  c.sendText(u"IULOAD");
  if (!c.waitClosed()) qFatal("the server kept a closed session");
}

void writeClientIni(const QString& folder, int port, const QString& address) {
  QFile f(QDir(folder).filePath(QStringLiteral("TAVclient.ini")));
  f.open(QIODevice::WriteOnly | QIODevice::Truncate);
  f.write(QStringLiteral("ipaddr=%1\nhostport=%2\n").arg(address).arg(port).toUtf8());
}

void PeerConn::send(const std::string& bytes) {
  std::size_t off = 0;
  while (off < bytes.size()) {
    ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
    if (n <= 0) return;
    off += static_cast<std::size_t>(n);
  }
}

void PeerConn::sendWord(std::u16string_view word) { send(tav::toUtf16le(word)); }

std::string PeerConn::read(std::size_t n, double seconds) {
  std::string out;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (out.size() < n && std::chrono::steady_clock::now() < end) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buf[4096];
    ssize_t r = ::recv(fd_, buf, std::min(sizeof buf, n - out.size()), 0);
    if (r <= 0) break;
    out.append(buf, static_cast<std::size_t>(r));
  }
  return out;
}

std::string PeerConn::readRequest(double seconds) {
  std::string out;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (std::chrono::steady_clock::now() < end) {
    std::string one = read(2, 0.05);
    out += one;
    if (one.size() == 2 && one[0] == 0 && one[1] == 0) break;
    if (one.size() < 2 && !one.empty()) out += read(1, seconds);
  }
  return out;
}

bool PeerConn::waitClosed(double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char buf[256];
    ssize_t r = ::recv(fd_, buf, sizeof buf, 0);
    if (r <= 0) return true;
  }
  return false;
}

void PeerConn::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

ScriptedPeer::ScriptedPeer(std::vector<Script> scripts) {
  ++scriptedPeers;
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  ::listen(listenFd_, 8);
  thread_ = std::thread([this, scripts = std::move(scripts)] {
    for (const auto& script : scripts) {
      int fd = -1;
      while (!stop_ && fd < 0) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) fd = ::accept(listenFd_, nullptr, nullptr);
      }
      if (fd < 0) return;
      PeerConn c(fd);
      script(c);
      c.close();
    }
    done_ = true;
  });
}

ScriptedPeer::~ScriptedPeer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  ::close(listenFd_);
  if (!relay_) --scriptedPeers;
}

void ScriptedPeer::relaysRealServer() {
  if (!relay_) --scriptedPeers;
  relay_ = true;
}

std::string greetingAt(const std::string& stamp14) { return "ABCDEFGHIJKLMNOP" + stamp14; }

}  // namespace tavtest
