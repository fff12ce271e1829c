// The three-key list sort and its dialog, without a server: what each kind
// of column sorts by, stability both ways, the selection mark, the question
// above 1000 records, a logoff during it, and the dialog's defaults,
// directions, keys and lifetime.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include "client/common/startup.h"
#include "client/user/datasort.h"
#include "client/user/fraequip.h"
#include "client/user/fraworko.h"
#include "client/user/frmmain.h"
#include "client/user/frmsort.h"
#include "client/user/usertables.h"
#include "tests/client/support/clienttest.h"

using namespace tav::user;
using tavtest::RecordingNotifier;
using tavtest::waitFor;

namespace {

// One record of a table row: "id" and the fields that matter, by name.
using Fields = QVariantMap;

WOList workOrder(const Fields& s) {
  WOList w;
  w.bill_id = s.value("id").toInt();
  w.description = s.value("description").toString();
  w.createid = s.value("createid").toString();
  w.usetime = s.value("usetime").toInt();
  w.Status = s.value("status").toInt();
  w.Sscrip = s.value("statusName").toString();
  w.done_date = s.value("done").toInt();
  w.created_date = s.value("created").toInt();
  w.Sdone = dayTextOrEmpty(w.done_date);
  w.Screat = dayText(w.created_date);
  return w;
}

EquList equipment(const Fields& s) {
  EquList e;
  e.equip_id = s.value("id").toInt();
  e.equip_name = s.value("name").toString();
  e.equip_imp = s.value("level").toInt();
  e.equip_use = s.value("use").toInt();
  e.buied_date = s.value("bought").toInt();
  deriveTexts(e);
  return e;
}

QList<int> woIds(const std::vector<WOList>& rows) {
  QList<int> ids;
  for (const auto& r : rows) ids << r.bill_id;
  return ids;
}
QList<int> equIds(const std::vector<EquList>& rows) {
  QList<int> ids;
  for (const auto& r : rows) ids << r.equip_id;
  return ids;
}

std::vector<WOList> numbered(int n) {
  std::vector<WOList> rows;
  for (int i = 0; i < n; ++i) rows.push_back(workOrder({{"id", n - i}}));
  return rows;
}

Fields wo(int id, const char* field, const QVariant& v, const char* field2 = nullptr, const QVariant& v2 = {}) {
  Fields s{{"id", id}, {field, v}};
  if (field2) s.insert(field2, v2);
  return s;
}

}  // namespace

class TestSort : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { tav::client::setUpApplication(); }
  void table_data();
  void table();
  void selectionStaysInPlace();
  void askAbove1000_data();
  void askAbove1000();
  void logoffDuringQuestion();
  void otherKindOnlyResetsStatus();
  void dialogDefaultsAndKeys();
  void dialogSwitchKeepsDirections();
  void dialogEscEnterAndLifetime();
  void openedByTheListButtons();
};

void TestSort::table_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QList<Fields>>("rows");
  QTest::addColumn<QList<int>>("columns");
  QTest::addColumn<QList<bool>>("ascending");
  QTest::addColumn<QList<int>>("expected");

  const QList<bool> up{true, true, true}, down{false, false, false};
  QTest::newRow("numbers by value: 9 before 10")
      << "WORKO" << QList<Fields>{{{"id", 10}}, {{"id", 9}}, {{"id", 100}}} << QList<int>{1, 1, 1} << up
      << QList<int>{9, 10, 100};
  QTest::newRow("状态 by code, not by the name shown")
      << "WORKO"
      << QList<Fields>{wo(1, "status", 3, "statusName", "A完成"), wo(2, "status", 1, "statusName", "Z新建"),
                     wo(3, "status", 2, "statusName", "M处理中")}
      << QList<int>{4, 1, 1} << up << QList<int>{2, 3, 1};
  QTest::newRow("no done day first ascending")
      << "WORKO" << QList<Fields>{wo(1, "done", 45000), wo(2, "done", 0), wo(3, "done", 44000)}
      << QList<int>{11, 1, 1} << up << QList<int>{2, 3, 1};
  QTest::newRow("no done day last descending")
      << "WORKO" << QList<Fields>{wo(1, "done", 45000), wo(2, "done", 0), wo(3, "done", 44000)}
      << QList<int>{11, 1, 1} << down << QList<int>{1, 3, 2};
  QTest::newRow("abc and ABC tie, key 2 decides")
      << "WORKO"
      << QList<Fields>{wo(1, "description", "abc", "usetime", 7), wo(2, "description", "ABC", "usetime", 3),
                     wo(3, "description", "abd", "usetime", 1)}
      << QList<int>{3, 7, 1} << up << QList<int>{2, 1, 3};
  const QList<Fields> ties{wo(5, "createid", "zhang", "usetime", 2), wo(3, "createid", "li", "usetime", 1),
                         wo(4, "createid", "Zhang", "usetime", 2), wo(1, "createid", "li", "usetime", 1)};
  QTest::newRow("equal keys keep their order ascending")
      << "WORKO" << ties << QList<int>{8, 7, 8} << up << QList<int>{3, 1, 5, 4};
  QTest::newRow("equal keys keep their order descending")
      << "WORKO" << ties << QList<int>{8, 7, 8} << down << QList<int>{5, 4, 3, 1};
  QTest::newRow("one column twice: the second never decides")
      << "WORKO" << QList<Fields>{wo(1, "usetime", 5), wo(2, "usetime", 9), wo(3, "usetime", 5)}
      << QList<int>{7, 7, 1} << QList<bool>{true, false, false} << QList<int>{3, 1, 2};
  QTest::newRow("created day, key 3 after two ties")
      << "WORKO"
      << QList<Fields>{wo(1, "created", 45002), wo(2, "created", 45001), wo(3, "created", 45003)}
      << QList<int>{3, 8, 10} << QList<bool>{true, true, false} << QList<int>{3, 1, 2};
  QTest::newRow("equipment 级别 and 状态 by code")
      << "ASSET"
      << QList<Fields>{{{"id", 1}, {"level", 3}, {"use", 1}}, {{"id", 2}, {"level", 1}, {"use", 4}},
                     {{"id", 3}, {"level", 3}, {"use", 2}}}
      << QList<int>{5, 8, 1} << QList<bool>{true, false, true} << QList<int>{2, 3, 1};
  QTest::newRow("equipment bought day by number, texts by collation")
      << "ASSET"
      << QList<Fields>{{{"id", 1}, {"bought", 40000}, {"name", "b"}}, {{"id", 2}, {"bought", 0}, {"name", "B"}},
                     {{"id", 3}, {"bought", 9000}, {"name", "a"}}}
      << QList<int>{4, 2, 1} << up << QList<int>{2, 3, 1};
  QTest::newRow("equipment names, case ignored, then number descending")
      << "asset"
      << QList<Fields>{{{"id", 1}, {"name", "b"}}, {{"id", 2}, {"name", "B"}}, {{"id", 3}, {"name", "a"}}}
      << QList<int>{2, 1, 1} << QList<bool>{true, false, false} << QList<int>{3, 2, 1};
}

void TestSort::table() {
  QFETCH(QString, kind);
  QFETCH(QList<Fields>, rows);
  QFETCH(QList<int>, columns);
  QFETCH(QList<bool>, ascending);
  QFETCH(QList<int>, expected);
  RecordingNotifier note;
  FrmMain main;
  Lists& l = main.lists();
  for (const Fields& s : rows) {
    if (kind.toUpper() == "WORKO")
      l.woRecords.push_back(workOrder(s));
    else
      l.equRecords.push_back(equipment(s));
  }
  const std::array<int, 3> cols{columns[0], columns[1], columns[2]};
  const std::array<bool, 3> dirs{ascending[0], ascending[1], ascending[2]};
  main.LabStat()->setText("before");
  datasort(main, kind, cols, dirs);
  QCOMPARE(kind.toUpper() == "WORKO" ? woIds(l.woRecords) : equIds(l.equRecords), expected);
  QCOMPARE(main.LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(note.shown.empty());

  // Sorting again by the same keys changes nothing.
  datasort(main, kind, cols, dirs);
  QCOMPARE(kind.toUpper() == "WORKO" ? woIds(l.woRecords) : equIds(l.equRecords), expected);
}

void TestSort::selectionStaysInPlace() {
  RecordingNotifier note;
  FrmMain main;
  Lists& l = main.lists();
  l.woRecords = numbered(30);  // ids 30 down to 1
  l.woRecords[2].checked = true;
  l.woSel = 3;
  l.woTop = 7;
  datasort(main, "WORKO", {1, 1, 1}, {true, true, true});
  QCOMPARE(woIds(l.woRecords).mid(0, 4), (QList<int>{1, 2, 3, 4}));
  QCOMPARE(l.woSel, 3);
  for (int i = 0; i < 30; ++i) QCOMPARE(l.woRecords[static_cast<std::size_t>(i)].checked, i == 2);
  QCOMPARE(l.woTop, 1);
  // Every field travels with its record.
  l.woRecords = {workOrder({{"id", 2}, {"description", "second"}, {"done", 45000}}),
                 workOrder({{"id", 1}, {"description", "first"}})};
  datasort(main, "WORKO", {1, 1, 1}, {true, true, true});
  QCOMPARE(l.woRecords[0].description, QStringLiteral("first"));
  QCOMPARE(l.woRecords[1].Sdone, QStringLiteral("2023-3-15"));
  QCOMPARE(l.woRecords[1].done_date, 45000);
}

void TestSort::askAbove1000_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<int>("n");
  QTest::addColumn<bool>("answer");
  QTest::newRow("1000 work orders: no question") << "WORKO" << 1000 << true;
  QTest::newRow("1001 work orders, Yes") << "WORKO" << 1001 << true;
  QTest::newRow("1001 work orders, No") << "WORKO" << 1001 << false;
  QTest::newRow("1001 equipment, No") << "ASSET" << 1001 << false;
}

void TestSort::askAbove1000() {
  QFETCH(QString, kind);
  QFETCH(int, n);
  QFETCH(bool, answer);
  RecordingNotifier note;
  note.answers = {answer};
  QStringList statusSeen;
  FrmMain main;
  Lists& l = main.lists();
  const bool wo = kind == "WORKO";
  if (wo)
    l.woRecords = numbered(n);
  else
    for (int i = 0; i < n; ++i) l.equRecords.push_back(equipment({{"id", n - i}}));
  l.woTop = l.equTop = 9;
  main.LabStat()->setText("as it was");
  note.onShow = [&](const tavtest::Shown&) { statusSeen << main.LabStat()->text(); };
  datasort(main, kind, {1, 1, 1}, {true, true, true});

  const int first = wo ? l.woRecords.front().bill_id : l.equRecords.front().equip_id;
  if (n <= 1000) {
    QVERIFY(note.shown.empty());
    QCOMPARE(first, 1);
    return;
  }
  QCOMPARE(note.questions.size(), 1);
  QCOMPARE(note.questions[0], wo ? QStringLiteral("将要排序的工单已超过1000条记录，可能会占用较长时间，你确定要继续吗？")
                                 : QStringLiteral("将要排序的设备已超过1000条记录，可能会占用较长时间，你确定要继续吗？"));
  QCOMPARE(statusSeen, QStringList{"as it was"});  // asked before any status change
  if (answer) {
    QCOMPARE(first, 1);
    QCOMPARE(main.LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
    QCOMPARE(wo ? l.woTop : l.equTop, 1);
  } else {
    QCOMPARE(first, n);
    QCOMPARE(main.LabStat()->text(), QStringLiteral("as it was"));
    QCOMPARE(wo ? l.woTop : l.equTop, 9);
  }
}

void TestSort::logoffDuringQuestion() {
  RecordingNotifier note;
  note.answers = {true};
  FrmMain main;
  main.lists().woRecords = numbered(1500);
  FrmSort* dialog = FrmSort::open(&main, FrmSort::For::WorkOrders);
  QPointer<FrmSort> alive(dialog);
  // The server's "CLOSE!" arrives while the question is open.
  note.onShow = [&](const tavtest::Shown&) { main.resetLogoff(); };
  dialog->findChild<QPushButton*>("Command1")->click();
  QCOMPARE(note.questions.size(), 1);
  QVERIFY(main.lists().woRecords.empty());
  QCOMPARE(main.LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(waitFor([&] { return alive.isNull(); }));
  QVERIFY(main.frmSort.isNull());
}

void TestSort::otherKindOnlyResetsStatus() {
  RecordingNotifier note;
  FrmMain main;
  main.lists().woRecords = numbered(3);
  main.LabStat()->setText("x");
  datasort(main, "WORK", {1, 1, 1}, {true, true, true});
  QCOMPARE(woIds(main.lists().woRecords), (QList<int>{3, 2, 1}));
  QCOMPARE(main.LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  // An empty list: no change at all, not even the status text.
  main.LabStat()->setText("x");
  datasort(main, "ASSET", {1, 1, 1}, {true, true, true});
  QCOMPARE(main.LabStat()->text(), QStringLiteral("x"));
}

namespace {
QStringList chosen(FrmSort* d) {
  QStringList out;
  for (int i = 0; i < 3; ++i) out << d->findChild<QComboBox*>(QString("Combo1_%1").arg(i))->currentText();
  return out;
}
QRadioButton* opt(FrmSort* d, const char* name, int i) {
  return d->findChild<QRadioButton*>(QString("%1_%2").arg(name).arg(i));
}
}  // namespace

void TestSort::dialogDefaultsAndKeys() {
  RecordingNotifier note;
  FrmMain main;
  main.show();
  main.lists().woRecords = {workOrder({{"id", 10}}), workOrder({{"id", 9}})};
  FrmSort* d = FrmSort::open(&main, FrmSort::For::WorkOrders);
  QCOMPARE(main.frmSort.data(), static_cast<QWidget*>(d));
  QVERIFY(d->isVisible());
  QVERIFY(!d->isModal());
  QCOMPARE(d->parentWidget(), static_cast<QWidget*>(&main));
  QCOMPARE(d->windowTitle(), QStringLiteral("排序小帮手(工单专用)"));
  QCOMPARE(chosen(d), (QStringList{"工单编号", "状态", "创建日期"}));
  QCOMPARE(d->findChild<QComboBox*>("Combo1_0")->count(), 18);
  QCOMPARE(d->tag(), QStringLiteral("WORKO"));
  for (int i = 0; i < 3; ++i) QVERIFY(opt(d, "OptS", i)->isChecked());
  QVERIFY(!d->findChild<QComboBox*>("Combo1_0")->isEditable());

  d->findChild<QPushButton*>("Command1")->click();
  QCOMPARE(woIds(main.lists().woRecords), (QList<int>{9, 10}));
  QVERIFY(d->isVisible());

  // Keys come from the lists: 耗时 descending, then the number descending.
  main.lists().woRecords = {workOrder(wo(1, "usetime", 5)), workOrder(wo(2, "usetime", 8)),
                            workOrder(wo(3, "usetime", 5))};
  d->findChild<QComboBox*>("Combo1_0")->setCurrentIndex(6);
  d->findChild<QComboBox*>("Combo1_1")->setCurrentIndex(0);
  opt(d, "OptJ", 0)->setChecked(true);
  opt(d, "OptJ", 1)->setChecked(true);
  QCOMPARE(d->keyColumns(), (std::array<int, 3>{7, 1, 10}));
  d->findChild<QPushButton*>("Command1")->click();
  QCOMPARE(woIds(main.lists().woRecords), (QList<int>{2, 3, 1}));

  // The Tag decides, whichever panel the main window shows.
  FrmSort::open(&main, FrmSort::For::Equipment);
  QCOMPARE(d->windowTitle(), QStringLiteral("排序小帮手(设备专用)"));
  QCOMPARE(chosen(d), (QStringList{"设备名称", "功能位置", "级别"}));
  QCOMPARE(d->findChild<QComboBox*>("Combo1_0")->count(), 10);
  main.lists().equRecords = {equipment({{"id", 1}, {"name", "乙"}}), equipment({{"id", 2}, {"name", "甲"}})};
  d->findChild<QComboBox*>("Combo1_0")->setCurrentIndex(0);
  opt(d, "OptS", 0)->setChecked(true);
  d->findChild<QPushButton*>("Command1")->click();
  QCOMPARE(equIds(main.lists().equRecords), (QList<int>{1, 2}));
  QCOMPARE(woIds(main.lists().woRecords), (QList<int>{2, 3, 1}));
}

void TestSort::dialogSwitchKeepsDirections() {
  RecordingNotifier note;
  FrmMain main;
  main.show();
  FrmSort* d = FrmSort::open(&main, FrmSort::For::WorkOrders);
  opt(d, "OptJ", 0)->setChecked(true);
  opt(d, "OptJ", 2)->setChecked(true);
  FrmSort* again = FrmSort::open(&main, FrmSort::For::Equipment);
  QCOMPARE(again, d);
  QCOMPARE(d->tag(), QStringLiteral("ASSET"));
  QCOMPARE(d->ascending(), (std::array<bool, 3>{false, true, false}));
  FrmSort::open(&main, FrmSort::For::WorkOrders);
  QCOMPARE(d->ascending(), (std::array<bool, 3>{false, true, false}));
  QCOMPARE(chosen(d), (QStringList{"工单编号", "状态", "创建日期"}));
}

void TestSort::dialogEscEnterAndLifetime() {
  RecordingNotifier note;
  FrmMain main;
  main.show();
  main.lists().woRecords = {workOrder({{"id", 2}}), workOrder({{"id", 1}})};
  QPointer<FrmSort> d = FrmSort::open(&main, FrmSort::For::WorkOrders);
  QVERIFY(QTest::qWaitForWindowExposed(d));
  opt(d, "OptJ", 1)->setChecked(true);

  QTest::keyClick(d, Qt::Key_Escape);
  QVERIFY(d && d->isVisible());
  // Enter presses 确定 unless the focus is on 取消.
  d->findChild<QComboBox*>("Combo1_0")->setFocus();
  QTest::keyClick(d->findChild<QComboBox*>("Combo1_0"), Qt::Key_Return);
  QCOMPARE(woIds(main.lists().woRecords), (QList<int>{1, 2}));
  QVERIFY(d && d->isVisible());

  // 取消 unloads; reopening starts again from 升序.
  d->findChild<QPushButton*>("Command2")->click();
  QVERIFY(waitFor([&] { return d.isNull(); }));
  QVERIFY(main.frmSort.isNull());
  d = FrmSort::open(&main, FrmSort::For::WorkOrders);
  QCOMPARE(d->ascending(), (std::array<bool, 3>{true, true, true}));

  // The close box unloads too, and so does the logoff.
  d->close();
  QVERIFY(waitFor([&] { return d.isNull(); }));
  d = FrmSort::open(&main, FrmSort::For::Equipment);
  main.resetLogoff();
  QVERIFY(waitFor([&] { return d.isNull(); }));
  QVERIFY(main.frmSort.isNull());
}

void TestSort::openedByTheListButtons() {
  RecordingNotifier note;
  FrmMain main;
  main.show();
  auto* woSort = main.fraWorkO()->findChild<QPushButton*>("WOsort");
  auto* equSort = main.fraEquip()->findChild<QPushButton*>("Equsort");
  QVERIFY(woSort && equSort);
  woSort->setEnabled(true);
  equSort->setEnabled(true);
  woSort->click();
  auto* d = qobject_cast<FrmSort*>(main.frmSort.data());
  QVERIFY(d && d->isVisible());
  QCOMPARE(d->tag(), QStringLiteral("WORKO"));
  equSort->click();
  QCOMPARE(qobject_cast<FrmSort*>(main.frmSort.data()), d);
  QCOMPARE(d->tag(), QStringLiteral("ASSET"));

  // The sort shows the list again from its first record.
  main.lists().woRecords = numbered(40);
  main.lists().woRows = 20;
  auto* bar = main.fraWorkO()->findChild<QScrollBar*>("VScWO");
  QVERIFY(bar);
  bar->setMaximum(21);
  bar->setValue(9);
  datasort(main, "WORKO", {1, 1, 1}, {true, true, true});
  QCOMPARE(bar->value(), 1);
  QCOMPARE(main.lists().woTop, 1);
}

QTEST_MAIN(TestSort)
#include "test_sort.moc"
