// Recording used time on the shown order against the real server: the sum
// the panel, the list row and the server add alike, what the boxes take,
// a worker without trades, and the list of the records.
#include <QtTest>

#include "client/user/frmaddrecord.h"
#include "client/user/frmstatus.h"
#include "tests/client/user/requestsupport.h"

using namespace tavtest;
using tav::user::FrmAddRecord;
using tav::user::FrmStatus;

namespace {

void seed(ServerDir& d) {
  addUser(d, "eng", 4, 1 | 2, u"pw", "赵六");
  addUser(d, "solo", 4, 0, u"pw", "无工种");
  OrderSeed o;
  o.billId = 201;
  o.status = 4;
  o.creator = "other";
  insertOrder(d, o);
}

}  // namespace

class TestUsedTime : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv = std::make_unique<UserServer>(seed); }
  void cleanupTestCase() { srv.reset(); }
  void sums_data();
  void sums();
  void boxesTakeMinutesOnly();
  void workerWithoutTrades();

 private:
  std::unique_ptr<UserWindow> openOrder(const QString& user) {
    auto w = logIn(*srv, user);
    searchOrders(*w->main);
    w->main->fraRequ()->showOrder(recordOf(*w->main, 201));
    return w;
  }
  std::unique_ptr<UserServer> srv;
};

void TestUsedTime::sums_data() {
  QTest::addColumn<QString>("fitter");
  QTest::addColumn<QString>("electrician");
  QTest::addColumn<int>("added");
  QTest::addColumn<QStringList>("records");  // the used-time list afterwards, newest first
  QTest::newRow("90 and 30 minutes") << "90" << "30" << 120 << QStringList{"电气 30", "机修 90"};
  QTest::newRow("1.5 and 2.5 add 4") << "1.5" << "2.5" << 4 << QStringList{"电气 2.5", "机修 1.5"};
  QTest::newRow("1.5 alone adds 2, as the server rounds") << "1.5" << "" << 2 << QStringList{"机修 1.5"};
  QTest::newRow("2.5 alone adds 2") << "" << "2.5" << 2 << QStringList{"电气 2.5"};
}

void TestUsedTime::sums() {
  QFETCH(QString, fitter);
  QFETCH(QString, electrician);
  QFETCH(int, added);
  QFETCH(QStringList, records);
  RecordingNotifier note;
  auto w = openOrder("eng");
  auto* panel = w->main->fraRequ();
  const int before = serverOrder(201).usetime;
  QCOMPARE(on<QLabel>(panel, "ReQu_Time")->text(), QString::number(before));

  QStringList trades;
  auto watch = whenModal<FrmAddRecord>([&](FrmAddRecord* f) {
    for (int k = 0; k <= f->rowCount(); ++k) trades << on<QLabel>(f, qPrintable(QStringLiteral("AddType_%1").arg(k)))->text();
    on<QLineEdit>(f, "AddTime_1")->setText(fitter);
    on<QLineEdit>(f, "AddTime_2")->setText(electrician);
    f->Command1_Click();
  });
  panel->ReQu_AddTime_Click();
  QCOMPARE(trades, QStringList({"工种", "机修", "电气"}));
  QCOMPARE(note.texts(), QStringList{"工种用时已经写入了"});
  QVERIFY(!QApplication::activeModalWidget());

  QCOMPARE(on<QLabel>(panel, "ReQu_Time")->text(), QString::number(before + added));
  QCOMPARE(w->main->lists().woRecords[std::size_t(recordOf(*w->main, 201)) - 1].usetime, before + added);
  QCOMPARE(serverOrder(201).usetime, before + added);
  QVERIFY(on<QPushButton>(panel, "ReQu_UsedTime")->isEnabled());

  QStringList listed;
  auto watchList = whenModal<FrmStatus>([&](FrmStatus* f) {
    QCOMPARE(f->windowTitle(), QStringLiteral("工作耗时详表"));
    QCOMPARE(on<QLabel>(f, "StaUser_0")->text(), QStringLiteral("工种"));
    for (int i = 1; i <= f->rowCount() && i <= records.size(); ++i) {
      QCOMPARE(on<QLabel>(f, qPrintable(QStringLiteral("Status_%1").arg(i)))->text(), QStringLiteral("赵六"));
      listed << on<QLabel>(f, qPrintable(QStringLiteral("StaUser_%1").arg(i)))->text() + " " +
                    on<QLabel>(f, qPrintable(QStringLiteral("StaTime_%1").arg(i)))->text();
    }
    f->Command1_Click();
  });
  panel->ReQu_UsedTime_Click();
  QCOMPARE(listed, records);
}

void TestUsedTime::boxesTakeMinutesOnly() {
  RecordingNotifier note;
  auto w = openOrder("eng");
  const int before = serverOrder(201).usetime;
  QStringList typed;
  bool stayed = false;
  auto watch = whenModal<FrmAddRecord>([&](FrmAddRecord* f) {
    auto* box = on<QLineEdit>(f, "AddTime_1");
    for (const char* keys : {"12345", "a1b.5.", "9-9"}) {
      box->clear();
      QTest::keyClicks(box, keys);
      typed << box->text();
    }
    // A point alone is no number: the form says so and keeps what was typed.
    box->setText(".");
    on<QLineEdit>(f, "AddTime_2")->setText("30");
    f->Command1_Click();
    stayed = f->isVisible() && on<QLineEdit>(f, "AddTime_2")->text() == "30";
    f->Command2_Click();
  });
  w->main->fraRequ()->ReQu_AddTime_Click();
  QCOMPARE(typed, QStringList({"1234", "1.5", "99"}));
  QVERIFY(stayed);
  QCOMPARE(note.texts(), QStringList{"用时只能填写数字，例如 90 或 1.5"});
  QCOMPARE(serverOrder(201).usetime, before);
  QCOMPARE(w->main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
}

void TestUsedTime::workerWithoutTrades() {
  RecordingNotifier note;
  auto w = openOrder("solo");
  auto* panel = w->main->fraRequ();
  const QString total = on<QLabel>(panel, "ReQu_Time")->text();
  int rows = -1, height = 0;
  auto watch = whenModal<FrmAddRecord>([&](FrmAddRecord* f) {
    rows = f->rowCount();
    height = f->height();
    f->Command1_Click();
  });
  panel->ReQu_AddTime_Click();
  QCOMPARE(rows, 0);
  QCOMPARE(height, 6 * 24);
  QCOMPARE(note.texts(), QStringList{"工种用时已经写入了"});
  QCOMPARE(on<QLabel>(panel, "ReQu_Time")->text(), total);
}

QTEST_MAIN(TestUsedTime)
#include "test_usedtime.moc"
