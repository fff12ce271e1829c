// The user picker "用户框": its order, its lines, looking at a user and the
// choice by button or double click, a picker without users, and the
// personal panel's picker against the real server.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "client/common/startup.h"
#include "client/common/userpicker.h"
#include "client/user/fraperson.h"
#include "tests/client/user/relaypeer.h"
#include "tests/client/user/userfixture.h"

using namespace tav::client;

namespace {

const std::vector<PickCode> rightTable = {{1, QStringLiteral("录入")}, {2, QStringLiteral("审批")}, {4, QStringLiteral("报表")}};
const std::vector<PickCode> tradeTable = {{1, QStringLiteral("机修")}, {2, QStringLiteral("电工")}};

std::vector<PickUser> threeUsers() {
  return {{QStringLiteral("b01"), QStringLiteral("乙"), 1, 0},
          {QStringLiteral("A02"), QStringLiteral("甲二"), 5, 2},
          {QStringLiteral("a01"), QStringLiteral("甲一"), 255, 3}};
}

QStringList ids(const std::vector<PickUser>& users) {
  QStringList out;
  for (const auto& u : users) out << u.id;
  return out;
}

QStringList itemsOf(const UserPicker& p, const char* list) {
  QStringList out;
  auto* w = p.findChild<QListWidget*>(QLatin1String(list));
  for (int i = 0; i < w->count(); ++i) out << w->item(i)->text();
  return out;
}

}  // namespace

class TestPicker : public QObject {
  Q_OBJECT
 private slots:
  void order_data();
  void order();
  void lines_data();
  void lines();
  void lookAndChoose_data();
  void lookAndChoose();
  void cancelChoosesNothing();
  void withoutUsers();
  void panelPickerFromServer();
};

void TestPicker::order_data() {
  QTest::addColumn<int>("order");
  QTest::addColumn<QStringList>("expected");
  QTest::newRow("by id, case ignored, equal keep order")
      << int(PickOrder::ById) << QStringList{"a01", "A02", "b01"};
  QTest::newRow("by name") << int(PickOrder::ByName) << QStringList{"b01", "a01", "A02"};
  QTest::newRow("as given") << int(PickOrder::Given) << QStringList{"b01", "A02", "a01"};
}

void TestPicker::order() {
  QFETCH(int, order);
  QFETCH(QStringList, expected);
  UserPicker p(threeUsers(), PickOrder(order), rightTable, tradeTable);
  QCOMPARE(ids(p.users()), expected);
  QStringList lines = itemsOf(p, "List1");
  QCOMPARE(lines.size(), 3);
  for (int i = 0; i < 3; ++i) QVERIFY(lines[i].startsWith(expected[i].leftJustified(18) + ' '));
  // The first line is selected on opening.
  QCOMPARE(p.findChild<QListWidget*>("List1")->currentRow(), 0);

  // Equal IDs (case ignored) keep the order they came in.
  std::vector<PickUser> twins = {{"X1", "first"}, {"x1", "second"}, {"a", "third"}};
  orderUsers(twins, PickOrder::ById);
  QCOMPARE(twins[1].name, QString("first"));
  QCOMPARE(twins[2].name, QString("second"));
}

void TestPicker::lines_data() {
  QTest::addColumn<int>("rights");
  QTest::addColumn<int>("trades");
  QTest::addColumn<QString>("expected");
  QTest::newRow("5 and 0") << 5 << 0 << QStringLiteral("u1                 5        0        某人");
  QTest::newRow("255") << 255 << 1 << QStringLiteral("u1                 FF       1        某人");
  QTest::newRow("all bits, cut to 8") << -1 << 0x7fffffff << QStringLiteral("u1                 FFFFFFFF 7FFFFFFF 某人");
}

void TestPicker::lines() {
  QFETCH(int, rights);
  QFETCH(int, trades);
  QFETCH(QString, expected);
  PickUser u{QStringLiteral("u1"), QStringLiteral("某人"), rights, trades};
  QCOMPARE(pickerLine(u), expected);
  // An ID longer than 18 is not cut.
  u.id = QString(20, 'k');
  QVERIFY(pickerLine(u).startsWith(QString(20, 'k') + ' '));
}

void TestPicker::lookAndChoose_data() {
  QTest::addColumn<bool>("byDoubleClick");
  QTest::newRow("选定") << false;
  QTest::newRow("double click") << true;
}

void TestPicker::lookAndChoose() {
  QFETCH(bool, byDoubleClick);
  UserPicker p(threeUsers(), PickOrder::ById, rightTable, tradeTable);
  auto* list = p.findChild<QListWidget*>("List1");
  list->setCurrentRow(1);  // A02: rights 5, trades 2
  p.findChild<QPushButton*>("Lookonedown")->click();
  QCOMPARE(itemsOf(p, "ListR"), (QStringList{"录入", "报表"}));
  QCOMPARE(itemsOf(p, "ListT"), QStringList{"电工"});
  // Looking again at another line replaces, never adds.
  list->setCurrentRow(0);  // a01: 255, 3
  p.findChild<QPushButton*>("Lookonedown")->click();
  QCOMPARE(itemsOf(p, "ListR"), (QStringList{"录入", "审批", "报表"}));
  QCOMPARE(itemsOf(p, "ListT"), (QStringList{"机修", "电工"}));

  list->setCurrentRow(2);
  p.show();
  if (byDoubleClick)
    emit list->itemDoubleClicked(list->item(2));
  else
    p.findChild<QPushButton*>("select")->click();
  QVERIFY(p.chosen().has_value());
  QCOMPARE(p.chosen()->id, QStringLiteral("b01"));
  QCOMPARE(p.chosen()->name, QStringLiteral("乙"));
  QCOMPARE(p.result(), int(QDialog::Accepted));
  QVERIFY(!p.isVisible());
}

void TestPicker::cancelChoosesNothing() {
  UserPicker p(threeUsers(), PickOrder::ById, rightTable, tradeTable);
  p.show();
  p.findChild<QPushButton*>("cmdcan")->click();
  QVERIFY(!p.chosen());
  QCOMPARE(p.result(), int(QDialog::Rejected));
  QVERIFY(!p.isVisible());
}

void TestPicker::withoutUsers() {
  // Every user frozen: the picker opens empty and its buttons do nothing.
  UserPicker p({}, PickOrder::ById, rightTable, tradeTable);
  p.show();
  QCOMPARE(p.findChild<QListWidget*>("List1")->count(), 0);
  p.findChild<QPushButton*>("Lookonedown")->click();
  p.findChild<QPushButton*>("select")->click();
  QVERIFY(p.isVisible());
  QVERIFY(!p.chosen());
  QCOMPARE(p.findChild<QListWidget*>("ListR")->count(), 0);

  // A list whose selection was cleared: nothing is taken either.
  UserPicker q(threeUsers(), PickOrder::ById, rightTable, tradeTable);
  q.show();
  q.findChild<QListWidget*>("List1")->clearSelection();
  q.findChild<QPushButton*>("select")->click();
  QVERIFY(q.isVisible());
  QVERIFY(!q.chosen());
}

void TestPicker::panelPickerFromServer() {
  using tavtest::Relay;
  tav::client::setUpApplication();
  tavtest::RecordingNotifier note;
  tavtest::UserServer srv([](tavtest::ServerDir& d) {
    tavtest::addUser(d, "b01", 5, 0);
    tavtest::addUser(d, "A02", 255, 1);
    tavtest::addUser(d, "a01", 1, 2);
  });
  Relay relay(srv.port());
  tavtest::UserWindow w(relay.port());
  QVERIFY(w.login("b01", "pw"));
  w.main->optionButton("personal")->click();
  auto* p = w.main->fraPerson();
  auto* perUser = p->findChild<QLineEdit*>("PerUser");
  auto* lisRig = p->findChild<QListWidget*>("LisRig");

  QStringList lines, looked;
  tavtest::onModal([&](QWidget* m) {
    auto* picker = qobject_cast<UserPicker*>(m);
    QVERIFY(picker);
    QCOMPARE(picker->windowTitle(), QStringLiteral("用户框"));
    lines = itemsOf(*picker, "List1");
    picker->findChild<QListWidget*>("List1")->setCurrentRow(1);
    picker->findChild<QPushButton*>("Lookonedown")->click();
    looked = itemsOf(*picker, "ListT");
    emit picker->findChild<QListWidget*>("List1")->itemDoubleClicked(picker->findChild<QListWidget*>("List1")->item(1));
  });
  relay.clear();
  p->PerImage1_Click();
  QCOMPARE(tavtest::wire(relay.sent()), tavtest::wire(tavtest::knockAndRequest(u"LISUSE")));
  QCOMPARE(lines, (QStringList{"a01                1        2        用户a01", "A02                FF       1        用户A02",
                               "b01                5        0        用户b01"}));
  QCOMPARE(looked, QStringList{"机修"});
  QCOMPARE(perUser->text(), QStringLiteral("A02(用户A02)"));
  QCOMPARE(p->granteeId(), QStringLiteral("A02"));
  QCOMPARE(p->granteeName(), QStringLiteral("用户A02"));
  QCOMPARE(lisRig->count(), 6);
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));

  // The second opening in the connection asks nothing; 取消 changes nothing.
  QStringList again;
  tavtest::onModal([&](QWidget* m) {
    again = itemsOf(*qobject_cast<UserPicker*>(m), "List1");
    m->findChild<QPushButton*>("cmdcan")->click();
  });
  relay.clear();
  p->PerImage1_Click();
  QCOMPARE(relay.sent(), std::string());
  QCOMPARE(again, lines);
  QCOMPARE(perUser->text(), QStringLiteral("A02(用户A02)"));
  QCOMPARE(p->granteeId(), QStringLiteral("A02"));
  QCOMPARE(lisRig->count(), 6);

  // A new connection fetches the list again.
  w.main->resetLogoff();
  QVERIFY(!p->userListLoaded());
}

QTEST_MAIN(TestPicker)
#include "test_picker.moc"
