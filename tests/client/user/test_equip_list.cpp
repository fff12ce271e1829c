// The equipment list against the real server (through a relay that keeps
// what the window sends): the quick search and its refusals, the detail and
// an alter that finds its row after the list moved, the double click, and
// picking an equipment for a work request.
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QtTest>
#include <algorithm>

#include "client/user/fraequip.h"
#include "client/user/fraoneequ.h"
#include "client/user/frarequ.h"
#include "client/user/frmadvance.h"
#include "client/user/grid.h"
#include "client/user/equipment.h"
#include "client/user/usertables.h"
#include "protocol/daynum.h"
#include "tests/client/user/equiptest.h"
#include "tests/client/user/relaypeer.h"

using namespace tavtest;
using tav::user::FraEquip;

namespace {

void seed(ServerDir& d) {
  addUser(d, "keeper", 8 | 16 | 2 | 1, 0, u"pw", "管理员");
  std::vector<Equip> rows;
  for (int i = 1; i <= 21; ++i)
    rows.push_back({10000 + i, "泵" + std::to_string(100 + i), "P-" + std::to_string(100 + i), i == 5 ? 4 : 1});
  rows.push_back({10100, "阀", "V-01"});
  addEquipment(d, rows);
  // Twenty of the pumps have one maker.
  d.sql("TAVequipment.mdb", "UPDATE equipment SET madeby='乙厂' WHERE equip_id IN (10021, 10100)");
}

}  // namespace

class TestEquipList : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    srv = std::make_unique<UserServer>(seed);
    relay = std::make_unique<Relay>(srv->port());
    w = std::make_unique<UserWindow>(relay->port());
    QVERIFY(w->login("keeper", "pw"));
    QApplication::setActiveWindow(w->main.get());
    w->main->optionButton("equip")->click();
    panel = w->main->fraEquip();
    relay->clear();
  }
  void cleanup() {
    w.reset();
    relay.reset();
    srv.reset();
  }
  void emptyBoxesAskFirst();
  void resultCounts_data();
  void resultCounts();
  void enterInABoxSearches();
  void unreadableDateIsRefused_data();
  void unreadableDateIsRefused();
  void alterFindsItsRowAfterTheListMoved();
  void scrappedEquipmentStaysScrapped();
  void doubleClickOpensTheDetail();
  void pickingForAWorkRequest();
  void advancedSearchForEquipment();

 private:
  tav::user::ListGrid* grid() { return panel->grid(); }
  // Types into box `column` and searches.
  void search(int column, const QString& value) {
    grid()->box(column)->setText(value);
    click(panel, "Equ_GoList");
  }
  // The left button on grid row `row`, as the mouse gives it.
  void selectRow(int row) {
    grid()->mouseMovedTo(tav::user::ListGrid::RowTop + tav::user::ListGrid::RowHeight * (row - 1) + 5);
    grid()->leftPressed();
  }
  bool enabled(const char* name) { return control<QWidget>(panel, name)->isEnabled(); }
  std::unique_ptr<UserServer> srv;
  std::unique_ptr<Relay> relay;
  std::unique_ptr<UserWindow> w;
  FraEquip* panel = nullptr;
};

void TestEquipList::emptyBoxesAskFirst() {
  RecordingNotifier note;
  const QString question = QStringLiteral("没有设定搜索条件，这将从服务器获取全部设备的列表，可能很多，你要继续吗？");
  note.answers = {false};
  click(panel, "Equ_GoList");
  QCOMPARE(note.questions, QStringList{question});
  QCOMPARE(relay->sent(), std::string());
  QVERIFY(w->main->lists().equRecords.empty());

  note.answers = {true};
  click(panel, "Equ_GoList");
  QCOMPARE(w->main->lists().equRecords.size(), size_t(22));
  QCOMPARE(wire(relay->sent()), wire(knockAndRequest(u"QUICKYASSET")));
}

void TestEquipList::resultCounts_data() {
  QTest::addColumn<int>("column");
  QTest::addColumn<QString>("value");
  QTest::addColumn<int>("records");
  QTest::newRow("20 by maker") << 6 << "maker" << 20;
  QTest::newRow("21 by name") << 2 << "泵" << 21;
  QTest::newRow("none") << 3 << "Z-" << 0;
  QTest::newRow("purchase day") << 4 << "2023-3-15" << 22;
}

void TestEquipList::resultCounts() {
  QFETCH(int, column);
  QFETCH(QString, value);
  QFETCH(int, records);
  RecordingNotifier note;
  search(2, QStringLiteral("阀"));  // a list to be replaced
  grid()->box(2)->clear();
  search(column, value);
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join('|')));
  const auto& l = w->main->lists();
  QCOMPARE(int(l.equRecords.size()), records);
  QCOMPARE(l.equRows, std::min(records, 20));
  QScrollBar* bar = grid()->vBar();
  QCOMPARE(bar->isEnabled(), records > 20);
  if (records > 20) QCOMPARE(bar->maximum(), records - 19);
  QCOMPARE(enabled("EquipDetail"), records > 0);
  QCOMPARE(enabled("Equsort"), records > 0);
  QCOMPARE(grid()->cell(1, 2).Text, records ? l.equRecords[0].equip_name : QString());
  QVERIFY(!enabled("Equ_Submit"));
}

void TestEquipList::enterInABoxSearches() {
  RecordingNotifier note;
  QLineEdit* box = grid()->box(3);
  box->setText(QStringLiteral("V-0"));
  QTest::keyClick(box, Qt::Key_Return);
  QCOMPARE(box->text(), QStringLiteral("V-0"));
  QCOMPARE(w->main->lists().equRecords.size(), size_t(1));
  QCOMPARE(wire(relay->sent()),
           wire(knockAndRequest(u"QUICKYASSET" + std::u16string(u"equip_locate\x18V-0\x18"))));
}

void TestEquipList::unreadableDateIsRefused_data() {
  QTest::addColumn<int>("column");
  QTest::addColumn<QString>("message");
  QTest::newRow("purchase day") << 4 << "“购买日期”不是一个合法的日期格式，正确的格式应是“yyyy-M-d”。";
  QTest::newRow("scrap day") << 9 << "“报废日期”不是一个合法的日期格式，正确的格式应是“yyyy-M-d”。";
}

void TestEquipList::unreadableDateIsRefused() {
  QFETCH(int, column);
  QFETCH(QString, message);
  RecordingNotifier note;
  grid()->box(2)->setText(QStringLiteral("泵"));
  search(column, QStringLiteral("2024/1/5"));
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(QApplication::focusWidget(), grid()->box(column));
  QCOMPARE(relay->sent(), std::string());
}

void TestEquipList::alterFindsItsRowAfterTheListMoved() {
  RecordingNotifier note;
  search(2, QStringLiteral("泵"));
  auto& l = w->main->lists();
  selectRow(3);
  QCOMPARE(l.equSel, 3);
  click(panel, "EquipDetail");
  auto* form = w->main->fraOneEqu();
  QVERIFY(w->main->OFrame() == form);
  QVERIFY(form->fromList());
  QVERIFY(control<QWidget>(form, "oereturn")->isEnabled());
  QCOMPARE(text(form, "oeid"), QStringLiteral("10003"));
  QCOMPARE(text(form, "oebuyday"), QStringLiteral("2023-3-15"));
  QCOMPARE(control<QComboBox>(form, "oelevel")->currentText(), QStringLiteral("重要"));

  // The list turns round under the form, as a sort would turn it.
  std::reverse(l.equRecords.begin(), l.equRecords.end());
  panel->VScEqu_Change();
  const auto before = l.equRecords[2];
  type(form, "oename", QStringLiteral("改过的泵"));
  type(form, "oebuyday", QStringLiteral("2024-1-5"));
  click(form, "oealter");
  QCOMPARE(note.texts(), QStringList{"设备“10003”修改成功。"});
  const auto at = std::find_if(l.equRecords.begin(), l.equRecords.end(),
                               [](const tav::user::EquList& e) { return e.equip_id == 10003; });
  const int record = static_cast<int>(at - l.equRecords.begin()) + 1;
  QCOMPARE(record, 19);
  QCOMPARE(at->equip_name, QStringLiteral("改过的泵"));
  QCOMPARE(at->buied_date, tav::dayFromCivil(2024, 1, 5));
  QCOMPARE(at->Sbuy, QStringLiteral("2024-1-5"));
  QCOMPARE(grid()->cell(record, 2).Text, QStringLiteral("改过的泵"));
  QCOMPARE(grid()->cell(record, 4).Text, QStringLiteral("2024-1-5"));
  QCOMPARE(l.equRecords[2].equip_name, before.equip_name);  // the selected position is another pump
  QCOMPARE(grid()->cell(3, 2).Text, before.equip_name);

  // Off the list after a new search: only the server and the form change.
  grid()->box(2)->setText(QStringLiteral("阀"));
  click(panel, "Equ_GoList");
  type(form, "oename", QStringLiteral("再改的泵"));
  click(form, "oealter");
  QCOMPARE(note.last(), QStringLiteral("设备“10003”修改成功。"));
  QCOMPARE(l.equRecords.size(), size_t(1));
  QCOMPARE(l.equRecords[0].equip_name, QStringLiteral("阀"));

  click(form, "oereturn");
  QVERIFY(w->main->OFrame() == panel);
  QVERIFY(!control<QWidget>(form, "oereturn")->isEnabled());
}

void TestEquipList::scrappedEquipmentStaysScrapped() {
  RecordingNotifier note;
  search(3, QStringLiteral("V-01"));
  click(panel, "EquipDetail");
  auto* form = w->main->fraOneEqu();
  control<QComboBox>(form, "oeuse")->setCurrentIndex(3);
  note.answers = {false};
  click(form, "oealter");
  QCOMPARE(note.questions, QStringList{"服役状态设定为“已报废”将是不可恢复的，你确定吗？"});
  QCOMPARE(text(form, "oeulday"), QString());

  note.clear();
  note.answers = {true};
  click(form, "oealter");
  QCOMPARE(note.last(), QStringLiteral("设备“10100”修改成功。"));
  QCOMPARE(text(form, "oeulday"), tav::user::todayText());
  QCOMPARE(w->main->lists().equRecords[0].equip_use, 4);
  QCOMPARE(grid()->cell(1, 8).Text, QStringLiteral("4"));

  note.clear();
  control<QComboBox>(form, "oeuse")->setCurrentIndex(1);
  click(form, "oealter");
  QCOMPARE(note.texts(), QStringList{"已经报废的设备不能更改!"});
  QCOMPARE(w->main->lists().equRecords[0].equip_use, 4);
}

void TestEquipList::doubleClickOpensTheDetail() {
  RecordingNotifier note;
  search(2, QStringLiteral("泵"));
  QWidget* cells = grid()->cellView()->viewport();
  // Row 2 of the cells (the cell surface starts below the captions).
  const QPoint row2(40, tav::user::ListGrid::RowHeight + 10);
  QTest::mouseMove(cells, row2);
  QTest::mouseDClick(cells, Qt::LeftButton, {}, row2);
  QVERIFY(w->main->OFrame() == w->main->fraOneEqu());
  QCOMPARE(text(w->main->fraOneEqu(), "oeid"), QStringLiteral("10002"));
  QVERIFY(note.shown.empty());
}

void TestEquipList::pickingForAWorkRequest() {
  RecordingNotifier note;
  auto* requ = w->main->fraRequ();
  w->main->optionButton("require")->click();
  control<QLineEdit>(requ, "ReQu_Number")->setText(QStringLiteral("99"));
  click(requ, "ReQu_Find");
  QVERIFY(w->main->OFrame() == panel);
  QVERIFY(w->main->lists().equPickMode);
  QVERIFY(enabled("Equ_Canc"));

  // Cancel: the request keeps what it had.
  click(panel, "Equ_Canc");
  QVERIFY(w->main->OFrame() == requ);
  QCOMPARE(control<QLineEdit>(requ, "ReQu_Number")->text(), QStringLiteral("99"));

  click(requ, "ReQu_Find");
  search(2, QStringLiteral("泵"));
  QVERIFY(enabled("Equ_Submit"));
  selectRow(5);  // scrapped
  click(panel, "Equ_Submit");
  QCOMPARE(note.texts(), QStringList{"这是一台“已报废”的设备，不能选定"});
  QVERIFY(w->main->OFrame() == panel);
  QCOMPARE(control<QLineEdit>(requ, "ReQu_Number")->text(), QStringLiteral("99"));

  selectRow(4);
  panel->Equ_MPic_DblClick();  // picks while picking
  QVERIFY(w->main->OFrame() == requ);
  QCOMPARE(control<QLineEdit>(requ, "ReQu_Number")->text(), QStringLiteral("10004"));
  QCOMPARE(control<QLabel>(requ, "ReQu_eqname")->text(), QStringLiteral("P-104泵104"));
  QVERIFY(w->main->lists().equPickMode);

  // The option button ends the picking.
  w->main->optionButton("equip")->click();
  QVERIFY(!w->main->lists().equPickMode);
  QVERIFY(!enabled("Equ_Submit"));
  QVERIFY(!enabled("Equ_Canc"));
}

void TestEquipList::advancedSearchForEquipment() {
  click(panel, "Equ_Advance");
  auto* form = w->main->frmAdvance.data();
  QVERIFY(form);
  auto* adv = qobject_cast<tav::user::FrmAdvance*>(form);
  QVERIFY(adv);
  QCOMPARE(adv->mode(), tav::user::FrmAdvance::Mode::Equipment);
  QCOMPARE(adv->windowTitle(), QStringLiteral("高级搜索(设备专用)"));
  QVERIFY(adv->isVisible());
  QVERIFY(!adv->isModal());
}

QTEST_MAIN(TestEquipList)
#include "test_equip_list.moc"
