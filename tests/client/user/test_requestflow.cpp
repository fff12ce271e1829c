// One work request from its writing to its end against the real server:
// found by the quick search, changed by its writer, arranged by the
// dispatcher, repaired and finished by the engineer with used time, and its
// history listed; the list row and the grid follow every step.
#include <QtTest>

#include "client/user/frmaddrecord.h"
#include "client/user/frmstatus.h"
#include "client/user/fraworko.h"
#include "client/user/grid.h"
#include "tests/client/user/requestsupport.h"

using namespace tavtest;
using tav::user::FraRequ;
using tav::user::FrmAddRecord;
using tav::user::FrmStatus;
using tav::user::WOList;

namespace {

void seed(ServerDir& d) {
  addUser(d, "req", 1, 1, u"pw", "张三");
  addUser(d, "disp", 1 | 2, 1, u"pw", "王五");
  addUser(d, "eng", 4, 1 | 2, u"pw", "赵六");
  OrderSeed other;  // an order the quick search must leave out
  other.billId = 50;
  insertOrder(d, other);
}

}  // namespace

class TestRequestFlow : public QObject {
  Q_OBJECT
 private slots:
  void fromWritingToTheEnd();

 private:
  // The quick search by order number from the list panel, then "查详细".
  static void findAndOpen(UserWindow& w, const QString& number) {
    w.main->optionButton("list")->click();
    tav::user::FraWorkO* list = w.main->fraWorkO();
    list->grid()->box(1)->setText(number);
    list->WO_Search_Click();
    QCOMPARE(w.main->lists().woRecords.size(), size_t(1));
    QCOMPARE(list->grid()->cell(1, 1).Text, number);
    list->WO_Detail_Click();
  }
  // The shown cell of list record 1 in grid column `column`.
  static QString cell(UserWindow& w, int column) { return w.main->fraWorkO()->grid()->cell(1, column).Text; }
  static const WOList& row(UserWindow& w) { return w.main->lists().woRecords.front(); }
  static void addTime(FraRequ* p, const QString& fitter, const QString& electrician) {
    auto watch = whenModal<FrmAddRecord>([=](FrmAddRecord* f) {
      on<QLineEdit>(f, "AddTime_1")->setText(fitter);
      on<QLineEdit>(f, "AddTime_2")->setText(electrician);
      f->Command1_Click();
    });
    p->ReQu_AddTime_Click();
  }
  static void save(FraRequ* p, int entry) {
    on<QComboBox>(p, "ReQu_WoStat")->setCurrentIndex(entry);
    p->ReQu_Submit_Click();
  }
};

void TestRequestFlow::fromWritingToTheEnd() {
  UserServer srv(seed, Env{{"TAV_NOW", ServerNow}});
  RecordingNotifier note;
  QString number;
  {  // The writer writes the request, finds it and changes it.
    auto w = logIn(srv, "req");
    FraRequ* p = w->main->fraRequ();
    on<QLineEdit>(p, "ReQu_Number")->setText("10001");
    on<QLabel>(p, "ReQu_eqname")->setText("冷却泵");
    on<QPlainTextEdit>(p, "ReQu_FalReq")->setPlainText("冷却泵机封漏水需要更换");
    on<QLineEdit>(p, "ReQu_OutDay")->setText("2030-5-9");
    on<QComboBox>(p, "Requ_Em")->setCurrentIndex(1);
    on<QComboBox>(p, "ReQu_WoType")->setCurrentIndex(0);
    p->ReQu_Submit_Click();
    number = on<QLabel>(p, "ReQu_BillId")->text();
    QCOMPARE(note.last(), QStringLiteral("新工单编号 %1 已经写入").arg(number));

    findAndOpen(*w, number);
    QVERIFY(p->isVisible());
    QCOMPARE(on<QLabel>(p, "ReQu_BillId")->text(), number);
    QVERIFY(on<QPushButton>(p, "ReQu_Chan")->isEnabled());
    on<QPlainTextEdit>(p, "ReQu_FalReq")->setPlainText("冷却泵机封漏水，轴承也有异响");
    on<QComboBox>(p, "Requ_Em")->setCurrentIndex(0);
    on<QLineEdit>(p, "ReQu_OutDay")->setText("2030-5-8");
    p->ReQu_Chan_Click();
    QCOMPARE(note.last(), QStringLiteral("工单编号 %1 用户修改成功").arg(number));
    QCOMPARE(row(*w).description, QStringLiteral("冷却泵机封漏水，轴承也有异响"));
    QCOMPARE(row(*w).em_level, 1);
    QCOMPARE(row(*w).Scompl, QStringLiteral("2030-5-8"));
    QCOMPARE(row(*w).Sbegin, ServerTodayText);
    QCOMPARE(cell(*w, 3), QStringLiteral("冷却泵机封漏水，轴承也有异响"));
    QCOMPARE(cell(*w, 6), QStringLiteral("1"));
    QCOMPARE(cell(*w, 13), ServerTodayText);
    QCOMPARE(cell(*w, 14), QStringLiteral("2030-5-8"));
    QCOMPARE(cell(*w, 4), QStringLiteral("未生效"));
  }
  {  // The dispatcher arranges it.
    auto w = logIn(srv, "disp");
    FraRequ* p = w->main->fraRequ();
    findAndOpen(*w, number);
    QCOMPARE(items(on<QComboBox>(p, "ReQu_WoStat")), QStringList({"未生效", "已安排", "已撤销"}));
    on<QLineEdit>(p, "ReQu_pointto")->setText("赵六");
    save(p, 1);
    QCOMPARE(note.last(), QStringLiteral("工单编号 %1 已经改写成功").arg(number));
    QCOMPARE(row(*w).Status, 2);
    QCOMPARE(cell(*w, 4), QStringLiteral("已安排"));
    QCOMPARE(cell(*w, 15), QStringLiteral("赵六"));
    QCOMPARE(items(on<QComboBox>(p, "ReQu_WoStat")), QStringList({"已安排", "已安排", "已撤销"}));
    QVERIFY(!on<QPushButton>(p, "ReQu_Submit")->isEnabled());
  }
  {  // The engineer repairs it, records the time and finishes it.
    auto w = logIn(srv, "eng");
    FraRequ* p = w->main->fraRequ();
    findAndOpen(*w, number);
    QCOMPARE(items(on<QComboBox>(p, "ReQu_WoStat")), QStringList({"已安排", "维修中", "等待备件", "已完成"}));
    save(p, 1);
    QCOMPARE(note.last(), QStringLiteral("工单编号 %1 已经改写成功").arg(number));
    QVERIFY(on<QPushButton>(p, "ReQu_AddTime")->isEnabled());
    QVERIFY(!on<QPlainTextEdit>(p, "ReQu_reason")->isReadOnly());

    addTime(p, "90", "30");
    QCOMPARE(on<QLabel>(p, "ReQu_Time")->text(), QStringLiteral("120"));
    QCOMPARE(row(*w).usetime, 120);
    QCOMPARE(cell(*w, 7), QStringLiteral("120"));
    addTime(p, "1.5", "2.5");
    QCOMPARE(on<QLabel>(p, "ReQu_Time")->text(), QStringLiteral("124"));
    QCOMPARE(row(*w).usetime, 124);
    QCOMPARE(cell(*w, 7), QStringLiteral("124"));
    QCOMPARE(serverOrder(number.toInt()).usetime, 124);

    on<QPlainTextEdit>(p, "ReQu_reason")->setPlainText("机封磨损");
    on<QPlainTextEdit>(p, "ReQu_solute")->setPlainText("更换机封与轴承");
    save(p, 3);
    QCOMPARE(note.last(), QStringLiteral("工单编号 %1 已经改写成功").arg(number));
    QCOMPARE(items(on<QComboBox>(p, "ReQu_WoStat")), QStringList{"已完成"});
    QCOMPARE(on<QLabel>(p, "Requ_doneday")->text(), ServerTodayText);
    QVERIFY(!on<QPushButton>(p, "ReQu_AddTime")->isEnabled());
    QCOMPARE(row(*w).done_date, ServerToday);
    QCOMPARE(cell(*w, 11), ServerTodayText);
    QCOMPARE(cell(*w, 16), QStringLiteral("机封磨损"));
    QCOMPARE(cell(*w, 17), QStringLiteral("更换机封与轴承"));

    QStringList history;
    auto watch = whenModal<FrmStatus>([&](FrmStatus* f) {
      for (int i = 1; i <= f->rowCount(); ++i)
        history << on<QLabel>(f, qPrintable(QStringLiteral("Status_%1").arg(i)))->text() + " " +
                       on<QLabel>(f, qPrintable(QStringLiteral("StaUser_%1").arg(i)))->text() + " " +
                       on<QLabel>(f, qPrintable(QStringLiteral("StaTime_%1").arg(i)))->text().section(' ', 0, 0);
      f->Command1_Click();
    });
    p->ReQu_StaDetail_Click();
    QCOMPARE(history, QStringList({"已完成 eng(赵六) " + ServerTodayText, "维修中 eng(赵六) " + ServerTodayText,
                                   "已安排 disp(王五) " + ServerTodayText}));

    const WOList o = serverOrder(number.toInt());
    QCOMPARE(o.Status, 16);
    QCOMPARE(o.done_date, ServerToday);
    QCOMPARE(o.pointto, QStringLiteral("赵六"));
    QCOMPARE(o.reason, QStringLiteral("机封磨损"));
    QCOMPARE(o.description, QStringLiteral("冷却泵机封漏水，轴承也有异响"));
    QCOMPARE(o.usetime, 124);
  }
}

QTEST_MAIN(TestRequestFlow)
#include "test_requestflow.moc"
