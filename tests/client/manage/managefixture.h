// A TAVsuper main window against a real server in a temp folder or a
// scripted peer: logging in through the login form, finding controls by
// name, acting on a modal dialog while it is open, and the server's side of
// an administrator's login.
#pragma once
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>

#include "client/manage/form1.h"
#include "client/manage/loginform.h"
#include "client/manage/managestate.h"
#include "protocol/wire.h"
#include "tests/client/support/clienttest.h"

namespace tavtest {

struct ManageWindow {
  std::unique_ptr<tav::manage::Form1> main;

  // Against a real server the window knocks again on a busy answer, as a
  // person would: the server stays busy a moment after each reply it sends
  // another connection of the test.
  explicit ManageWindow(int port, int busyRetries = 50) : main(std::make_unique<tav::manage::Form1>()) {
    main->serverAddr = {"127.0.0.1", port};
    tav::manage::session().busyRetries = busyRetries;
    main->show();
  }
  // A scripted peer says "IAMBUS" only when the test wants to see it.
  explicit ManageWindow(const ScriptedPeer& peer) : ManageWindow(peer.port(), 0) {}
  ~ManageWindow() {
    if (!dropSession(tav::manage::session(), main->Timer1())) return;
    main.reset();
    tav::manage::tables() = {};
  }

  // Runs the login form's OK with these texts; true when logged in.
  bool login(const QString& id = QStringLiteral("admino"), const QString& password = QStringLiteral("8526")) {
    tav::manage::FrmLogin form(main.get());
    form.txtUserName()->setEditText(id);
    form.txtPassword()->setText(password);
    form.cmdOK_Click();
    return tav::manage::session().idle();
  }

  template <class T>
  T* find(const QString& name) const {
    T* w = main->findChild<T*>(name);
    if (!w) qFatal("no control %s", qPrintable(name));
    return w;
  }
  QString text(const QString& label) const { return find<QLabel>(label)->text(); }
  QString box(const QString& name) const { return find<QLineEdit>(name)->text(); }
  void type(const QString& name, const QString& text) const { find<QLineEdit>(name)->setText(text); }
  void click(const QString& button) const { find<QAbstractButton>(button)->click(); }
  QStringList items(const QString& list) const {
    QStringList l;
    auto* w = find<QListWidget>(list);
    for (int i = 0; i < w->count(); ++i) l << w->item(i)->text();
    return l;
  }
  QString caption() const { return main->findChild<QWidget*>(QStringLiteral("frmAlls"))->property("title").toString(); }
  bool loggedIn() const { return tav::manage::session().loggedOn; }
};

// A real server in a temp folder, seeded before it starts.
struct AdminServer {
  std::unique_ptr<ServerDir> dir;
  std::unique_ptr<ServerProcess> process;
  void start(const std::function<void(ServerDir&)>& seed = {}, const Env& env = {}) {
    dir = std::make_unique<ServerDir>();
    if (seed) seed(*dir);
    process = std::make_unique<ServerProcess>(*dir, env);
  }
  void stop() {
    process.reset();
    dir.reset();
  }
  int port() const { return dir->port(); }
};

// Another administrator as a plain protocol client (a "CHANGEMS" after its
// "ACCEPTED" is of no concern); nullptr when the server refused it.
inline std::unique_ptr<Client> otherAdmin(int port, const std::u16string& id = u"adminm") {
  auto c = std::make_unique<Client>(port);
  if (c->loginAdmin(id).substr(0, 8) != u"ACCEPTED") return nullptr;
  return c;
}

// What is not as the logged-out window has it; empty when all is.
inline QString notLoggedOut(const ManageWindow& w) {
  QStringList wrong;
  auto& s = tav::manage::session();
  auto* form = w.main.get();
  if (s.loggedOn) wrong << "logged in";
  if (s.sock.isOpen()) wrong << "socket open";
  if (form->Timer1()->isActive()) wrong << "Timer1 on";
  if (s.reqBusy) wrong << "reqBusy";
  if (form->windowTitle().trimmed() != QStringLiteral("TAVsuper(未登录)")) wrong << form->windowTitle();
  if (form->LabSta()->text() != QStringLiteral(" TAVsuper - 就绪")) wrong << form->LabSta()->text();
  if (w.find<QWidget>("Frame5")->isVisible()) wrong << "Frame5 shown";
  if (w.find<QWidget>("frmAlls")->isVisible()) wrong << "frmAlls shown";
  if (!form->findChild<QAction*>("LinkSer")->isVisible() || !form->findChild<QAction*>("LinkSer")->isEnabled())
    wrong << "LinkSer not offered";
  if (form->findChild<QAction*>("Unlink")->isVisible()) wrong << "Unlink shown";
  return wrong.join(", ");
}

// Runs `act` once on the next modal dialog of type T, as soon as it is
// open (a test cannot act from inside exec() otherwise). The watch ends by
// itself once it acted; a test that expects no dialog deletes it.
template <class T>
QPointer<QTimer> onModal(std::function<void(T*)> act) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!w) return;
    poll->stop();
    poll->deleteLater();
    act(w);
  });
  poll->start();
  return poll;
}

inline std::string w16(std::u16string_view s) { return tav::toUtf16le(s); }
inline const std::string End(tav::MsgEnd);

// One list reply of records of fields, as the server writes it.
inline std::string listReply(const std::vector<std::vector<std::u16string>>& recs) {
  std::u16string t;
  for (const auto& r : recs) {
    for (const auto& f : r) {
      t += f;
      t += tav::FieldSep;
    }
    t += tav::RecordSep;
  }
  return w16(t) + End;
}

// The rights and trades tables of a scripted "ALLGAT".
inline std::string constReply() {
  std::u16string t = u"1";
  for (const char16_t* part : {u"\x18提交工作请求\x18", u"2\x18安排\x18", u"\x19", u"1\x18机修\x18", u"\x19"}) t += part;
  return w16(t) + End;
}

// The server's side of an administrator's login up to the rights and
// trades tables; the 131-byte record is kept in `record`.
inline bool playAdminLogin(PeerConn& c, std::string* record = nullptr, std::u16string_view accepted = u"ACCEPTED") {
  c.send(greetingAt());
  std::string rec = c.read(131);
  if (record) *record = rec;
  if (rec.size() != 131) return false;
  c.sendWord(accepted);
  if (c.read(12) != w16(u"CLIENT")) return false;
  c.sendWord(u"APPROV");
  if (c.readRequest() != w16(u"ALLGAT") + End) return false;
  c.send(constReply());
  return true;
}

// Everything a client sent a scripted peer after its login.
struct Wire {
  mutable std::mutex m;
  std::string sent;
  void add(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(m);
    sent += bytes;
  }
  std::size_t size() const {
    std::lock_guard<std::mutex> lock(m);
    return sent.size();
  }
  std::string take() {
    std::lock_guard<std::mutex> lock(m);
    std::string r;
    r.swap(sent);
    return r;
  }
};

// The server's side after the login: every knock approved, every request
// kept in `wire` and answered by `answer` (an empty answer sends nothing),
// until the client closes.
inline void serveRequests(PeerConn& c, Wire& wire, const std::function<std::string(const std::string&)>& answer) {
  for (;;) {
    std::string knock = c.read(12, 60);
    wire.add(knock);
    if (knock.size() < 12) return;
    if (knock != w16(u"CLIENT")) continue;
    c.sendWord(u"APPROV");
    std::string request = c.readRequest(60);
    wire.add(request);
    if (request.empty()) return;
    std::string a = answer(request);
    if (!a.empty()) c.send(a);
  }
}

// The command word of a request's bytes.
inline std::u16string wordOf(const std::string& request) { return tav::fromUtf16le(request.substr(0, 12)); }

// The tables as TAVmkdb writes them.
inline QStringList defaultRights() {
  return {QStringLiteral("提交工作请求"), QStringLiteral("安排工单及批准预防性工单"), QStringLiteral("维修处理"),
          QStringLiteral("设备登记"), QStringLiteral("设备集合与预防性工单"), QStringLiteral("工时报表与旧单查询")};
}
inline QStringList defaultTrades() {
  return {QStringLiteral("机修"), QStringLiteral("电气"), QStringLiteral("仪表"), QStringLiteral("焊工"),
          QStringLiteral("管工")};
}

}  // namespace tavtest
