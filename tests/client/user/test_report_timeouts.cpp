// The report's and the user list's waits that end at their deadline (the
// silence deadline is shortened for this file): a report reply that stalls
// half-way or never comes, and a user list that stalls while the picker
// waits for it.
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <atomic>
#include <thread>

#include "client/common/session.h"
#include "client/common/startup.h"
#include "client/user/frabb.h"
#include "client/user/fraperson.h"
#include "tests/client/user/peerscripts.h"
#include "tests/client/user/relaypeer.h"
#include "tests/client/user/userfixture.h"
#include "tests/client/user/xlsxread.h"

using namespace tavtest;

class TestReportTimeouts : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { tav::client::setUpApplication(); }
  void reportStalls_data();
  void reportStalls();
  void userListStalls();
};

void TestReportTimeouts::reportStalls_data() {
  QTest::addColumn<QString>("sent");  // what comes before the silence
  QTest::newRow("nothing at all") << "";
  QTest::newRow("half a word") << "TOL";
  QTest::newRow("half a list") << "7" + QString(QChar(tav::FieldSep)) + "CM";
}

void TestReportTimeouts::reportStalls() {
  QFETCH(QString, sent);
  RecordingNotifier note;
  RecordingSpreadsheet app;
  std::atomic<bool> finished{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    c.send(tav::toUtf16le(sent.toStdU16String()));
    while (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  w.main->optionButton("baobiao")->click();
  tav::user::FraBb* p = w.main->fraBb();
  control<QLineEdit>(p, "repbigday")->setText("2024-3-1");
  control<QLineEdit>(p, "rependday")->setText("2024-3-31");
  p->repcmdok_Click();
  finished = true;
  QCOMPARE(note.texts(), QStringList{"从服务器接收数据有错误，可能与网络有关。"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  QVERIFY(app.opened.isEmpty());
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w.main->Timer1()->isActive());
  QVERIFY(!tav::user::session().reqBusy);
}

void TestReportTimeouts::userListStalls() {
  RecordingNotifier note;
  std::atomic<bool> finished{false};
  std::atomic<int> knocks{0};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    // The first "LISUSE" stalls half-way; the second is answered.
    for (int round = 0; round < 2; ++round) {
      if (c.read(12) != tav::toUtf16le(u"CLIENT")) return;
      ++knocks;
      c.sendWord(u"APPROV");
      c.readRequest();
      std::u16string part = u"li";
      part += tav::FieldSep;
      if (round == 1) part += u"李" + std::u16string(1, tav::FieldSep) + u"1\x18" u"0\x18\x19";
      c.send(tav::toUtf16le(part) + (round == 1 ? std::string(tav::MsgEnd) : std::string()));
    }
    while (!finished) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  tav::user::FraPerson* p = w.main->fraPerson();
  bool pickerShown = false;
  onModal([&](QWidget* m) {
    pickerShown = true;
    static_cast<QDialog*>(m)->reject();
  });
  p->PerImage1_Click();
  QCOMPARE(note.texts(), QStringList{"从服务器接收数据有错误，可能与网络有关。"});
  QVERIFY(!pickerShown);
  QVERIFY(!p->userListLoaded());
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));

  // The next click asks again, and this time the picker opens.
  p->PerImage1_Click();
  finished = true;
  QCOMPARE(knocks.load(), 2);
  QVERIFY(pickerShown);
  QVERIFY(p->userListLoaded());
  QCOMPARE(int(p->userList().size()), 1);
}

QTEST_MAIN(TestReportTimeouts)
#include "test_report_timeouts.moc"
