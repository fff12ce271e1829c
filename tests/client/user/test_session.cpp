// A logged-on window and the end of its session: expiry and the server's
// stop log off silently, a killed server is reported, and the disconnect
// frees the session's slot on the server. A second window takes the one
// session whole: the first window's message poll no longer reads it, and the
// first window going away leaves it to the second.
#include <QtTest>
#include <csignal>

#include "protocol/wire.h"
#include "tests/client/user/userfixture.h"

using namespace tavtest;
using tav::user::session;

namespace {
const QString loggedOff = QStringLiteral("TAVuser(未登录)");
}

class TestSession : public QObject {
  Q_OBJECT
 private slots:
  void expiryLogsOffSilently();
  void serverStopLogsOffSilently();
  void killedServerIsReported();
  void disconnectFreesTheSlot();
  void aSecondLoginIsNotReadByTheFirstWindowsPoll();
  void theFirstWindowGoingAwayLeavesTheSessionToTheSecond();
};

void TestSession::expiryLogsOffSilently() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "zhang", 1); }, Env{{"TAV_SESSION_SECONDS", "1"}});
  UserWindow w(srv.port());
  QVERIFY(w.login("zhang", "pw"));
  QVERIFY(waitFor([&] { return w.main->windowTitle() == loggedOff; }, 30));
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QVERIFY(!w.main->Timer1()->isActive());
  QVERIFY(!w.main->findChild<QWidget*>("FraAll")->isVisible());
}

void TestSession::serverStopLogsOffSilently() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "zhang", 1); });
  UserWindow w(srv.port());
  QVERIFY(w.login("zhang", "pw"));
  Client admin(srv.port());
  QCOMPARE(QString::fromStdU16String(admin.loginAdmin()), QStringLiteral("ACCEPTED"));
  QVERIFY(admin.request(u"UNLOAD"));
  QVERIFY(waitFor([&] { return w.main->windowTitle() == loggedOff; }, 30));
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QCOMPARE(srv.server->waitExit(20), 0);
}

void TestSession::killedServerIsReported() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "zhang", 1); });
  UserWindow w(srv.port());
  QVERIFY(w.login("zhang", "pw"));
  ::kill(srv.server->pid(), SIGKILL);
  QVERIFY(waitFor([&] { return w.main->windowTitle() == loggedOff; }, 30));
  QCOMPARE(note.texts(), QStringList{QStringLiteral("网络连接异常中止!")});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
}

void TestSession::disconnectFreesTheSlot() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) {
    addUser(d, "zhang", 1);
    for (int i = 1; i <= 10; ++i) addUser(d, "u" + std::to_string(i), 1);
  });
  std::vector<std::unique_ptr<Client>> others;
  for (int i = 1; i <= 9; ++i) {
    others.push_back(std::make_unique<Client>(srv.port()));
    QCOMPARE(QString::fromStdU16String(others.back()->login(u"u" + std::u16string(1, char16_t(u'0' + i)), u"pw")),
             QStringLiteral("ACCEPTED"));
  }
  UserWindow w(srv.port());
  QVERIFY(w.login("zhang", "pw"));
  {
    Client full(srv.port());
    // All ten slots are taken.
    QCOMPARE(QString::fromStdU16String(tav::fromUtf16le(full.readExactly(16))), QStringLiteral("FULLUSES"));
  }
  w.main->Unlink_Click();
  QCOMPARE(w.main->windowTitle(), loggedOff);
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  Client tenth(srv.port());
  QCOMPARE(QString::fromStdU16String(tenth.login(u"u10", u"pw")), QStringLiteral("ACCEPTED"));
}

void TestSession::aSecondLoginIsNotReadByTheFirstWindowsPoll() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) {
    addUser(d, "zhang", 1);
    addUser(d, "li", 1);
  });
  UserWindow first(srv.port());
  QVERIFY(first.login("zhang", "pw"));
  QTimer* firstPoll = first.main->Timer1();
  UserWindow second(srv.port());
  // The first window's Timer1 ticks at the first pass of the second login's
  // event pump that finds the server's greeting waiting on the socket.
  bool ticked = false;
  auto watch = tickWhenGreetingWaits(session(), firstPoll, ticked);
  QVERIFY(second.login("li", "pw"));
  QVERIFY(ticked);
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QCOMPARE(second.main->windowTitle(), QStringLiteral("TAVuser(li)"));
  QVERIFY(second.main->Timer1()->isActive());
  QVERIFY(!firstPoll->isActive());
}

void TestSession::theFirstWindowGoingAwayLeavesTheSessionToTheSecond() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "li", 1); });
  auto first = std::make_unique<UserWindow>(srv.port());
  UserWindow second(srv.port());
  QVERIFY(second.login("li", "pw"));
  first.reset();
  QVERIFY(second.main->Timer1()->isActive());
  QVERIFY(session().idle());
  // Its requests still run: the disconnect knocks and logs off; and the
  // status texts of its next login still come to its status line.
  second.main->Unlink_Click();
  QCOMPARE(second.main->windowTitle(), loggedOff);
  second.main->LabStat()->clear();
  QVERIFY(second.login("li", "pw"));
  QCOMPARE(second.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
}

QTEST_MAIN(TestSession)
#include "test_session.moc"
