// The work-request panel against the real server: what an order shows and
// unlocks for whom, the checks of a new request, the writes of the
// requester, the dispatcher and the engineer, and the server's refusals.
#include <QGroupBox>
#include <QtTest>

#include "client/user/frmaddrecord.h"
#include "client/user/fraequip.h"
#include "client/user/fraworko.h"
#include "client/user/frmstatus.h"
#include "tests/client/user/requestsupport.h"

using namespace tavtest;
using tav::user::FraRequ;
using tav::user::FrmStatus;
using tav::user::WOList;

namespace {

const QString Yesterday = "2030-5-5", Tomorrow = "2030-5-7";

void seed(ServerDir& d) {
  addUser(d, "req", 1, 1, u"pw", "张三");
  addUser(d, "other", 1, 1, u"pw", "李四");
  addUser(d, "disp", 1 | 2, 1, u"pw", "王五");
  addUser(d, "eng", 4, 1 | 2, u"pw", "赵六");
  auto order = [&](int id, int status, const std::string& creator, const std::string& name) {
    OrderSeed o;
    o.billId = id;
    o.status = status;
    o.creator = creator;
    o.creatorName = name;
    o.created = ServerToday - 2;
    o.begin = ServerToday + 1;
    o.compl_ = ServerToday + 3;
    return o;
  };
  insertOrder(d, order(101, 1, "req", "张三"));
  OrderSeed arranged = order(102, 2, "other", "李四");
  arranged.pointto = "老刘";
  arranged.usetime = 30;
  arranged.billType = "IM";
  arranged.emLevel = 3;
  insertOrder(d, arranged);
  OrderSeed done = order(103, 16, "other", "李四");
  done.done = 47005;
  done.usetime = 45;
  done.reason = "轴承磨损";
  done.solute = "更换轴承";
  done.remark = "已试车";
  insertOrder(d, done);
  insertOrder(d, order(104, 1, "disp", "王五"));
  insertOrder(d, order(105, 1, "disp", "王五"));
  OrderSeed done2 = done;
  done2.billId = 106;
  insertOrder(d, done2);
  for (int id : {107, 108, 109}) insertOrder(d, order(id, 1, "req", "张三"));
  OrderSeed unknown = order(110, 2, "other", "李四");
  unknown.billType = "ZZ";
  unknown.emLevel = 7;
  insertOrder(d, unknown);
}

const char* const Boxes[] = {"ReQu_FalReq", "ReQu_InDay",  "ReQu_OutDay", "ReQu_WoType", "Requ_Em",
                             "ReQu_pointto", "ReQu_reason", "ReQu_solute", "ReQu_WoComm"};
const char* const Buttons[] = {"ReQu_StaDetail", "ReQu_UsedTime", "ReQu_AddTime", "ReQu_Chan", "ReQu_Submit"};

struct Request {
  QString number = "10001", name = "冷却泵", description = "泵体漏水需要检修处理", inDay, outDay = "2030-5-8";
  int em = 1, type = 0, entry = 0;
  QString pointto;
};

}  // namespace

Q_DECLARE_METATYPE(Request)

class TestRequests : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv = std::make_unique<UserServer>(seed, Env{{"TAV_NOW", ServerNow}}); }
  void cleanupTestCase() { srv.reset(); }
  void panelState_data();
  void panelState();
  void unknownTypeAndLevelShowNoChoice();
  void newRequestChecks_data();
  void newRequestChecks();
  void newRequestWithoutTheRight();
  void openingAfterWritingKeepsTheAssignee();
  void shownOrderSurvivesNewSearches_data();
  void shownOrderSurvivesNewSearches();
  void refusals_data();
  void refusals();
  void historyWithoutRows();
  void newRequestPanel();
  void editingAids();
  void changeOfARequestJustWritten();
  void pickingAndReturning();

 private:
  std::unique_ptr<UserWindow> logIn(const QString& id) { return tavtest::logIn(*srv, id); }
  FraRequ* panel(UserWindow& w) { return w.main->fraRequ(); }
  template <class W>
  W* c(UserWindow& w, const char* name) {
    return on<W>(panel(w), name);
  }
  void fill(UserWindow& w, const Request& r);
  std::unique_ptr<UserServer> srv;
};

void TestRequests::fill(UserWindow& w, const Request& r) {
  c<QLineEdit>(w, "ReQu_Number")->setText(r.number);
  c<QLabel>(w, "ReQu_eqname")->setText(r.name);
  c<QPlainTextEdit>(w, "ReQu_FalReq")->setPlainText(r.description);
  c<QLineEdit>(w, "ReQu_InDay")->setText(r.inDay);
  c<QLineEdit>(w, "ReQu_OutDay")->setText(r.outDay);
  c<QComboBox>(w, "Requ_Em")->setCurrentIndex(r.em);
  c<QComboBox>(w, "ReQu_WoType")->setCurrentIndex(r.type);
  c<QComboBox>(w, "ReQu_WoStat")->setCurrentIndex(r.entry);
  c<QLineEdit>(w, "ReQu_pointto")->setText(r.pointto);
}

void TestRequests::panelState_data() {
  QTest::addColumn<QString>("user");
  QTest::addColumn<int>("order");
  QTest::addColumn<QString>("locked");
  QTest::addColumn<bool>("find");
  QTest::addColumn<QString>("statuses");
  QTest::addColumn<QString>("enabled");
  const QString requester = "ReQu_FalReq ReQu_InDay ReQu_OutDay ReQu_WoType Requ_Em ";
  QTest::newRow("requester, own new request")
      << "req" << 101 << "ReQu_pointto ReQu_reason ReQu_solute ReQu_WoComm" << true << "未生效" << "ReQu_Chan";
  QTest::newRow("requester, another's new request")
      << "req" << 104 << requester + "ReQu_pointto ReQu_reason ReQu_solute ReQu_WoComm" << false << "未生效" << "";
  QTest::newRow("requester, finished order")
      << "req" << 103 << requester + "ReQu_pointto ReQu_reason ReQu_solute ReQu_WoComm" << false << "已完成"
      << "ReQu_StaDetail ReQu_UsedTime";
  QTest::newRow("dispatcher, another's new request")
      << "disp" << 101 << requester + "ReQu_reason ReQu_solute" << false << "未生效|已安排|已撤销" << "";
  QTest::newRow("dispatcher, own new request")
      << "disp" << 104 << "ReQu_reason ReQu_solute" << true << "未生效|已安排|已撤销" << "ReQu_Chan";
  QTest::newRow("dispatcher, arranged: the current status twice")
      << "disp" << 102 << requester + "ReQu_reason ReQu_solute" << false << "已安排|已安排|已撤销"
      << "ReQu_StaDetail ReQu_UsedTime";
  QTest::newRow("engineer, arranged")
      << "eng" << 102 << requester + "ReQu_pointto ReQu_reason ReQu_solute" << false
      << "已安排|维修中|等待备件|已完成" << "ReQu_StaDetail ReQu_UsedTime";
  QTest::newRow("engineer, finished: used time still open")
      << "eng" << 103 << requester + "ReQu_pointto ReQu_WoComm" << false << "已完成"
      << "ReQu_StaDetail ReQu_UsedTime ReQu_AddTime";
}

void TestRequests::panelState() {
  QFETCH(QString, user);
  QFETCH(int, order);
  QFETCH(QString, locked);
  QFETCH(bool, find);
  QFETCH(QString, statuses);
  QFETCH(QString, enabled);
  RecordingNotifier note;
  auto w = logIn(user);
  QVERIFY(searchOrders(*w->main) > 0);
  // The panel held an editable order before: nothing of it may stay open.
  panel(*w)->showOrder(recordOf(*w->main, 104));
  panel(*w)->showOrder(recordOf(*w->main, order));
  QVERIFY(panel(*w)->isVisible());
  QVERIFY(w->main->OFrame() == panel(*w));

  QStringList lockedNow, enabledNow;
  for (const char* b : Boxes) {
    QWidget* box = c<QWidget>(*w, b);
    QVERIFY2(box->isEnabled(), b);  // locked boxes stay readable
    if (tav::user::isLocked(box)) lockedNow << b;
  }
  for (const char* b : Buttons)
    if (c<QPushButton>(*w, b)->isEnabled()) enabledNow << b;
  QCOMPARE(lockedNow.join(' '), locked);
  QCOMPARE(enabledNow.join(' '), enabled);
  QCOMPARE(c<QWidget>(*w, "ReQu_Find")->isVisible(), find);
  QCOMPARE(items(c<QComboBox>(*w, "ReQu_WoStat")).join('|'), statuses);
  QCOMPARE(c<QComboBox>(*w, "ReQu_WoStat")->currentIndex(), 0);
  QCOMPARE(c<QLabel>(*w, "ReQu_BillId")->text(), QString::number(order));
  QCOMPARE(c<QPushButton>(*w, "ReQu_Submit")->text(), QStringLiteral("保存更改"));
  QVERIFY(c<QPushButton>(*w, "Requ_Retu")->isEnabled());
  QVERIFY(!c<QPushButton>(*w, "ReQu_Clear")->isEnabled());

  // A locked choice box ignores the mouse and the keys.
  auto* em = c<QComboBox>(*w, "Requ_Em");
  const int before = em->currentIndex();
  QTest::keyClick(em, Qt::Key_Down);
  QCOMPARE(em->currentIndex() != before, !locked.contains("Requ_Em"));
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
}

void TestRequests::unknownTypeAndLevelShowNoChoice() {
  RecordingNotifier note;
  auto w = logIn("disp");
  searchOrders(*w->main);
  panel(*w)->showOrder(recordOf(*w->main, 102));
  QCOMPARE(c<QComboBox>(*w, "ReQu_WoType")->currentText(), QStringLiteral("设备改造"));
  QCOMPARE(c<QComboBox>(*w, "Requ_Em")->currentText(), QStringLiteral("可稍后"));
  QCOMPARE(c<QLabel>(*w, "ReQu_WriMan")->text(), QStringLiteral("other(李四)"));
  QCOMPARE(c<QLineEdit>(*w, "ReQu_pointto")->text(), QStringLiteral("老刘"));
  QCOMPARE(c<QLabel>(*w, "ReQu_Time")->text(), QStringLiteral("30"));
  panel(*w)->showOrder(recordOf(*w->main, 110));
  QCOMPARE(c<QComboBox>(*w, "ReQu_WoType")->currentIndex(), -1);
  QCOMPARE(c<QComboBox>(*w, "Requ_Em")->currentIndex(), -1);
}

void TestRequests::newRequestChecks_data() {
  QTest::addColumn<Request>("request");
  QTest::addColumn<QString>("message");  // empty: written
  QTest::addColumn<QString>("focus");
  const Request ok;
  auto with = [&](auto change) {
    Request r = ok;
    change(r);
    return r;
  };
  QTest::newRow("1 no equipment") << with([](Request& r) { r.number.clear(); }) << "一定要选一台设备哦。"
                                  << "ReQu_Number";
  QTest::newRow("2 nine characters") << with([](Request& r) { r.description = "一二三四五六七八九"; })
                                     << "工单描述不得少于十字" << "ReQu_FalReq";
  QTest::newRow("3 no completion date") << with([](Request& r) { r.outDay.clear(); })
                                        << "要求完成的日期是必要的，或者你写错了格式" << "ReQu_OutDay";
  QTest::newRow("3 completion not a date") << with([](Request& r) { r.outDay = "2030-13-1"; })
                                           << "要求完成的日期是必要的，或者你写错了格式" << "ReQu_OutDay";
  QTest::newRow("4 no urgency") << with([](Request& r) { r.em = -1; }) << "紧急程度是必选项" << "Requ_Em";
  QTest::newRow("5 no type") << with([](Request& r) { r.type = -1; }) << "工作请求类型是必选项" << "ReQu_WoType";
  QTest::newRow("6 arranged without assignee, before the start date")
      << with([](Request& r) {
           r.entry = 1;
           r.em = r.type = -1;
           r.inDay = "nonsense";
         })
      << "对于“已安排”的工单，必须填写受派人" << "ReQu_pointto";
  QTest::newRow("7 start not a date") << with([](Request& r) { r.inDay = "5-40"; })
                                      << "计划开始日期写错了格式，不过它不是必填项" << "ReQu_InDay";
  QTest::newRow("8 start yesterday") << with([](Request& r) { r.inDay = Yesterday; })
                                     << "计划开始日期怎么是过去了的？" << "ReQu_InDay";
  QTest::newRow("9 completion yesterday") << with([](Request& r) { r.outDay = Yesterday; })
                                          << "要求完成日期怎么是过去了的？" << "ReQu_OutDay";
  QTest::newRow("ten characters, both dates today") << with([](Request& r) {
    r.description = "一二三四五六七八九十";
    r.inDay = r.outDay = ServerTodayText;
  }) << "" << "";
  QTest::newRow("empty start date sent as today") << with([](Request& r) { r.inDay.clear(); }) << "" << "";
  QTest::newRow("arranged needs neither urgency nor type") << with([](Request& r) {
    r.entry = 1;
    r.em = r.type = -1;
    r.pointto = "老刘";
    r.inDay = Tomorrow;
  }) << "" << "";
}

void TestRequests::newRequestChecks() {
  QFETCH(Request, request);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  RecordingNotifier note;
  auto w = logIn("disp");
  fill(*w, request);
  panel(*w)->ReQu_Submit_Click();
  QCOMPARE(note.shown.size(), size_t(1));
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(w->main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w->main->Timer1()->isActive());
  if (!message.isEmpty()) {
    QCOMPARE(note.last(), message);
    QCOMPARE(w->main->focusWidget()->objectName(), focus);
    QVERIFY(c<QLabel>(*w, "ReQu_BillId")->text().isEmpty());
    return;
  }
  const QString number = c<QLabel>(*w, "ReQu_BillId")->text();
  QVERIFY(!number.isEmpty());
  QCOMPARE(note.last(), QStringLiteral("新工单编号 ") + number + QStringLiteral(" 已经写入"));
  QVERIFY(!c<QPushButton>(*w, "ReQu_Submit")->isEnabled());
  QCOMPARE(c<QPushButton>(*w, "ReQu_Chan")->isEnabled(), request.entry == 0);
  QCOMPARE(panel(*w)->billId(), number.toInt());

  const WOList o = serverOrder(number.toInt());
  QCOMPARE(o.bill_id, number.toInt());
  QCOMPARE(o.description, request.description);
  QCOMPARE(o.Status, request.entry == 0 ? 1 : 2);
  QCOMPARE(o.pointto, request.pointto);
  QCOMPARE(o.em_level, request.em + 1);
  QCOMPARE(o.bill_type, request.type < 0 ? QString() : QStringLiteral("CM"));
  QCOMPARE(o.begin_date, request.inDay.isEmpty() ? ServerToday : tav::user::parseDate(request.inDay));
  QCOMPARE(o.compl_date, tav::user::parseDate(request.outDay));
  QCOMPARE(o.createid, QStringLiteral("disp"));
  QCOMPARE(o.created_date, ServerToday);
  if (request.inDay.isEmpty()) QCOMPARE(c<QLineEdit>(*w, "ReQu_InDay")->text(), ServerTodayText);
}

void TestRequests::newRequestWithoutTheRight() {
  RecordingNotifier note;
  auto w = logIn("eng");
  QCOMPARE(items(c<QComboBox>(*w, "ReQu_WoStat")), QStringList{"未生效"});  // no arranging without its right
  fill(*w, Request{});
  panel(*w)->ReQu_Submit_Click();
  QCOMPARE(note.texts(), QStringList{"你没有这一权限。"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QVERIFY(c<QLabel>(*w, "ReQu_BillId")->text().isEmpty());
  QVERIFY(c<QPushButton>(*w, "ReQu_Submit")->isEnabled());  // the panel keeps everything for another try
  QCOMPARE(c<QPlainTextEdit>(*w, "ReQu_FalReq")->toPlainText(), Request{}.description);
}

void TestRequests::openingAfterWritingKeepsTheAssignee() {
  RecordingNotifier note;
  auto w = logIn("disp");
  fill(*w, Request{});
  panel(*w)->ReQu_Submit_Click();
  QVERIFY(note.last().startsWith("新工单编号"));

  searchOrders(*w->main);
  panel(*w)->showOrder(recordOf(*w->main, 102));
  QCOMPARE(c<QLineEdit>(*w, "ReQu_pointto")->text(), QStringLiteral("老刘"));
  QVERIFY(!c<QPushButton>(*w, "ReQu_Submit")->isEnabled());
  c<QComboBox>(*w, "ReQu_WoStat")->setCurrentIndex(1);  // 已安排 again, to save the remark
  QVERIFY(c<QPushButton>(*w, "ReQu_Submit")->isEnabled());
  QCOMPARE(c<QLineEdit>(*w, "ReQu_pointto")->text(), QStringLiteral("老刘"));
  c<QPlainTextEdit>(*w, "ReQu_WoComm")->setPlainText("请尽快处理");
  panel(*w)->ReQu_Submit_Click();
  QCOMPARE(note.last(), QStringLiteral("工单编号 102 已经改写成功"));
  const WOList o = serverOrder(102);
  QCOMPARE(o.pointto, QStringLiteral("老刘"));
  QCOMPARE(o.scribebyeng, QStringLiteral("请尽快处理"));
  QCOMPARE(o.Status, 2);
}

void TestRequests::shownOrderSurvivesNewSearches_data() {
  QTest::addColumn<bool>("others");
  QTest::addColumn<int>("own");       // the dispatcher's own new request
  QTest::addColumn<int>("finished");  // a finished order the engineer records time on
  QTest::newRow("search returns other orders") << true << 104 << 103;
  QTest::newRow("search returns none") << false << 105 << 106;
}

void TestRequests::shownOrderSurvivesNewSearches() {
  QFETCH(bool, others);
  QFETCH(int, own);
  QFETCH(int, finished);
  RecordingNotifier note;
  // Another search while an order is open: the list then holds 101 alone, or nothing.
  auto research = [&](UserWindow& w) {
    return searchOrders(*w.main, others ? condition(u"bill_id", u"101") : condition(u"bill_id", u"99999"));
  };
  {
    auto w = logIn("disp");
    searchOrders(*w->main);
    panel(*w)->showOrder(recordOf(*w->main, own));
    QCOMPARE(research(*w), others ? 1 : 0);
    const auto listBefore = w->main->lists().woRecords;

    c<QPlainTextEdit>(*w, "ReQu_FalReq")->setPlainText("改过的描述，共十一个字");
    panel(*w)->ReQu_Chan_Click();
    QCOMPARE(note.last(), QStringLiteral("工单编号 %1 用户修改成功").arg(own));
    c<QComboBox>(*w, "ReQu_WoStat")->setCurrentIndex(1);  // 已安排
    c<QLineEdit>(*w, "ReQu_pointto")->setText("老刘");
    panel(*w)->ReQu_Submit_Click();
    QCOMPARE(note.last(), QStringLiteral("工单编号 %1 已经改写成功").arg(own));
    QStringList history;
    auto watch = whenModal<FrmStatus>([&](FrmStatus* f) {
      history << f->findChild<QLabel*>("BillID")->text() << f->findChild<QLabel*>("Status_1")->text()
              << f->findChild<QLabel*>("StaUser_1")->text();
      f->Command1_Click();
    });
    panel(*w)->ReQu_StaDetail_Click();
    QCOMPARE(history, QStringList({QStringLiteral("工单：%1").arg(own), "已安排", "disp(王五)"}));

    const WOList o = serverOrder(own);
    QCOMPARE(o.description, QStringLiteral("改过的描述，共十一个字"));
    QCOMPARE(o.Status, 2);
    QCOMPARE(o.pointto, QStringLiteral("老刘"));
    const WOList untouched = serverOrder(101);
    QCOMPARE(untouched.Status, 1);
    QCOMPARE(untouched.description, QStringLiteral("泵体漏水需要检修处理"));
    const auto& listAfter = w->main->lists().woRecords;
    QCOMPARE(listAfter.size(), listBefore.size());
    for (std::size_t i = 0; i < listAfter.size(); ++i) {
      QCOMPARE(listAfter[i].description, listBefore[i].description);
      QCOMPARE(listAfter[i].Status, listBefore[i].Status);
      QCOMPARE(listAfter[i].pointto, listBefore[i].pointto);
    }
  }
  {
    auto w = logIn("eng");
    searchOrders(*w->main);
    panel(*w)->showOrder(recordOf(*w->main, finished));
    research(*w);
    const auto listBefore = w->main->lists().woRecords;
    auto watch = whenModal<tav::user::FrmAddRecord>([](tav::user::FrmAddRecord* f) {
      f->findChild<QLineEdit*>("AddTime_1")->setText("60");
      f->Command1_Click();
    });
    panel(*w)->ReQu_AddTime_Click();
    QCOMPARE(note.last(), QStringLiteral("工种用时已经写入了"));
    QCOMPARE(c<QLabel>(*w, "ReQu_Time")->text(), QStringLiteral("105"));
    QCOMPARE(serverOrder(finished).usetime, 105);
    QCOMPARE(serverOrder(101).usetime, 0);
    int rows = -1;
    auto watchList = whenModal<FrmStatus>([&](FrmStatus* f) {
      rows = f->rowCount();
      f->Command1_Click();
    });
    panel(*w)->ReQu_UsedTime_Click();
    QCOMPARE(rows, 1);
    QCOMPARE(w->main->lists().woRecords.size(), listBefore.size());
    for (std::size_t i = 0; i < listBefore.size(); ++i)
      QCOMPARE(w->main->lists().woRecords[i].usetime, listBefore[i].usetime);
  }
}

void TestRequests::refusals_data() {
  QTest::addColumn<QString>("user");
  QTest::addColumn<int>("order");
  QTest::addColumn<QString>("how");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("icon");
  const int info = int(tav::client::Icon::Information), crit = int(tav::client::Icon::Critical);
  QTest::newRow("WRONGU: a list row that names the user as writer") << "req" << 104 << "change"
                                                                    << "工单 104 不是你填写的，你不能修改" << info;
  QTest::newRow("CHANGE: arranged meanwhile") << "req" << 107 << "change"
                                              << "工单 107 已经被生效或否决，不能再修改" << info;
  QTest::newRow("NOTHIS: change, the row names the archive") << "req" << 108 << "change archive"
                                                             << "找不到工单，可能已被转移。108" << info;
  QTest::newRow("NOTHIS: update, the row names the archive") << "disp" << 109 << "update archive"
                                                             << "找不到工单，可能已被转移。109" << info;
  QTest::newRow("NOTHIS: used time, the row names the archive") << "eng" << 103 << "time archive"
                                                                << "找不到工单，可能已被转移。103" << info;
  QTest::newRow("UWRONG: twelve-digit equipment number") << "req" << 0 << "new"
                                                         << "服务器报告不明错误，该请求未被执行。" << crit;
}

void TestRequests::refusals() {
  QFETCH(QString, user);
  QFETCH(int, order);
  QFETCH(QString, how);
  QFETCH(QString, message);
  QFETCH(int, icon);
  RecordingNotifier note;
  auto w = logIn(user);
  if (how == "new") {
    Request r;
    r.number = "123456789012";
    fill(*w, r);
    panel(*w)->ReQu_Submit_Click();
  } else {
    searchOrders(*w->main);
    const int n = recordOf(*w->main, order);
    QVERIFY(n > 0);
    WOList& row = w->main->lists().woRecords[std::size_t(n) - 1];
    if (order == 104) row.createid = user;
    if (how.endsWith("archive")) row.isNew = 0;
    if (order == 107) {
      Client disp(srv->port());
      startSession(disp, u"disp");
      QCOMPARE(disp.call(u"WRITE:1OLDWO", {u"bill_id", u"107", u"status", u"2"}), std::u16string(u"WRITE,OK"));
    }
    const WOList before = row;
    panel(*w)->showOrder(n);
    if (how.startsWith("change")) {
      panel(*w)->ReQu_Chan_Click();
    } else if (how.startsWith("update")) {
      c<QComboBox>(*w, "ReQu_WoStat")->setCurrentIndex(1);
      panel(*w)->ReQu_Submit_Click();
    } else {
      auto watch = whenModal<tav::user::FrmAddRecord>([](tav::user::FrmAddRecord* f) {
        f->findChild<QLineEdit*>("AddTime_1")->setText("5");
        f->Command1_Click();
      });
      panel(*w)->ReQu_AddTime_Click();
    }
    const WOList& after = w->main->lists().woRecords[std::size_t(n) - 1];
    QCOMPARE(after.Status, before.Status);
    QCOMPARE(after.usetime, before.usetime);
    QCOMPARE(after.description, before.description);
  }
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(int(note.shown[0].icon), icon);
  QCOMPARE(w->main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w->main->Timer1()->isActive());
  QVERIFY(!tav::user::session().reqBusy);
}

void TestRequests::historyWithoutRows() {
  RecordingNotifier note;
  auto w = logIn("disp");
  searchOrders(*w->main);
  panel(*w)->showOrder(recordOf(*w->main, 110));
  QString busyMeanwhile;
  int rows = -1, height = 0;
  auto watch = whenModal<FrmStatus>([&](FrmStatus* f) {
    busyMeanwhile = w->main->LabStat()->text();
    rows = f->rowCount();
    height = f->height();
    QCOMPARE(f->windowTitle(), QStringLiteral("工单状态详表"));
    QVERIFY(f->findChild<QLabel*>("Status_0")->font().bold());
    QVERIFY(!f->findChild<QLabel*>("Status_1"));
    f->Command1_Click();
  });
  panel(*w)->ReQu_StaDetail_Click();
  QCOMPARE(rows, 0);
  QCOMPARE(height, 6 * 24);
  QCOMPARE(busyMeanwhile, QStringLiteral(" TAVuser - 正在处理请求，请稍候"));
  QCOMPARE(w->main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w->main->Timer1()->isActive());
  QVERIFY(note.shown.empty());
}

void TestRequests::newRequestPanel() {
  RecordingNotifier note;
  auto w = logIn("disp");
  searchOrders(*w->main);
  panel(*w)->showOrder(recordOf(*w->main, 102));  // something shown before
  w->main->optionButton("require")->click();
  QVERIFY(panel(*w)->isVisible());
  QCOMPARE(c<QLabel>(*w, "ReQu_BillId")->text(), QString());
  QCOMPARE(c<QLineEdit>(*w, "ReQu_Number")->text(), QString());
  QCOMPARE(c<QLabel>(*w, "ReQu_WriDay")->text(), ServerTodayText);
  QCOMPARE(c<QLabel>(*w, "ReQu_WriMan")->text(), QStringLiteral("disp(王五)"));
  QCOMPARE(c<QLabel>(*w, "ReQu_Time")->text(), QString());
  QCOMPARE(items(c<QComboBox>(*w, "ReQu_WoStat")).join('|'), QStringLiteral("未生效|已安排"));
  QCOMPARE(c<QComboBox>(*w, "ReQu_WoType")->currentIndex(), -1);
  QCOMPARE(c<QComboBox>(*w, "Requ_Em")->currentIndex(), -1);
  QStringList locked, enabled;
  for (const char* b : Boxes)
    if (tav::user::isLocked(c<QWidget>(*w, b))) locked << b;
  for (const char* b : {"ReQu_StaDetail", "ReQu_UsedTime", "ReQu_AddTime", "ReQu_Chan", "ReQu_Submit", "ReQu_Clear",
                        "Requ_Retu"})
    if (c<QPushButton>(*w, b)->isEnabled()) enabled << b;
  QCOMPARE(locked.join(' '), QStringLiteral("ReQu_pointto ReQu_reason ReQu_solute ReQu_WoComm"));
  QCOMPARE(enabled.join(' '), QStringLiteral("ReQu_Submit ReQu_Clear"));
  QCOMPARE(c<QPushButton>(*w, "ReQu_Submit")->text(), QStringLiteral("新单提交"));
  QVERIFY(c<QWidget>(*w, "ReQu_Find")->isVisible());

  // "已安排" asks for an assignee; "未生效" takes it away again.
  auto* who = c<QLineEdit>(*w, "ReQu_pointto");
  QCOMPARE(who->palette().color(QPalette::Base), QColor(Qt::white));
  c<QComboBox>(*w, "ReQu_WoStat")->setCurrentIndex(1);
  QCOMPARE(who->palette().color(QPalette::Base), QColor(255, 224, 192));
  QVERIFY(!who->isReadOnly());
  who->setText("老刘");
  c<QComboBox>(*w, "ReQu_WoStat")->setCurrentIndex(0);
  QCOMPARE(who->palette().color(QPalette::Base), QColor(Qt::white));
  QVERIFY(who->isReadOnly());
  QCOMPARE(who->text(), QString());
}

void TestRequests::editingAids() {
  RecordingNotifier note;
  auto w = logIn("req");
  auto* text = c<QPlainTextEdit>(*w, "ReQu_FalReq");
  QCOMPARE(c<QLabel>(*w, "Lab_FalReq")->text(), QStringLiteral("还有100字"));
  text->setPlainText(QString(101, QChar(u'字')));
  QCOMPARE(c<QLabel>(*w, "Lab_FalReq")->text(), QStringLiteral("还有-1字"));
  for (const char* name : {"ReQu_reason", "ReQu_solute", "ReQu_WoComm"}) {
    c<QPlainTextEdit>(*w, name)->setPlainText("十个字十个字十个字十");
    QCOMPARE(c<QLabel>(*w, qPrintable(QStringLiteral("Lab_") + QString(name).mid(5)))->text(),
             QStringLiteral("还有90字"));
  }

  auto* in = c<QLineEdit>(*w, "ReQu_InDay");
  auto* out = c<QLineEdit>(*w, "ReQu_OutDay");
  in->setText("x");
  QTest::keyClick(in, Qt::Key_Space);
  QCOMPARE(in->text(), ServerTodayText);
  QCOMPARE(in->cursorPosition(), 8);  // position 10, as far as the text goes
  QTest::keyClick(out, Qt::Key_Space);
  QCOMPARE(out->text(), Tomorrow);
  QTest::keyClicks(out, "1");
  QCOMPARE(out->text(), Tomorrow + "1");

  // Locked dates take no key at all.
  searchOrders(*w->main);
  panel(*w)->showOrder(recordOf(*w->main, 104));
  const QString shown = in->text();
  QTest::keyClick(in, Qt::Key_Space);
  QCOMPARE(in->text(), shown);
  QVERIFY(note.shown.empty());
}

void TestRequests::changeOfARequestJustWritten() {
  RecordingNotifier note;
  auto w = logIn("disp");
  searchOrders(*w->main);
  const auto listBefore = w->main->lists().woRecords;
  w->main->optionButton("require")->click();
  fill(*w, Request{});
  panel(*w)->ReQu_Submit_Click();
  const QString number = c<QLabel>(*w, "ReQu_BillId")->text();
  QCOMPARE(note.last(), QStringLiteral("新工单编号 ") + number + QStringLiteral(" 已经写入"));
  QVERIFY(c<QPushButton>(*w, "ReQu_Chan")->isEnabled());

  // Just written, the panel still treats the status box as a request's.
  c<QComboBox>(*w, "ReQu_WoStat")->setCurrentIndex(1);
  QCOMPARE(c<QLineEdit>(*w, "ReQu_pointto")->palette().color(QPalette::Base), QColor(255, 224, 192));
  panel(*w)->ReQu_Chan_Click();
  QCOMPARE(note.last(), QStringLiteral("对于“已安排”的工单，必须填写受派人"));
  QCOMPARE(w->main->focusWidget()->objectName(), QStringLiteral("ReQu_pointto"));
  c<QLineEdit>(*w, "ReQu_pointto")->setText("老刘");
  c<QPlainTextEdit>(*w, "ReQu_FalReq")->setPlainText("泵体漏水需要尽快检修处理");
  panel(*w)->ReQu_Chan_Click();
  QCOMPARE(note.last(), QStringLiteral("工单编号 ") + number + QStringLiteral(" 用户修改成功"));
  QVERIFY(!c<QPushButton>(*w, "ReQu_Chan")->isEnabled());  // arranged now: no more changes
  const WOList o = serverOrder(number.toInt());
  QCOMPARE(o.description, QStringLiteral("泵体漏水需要尽快检修处理"));
  QCOMPARE(o.Status, 2);
  QCOMPARE(o.pointto, QStringLiteral("老刘"));
  // Written here, the request is in no list: the list is as it was.
  QCOMPARE(w->main->lists().woRecords.size(), listBefore.size());

  // "清空重写" keeps the texts for the next request.
  c<QPushButton>(*w, "ReQu_Clear")->click();
  QCOMPARE(c<QLabel>(*w, "ReQu_BillId")->text(), QString());
  QVERIFY(c<QPushButton>(*w, "ReQu_Submit")->isEnabled());
  QVERIFY(!c<QPushButton>(*w, "ReQu_Chan")->isEnabled());
  QCOMPARE(c<QPlainTextEdit>(*w, "ReQu_FalReq")->toPlainText(), QStringLiteral("泵体漏水需要尽快检修处理"));
  QVERIFY(!c<QLineEdit>(*w, "ReQu_pointto")->isReadOnly());
  QCOMPARE(c<QLineEdit>(*w, "ReQu_pointto")->palette().color(QPalette::Base), QColor(255, 224, 192));
  panel(*w)->ReQu_Chan_Click();
  QCOMPARE(note.last(), QStringLiteral("还没有工单，不能修改"));
}

void TestRequests::pickingAndReturning() {
  RecordingNotifier note;
  auto w = logIn("req");
  auto* box = w->main->findChild<QGroupBox*>("FraAlls");
  panel(*w)->ReQu_Find_Click();
  QVERIFY(w->main->OFrame() == w->main->fraEquip());
  QVERIFY(w->main->fraEquip()->isVisible());
  QVERIFY(!panel(*w)->isVisible());
  QVERIFY(w->main->lists().equPickMode);
  QCOMPARE(box->title(), QStringLiteral("创建工单"));
  panel(*w)->equipmentPicked("10002", "B1冷却塔");
  QVERIFY(w->main->OFrame() == panel(*w));
  QVERIFY(panel(*w)->isVisible());
  QCOMPARE(c<QLineEdit>(*w, "ReQu_Number")->text(), QStringLiteral("10002"));
  QCOMPARE(c<QLabel>(*w, "ReQu_eqname")->text(), QStringLiteral("B1冷却塔"));
  panel(*w)->ReQu_Find_Click();
  panel(*w)->returnFromPicking();
  QCOMPARE(c<QLineEdit>(*w, "ReQu_Number")->text(), QStringLiteral("10002"));

  searchOrders(*w->main);
  w->main->optionButton("list")->click();
  panel(*w)->showOrder(recordOf(*w->main, 101));
  QVERIFY(w->main->OFrame() == panel(*w));
  c<QPushButton>(*w, "Requ_Retu")->click();
  QVERIFY(w->main->OFrame() == w->main->fraWorkO());
  QVERIFY(w->main->fraWorkO()->isVisible());
  QVERIFY(!c<QPushButton>(*w, "Requ_Retu")->isEnabled());
  QCOMPARE(box->title(), QStringLiteral("工单列表"));
}

QTEST_MAIN(TestRequests)
#include "test_requests.moc"
