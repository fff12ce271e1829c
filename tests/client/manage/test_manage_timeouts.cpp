// Waits that end at their deadline (the silence deadline is shortened for
// this file): the knock, a word, a list, the log's header and body, a veto
// answered by another word, and every wait of the login, whose failures
// after "ACCEPTED" leave no session open.
#include <QtTest>
#include <atomic>
#include <thread>

#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::manage::session;

class TestManageTimeouts : public QObject {
  Q_OBJECT
 private slots:
  void requestTimeouts_data();
  void requestTimeouts();
  void loginTimeouts_data();
  void loginTimeouts();
  void nothingListens();
};

namespace {

std::u16string fs(std::u16string_view s) {
  std::u16string r(s);
  r.push_back(tav::FieldSep);
  return r;
}

}  // namespace

void TestManageTimeouts::requestTimeouts_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QByteArray>("knockAnswer");  // empty: none
  QTest::addColumn<QByteArray>("reply");        // what follows the request, then silence
  QTest::addColumn<QString>("message");
  const QByteArray approv = QByteArray::fromStdString(w16(u"APPROV"));
  auto b = [](const std::string& s) { return QByteArray::fromStdString(s); };
  const QString listText = QStringLiteral("从服务器接收数据有错误，可能与网络有关。");
  QTest::newRow("no knock answer") << "perNN" << QByteArray() << QByteArray() << "接收数据超时";
  QTest::newRow("half a knock answer") << "perNN" << approv.left(6) << QByteArray() << "接收数据超时";
  QTest::newRow("no word") << "perNN" << approv << QByteArray() << "服务器超时未回";
  QTest::newRow("list stalls") << "frashows" << approv << b(w16(u"半句")) << listText;
  QTest::newRow("log header stalls") << "frashowu" << approv << b(w16(u"00")) << listText;
  QTest::newRow("log stalls") << "frashowu" << approv << b(w16(u"0008") + w16(u"日")) << listText;
  QTest::newRow("veto answered otherwise") << "cmdreject" << approv << b(w16(u"NOWORD")) << "服务器超时未回";
}

void TestManageTimeouts::requestTimeouts() {
  QFETCH(QString, button);
  QFETCH(QByteArray, knockAnswer);
  QFETCH(QByteArray, reply);
  QFETCH(QString, message);
  RecordingNotifier note;
  std::atomic<bool> finished{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playAdminLogin(c)) return;
    if (button == "cmdreject") {  // one authorisation to veto, its grantee's list
      c.read(12);
      c.sendWord(u"APPROV");
      c.readRequest();
      c.send(listReply({{u"5", u"zz", u"名", u"1", u"yy", u"他", u"1", u"40000", u"40010"}}));
      c.read(12);
      c.sendWord(u"APPROV");
      c.readRequest();
      c.send(End);
    }
    c.read(12);
    c.send(knockAnswer.toStdString());
    if (knockAnswer.size() == 12) {
      c.readRequest();
      c.send(reply.toStdString());
    }
    while (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }});
  ManageWindow w(peer);
  QVERIFY(w.login());
  if (button == "cmdreject") w.click("cmdImp");
  w.type("perNewName", "新人");
  w.find<QPlainTextEdit>("Text2")->setPlainText("earlier");
  w.click(button);
  finished = true;
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  QVERIFY(w.loggedIn());
  QVERIFY(w.main->Timer1()->isActive());
  QVERIFY(!session().reqBusy);
  QCOMPARE(w.main->LabSta()->text(), QStringLiteral(" TAVsuper - 就绪"));
  QCOMPARE(w.find<QPlainTextEdit>("Text2")->toPlainText(), QStringLiteral("earlier"));  // a failed fetch keeps it
}

void TestManageTimeouts::loginTimeouts_data() {
  QTest::addColumn<int>("stage");  // where the peer falls silent
  QTest::addColumn<QString>("message");
  QTest::newRow("no greeting") << 0
                               << QStringLiteral("程序不能从服务器获取有效数据，也许连错了服务器!\r\n"
                                                 "请检查配置文件的IP和端口是否设置正确。");
  QTest::newRow("no login reply") << 1 << QStringLiteral("远程服务器响应超时");
  QTest::newRow("no knock answer after ACCEPTED") << 2 << QStringLiteral("服务器回复不正常！可能与网络有关。");
  QTest::newRow("tables stall") << 3 << QStringLiteral("从服务器接收数据有错误，可能与网络有关。");
}

void TestManageTimeouts::loginTimeouts() {
  QFETCH(int, stage);
  QFETCH(QString, message);
  RecordingNotifier note;
  std::atomic<bool> closed{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (stage > 0) {
      c.send(greetingAt());
      c.read(131);
    }
    if (stage > 1) {
      c.sendWord(u"ACCEPTED");
      c.read(12);
    }
    if (stage > 2) {
      c.sendWord(u"APPROV");
      c.readRequest();
      c.send(w16(u"1" + fs(u"提交工作请求")));
    }
    closed = c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(!w.login());
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  QVERIFY(waitFor([&] { return peer.done(); }));
  QVERIFY(closed);
  const QString wrong = notLoggedOut(w);
  QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
}

void TestManageTimeouts::nothingListens() {
  RecordingNotifier note;
  ManageWindow w(1);
  QVERIFY(!w.login());
  QCOMPARE(note.texts(), QStringList{"程序未能连接到远程服务器"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
}

QTEST_MAIN(TestManageTimeouts)
#include "test_manage_timeouts.moc"
