// The preventive work-order panel against the real server: the listing and
// one order shown, the checks and replies of adding and changing, approval
// with the collection's reference count, rejection, deletion, an order
// that another client replaced meanwhile, the start-day key and the logoff.
#include <QComboBox>
#include <QRadioButton>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>

#include "client/common/clock.h"
#include "client/user/fracollection.h"
#include "client/user/fraprewo.h"
#include "client/user/rows.h"
#include "protocol/daynum.h"
#include "tests/client/user/equiptest.h"

using namespace tavtest;
using tav::user::FrapreWO;

namespace {

// Pool record 2000 + k becomes the live plan 1000 + k.
void addPlan(ServerDir& d, int k, const std::string& name, const std::string& values) {
  d.sql("TAVequipment.mdb", "UPDATE prewo SET Number=" + std::to_string(1000 + k) + ", name='" + name + "', " + values +
                                " WHERE Number=" + std::to_string(2000 + k));
}

void seed(ServerDir& d) {
  addUser(d, "keeper", 8 | 16 | 2, 0, u"pw", "管理员");
  addEquipment(d, {{10001, "泵", "A-01"}, {10002, "阀", "A-02"}});
  addCollection(d, 1, "泵组", {{"A-01", "泵"}, {"A-02", "阀"}});
  const std::string common = "discr='每月检查泵组的运行状况', colnum=1001, colnam='泵组', pointto='li', every=1, perio=3, ";
  addPlan(d, 1, "甲计划", common + "begday=45000, isusing=1, sperson='管理员', spersid='keeper', sday=45000.25, statu=0");
  addPlan(d, 2, "乙计划",
          common + "begday=0, isusing=0, sperson='老板', spersid='boss', sday=0, aperson='boss(老板)', "
                   "aday=45001.5, statu=1");
  addPlan(d, 3, "丙计划", common + "begday=45010, isusing=1, sperson='管理员', spersid='keeper', sday=45002, statu=0");
}

}  // namespace

class TestPreventive : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    QVERIFY(s.start(seed, "PreOrder"));
    panel = s.w->main->fraPreWO();
  }
  void cleanup() { s.stop(); }
  void listingAndShowingOneOrder();
  void addChecks_data();
  void addChecks();
  void addShowsTheNewOrder();
  void approvalCountsOnceAndAChangeWithdrawsIt();
  void approvalOfAnOrderWhoseCollectionIsGone();
  void deletingTheSecondOfThree();
  void anOrderReplacedByAnotherClient();
  void spaceEntersTheServersToday();
  void logoffEmptiesThePanel();

 private:
  QListWidget* orders() { return control<QListWidget>(panel, "pWOlist"); }
  bool checked(const char* option) { return control<QRadioButton>(panel, option)->isChecked(); }
  bool enabled(const char* button) { return control<QWidget>(panel, button)->isEnabled(); }
  bool focused(const char* name) { return QApplication::focusWidget() == control(panel, name); }
  // Every text box empty and no period chosen.
  bool fieldsEmpty() {
    for (const char* box : {"pWOnum", "pWOnam", "pWOdes", "pWOcnu", "pWOcna", "pWOpoi", "pWOfro", "pWOeve", "pWOper",
                            "pWOday", "pWOapn", "pWOapd"})
      if (!text(panel, box).isEmpty()) return false;
    return control<QComboBox>(panel, "pWOpei")->currentIndex() == -1;
  }
  // The valid fields of a new order.
  void fillNewOrder() {
    type(panel, "pWOnam", QStringLiteral("新计划"));
    type(panel, "pWOdes", QStringLiteral("十个字的描述内容正好"));
    panel->takeCollection(QStringLiteral("1001"), QStringLiteral("泵组"));
    type(panel, "pWOpoi", QStringLiteral("li"));
    type(panel, "pWOfro", QStringLiteral("2024-1-5"));
    type(panel, "pWOeve", QStringLiteral("2"));
    control<QComboBox>(panel, "pWOpei")->setCurrentIndex(1);
    control<QRadioButton>(panel, "pWOopt_1")->setChecked(true);
  }
  // The collection's reference count in a new listing of the collection panel.
  int referOfFirstCollection() {
    auto* cols = s.w->main->fraCollection();
    click(cols, "ColGetcols");
    return cols->state().colList.empty() ? -1 : cols->state().colList[0].refer;
  }
  KeeperSession s;
  FrapreWO* panel = nullptr;
};

void TestPreventive::listingAndShowingOneOrder() {
  RecordingNotifier note;
  click(panel, "prepWOGet");
  QCOMPARE(lines(orders()), (QStringList{" 1001 甲计划", " 1002 乙计划", " 1003 丙计划"}));
  QVERIFY(panel->pwoLoaded());
  QCOMPARE(panel->pwoList()[0].begday, QStringLiteral("2023-3-15"));
  QCOMPARE(panel->pwoList()[0].sday, QStringLiteral("2023-3-15 6:0:0"));

  doubleClickRow(orders(), 1);
  QCOMPARE(text(panel, "pWOnum"), QStringLiteral("1002"));
  QCOMPARE(text(panel, "pWOnam"), QStringLiteral("乙计划"));
  QCOMPARE(text(panel, "pWOcnu"), QStringLiteral("1001"));
  QCOMPARE(text(panel, "pWOfro"), QString());  // start day 0
  QCOMPARE(text(panel, "pWOday"), QString());  // set-up time 0
  QCOMPARE(text(panel, "pWOper"), QStringLiteral("boss(老板)"));
  QCOMPARE(text(panel, "pWOapn"), QStringLiteral("boss(老板)"));
  QCOMPARE(text(panel, "pWOapd"), QStringLiteral("2023-3-16 12:0:0"));
  QCOMPARE(control<QComboBox>(panel, "pWOpei")->currentText(), QStringLiteral("月"));
  QVERIFY(checked("pWOopt_1"));  // 暂不启用
  QVERIFY(checked("pWOopt_2"));  // 已批准
  QVERIFY(enabled("pWOcan"));

  orders()->clearSelection();
  doubleClickRow(orders(), -1);
  QCOMPARE(text(panel, "pWOnum"), QStringLiteral("1001"));
  QCOMPARE(text(panel, "pWOfro"), QStringLiteral("2023-3-15"));
  QVERIFY(checked("pWOopt_0"));
  QVERIFY(checked("pWOopt_3"));
  QVERIFY(!enabled("pWOcan"));
  QVERIFY(note.shown.empty());
}

void TestPreventive::addChecks_data() {
  QTest::addColumn<QString>("box");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("message");
  QTest::newRow("no name") << "pWOnam" << "" << "“预单名称”是必填项。";
  QTest::newRow("description of 9") << "pWOdes" << "九个字的描述内容正" << "“简要描述”不少于10字";
  QTest::newRow("no collection") << "pWOcnu" << "" << "“集合编号”是必填项。";
  QTest::newRow("no assignee") << "pWOpoi" << "" << "“工作指派给”是必填项。";
  QTest::newRow("no start day") << "pWOfro" << "" << "从哪天起是必填项。";
  QTest::newRow("month 13") << "pWOfro" << "2024-13-5" << "从哪天起是必填项。";
  QTest::newRow("no interval") << "pWOeve" << "" << "每次间隔是必填项。";
  QTest::newRow("no period") << "pWOpei" << "" << "周期是必填项。";
}

void TestPreventive::addChecks() {
  QFETCH(QString, box);
  QFETCH(QString, value);
  QFETCH(QString, message);
  RecordingNotifier note;
  fillNewOrder();
  const QByteArray name = box.toLatin1();
  if (box == "pWOpei")
    control<QComboBox>(panel, name.constData())->setCurrentIndex(-1);
  else
    type(panel, name.constData(), value);
  click(panel, "pWOnew");
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QVERIFY(focused(name.constData()));
  QCOMPARE(text(panel, "pWOnum"), QString());
  click(panel, "prepWOGet");
  QCOMPARE(orders()->count(), 3);  // nothing was added
}

void TestPreventive::addShowsTheNewOrder() {
  RecordingNotifier note;
  click(panel, "prepWOGet");
  fillNewOrder();
  type(panel, "pWOeve", QStringLiteral("0"));
  click(panel, "pWOnew");
  QCOMPARE(note.texts(), QStringList{"格式不合法，要求是整数。"});
  QVERIFY(focused("pWOeve"));
  QCOMPARE(orders()->count(), 3);

  note.clear();
  type(panel, "pWOeve", QStringLiteral("2"));
  click(panel, "pWOnew");
  QCOMPARE(note.texts(), QStringList{"新的预备工单编号“1004”添加成功。"});
  QCOMPARE(text(panel, "pWOnum"), QStringLiteral("1004"));
  QVERIFY2(QRegularExpression("^\\d{4}-\\d{1,2}-\\d{1,2} \\d{1,2}:\\d{1,2}:\\d{1,2}$")
               .match(text(panel, "pWOday"))
               .hasMatch(),
           qPrintable(text(panel, "pWOday")));
  QCOMPARE(text(panel, "pWOper"), QStringLiteral("keeper(管理员)"));
  QVERIFY(checked("pWOopt_3"));
  QVERIFY(checked("pWOopt_1"));  // the enabled choice stays
  QVERIFY(enabled("pWOapp"));
  QVERIFY(!enabled("pWOcan"));
  QCOMPARE(lines(orders()).last(), QStringLiteral(" 1004 新计划"));
  const auto& added = panel->pwoList().back();
  QCOMPARE(added.Number, QStringLiteral("1004"));
  QCOMPARE(added.begday, QStringLiteral("2024-1-5"));
  QCOMPARE(added.perio, 2);
  QVERIFY(!added.isusing);
  QCOMPARE(added.sday, text(panel, "pWOday"));

  // The server holds what was sent.
  auto recs = serverList(s.port(), u"GETPRE");
  QCOMPARE(int(recs.size()), 4);
  QCOMPARE(QString::fromStdU16String(recs[3][2]), QStringLiteral("十个字的描述内容正好"));
  QCOMPARE(QString::fromStdU16String(recs[3][6]), QString::number(tav::dayFromCivil(2024, 1, 5)));
  QCOMPARE(QString::fromStdU16String(recs[3][9]), QStringLiteral("0"));

  // A change needs only one character of description.
  note.clear();
  type(panel, "pWOdes", QStringLiteral("短"));
  click(panel, "pWOsav");
  QCOMPARE(note.texts(), QStringList{"预备工单“1004”修改成功。"});
  QCOMPARE(panel->pwoList().back().discr, QStringLiteral("短"));
}

void TestPreventive::approvalCountsOnceAndAChangeWithdrawsIt() {
  RecordingNotifier note;
  click(panel, "prepWOGet");
  doubleClickRow(orders(), 0);
  click(panel, "pWOapp");
  QCOMPARE(note.texts(), QStringList{"预备工单“1001”已获批准"});
  QCOMPARE(text(panel, "pWOapn"), QStringLiteral("keeper(管理员)"));
  QVERIFY(!text(panel, "pWOapd").isEmpty());
  QVERIFY(checked("pWOopt_2"));
  QVERIFY(enabled("pWOcan"));
  QVERIFY(enabled("pWOapp"));
  QVERIFY(panel->pwoList()[0].statu);
  QCOMPARE(panel->pwoList()[0].aday, text(panel, "pWOapd"));
  QCOMPARE(referOfFirstCollection(), 1);

  s.w->main->optionButton("PreOrder")->click();
  click(panel, "pWOapp");  // renews it, counted once
  QCOMPARE(referOfFirstCollection(), 1);

  note.clear();
  click(panel, "pWOcan");
  QCOMPARE(note.texts(), QStringList{"预备工单“1001”已经否决"});
  QCOMPARE(text(panel, "pWOapn"), QString());
  QCOMPARE(text(panel, "pWOapd"), QString());
  QVERIFY(checked("pWOopt_3"));
  QVERIFY(!enabled("pWOcan"));
  QVERIFY(!panel->pwoList()[0].statu);
  QCOMPARE(referOfFirstCollection(), 0);

  // A saved change of an approved order leaves it unapproved.
  click(panel, "pWOapp");
  note.clear();
  type(panel, "pWOnam", QStringLiteral("甲计划改"));
  click(panel, "pWOsav");
  QCOMPARE(note.texts(), QStringList{"预备工单“1001”修改成功。"});
  QVERIFY(checked("pWOopt_3"));
  QCOMPARE(text(panel, "pWOapn"), QString());
  QCOMPARE(text(panel, "pWOper"), QStringLiteral("keeper(管理员)"));
  QVERIFY(!enabled("pWOcan"));
  QVERIFY(!panel->pwoList()[0].statu);
  QCOMPARE(panel->pwoList()[0].spersid, QStringLiteral("keeper"));
  QCOMPARE(orders()->item(0)->text(), QStringLiteral(" 1001 甲计划改"));
  QCOMPARE(referOfFirstCollection(), 0);
}

void TestPreventive::approvalOfAnOrderWhoseCollectionIsGone() {
  RecordingNotifier note;
  click(panel, "prepWOGet");
  doubleClickRow(orders(), 0);
  QCOMPARE(serverCall(s.port(), u"COLDEL", {u"1001"}), std::u16string(u"IGOTIT"));
  click(panel, "pWOapp");
  QCOMPARE(note.texts(), QStringList{"找不到该编号的集合，可能它已被删除了，批准不成功"});
  QVERIFY(checked("pWOopt_3"));
  QCOMPARE(text(panel, "pWOapn"), QString());
  QVERIFY(!panel->pwoList()[0].statu);
}

void TestPreventive::deletingTheSecondOfThree() {
  RecordingNotifier note;
  click(panel, "prepWOGet");
  doubleClickRow(orders(), 1);
  click(panel, "pWOdel");
  QCOMPARE(note.texts(), QStringList{"预备工单“1002”已删除"});
  QCOMPARE(lines(orders()), (QStringList{" 1001 甲计划", " 1003 丙计划"}));
  QCOMPARE(panel->pwoList().size(), size_t(2));
  QCOMPARE(panel->pwoList()[1].Number, QStringLiteral("1003"));
  QVERIFY(fieldsEmpty());

  // Nothing is shown now: each button refuses before sending.
  note.clear();
  for (const char* button : {"pWOapp", "pWOcan", "pWOdel"}) click(panel, button);
  QCOMPARE(note.texts(), QStringList(3, "“预单编号”是空的，它必须从右边的清单里找双击选定。"));
  QVERIFY(focused("pWOnum"));
  click(panel, "prepWOGet");
  QCOMPARE(orders()->count(), 2);
}

void TestPreventive::anOrderReplacedByAnotherClient() {
  RecordingNotifier note;
  click(panel, "prepWOGet");
  doubleClickRow(orders(), 2);
  QCOMPARE(serverCall(s.port(), u"PWODEL", {u"1003"}), std::u16string(u"IGOTIT"));
  click(panel, "prepWOGet");
  QCOMPARE(lines(orders()), (QStringList{" 1001 甲计划", " 1002 乙计划"}));

  auto added = serverCall(s.port(), u"PRENEW", {u"丁计划", u"另一个客户端新加的计划", u"1001", u"泵组", u"wang", u"45100", u"1",
                                      u"1", u"1"});
  QCOMPARE(QString::fromStdU16String(added.substr(0, 10)), QStringLiteral("IGOTIT1003"));

  const auto before = panel->pwoList();
  click(panel, "pWOapp");
  QCOMPARE(note.texts(), QStringList{"预备工单“1003”已获批准"});
  QCOMPARE(panel->pwoList().size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i) {
    QCOMPARE(panel->pwoList()[i].statu, before[i].statu);
    QCOMPARE(panel->pwoList()[i].aperson, before[i].aperson);
    QCOMPARE(panel->pwoList()[i].name, before[i].name);
  }
  QCOMPARE(lines(orders()), (QStringList{" 1001 甲计划", " 1002 乙计划"}));
  QVERIFY(checked("pWOopt_2"));

  note.clear();
  click(panel, "pWOcan");
  click(panel, "pWOsav");
  QCOMPARE(note.texts(), (QStringList{"预备工单“1003”已经否决", "预备工单“1003”修改成功。"}));
  QCOMPARE(lines(orders()), (QStringList{" 1001 甲计划", " 1002 乙计划"}));
}

void TestPreventive::spaceEntersTheServersToday() {
  // A server whose clock runs two days ahead of ours.
  auto ahead = tav::fromDayTime(tav::client::localNow() + 2);
  UserServer own(seed, Env{{"TAV_NOW", tav::formatDateTime(ahead)}});
  UserWindow other(own.port());
  QVERIFY(other.login("keeper", "pw"));
  other.main->optionButton("PreOrder")->click();
  auto* box = control<QLineEdit>(other.main->fraPreWO(), "pWOfro");
  box->setText(QStringLiteral("旧"));
  const double expected = tav::client::localNow() + tav::user::timeDiff();
  QTest::keyClick(box, Qt::Key_Space);
  QCOMPARE(box->text(), tav::user::dayText(static_cast<int32_t>(std::floor(expected))));
  QCOMPARE(box->cursorPosition(), box->text().size());
  QVERIFY(std::fabs(tav::user::timeDiff() - 2) < 0.01);
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClick(box, Qt::Key_7);
  QVERIFY(box->text().endsWith('7'));
}

void TestPreventive::logoffEmptiesThePanel() {
  RecordingNotifier note;
  click(panel, "prepWOGet");
  doubleClickRow(orders(), 0);
  s.w->main->resetLogoff();
  QVERIFY(fieldsEmpty());
  QCOMPARE(orders()->count(), 0);
  QVERIFY(!panel->pwoLoaded());
  // Logged off, the buttons send nothing and show nothing.
  click(panel, "prepWOGet");
  click(panel, "pWOapp");
  QVERIFY(note.shown.empty());
}

QTEST_MAIN(TestPreventive)
#include "test_preventive.moc"
