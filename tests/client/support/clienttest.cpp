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
#include <chrono>

#include "protocol/wire.h"

namespace tavtest {

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
}

std::string greetingAt(const std::string& stamp14) { return "ABCDEFGHIJKLMNOP" + stamp14; }

}  // namespace tavtest
