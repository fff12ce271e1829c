// A relay between a client window and the real server that keeps every byte
// the client sends, so a test can hold a request to the byte while the real
// server answers it; and acting on a modal dialog while it is open.
#pragma once
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QString>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "protocol/wire.h"
#include "tests/client/support/clienttest.h"
#include "tests/server/fixture.h"

namespace tavtest {

class Relay {
 public:
  // Relays up to `connections` connections, one after the other.
  explicit Relay(int serverPort, int connections = 4) : state_(std::make_shared<State>()) {
    std::vector<ScriptedPeer::Script> scripts;
    for (int i = 0; i < connections; ++i)
      scripts.push_back([s = state_, serverPort](PeerConn& c) { relay(*s, c, serverPort); });
    peer_ = std::make_unique<ScriptedPeer>(std::move(scripts));
    peer_->relaysRealServer();
  }
  ~Relay() {
    state_->stop = true;
    peer_.reset();
  }
  int port() const { return peer_->port(); }
  // What the client sent since the last clear.
  std::string sent() const {
    std::lock_guard<std::mutex> lock(state_->m);
    return state_->sent;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(state_->m);
    state_->sent.clear();
  }

 private:
  struct State {
    std::mutex m;
    std::string sent;
    std::atomic<bool> stop{false};
  };

  static void relay(State& s, PeerConn& client, int serverPort) {
    Client server(serverPort);
    if (!server.connected()) return;
    pollfd p[2] = {{client.fd(), POLLIN, 0}, {server.fd(), POLLIN, 0}};
    char buf[4096];
    while (!s.stop) {
      if (::poll(p, 2, 50) <= 0) continue;
      for (int i = 0; i < 2; ++i) {
        if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t n = ::recv(p[i].fd, buf, sizeof buf, 0);
        if (n <= 0) return;
        if (i == 0) {
          std::lock_guard<std::mutex> lock(s.m);
          s.sent.append(buf, static_cast<std::size_t>(n));
        }
        std::size_t off = 0;
        while (off < static_cast<std::size_t>(n)) {
          ssize_t w = ::send(p[1 - i].fd, buf + off, static_cast<std::size_t>(n) - off, MSG_NOSIGNAL);
          if (w <= 0) return;
          off += static_cast<std::size_t>(w);
        }
      }
    }
  }

  std::shared_ptr<State> state_;
  std::unique_ptr<ScriptedPeer> peer_;
};

// The control `name` under `parent` (the test fails hard without it).
template <class W>
W* control(const QObject* parent, const char* name) {
  W* w = parent->findChild<W*>(QLatin1String(name));
  if (!w) qFatal("no control %s", name);
  return w;
}

// The knock and one request body as the client puts them on the wire.
inline std::string knockAndRequest(std::u16string_view body) {
  return tav::toUtf16le(u"CLIENT") + tav::toUtf16le(body) + std::string(tav::MsgEnd);
}

// Bytes on the wire as readable text for comparisons: UTF-16LE decoded, a
// FieldSep shown as "|", the terminator as "<END>".
inline QString wire(const std::string& bytes) {
  QString t = QString::fromStdU16String(tav::fromUtf16le(bytes));
  t.replace(QChar(tav::FieldSep), QLatin1Char('|'));
  t.replace(QChar(0), QStringLiteral("<0>"));
  if (bytes.size() % 2) t += QStringLiteral("<odd byte>");
  return t;
}

// Runs `act` once on the next modal dialog, as soon as it is open (a test
// cannot act from inside exec() otherwise).
inline void onModal(std::function<void(QWidget*)> act) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    QWidget* w = QApplication::activeModalWidget();
    if (!w) return;
    poll->stop();
    poll->deleteLater();
    act(w);
  });
  poll->start();
}

}  // namespace tavtest
