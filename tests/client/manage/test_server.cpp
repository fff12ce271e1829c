// The server's information and its control against the real server: the
// information text, the online list, the log, the session's expiry pushed
// as "CLOSE!", the access code and the stop command.
#include <QtTest>

#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::manage::session;

class TestServer : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv.start(); }
  void cleanupTestCase() { srv.stop(); }
  void informationTexts();
  void logIsReadWhole();
  void expiredSessionLogsOffSilently();
  void accessCode_data();
  void accessCode();
  void stopEndsTheServer();

 private:
  AdminServer srv;
};

void TestServer::informationTexts() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  w.click("frashows");
  auto* text1 = w.find<QPlainTextEdit>("Text1");
  QCOMPARE(text1->toPlainText().split('\n').size(), 4);
  QCOMPARE(w.main->focusWidget(), text1);
  w.find<QPlainTextEdit>("Text3")->setPlainText("earlier");
  for (int i = 0; i < 2; ++i) {  // a second fetch replaces the text
    w.click("frashowo");
    const QStringList lines = w.find<QPlainTextEdit>("Text3")->toPlainText().split('\n');
    QCOMPARE(lines.size(), 11);
    QVERIFY2(lines[0].startsWith("Server started at "), qPrintable(lines[0]));
    QCOMPARE(lines.filter(QStringLiteral(": admino")).size(), 1);
    QCOMPARE(lines.filter(QStringLiteral(":(waiting)")).size(), 9);
  }
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  // The reset empties the three texts.
  w.click("frashowu");
  w.main->Unlink_Click();
  for (const char* t : {"Text1", "Text2", "Text3"}) QVERIFY(w.find<QPlainTextEdit>(t)->toPlainText().isEmpty());
}

void TestServer::logIsReadWhole() {
  RecordingNotifier note;
  Client other(srv.port());
  QCOMPARE(other.loginAdmin(u"adminm"), u"ACCEPTED");
  ManageWindow w(srv.port());
  QVERIFY(w.login("admint"));
  w.click("frashowu");
  // The same log as another administrator reads it (reading it logs nothing).
  QVERIFY(other.request(u"SHOWTX"));
  const std::string header = other.readExactly(8);
  const std::size_t n = std::stoul(tav::toUtf8(tav::fromUtf16le(header)), nullptr, 16);
  const QString log = QString::fromStdU16String(tav::fromUtf16le(other.readExactly(n)));
  const QString shown = w.find<QPlainTextEdit>("Text2")->toPlainText();
  QVERIFY(shown.startsWith(QStringLiteral("admint(supe) Link")));
  QCOMPARE(shown, QString(log).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  QVERIFY(note.shown.empty());
}

void TestServer::expiredSessionLogsOffSilently() {
  RecordingNotifier note;
  ServerDir own;
  ServerProcess server(own, Env{{"TAV_SESSION_SECONDS", "2"}});
  ManageWindow w(own.port());
  QVERIFY(w.login());
  QVERIFY(waitFor([&] { return !w.loggedIn(); }, 30));
  QVERIFY(note.shown.empty());
  QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(未登录)"));
  QVERIFY(!w.find<QWidget>("Frame5")->isVisible());
  QVERIFY(!session().sock.isOpen());
  QVERIFY(!w.main->Timer1()->isActive());
  QVERIFY(w.login());  // at once possible again
}

void TestServer::accessCode_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("enabled");
  QTest::newRow("none") << "" << false;
  QTest::newRow("the code") << "58302" << true;
  QTest::newRow("one more character") << "583021" << false;
  QTest::newRow("one less") << "5830" << false;
  QTest::newRow("another") << "58303" << false;
}

void TestServer::accessCode() {
  QFETCH(QString, typed);
  QFETCH(bool, enabled);
  ManageWindow w(srv.port());
  QVERIFY(!w.find<QPushButton>("unloadsv")->isEnabled());
  w.type("Text4", typed);
  QCOMPARE(w.find<QPushButton>("unloadsv")->isEnabled(), enabled);
}

void TestServer::stopEndsTheServer() {
  RecordingNotifier note;
  ServerDir own;
  ServerProcess server(own);
  ManageWindow w(own.port());
  QVERIFY(w.login("adminm"));
  w.click("OptPer");
  w.type("Text4", "58302");
  QVERIFY(w.find<QPushButton>("unloadsv")->isEnabled());
  w.click("unloadsv");
  QVERIFY(server.waitExit(30) >= 0);
  QVERIFY(!server.alive());
  QVERIFY(!w.loggedIn());
  QVERIFY(note.shown.empty());
  QVERIFY(w.box("Text4").isEmpty());
  QVERIFY(!w.find<QPushButton>("unloadsv")->isEnabled());
  QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(未登录)"));
  QVERIFY(!w.find<QWidget>("frmPer")->isVisible());
}

QTEST_MAIN(TestServer)
#include "test_server.moc"
