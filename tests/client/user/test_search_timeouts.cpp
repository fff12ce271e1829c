// The searches' deadlines against a scripted peer (silence deadline 1.2 s):
// a list reply that is a bare word, that stops half-way or never comes
// leaves the lists as they were; a save or deletion without a reply word.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "client/user/condrow.h"
#include "client/user/fraworko.h"
#include "client/user/frmadvance.h"
#include "client/user/frmsave.h"
#include "client/user/grid.h"
#include "client/user/listreply.h"
#include "tests/client/user/searchpeer.h"

using namespace tavtest;
using namespace tav::user;

namespace {

const QString ListLost = QStringLiteral("从服务器接收数据有错误，可能与网络有关。");
const QString WordLost = QStringLiteral("服务器响应超时，原因不明!");

}  // namespace

class TestSearchTimeouts : public QObject {
  Q_OBJECT
 private slots:
  void listRepliesThatNeverEnd_data();
  void listRepliesThatNeverEnd();
  void saveAndDeletionWithoutAWord_data();
  void saveAndDeletionWithoutAWord();
};

void TestSearchTimeouts::listRepliesThatNeverEnd_data() {
  QTest::addColumn<QString>("search");
  QTest::addColumn<QByteArray>("reply");
  const QByteArray bare = QByteArray::fromStdString(tav::toUtf16le(u"RECV,ERR"));
  const QByteArray half = QByteArray::fromStdString(bytes(orderRecord(8) + orderRecord(9)));
  for (const char* s : {"advanced", "quick", "saved"}) {
    QTest::addRow("%s, a bare word", s) << s << bare;
    QTest::addRow("%s, stopped half-way", s) << s << half;
    QTest::addRow("%s, silence", s) << s << QByteArray();
  }
}

void TestSearchTimeouts::listRepliesThatNeverEnd() {
  QFETCH(QString, search);
  QFETCH(QByteArray, reply);
  Logged s(1, "|0|1|0||T|#0|True|0|True|0|True|#全部#" + QString(9, QLatin1Char('#')));
  showWoList(s.main(), readWoRecords(wire(orderRecord(1) + orderRecord(2)), WoFieldsWithStore));
  s.main().fraWorkO()->grid()->vBar()->setValue(1);
  s.w.reply(reply.toStdString());
  if (search == "advanced") {
    FrmAdvance* f = FrmAdvance::open(&s.main(), FrmAdvance::Mode::WorkOrders);
    f->CmdOK_Click();
    QVERIFY(f->isVisible());
  } else if (search == "quick") {
    s.main().fraWorkO()->grid()->box(1)->setText("8");
    s.main().fraWorkO()->WO_Search_Click();
  } else {
    s.main().fraWorkO()->findChild<QPushButton*>("WO_Presave_1")->click();
  }
  QCOMPARE(int(s.w.got().size()), 1);
  QCOMPARE(s.note.texts(), QStringList{ListLost});
  QCOMPARE(s.note.shown[0].icon, tav::client::Icon::Critical);
  QCOMPARE(billIds(s.main().lists().woRecords), (QList<int>{1, 2}));
  QCOMPARE(s.main().fraWorkO()->grid()->cell(2, 1).Text, QStringLiteral("2"));
  QVERIFY(tav::user::session().idle());
  QCOMPARE(s.main().LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
}

void TestSearchTimeouts::saveAndDeletionWithoutAWord_data() {
  QTest::addColumn<bool>("deleting");
  QTest::addColumn<bool>("stays");
  QTest::newRow("save: the form closes") << false << false;
  QTest::newRow("deletion: the form stays") << true << true;
}

void TestSearchTimeouts::saveAndDeletionWithoutAWord() {
  QFETCH(bool, deleting);
  QFETCH(bool, stays);
  Logged s(1, "###|0|0|5||T|#0|True|3|True|8|True|#二号#" + QString(6, QLatin1Char('#')));
  s.w.reply(std::string());
  s.note.answers = {true};
  FrmSave form(&s.main(), 2);
  form.show();
  form.rows()->valueBox(0)->setEditText("6");
  if (deleting)
    form.canDel_Click();
  else
    form.CmdOK_Click();
  QCOMPARE(int(s.w.got().size()), 1);
  QCOMPARE(s.note.texts().last(), WordLost);
  QCOMPARE(s.note.shown.back().icon, tav::client::Icon::Critical);
  QCOMPARE(form.isVisible(), stays);
  const WOPreset& p = tables().woPreset[1];
  QVERIFY(p.set);
  QCOMPARE(p.conds[0].value, QStringLiteral("5"));
  QCOMPARE(s.main().fraWorkO()->findChild<QPushButton*>("WO_Presave_2")->text(), QStringLiteral("二号"));
  QVERIFY(tav::user::session().idle());
}

QTEST_MAIN(TestSearchTimeouts)
#include "test_search_timeouts.moc"
