// The advanced and quick searches against the real server: current and
// archived orders with and without the archive right, equipment, a fresh
// form on every opening, and the quick search's question and boxes.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>

#include "client/user/condrow.h"
#include "client/user/fraequip.h"
#include "client/user/fraworko.h"
#include "client/user/frmadvance.h"
#include "client/user/grid.h"
#include "protocol/daynum.h"
#include "tests/client/user/requestsupport.h"
#include "tests/client/user/searchpeer.h"

using namespace tavtest;
using namespace tav::user;

namespace {

void seed(ServerDir& d) {
  addUser(d, "old", 1 | 32, 0, u"pw", "有旧单权");
  addUser(d, "plain", 1, 0, u"pw", "无旧单权");
  OrderSeed o;
  for (int id : {101, 102, 103}) {
    o.billId = id;
    o.description = id == 102 ? "泵体漏水" : "电机异响";
    o.created = tav::dayFromCivil(2024, 3, id - 100);
    o.status = id == 103 ? 16 : 4;
    insertOrder(d, o);
  }
  o.billId = 90;
  o.archive = true;
  o.description = "旧的漏水单";
  insertOrder(d, o);
  d.sql("TAVequipment.mdb",
        "INSERT INTO equipment(equip_id, equip_name, equip_locate, buied_date, equip_imp, madeby, Parameter, "
        "equip_use, uselessday, Memo) VALUES(7001, '冷却泵', 'A区', 45000, 2, '厂', '3kW', 1, 0, '')");
  d.sql("TAVequipment.mdb",
        "INSERT INTO equipment(equip_id, equip_name, equip_locate, buied_date, equip_imp, madeby, Parameter, "
        "equip_use, uselessday, Memo) VALUES(7002, '空压机', 'B区', 0, 1, '厂', '', 4, 45100, '')");
}

}  // namespace

class TestSearchServer : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv = std::make_unique<UserServer>(seed); }
  void cleanupTestCase() { srv.reset(); }
  void advancedOverCurrentAndOld_data();
  void advancedOverCurrentAndOld();
  void advancedEquipment();
  void openingAgainStartsAfresh();
  void quickSearch_data();
  void quickSearch();

 private:
  std::unique_ptr<UserWindow> logIn(const QString& id) {
    auto w = std::make_unique<UserWindow>(srv->port());
    if (!w->login(id, "pw")) qFatal("login of %s failed", qPrintable(id));
    return w;
  }
  std::unique_ptr<UserServer> srv;
};

void TestSearchServer::advancedOverCurrentAndOld_data() {
  QTest::addColumn<QString>("user");
  QTest::addColumn<bool>("old");
  QTest::addColumn<QList<int>>("found");
  QTest::addColumn<QList<int>>("stores");
  QTest::newRow("current orders") << "old" << false << QList<int>{102} << QList<int>{1};
  QTest::newRow("with the old ones") << "old" << true << QList<int>{102, 90} << QList<int>{1, 0};
  QTest::newRow("without the right") << "plain" << false << QList<int>{102} << QList<int>{1};
}

void TestSearchServer::advancedOverCurrentAndOld() {
  QFETCH(QString, user);
  QFETCH(bool, old);
  QFETCH(QList<int>, found);
  QFETCH(QList<int>, stores);
  RecordingNotifier note;
  auto w = logIn(user);
  w->main->showPanel(w->main->fraWorkO(), QStringLiteral("工单列表"), false);
  w->main->fraWorkO()->findChild<QPushButton*>("WO_Adv")->click();
  auto* f = qobject_cast<FrmAdvance*>(w->main->frmAdvance.data());
  QVERIFY(f);
  QCOMPARE(f->windowTitle(), QStringLiteral("高级搜索(工单专用)"));
  auto* inc = f->findChild<QCheckBox*>("IncHis");
  QCOMPARE(inc->isEnabled(), user == "old");
  inc->setChecked(old);
  // 描述 contains 漏水
  f->rows()->fieldBox(0)->setCurrentIndex(2);
  f->findChild<QComboBox*>("Critc_0")->setCurrentIndex(6);
  f->rows()->valueBox(0)->setEditText(QStringLiteral("漏水"));
  f->findChild<QPushButton*>("CmdOK")->click();
  QVERIFY(note.shown.empty());
  const Lists& l = w->main->lists();
  QCOMPARE(billIds(l.woRecords), found);
  QList<int> s;
  for (const auto& r : l.woRecords) s << r.isNew;
  QCOMPARE(s, stores);
  ListGrid* g = w->main->fraWorkO()->grid();
  QCOMPARE(g->cell(1, 1).Text, QString::number(found[0]));
  QCOMPARE(g->cell(1, 4).Text, QStringLiteral("维修中"));
  QVERIFY(w->main->fraWorkO()->findChild<QPushButton*>("WO_Detail")->isEnabled());
  QVERIFY(tav::user::session().idle());

  // Nothing matches: the grid is blanked without a word.
  f->rows()->valueBox(0)->setEditText(QStringLiteral("没有这样的描述"));
  f->CmdOK_Click();
  QVERIFY(note.shown.empty());
  QVERIFY(l.woRecords.empty());
  QCOMPARE(g->cell(1, 1).Text, QString());
  QVERIFY(!w->main->fraWorkO()->findChild<QPushButton*>("WO_Detail")->isEnabled());
}

void TestSearchServer::advancedEquipment() {
  RecordingNotifier note;
  auto w = logIn("plain");
  FrmAdvance* f = FrmAdvance::open(w->main.get(), FrmAdvance::Mode::Equipment);
  QVERIFY(!f->findChild<QCheckBox*>("IncHis")->isEnabled());
  // 状态 = 已报废 or 购买日期 >= 2023-3-15
  f->rows()->fieldBox(0)->setCurrentIndex(7);
  f->rows()->valueBox(0)->setEditText(QStringLiteral("已报废"));
  f->addone_Click();
  f->findChild<QToolButton*>("aoa_0")->click();
  f->rows()->fieldBox(1)->setCurrentIndex(3);
  f->findChild<QComboBox*>("Critc_1")->setCurrentIndex(3);
  f->rows()->valueBox(1)->setEditText(QStringLiteral("2023-3-15"));
  f->CmdOK_Click();
  QVERIFY(note.shown.empty());
  const Lists& l = w->main->lists();
  QCOMPARE(int(l.equRecords.size()), 2);
  QCOMPARE(l.equRows, 2);
  QCOMPARE(l.equRecords[1].Suld, QStringLiteral("2023-6-23"));
  QCOMPARE(w->main->fraEquip()->grid()->cell(1, 2).Text, QStringLiteral("冷却泵"));
  QVERIFY(l.equRecords[0].checked);
}

void TestSearchServer::openingAgainStartsAfresh() {
  RecordingNotifier note;
  auto w = logIn("old");
  FraWorkO* panel = w->main->fraWorkO();
  panel->WO_Adv_Click();
  QPointer<FrmAdvance> first = qobject_cast<FrmAdvance*>(w->main->frmAdvance.data());
  first->addone_Click();
  first->addone_Click();
  first->rows()->valueBox(0)->setEditText("5");
  first->findChild<QCheckBox*>("IncHis")->setChecked(true);
  panel->WO_Adv_Click();
  QVERIFY(!first);
  auto* second = qobject_cast<FrmAdvance*>(w->main->frmAdvance.data());
  QVERIFY(second);
  QCOMPARE(second->rows()->rowCount(), 1);
  QCOMPARE(second->rows()->valueBox(0)->currentText(), QString());
  QVERIFY(!second->findChild<QCheckBox*>("IncHis")->isChecked());
  QCOMPARE(second->rows()->fieldBox(0)->currentIndex(), 0);
  QCOMPARE(second->rows()->fieldBox(0)->count(), 18);
  QCOMPARE(second->findChild<QComboBox*>("Critc_0")->count(), 8);
  // Its cancel closes it; the logoff closes an open one.
  second->cmdcan_Click();
  QVERIFY(waitFor([&] { return w->main->frmAdvance.isNull(); }));
  panel->WO_Adv_Click();
  QVERIFY(w->main->frmAdvance);
  w->main->resetLogoff();
  QVERIFY(waitFor([&] { return w->main->frmAdvance.isNull(); }));
}

void TestSearchServer::quickSearch_data() {
  QTest::addColumn<QVariantMap>("boxes");  // column -> text; "4" the status entry
  QTest::addColumn<QList<bool>>("answers");
  QTest::addColumn<QStringList>("messages");
  QTest::addColumn<QList<int>>("found");
  const QString question = QStringLiteral("没有设定搜索条件，这将从服务器获取全部工单的列表，可能很多，你要继续吗？");
  QTest::newRow("empty boxes, No") << QVariantMap{} << QList<bool>{false} << QStringList{question}
                                   << QList<int>{55};
  QTest::newRow("empty boxes, Yes") << QVariantMap{} << QList<bool>{true} << QStringList{question}
                                    << QList<int>{101, 102, 103};
  QTest::newRow("description") << QVariantMap{{"3", "异响"}} << QList<bool>{} << QStringList{}
                               << QList<int>{101, 103};
  QTest::newRow("status and creation day") << QVariantMap{{"4", "维修中"}, {"10", "2024-3-3"}} << QList<bool>{}
                                           << QStringList{} << QList<int>{};
  QTest::newRow("status") << QVariantMap{{"4", "已完成"}} << QList<bool>{} << QStringList{} << QList<int>{103};
  QTest::newRow("a date box that is no date")
      << QVariantMap{{"3", "异响"}, {"11", "3月1日"}} << QList<bool>{}
      << QStringList{QStringLiteral("“完成日期”不是一个合法的日期格式，正确的格式应是“yyyy-M-d”。")} << QList<int>{55};
}

void TestSearchServer::quickSearch() {
  QFETCH(QVariantMap, boxes);
  QFETCH(QList<bool>, answers);
  QFETCH(QStringList, messages);
  QFETCH(QList<int>, found);
  RecordingNotifier note;
  note.answers.assign(answers.begin(), answers.end());
  auto w = logIn("plain");
  // A list from before, to see whether it is replaced.
  WOList before;
  before.bill_id = 55;
  before.isNew = 1;
  w->main->lists().woRecords = {before};
  ListGrid* g = w->main->fraWorkO()->grid();
  for (auto it = boxes.begin(); it != boxes.end(); ++it) {
    if (it.key() == "4")
      g->comboBox()->setCurrentText(it.value().toString());
    else
      g->box(it.key().toInt())->setText(it.value().toString());
  }
  // Enter in a box runs the search as the button does.
  QTest::keyClick(g->box(1), Qt::Key_Return);
  QCOMPARE(note.texts(), messages);
  QCOMPARE(billIds(w->main->lists().woRecords), found);
  for (const auto& r : w->main->lists().woRecords) QCOMPARE(r.isNew, int16_t(1));
  QVERIFY(tav::user::session().idle());
}

QTEST_MAIN(TestSearchServer)
#include "test_search_server.moc"
