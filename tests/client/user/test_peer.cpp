// The user client's side of the wire against a scripted peer: the bytes of
// the login record, the disconnect and the exit, the knock's outcomes, word
// and list replies split across reads, a long send and the cut-short
// start-of-session reply.
#include <QCloseEvent>
#include <QLabel>
#include <QtTest>
#include <atomic>

#include "client/common/session.h"
#include "protocol/login.h"
#include "protocol/password.h"
#include "tests/client/user/peerscripts.h"
#include "tests/client/user/userfixture.h"

using namespace tavtest;
using tav::client::Exchange;
using tav::client::ReplyWord;
using tav::user::session;

namespace {

std::string w16(std::u16string_view s) { return tav::toUtf16le(s); }
const std::string End(tav::MsgEnd);

}  // namespace

class TestPeer : public QObject {
  Q_OBJECT
 private slots:
  void recordCarriesIdAndPassword();
  void disconnectSendsCloseAndLogsOff();
  void exitSendsIuloadOnlyWhenIdle();
  void closeRefusedDuringARequest();
  void knockOutcomes_data();
  void knockOutcomes();
  void knockAndWordInSinglBytes();
  void listEndsOnlyAtAnEvenTerminator();
  void longSendArrivesWhole();
  void shortGradeReplyLogsOff();
  void refusedConnectionIsReportedAtOnce();
};

void TestPeer::recordCarriesIdAndPassword() {
  RecordingNotifier note;
  std::string record;
  ScriptedPeer peer({[&](PeerConn& c) { playLogin(c, &record); c.waitClosed(5); }});
  UserWindow w(peer);
  QVERIFY(w.login("abcdefghi", "0123456789abcdef"));
  QCOMPARE(int(record.size()), 131);
  auto parsed = tav::parseLoginRecord(record, tav::loginKey(greetingAt()));
  QVERIFY(parsed.has_value());
  QCOMPARE(QString::fromStdU16String(parsed->id), QStringLiteral("abcdefghi"));
  QCOMPARE(QString::fromStdU16String(parsed->tag), QStringLiteral("user001"));
  QCOMPARE(QString::fromStdU16String(parsed->password), QStringLiteral("0123456789abcdef"));
}

void TestPeer::disconnectSendsCloseAndLogsOff() {
  RecordingNotifier note;
  std::atomic<bool> sawClose{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    if (c.read(12) != w16(u"CLIENT")) return;
    c.sendWord(u"APPROV");
    sawClose = c.read(14) == w16(u"CLOSE!") + End && c.waitClosed(5);
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  w.main->Unlink_Click();
  QVERIFY(waitFor([&] { return peer.done(); }));
  QVERIFY(sawClose);
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVuser(未登录)"));
  QVERIFY(!w.main->Timer1()->isActive());
}

void TestPeer::exitSendsIuloadOnlyWhenIdle() {
  RecordingNotifier note;
  std::string after;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    after = c.read(100, 10);  // everything until the client closes
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  QVERIFY(w.main->close());
  QVERIFY(waitFor([&] { return peer.done(); }));
  QCOMPARE(after, w16(u"IULOAD"));
  // Logged off, the exit sends nothing and needs no server.
  UserWindow off(1);
  QVERIFY(off.main->close());
}

void TestPeer::closeRefusedDuringARequest() {
  RecordingNotifier note;
  std::atomic<bool> release{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    c.sendWord(u"IGOTIT");
    c.waitClosed(5);
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  bool closedDuring = true;
  QTimer::singleShot(0, [&] {
    closedDuring = w.main->close();
    release = true;
  });
  Exchange x(session(), tav::client::coreTexts());
  QVERIFY(x.start(u"WODELE1"));
  QVERIFY(x.word({{u"IGOTIT"}}).ok());
  QVERIFY(!closedDuring);
  QVERIFY(w.main->isVisible());
}

void TestPeer::knockOutcomes_data() {
  QTest::addColumn<QString>("answer");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("icon");
  QTest::newRow("busy") << "IAMBUS" << "服务器正忙，请稍后再试。" << int(tav::client::Icon::Information);
  QTest::newRow("other word") << "IAMBUZ" << "错误的回复!" << int(tav::client::Icon::Critical);
  QTest::newRow("lower case is another word") << "approv" << "错误的回复!" << int(tav::client::Icon::Critical);
}

void TestPeer::knockOutcomes() {
  QFETCH(QString, answer);
  QFETCH(QString, message);
  QFETCH(int, icon);
  RecordingNotifier note;
  std::string afterKnock;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    c.read(12);
    c.sendWord(answer.toStdU16String());
    afterKnock = c.read(2, 1.5);  // nothing more may come
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  {
    Exchange x(session(), tav::client::coreTexts());
    QVERIFY(!x.start(u"WODELE1"));
  }
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(int(note.shown[0].icon), icon);
  QVERIFY(waitFor([&] { return peer.done(); }));
  QVERIFY(afterKnock.empty());
  QVERIFY(w.main->Timer1()->isActive());
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(!session().reqBusy);
}

void TestPeer::knockAndWordInSinglBytes() {
  RecordingNotifier note;
  std::string body;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    c.read(12);
    for (char b : w16(u"APPROV")) {
      c.send(std::string(1, b));
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    body = c.readRequest();
    for (char b : w16(u"igotit")) {
      c.send(std::string(1, b));
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    c.waitClosed(5);
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  Exchange x(session(), tav::client::coreTexts());
  QVERIFY(x.start(tav::client::requestBody(u"WOSAVE", {u"2"})));
  auto r = x.word({{u"IGOTIT"}});
  QVERIFY2(r.ok(), qPrintable(note.texts().join("|")));
  QCOMPARE(body, w16(u"WOSAVE2") + w16(std::u16string(1, tav::FieldSep)) + End);
}

void TestPeer::listEndsOnlyAtAnEvenTerminator() {
  RecordingNotifier note;
  std::atomic<bool> firstPieceRead{false};
  std::u16string text = u"A一";
  text += tav::FieldSep;
  text += tav::RecordSep;
  std::string bytes = w16(text) + End;  // 41 00 00 4E ...: a zero pair straddles two characters
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    c.send(bytes.substr(0, 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    firstPieceRead = true;
    c.send(bytes.substr(3));
    c.waitClosed(5);
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  Exchange x(session(), tav::client::coreTexts());
  QVERIFY(x.start(u"DETAIL1STATUS5"));
  auto list = x.list();
  QVERIFY(list.has_value());
  QVERIFY(firstPieceRead);  // the reply was not taken as complete after "41 00 00"
  QCOMPARE(QString::fromStdU16String(*list), QString::fromStdU16String(text));
}

void TestPeer::longSendArrivesWhole() {
  RecordingNotifier note;
  std::u16string big;
  for (int i = 0; i < 600000; ++i) big += char16_t(u'a' + i % 26);
  std::string received;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    c.read(12);
    c.sendWord(u"APPROV");
    // Take the request slowly, so the client's sends are cut short.
    std::string got;
    while (got.size() < 2 * big.size() + 2) {
      std::string piece = c.read(std::min<std::size_t>(65536, 2 * big.size() + 2 - got.size()), 20);
      if (piece.empty()) break;
      got += piece;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    received = got;
    c.sendWord(u"IGOTIT");
    c.waitClosed(5);
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  Exchange x(session(), tav::client::coreTexts());
  QVERIFY(x.start(big));
  QVERIFY(x.word({{u"IGOTIT"}}).ok());
  QVERIFY(received == w16(big) + End);
}

void TestPeer::shortGradeReplyLogsOff() {
  RecordingNotifier note;
  ScriptedPeer peer({[&](PeerConn& c) {
    c.send(greetingAt());
    c.read(131);
    c.sendWord(u"ACCEPTED");
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    std::u16string r = u"名";
    r += tav::FieldSep;
    r += u"1";
    r += tav::FieldSep;
    r += std::u16string(10, tav::RecordSep);  // far fewer sections than a reply has
    c.send(w16(r) + End);
    c.waitClosed(5);
  }});
  UserWindow w(peer);
  QVERIFY(!w.login("zhang", "pw"));
  QCOMPARE(note.texts(), QStringList{QStringLiteral("获取用户信息失败！可能与网络有关。")});
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVuser(未登录)"));
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(!session().sock.isOpen());
  QVERIFY(waitFor([&] { return peer.done(); }));
}

void TestPeer::refusedConnectionIsReportedAtOnce() {
  RecordingNotifier note;
  int closedPort;
  {
    ScriptedPeer gone({});
    closedPort = gone.port();
  }
  UserWindow w(closedPort);
  QElapsedTimer t;
  t.start();
  QVERIFY(!w.login("zhang", "pw"));
  QCOMPARE(note.texts(), QStringList{QStringLiteral("程序未能连接到远程服务器")});
  // The connection wait is 5 s; a refusal does not sit it out.
  QVERIFY(t.elapsed() < 4000);
}

QTEST_MAIN(TestPeer)
#include "test_peer.moc"
