// User accounts against the real server: the picker's order and lines, a
// picked user in the read-only row, the copy into the change row, the
// checks of both proposals and what the server files for them.
#include <QtTest>

#include "client/common/userpicker.h"
#include "client/manage/userspanel.h"
#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::client::UserPicker;
using tav::manage::session;
using tav::manage::tables;

namespace {

void seed(ServerDir& d) {
  addUser(d, "b", 1, 0, u"pw", "b");
  addUser(d, "A2", 255, 0, u"pw", "A");
  addUser(d, "a1", 4 | 8, 2 | 4, u"pw", "a");
  d.sql("TAVusers.mdb", "UPDATE users SET canceled=1 WHERE user_id='a1'");
  addUser(d, "zhang", 1, 1, u"pw", "张工");
}

const QString filed = QStringLiteral(
    "你的请求已经提交，但并不是立即生效。\r\n本次请求需要另外两位管理员通过才会有效，请在一天内通知另外两位管理员");

}  // namespace

class TestUsers : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv.start(seed); }
  void cleanupTestCase() { srv.stop(); }
  void pickerOrderLinesAndLook();
  void pickedUserAndCopy();
  void newUserChecks_data();
  void newUserChecks();
  void newUserReplies_data();
  void newUserReplies();
  void changeChecks_data();
  void changeChecks();
  void changeIsFiledAsSeen();

 private:
  // Opens the picker and runs `act` on it.
  void withPicker(ManageWindow& w, const std::function<void(UserPicker*)>& act) {
    onModal<UserPicker>([act](UserPicker* p) { act(p); });
    w.click("UseAlls");
  }
  void pickLine(ManageWindow& w, int row) {
    withPicker(w, [row](UserPicker* p) {
      p->findChild<QListWidget*>("List1")->setCurrentRow(row);
      p->select_Click();
    });
  }
  AdminServer srv;
};

void TestUsers::pickerOrderLinesAndLook() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login());
  QStringList lines, rights, trades;
  bool ready = false;
  withPicker(w, [&](UserPicker* p) {
    auto* l = p->findChild<QListWidget*>("List1");
    for (int i = 0; i < l->count(); ++i) lines << l->item(i)->text();
    ready = w.main->LabSta()->text() == QStringLiteral(" TAVsuper - 就绪") && !w.main->Timer1()->isActive() &&
            session().reqBusy;
    l->setCurrentRow(1);
    p->Lookonedown_Click();
    for (int i = 0; i < p->findChild<QListWidget*>("ListR")->count(); ++i)
      rights << p->findChild<QListWidget*>("ListR")->item(i)->text();
    for (int i = 0; i < p->findChild<QListWidget*>("ListT")->count(); ++i)
      trades << p->findChild<QListWidget*>("ListT")->item(i)->text();
    p->findChild<QPushButton*>("cmdcan")->click();
  });
  QCOMPARE(lines.size(), 4);
  QCOMPARE(lines[0], QStringLiteral("A2                 FF       0        A"));
  QCOMPARE(lines[1], QStringLiteral("a1                 C        6        a"));
  QCOMPARE(lines[2], QStringLiteral("b                  1        0        b"));
  QVERIFY(lines[3].endsWith(QStringLiteral("张工")));
  QVERIFY(ready);  // the ready text shows, Timer1 stays off and the window may not close while it is open
  QCOMPARE(rights, (QStringList{"维修处理", "设备登记"}));
  QCOMPARE(trades, (QStringList{"电气", "仪表"}));
  QVERIFY(note.shown.empty());
  QVERIFY(w.main->Timer1()->isActive());
  QVERIFY(!session().reqBusy);
  QCOMPARE(tables().userPicked, 0);
}

void TestUsers::pickedUserAndCopy() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login());
  pickLine(w, 1);  // a1, frozen
  QCOMPARE(tables().userPicked, 2);
  QCOMPARE(w.box("useid_0"), QStringLiteral("a1"));
  QCOMPARE(w.box("usename_0"), QStringLiteral("a"));
  QCOMPARE(w.items("userig_0"), (QStringList{"维修处理", "设备登记"}));
  QCOMPARE(w.items("usetype_0"), (QStringList{"电气", "仪表"}));
  QVERIFY(w.find<QCheckBox>("usecand_0")->isChecked());
  QVERIFY(w.find<QPushButton>("usecopyall")->isEnabled());
  // Row 0 shows the account as the server sent it and cannot be edited.
  QVERIFY(w.find<QLineEdit>("useid_0")->isReadOnly());
  QVERIFY(w.find<QLineEdit>("usename_0")->isReadOnly());
  QVERIFY(w.find<QCheckBox>("usecand_0")->testAttribute(Qt::WA_TransparentForMouseEvents));
  w.type("pswd_1", "typed");
  w.click("usecopyall");
  QCOMPARE(w.box("useid_1"), QStringLiteral("a1"));
  QCOMPARE(w.box("usename_1"), QStringLiteral("a"));
  QVERIFY(w.box("pswd_1").isEmpty());
  QStringList selected;
  for (auto* i : w.find<QListWidget>("userig_1")->selectedItems()) selected << i->text();
  QCOMPARE(selected, (QStringList{"维修处理", "设备登记"}));
  selected.clear();
  for (auto* i : w.find<QListWidget>("usetype_1")->selectedItems()) selected << i->text();
  QCOMPARE(selected, (QStringList{"电气", "仪表"}));
  QVERIFY(w.find<QCheckBox>("usecand_1")->isChecked());
  // Another pick replaces row 0; the reset empties every row.
  pickLine(w, 0);
  QCOMPARE(w.box("useid_0"), QStringLiteral("A2"));
  QVERIFY(!w.find<QCheckBox>("usecand_0")->isChecked());
  w.main->Unlink_Click();
  for (const char* b : {"useid_0", "usename_0", "useid_1", "usename_1", "pswd_1", "useid_2"})
    QVERIFY2(w.box(b).isEmpty(), b);
  for (const char* l : {"userig_0", "usetype_0", "userig_1", "usetype_1", "userig_2", "usetype_2"})
    QVERIFY2(w.items(l).isEmpty(), l);
  QVERIFY(!w.find<QPushButton>("usecopyall")->isEnabled());
  QCOMPARE(tables().userPicked, 0);
  QVERIFY(tables().userList.empty());
  QVERIFY(note.shown.empty());
}

void TestUsers::newUserChecks_data() {
  QTest::addColumn<bool>("loggedIn");
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");
  QTest::newRow("no ID") << true << "" << "甲" << "p" << "用户ID不可为空" << "useid_2";
  QTest::newRow("no name") << true << "n1" << "" << "p" << "姓名不可为空" << "usename_2";
  QTest::newRow("no password") << true << "n1" << "甲" << "" << "密码不可为空" << "pswd_2";
  QTest::newRow("chinese password") << true << "n1" << "甲" << "密码" << "密码含有非法符号" << "pswd_2";
  QTest::newRow("logged out: nothing at all") << false << "" << "" << "" << "" << "";
}

void TestUsers::newUserChecks() {
  QFETCH(bool, loggedIn);
  QFETCH(QString, id);
  QFETCH(QString, name);
  QFETCH(QString, password);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  RecordingNotifier note;
  ManageWindow w(srv.port());
  auto other = otherAdmin(srv.port());
  QVERIFY(other);
  const auto before = records(other->callList(u"LISUNU")).size();
  if (loggedIn) QVERIFY(w.login());
  w.main->activateWindow();
  w.type("useid_2", id);
  w.type("usename_2", name);
  w.type("pswd_2", password);
  w.click("useaddnew");
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  if (!focus.isEmpty()) QCOMPARE(w.main->focusWidget(), w.find<QWidget>(focus));
  QCOMPARE(records(other->callList(u"LISUNU")).size(), before);
}

void TestUsers::newUserReplies_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("message");
  QTest::newRow("filed") << "li" << "李工" << "lipw" << filed;
  QTest::newRow("ID taken, any case") << "ZHANG" << "张" << "p" << "该用户ID已经有人用了，他叫张工";
  QTest::newRow("ID too long") << "abcdefghijk" << "甲" << "p" << "用户ID或姓名太长了，请求不成功";
  QTest::newRow("password too long") << "n2" << "甲" << "0123456789abcdefg" << "用户ID或姓名太长了，请求不成功";
}

void TestUsers::newUserReplies() {
  QFETCH(QString, id);
  QFETCH(QString, name);
  QFETCH(QString, password);
  QFETCH(QString, message);
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  auto other = otherAdmin(srv.port());
  QVERIFY(other);
  const auto before = records(other->callList(u"LISUNU")).size();
  w.type("useid_2", id);
  w.type("usename_2", name);
  w.type("pswd_2", password);
  w.find<QListWidget>("userig_2")->item(1)->setSelected(true);
  w.find<QListWidget>("userig_2")->item(5)->setSelected(true);
  w.find<QListWidget>("usetype_2")->item(4)->setSelected(true);
  w.click("useaddnew");
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(w.box("useid_2"), id);  // the fields keep what was typed
  const auto after = records(other->callList(u"LISUNU"));
  QCOMPARE(after.size(), before + (message == filed ? 1 : 0));
  if (message == filed) {
    const auto& p = after.back();
    QCOMPARE(p[1], u"admino");
    QCOMPARE(p[3], id.toStdU16String());
    QCOMPARE(p[4], name.toStdU16String());
    QCOMPARE(p[5], password.toStdU16String());
    QCOMPARE(p[6], u"34");
    QCOMPARE(p[7], u"16");
  }
}

void TestUsers::changeChecks_data() {
  QTest::addColumn<bool>("loggedIn");
  QTest::addColumn<bool>("picked");
  QTest::addColumn<QString>("id1");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("message");
  QTest::newRow("no ID") << true << true << "" << "" << "请选择一个用户的ID";
  QTest::newRow("typed ID, nobody picked") << true << false << "b" << "" << "请选择一个用户的ID";
  QTest::newRow("logged out, no ID") << false << false << "" << "" << "请选择一个用户的ID";
  QTest::newRow("chinese password") << true << true << "b" << "新密码" << "密码含有非法符号";
  QTest::newRow("name too long") << true << true << "b" << "" << "新姓名太长了，服务器不能接受，请使用短一点的!!";
}

void TestUsers::changeChecks() {
  QFETCH(bool, loggedIn);
  QFETCH(bool, picked);
  QFETCH(QString, id1);
  QFETCH(QString, password);
  QFETCH(QString, message);
  RecordingNotifier note;
  ManageWindow w(srv.port());
  auto other = otherAdmin(srv.port());
  QVERIFY(other);
  const auto before = records(other->callList(u"FRMSGU")).size();
  if (loggedIn) QVERIFY(w.login());
  if (picked) pickLine(w, 2);
  w.type("useid_1", id1);
  w.type("usename_1", QString(21, QChar(u'名')));
  w.type("pswd_1", password);
  w.click("usesetpow");
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(records(other->callList(u"FRMSGU")).size(), before);
}

void TestUsers::changeIsFiledAsSeen() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login("admint"));
  note.clear();  // the proposals of the tests before wait for admint
  auto other = otherAdmin(srv.port());
  QVERIFY(other);
  pickLine(w, 3);  // zhang
  w.click("usecopyall");
  w.type("usename_1", "张三");
  w.find<QListWidget>("userig_1")->item(2)->setSelected(true);
  w.find<QListWidget>("usetype_1")->item(0)->setSelected(false);
  w.find<QCheckBox>("usecand_1")->setChecked(true);
  w.click("usesetpow");
  QCOMPARE(note.texts(), QStringList{filed});
  const auto recs = records(other->callList(u"FRMSGU"));
  QVERIFY(!recs.empty());
  const std::vector<std::u16string> sent(recs.back().begin() + 4, recs.back().begin() + 14);
  const std::vector<std::u16string> expected = {u"zhang", u"张工", u"1", u"1", u"0", u"张三", u"", u"5", u"0", u"1"};
  QVERIFY(sent == expected);
  QCOMPARE(recs.back()[1], u"admint");
}

QTEST_MAIN(TestUsers)
#include "test_users.moc"
