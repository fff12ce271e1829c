// The list export (pop1), without a server: every record of the shown list
// in its current order under the captions, numbers as numbers, the captions
// alone without a list, logged off too, and no spreadsheet application.
#include <QLabel>
#include <QMenu>
#include <QtTest>

#include "client/common/startup.h"
#include "client/user/datasort.h"
#include "client/user/fraequip.h"
#include "client/user/fraworko.h"
#include "client/user/frmmain.h"
#include "client/user/usertables.h"
#include "tests/client/support/clienttest.h"
#include "tests/client/user/xlsxread.h"

using namespace tav::user;
using namespace tavtest;

namespace {

std::vector<WOList> workOrders(int n) {
  std::vector<WOList> rows;
  for (int i = 0; i < n; ++i) {
    WOList w;
    w.bill_id = 1000 + n - i;
    w.comofequip = QStringLiteral("泵%1").arg(i);
    w.description = QStringLiteral("漏水");
    w.Sscrip = QStringLiteral("维修中");
    w.bill_type = QStringLiteral("CM");
    w.em_level = 1 + i % 4;
    w.usetime = i * 3;
    w.createid = QStringLiteral("zhang");
    w.createname = QStringLiteral("张三");
    w.created_date = 45000 + i;
    w.compl_date = 45010 + i;
    w.equip_id = 20000 + i;
    w.pointto = QStringLiteral("li");
    deriveTexts(w);
    w.Sscrip = QStringLiteral("维修中");
    rows.push_back(w);
  }
  return rows;
}

std::vector<EquList> equipment(int n) {
  std::vector<EquList> rows;
  for (int i = 0; i < n; ++i) {
    EquList e;
    e.equip_id = 30000 + i;
    e.equip_name = QStringLiteral("设备%1").arg(i);
    e.equip_locate = QStringLiteral("L-%1").arg(i);
    e.buied_date = i == 0 ? 0 : 40000 + i;
    e.equip_imp = 1 + i % 4;
    e.equip_use = 4 - i % 4;
    deriveTexts(e);
    rows.push_back(e);
  }
  return rows;
}

const QString Sheet = QStringLiteral("Sheet1");

Workbook exported(FrmMain& main, RecordingSpreadsheet& app) {
  const int before = app.opened.size();
  main.pop1()->trigger();
  if (app.opened.size() != before + 1) return Workbook{{}, {}, {}, {}, QStringLiteral("nothing opened")};
  return readWorkbook(app.opened.back());
}

}  // namespace

class TestExport : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { tav::client::setUpApplication(); }
  void everyWorkOrder();
  void equipmentCodesAsNumbers();
  void captionsAloneWithoutAList_data();
  void captionsAloneWithoutAList();
  void sortedOrder();
  void noSpreadsheetApplication();
  void writeFailureDescribed();
};

void TestExport::everyWorkOrder() {
  RecordingNotifier note;
  RecordingSpreadsheet app;
  FrmMain main;
  main.lists().woRecords = workOrders(150);
  main.lists().woRows = 20;
  main.showPanel(main.fraWorkO(), QStringLiteral("工单列表"), false);
  main.LabStat()->setText(QStringLiteral("as it was"));
  Workbook b = exported(main, app);
  QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
  QVERIFY(note.shown.empty());
  QVERIFY(QFileInfo(app.opened[0]).fileName().startsWith("TAVexport-"));
  QCOMPARE(QFileInfo(app.opened[0]).dir(), QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)));
  QVERIFY(QFileInfo(app.opened[0]).isWritable());
  QCOMPARE(b.sheets, QStringList{Sheet});
  QCOMPARE(b.row(Sheet, 1, 18), QVariantList({"工单编号", "设备名称", "描述", "状态", "类型", "级别", "耗时", "帐号ID", "姓名",
                                              "创建日期", "完成日期", "设备编号", "要求开始日期", "要求完成日期", "指派给",
                                              "故障原因", "解决办法", "其它描述"}));
  // 151 rows: the captions and every record, not only the 20 shown.
  QCOMPARE(b.cellCount(Sheet), 18 + 150 * 13);  // five columns of each record are empty
  QCOMPARE(b.value(Sheet, "A152").toVariant(), QVariant());
  QCOMPARE(b.value(Sheet, "A151").toInt(), 1001);
  const QVariantList second = b.row(Sheet, 3, 18);
  QCOMPARE(second.mid(0, 14), QVariantList({1149, "泵1", "漏水", "维修中", "CM", 2, 3, "zhang", "张三", "2023-3-16", QVariant(),
                                            20001, QVariant(), "2023-3-26"}));
  QCOMPARE(second[14], QVariant("li"));
  for (const char* col : {"A", "F", "G", "L"}) QCOMPARE(b.type(Sheet, QString(col) + "3"), QStringLiteral("n"));
  for (const char* col : {"B", "C", "D", "E", "H", "I", "J", "N", "O"}) QCOMPARE(b.type(Sheet, QString(col) + "3"), QStringLiteral("s"));
  // The export changes nothing in the client.
  QCOMPARE(main.LabStat()->text(), QStringLiteral("as it was"));
  QCOMPARE(main.lists().woRecords.size(), std::size_t(150));

  // A second export is a second file.
  exported(main, app);
  QCOMPARE(app.opened.size(), 2);
  QVERIFY(app.opened[0] != app.opened[1]);
}

void TestExport::equipmentCodesAsNumbers() {
  RecordingNotifier note;
  RecordingSpreadsheet app;
  FrmMain main;
  main.lists().equRecords = equipment(3);
  main.lists().equRows = 3;
  main.lists().woRecords = workOrders(2);
  main.lists().woRows = 2;
  main.showPanel(main.fraEquip(), QStringLiteral("设备列表"), true);
  Workbook b = exported(main, app);
  QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
  QCOMPARE(b.row(Sheet, 1, 10), QVariantList({"设备编号", "设备名称", "功能位置", "购买日期", "级别", "制造商", "主要参数",
                                              "状态", "报废日期", "备注"}));
  QCOMPARE(b.row(Sheet, 2, 10), QVariantList({30000, "设备0", "L-0", QVariant(), 1, QVariant(), QVariant(), 4, QVariant(),
                                              QVariant()}));
  QCOMPARE(b.row(Sheet, 4, 5), QVariantList({30002, "设备2", "L-2", "2009-7-8", 3}));
  for (const char* col : {"A", "E", "H"}) QCOMPARE(b.type(Sheet, QString(col) + "4"), QStringLiteral("n"));
  QCOMPARE(b.value(Sheet, "A5").toVariant(), QVariant());
}

void TestExport::captionsAloneWithoutAList_data() {
  QTest::addColumn<bool>("workOrderPanel");
  QTest::addColumn<bool>("logoff");
  QTest::addColumn<int>("columns");
  QTest::newRow("work orders, none loaded") << true << false << 18;
  QTest::newRow("equipment, none loaded") << false << false << 10;
  QTest::newRow("after a logoff") << true << true << 10;
}

void TestExport::captionsAloneWithoutAList() {
  QFETCH(bool, workOrderPanel);
  QFETCH(bool, logoff);
  QFETCH(int, columns);
  RecordingNotifier note;
  RecordingSpreadsheet app;
  FrmMain main;
  // Records that no list shows (rows 0) are not exported.
  main.lists().woRecords = workOrders(5);
  main.lists().equRecords = equipment(5);
  if (workOrderPanel) main.showPanel(main.fraWorkO(), QStringLiteral("工单列表"), false);
  if (logoff) main.resetLogoff();
  Workbook b = exported(main, app);
  QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
  QCOMPARE(b.cellCount(Sheet), columns);
  QCOMPARE(b.value(Sheet, QString(QChar('A' + columns - 1)) + "1").toString(), columns == 18 ? "其它描述" : "备注");
}

void TestExport::sortedOrder() {
  RecordingNotifier note;
  RecordingSpreadsheet app;
  FrmMain main;
  main.lists().woRecords = workOrders(4);  // 1004 down to 1001
  main.lists().woRows = 4;
  main.showPanel(main.fraWorkO(), QStringLiteral("工单列表"), false);
  datasort(main, "WORKO", {1, 1, 1}, {true, true, true});
  Workbook b = exported(main, app);
  QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
  QVariantList ids;
  for (int r = 2; r <= 5; ++r) ids << b.value(Sheet, QString("A%1").arg(r)).toInt();
  QCOMPARE(ids, QVariantList({1001, 1002, 1003, 1004}));
  QCOMPARE(b.value(Sheet, "B2").toString(), QStringLiteral("泵3"));
}

void TestExport::noSpreadsheetApplication() {
  RecordingNotifier note;
  RecordingSpreadsheet app(false);
  FrmMain main;
  main.pop1()->trigger();
  QCOMPARE(app.asked, 1);
  QVERIFY(app.opened.isEmpty());
  QCOMPARE(note.texts(), QStringList{"你的计算机没有安装Microsoft Excel软件，不能执行此功能!"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(note.shown[0].title, QStringLiteral("TAVuser"));
}

void TestExport::writeFailureDescribed() {
  RecordingNotifier note;
  RecordingSpreadsheet app;
  FrmMain main;
  main.lists().woRecords = workOrders(2);
  main.lists().woRecords[1].description = QString(40000, QLatin1Char('x'));
  main.lists().woRows = 2;
  main.showPanel(main.fraWorkO(), QStringLiteral("工单列表"), false);
  main.pop1()->trigger();
  QVERIFY(app.opened.isEmpty());
  QCOMPARE(note.texts(), QStringList{"String exceeds Excel's limit of 32,767 characters."});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
}

QTEST_MAIN(TestExport)
#include "test_export.moc"
