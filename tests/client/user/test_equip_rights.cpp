// Every equipment, collection and preventive-order command of a user who
// holds none of their rights: the server refuses, the window says so and
// keeps what it showed.
#include <QComboBox>
#include <QLabel>
#include <QtTest>

#include "client/user/fracollection.h"
#include "client/user/fraoneequ.h"
#include "client/user/fraprewo.h"
#include "client/user/rows.h"
#include "tests/client/user/equiptest.h"

using namespace tavtest;

namespace {

void seed(ServerDir& d) {
  // Requests, repairs and reports: not the bits 8, 16 and 2.
  addUser(d, "viewer", 1 | 4 | 32, 0, u"pw", "观察员");
  addEquipment(d, {{10001, "泵", "A-01"}});
  addCollection(d, 1, "泵组", {{"A-01", "泵"}});
  d.sql("TAVequipment.mdb",
        "UPDATE prewo SET Number=1001, name='甲计划', discr='每月检查泵组的运行状况', colnum=1001, colnam='泵组', "
        "pointto='li', begday=45000, every=1, perio=3, isusing=1, sperson='管理员', spersid='keeper', "
        "sday=45000.25, aperson='boss(老板)', aday=45001.5, statu=1 WHERE Number=2001");
}

}  // namespace

class TestEquipRights : public QObject {
  Q_OBJECT
 private slots:
  void everyCommandNeedsItsRight_data();
  void everyCommandNeedsItsRight();
};

void TestEquipRights::everyCommandNeedsItsRight_data() {
  QTest::addColumn<QString>("button");
  for (const char* b : {"oeAdd", "oealter", "ColNewone", "ColReplace", "ColDelete", "pWOnew", "pWOsav", "pWOapp",
                        "pWOcan", "pWOdel"})
    QTest::newRow(b) << QString::fromLatin1(b);
}

void TestEquipRights::everyCommandNeedsItsRight() {
  QFETCH(QString, button);
  UserServer srv(seed);
  UserWindow w(srv.port());
  QVERIFY(w.login("viewer", "pw"));
  RecordingNotifier note;
  const QByteArray name = button.toLatin1();

  QWidget* panel = nullptr;
  if (button.startsWith("oe")) {
    auto* form = w.main->fraOneEqu();
    w.main->optionButton("report")->click();
    tav::user::EquList e;
    e.equip_id = 10001;
    e.equip_name = QStringLiteral("泵");
    e.equip_locate = QStringLiteral("A-01");
    e.equip_imp = e.equip_use = 1;
    if (button == "oealter") form->showRecord(e);
    type(form, "oename", QStringLiteral("新泵"));
    type(form, "oelocat", QStringLiteral("B-01"));
    control<QComboBox>(form, "oelevel")->setCurrentIndex(0);
    control<QComboBox>(form, "oeuse")->setCurrentIndex(0);
    panel = form;
  } else if (button.startsWith("Col")) {
    auto* cols = w.main->fraCollection();
    w.main->optionButton("Routes")->click();
    click(cols, "ColGetcols");
    doubleClickRow(control<QListWidget>(cols, "Colallcols"), 0);
    type(cols, "ColName", QStringLiteral("新组"));
    panel = cols;
  } else {
    auto* orders = w.main->fraPreWO();
    w.main->optionButton("PreOrder")->click();
    click(orders, "prepWOGet");
    doubleClickRow(control<QListWidget>(orders, "pWOlist"), 0);
    type(orders, "pWOnam", QStringLiteral("新计划"));
    panel = orders;
  }
  QVERIFY(note.shown.empty());
  click(panel, name.constData());
  QCOMPARE(note.texts(), QStringList{"你没有这权限"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));

  // Nothing of what the window showed has changed.
  if (auto* orders = qobject_cast<tav::user::FrapreWO*>(panel)) {
    QCOMPARE(text(orders, "pWOnum"), QStringLiteral("1001"));
    QCOMPARE(orders->pwoList().size(), size_t(1));
    QVERIFY(orders->pwoList()[0].statu);
    QCOMPARE(lines(control<QListWidget>(orders, "pWOlist")), QStringList{" 1001 甲计划"});
  } else if (auto* cols = qobject_cast<tav::user::FraCollection*>(panel)) {
    QCOMPARE(text(cols, "ColNumber"), QStringLiteral("1001"));
    QCOMPARE(lines(control<QListWidget>(cols, "Colallcols")), QStringList{" 1001 泵组"});
    QVERIFY(cols->state().colDirty);
  } else {
    QCOMPARE(text(panel, "oename"), QStringLiteral("新泵"));
  }
}

QTEST_MAIN(TestEquipRights)
#include "test_equip_rights.moc"
