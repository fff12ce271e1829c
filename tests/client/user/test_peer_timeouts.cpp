// Waits that end at their deadline (the silence deadline is shortened for
// this file): no knock answer, a word that never comes, a list that stalls
// half-way, a greeting that never comes and a start-of-session reply that
// never ends.
#include <QLabel>
#include <QtTest>

#include "client/common/session.h"
#include "tests/client/user/peerscripts.h"
#include "tests/client/user/userfixture.h"

using namespace tavtest;
using tav::client::Exchange;
using tav::user::session;

namespace {
std::string w16(std::u16string_view s) { return tav::toUtf16le(s); }
}  // namespace

class TestPeerTimeouts : public QObject {
  Q_OBJECT
 private slots:
  void requestTimeouts_data();
  void requestTimeouts();
  void greetingNeverComes();
  void gradeReplyNeverEnds();
};

void TestPeerTimeouts::requestTimeouts_data() {
  QTest::addColumn<int>("stage");  // 0 no knock answer, 1 no word, 2 list stalls, 3 unknown word
  QTest::addColumn<bool>("family");
  QTest::addColumn<QString>("message");
  QTest::newRow("knock") << 0 << false << "接收数据超时";
  QTest::newRow("word") << 1 << false << "接收数据超时";
  QTest::newRow("word, family texts") << 1 << true << "服务器响应超时，原因不明!";
  QTest::newRow("unknown word") << 3 << true << "服务器响应超时，原因不明!";
  QTest::newRow("list stalls") << 2 << false << "从服务器接收数据有错误，可能与网络有关。";
}

void TestPeerTimeouts::requestTimeouts() {
  QFETCH(int, stage);
  QFETCH(bool, family);
  QFETCH(QString, message);
  RecordingNotifier note;
  std::atomic<bool> finished{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    c.read(12);
    if (stage > 0) {
      c.sendWord(u"APPROV");
      c.readRequest();
      if (stage == 2) {
        std::u16string part = u"12";
        part += tav::FieldSep;
        c.send(w16(part));
      }
      if (stage == 3) c.sendWord(u"NOWORD");
    }
    while (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  {
    Exchange x(session(), family ? tav::client::familyTexts() : tav::client::coreTexts());
    bool sent = x.start(u"ADVAWO0");
    if (stage == 0) {
      QVERIFY(!sent);
    } else {
      QVERIFY(sent);
      if (stage == 2)
        QVERIFY(!x.list().has_value());
      else
        QVERIFY(!x.word({{u"IGOTIT"}}).ok());
    }
  }
  finished = true;
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  QVERIFY(w.main->Timer1()->isActive());  // the session stays
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
}

void TestPeerTimeouts::greetingNeverComes() {
  RecordingNotifier note;
  std::atomic<bool> finished{false};
  ScriptedPeer peer({[&](PeerConn&) {
    while (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }});
  UserWindow w(peer);
  QVERIFY(!w.login("zhang", "pw"));
  finished = true;
  QCOMPARE(note.texts(), QStringList{QStringLiteral("程序不能从服务器获取有效数据，也许连错了服务器!\r\n"
                                                    "请检查配置文件的IP和端口是否设置正确。")});
  QVERIFY(!session().sock.isOpen());
}

void TestPeerTimeouts::gradeReplyNeverEnds() {
  RecordingNotifier note;
  std::atomic<bool> finished{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    c.send(greetingAt());
    c.read(131);
    c.sendWord(u"ACCEPTED");
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    c.send(w16(u"名"));
    while (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }});
  UserWindow w(peer);
  QVERIFY(!w.login("zhang", "pw"));
  finished = true;
  QCOMPARE(note.texts(), QStringList{QStringLiteral("获取用户信息失败！可能与网络有关。")});
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVuser(未登录)"));
  QVERIFY(!session().reqBusy);
}

QTEST_MAIN(TestPeerTimeouts)
#include "test_peer_timeouts.moc"
