// Logging in to the real server: the refusals, the full server, new grants,
// the start-of-session tables and saved searches, the window afterwards and
// the clock offset.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cmath>

#include "client/user/frarequ.h"
#include "client/common/clock.h"
#include "protocol/daynum.h"
#include "protocol/wire.h"
#include "tests/client/user/userfixture.h"

using namespace tavtest;
using tav::user::session;
using tav::user::tables;

namespace {

void seed(ServerDir& d) {
  addUser(d, "zhang", 1 | 2, 1, u"pw", "张工");
  addUser(d, "frozen", 1, 0);
  d.sql("TAVusers.mdb", "UPDATE users SET canceled=1 WHERE user_id='frozen'");
  addUser(d, "lent", 1, 0);
  d.sql("TAVusers.mdb", "UPDATE users SET newimpw=1 WHERE user_id='lent'");
  // zhang's slot 2 is a saved search; 1, 3 and 4 are unset.
  const std::string fs = "char(24)", rs = "char(25)";
  d.sql("TAVusers.mdb",
        "UPDATE users SET sears2='(' || " + fs + " || '3' || " + fs + " || '0' || " + fs + " || '已提交' || " + fs +
            " || ')' || " + fs + " || 'T' || " + fs + ", sorts2='0' || " + fs + " || 'False' || " + fs +
            " || '0' || " + fs + " || 'True' || " + fs + " || '0' || " + fs + " || 'True' || " + fs +
            ", sname2='我的单' WHERE user_id='zhang'");
  for (int i = 1; i <= 10; ++i) addUser(d, "u" + std::to_string(i), 1, 0);
}

}  // namespace

class TestLogin : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv = std::make_unique<UserServer>(seed); }
  void cleanupTestCase() { srv.reset(); }
  void refusals_data();
  void refusals();
  void lockedAfterThreeWrongPasswords();
  void nonAsciiPasswordRefusedBeforeConnecting();
  void fullServerNamesItsUsers();
  void newGrantsAreAnnounced();
  void successShowsTheSession();

 private:
  std::unique_ptr<UserServer> srv;
};

void TestLogin::refusals_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("message");
  QTest::newRow("unknown user") << "nobody" << "x" << "无此用户";
  QTest::newRow("wrong password") << "zhang" << "nope" << "密码错误! \r\n该登录名属于 张工";
  QTest::newRow("frozen") << "frozen" << "pw" << "你的账户已被冻结或尚未启用，请联系管理员。";
}

void TestLogin::refusals() {
  QFETCH(QString, id);
  QFETCH(QString, password);
  QFETCH(QString, message);
  RecordingNotifier note;
  UserWindow w(srv->port());
  QVERIFY(!w.login(id, password));
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVuser(未登录)"));
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(!session().reqBusy);
  QVERIFY(!session().sock.isOpen());
}

void TestLogin::lockedAfterThreeWrongPasswords() {
  RecordingNotifier note;
  UserServer own([](ServerDir& d) { addUser(d, "li", 1, 0); });
  UserWindow w(own.port());
  for (int i = 0; i < 3; ++i) QVERIFY(!w.login("li", "bad"));
  QVERIFY(!w.login("li", "pw"));
  QCOMPARE(note.last(), QStringLiteral("该账户的密码连错达规定次数，已被服务器暂时锁定"));
}

void TestLogin::nonAsciiPasswordRefusedBeforeConnecting() {
  RecordingNotifier note;
  // Nothing listens on this port: a connection attempt would give another message.
  UserWindow w(1);
  tav::user::FrmLogin form(w.main.get());
  form.show();
  form.findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText("zhang");
  form.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(QStringLiteral("pé"));
  form.CmdOK_Click();
  QCOMPARE(note.texts(), QStringList{QStringLiteral("密码含有非法符号")});
  QVERIFY(form.isVisible());  // the form stays for another try
  QVERIFY(!session().sock.isOpen());
}

void TestLogin::fullServerNamesItsUsers() {
  RecordingNotifier note;
  std::vector<std::unique_ptr<Client>> others;
  for (int i = 1; i <= 10; ++i) {
    others.push_back(std::make_unique<Client>(srv->port()));
    startSession(*others.back(), u"u" + tav::fromUtf8(std::to_string(i)));
  }
  UserWindow w(srv->port());
  QVERIFY(!w.login("zhang", "pw"));
  // The next test's login finds its slot: the ten leave before the test ends.
  for (auto& c : others) leave(*c);
  QCOMPARE(note.shown.size(), size_t(1));
  QString text = note.last();
  QVERIFY2(text.startsWith(QStringLiteral("满座啦：")), qPrintable(text));
  for (int i = 1; i <= 10; ++i) QVERIFY2(text.contains(QStringLiteral("用户u%1").arg(i)), qPrintable(text));
  QCOMPARE(text.count(','), 9);
}

void TestLogin::newGrantsAreAnnounced() {
  RecordingNotifier note;
  UserWindow w(srv->port());
  QVERIFY(w.login("lent", "pw"));
  QCOMPARE(note.texts(), QStringList{QStringLiteral("你有新到的授权。\r\n关于授权的详细情况可点击“个人设定”查看。")});
}

void TestLogin::successShowsTheSession() {
  RecordingNotifier note;
  // A server whose clock runs one hour ahead of ours.
  auto ahead = tav::fromDayTime(tav::client::localNow() + 1.0 / 24);
  UserServer own(seed, Env{{"TAV_NOW", tav::formatDateTime(ahead)}});
  UserWindow w(own.port());
  QVERIFY(w.login("zhang", "pw"));
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVuser(zhang)"));
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w.main->Timer1()->isActive());
  QVERIFY(w.main->OFrame() == w.main->fraRequ());
  QVERIFY(w.main->fraRequ()->isVisible());
  QCOMPARE(w.main->findChild<QGroupBox*>("FraAlls")->title(), QStringLiteral("创建工单"));
  QVERIFY(w.main->optionButton("require")->isChecked());
  QVERIFY(w.main->findChild<QWidget*>("FraAll")->isVisible());
  QVERIFY(std::fabs(tav::user::timeDiff() - 1.0 / 24) < 0.0005);

  QCOMPARE(tables().myID, QStringLiteral("zhang"));
  QCOMPARE(tables().myName, QStringLiteral("张工"));
  QCOMPARE(tables().myRight, 3);
  QCOMPARE(tables().myType, 1);
  QCOMPARE(tables().allRight, 3);
  QVERIFY(!tables().statusList.empty());
  QVERIFY(!tables().typeList.empty());
  QVERIFY(!tables().fieldRights.empty());
  QVERIFY(!tables().billTypeList.empty());
  QVERIFY(!tables().woPreset[0].set);
  QVERIFY(tables().woPreset[1].set);
  QCOMPARE(tables().woPreset[1].name, QStringLiteral("我的单"));
  QCOMPARE(int(tables().woPreset[1].conds.size()), 1);
  QCOMPARE(tables().woPreset[1].conds[0].value, QStringLiteral("已提交"));
  QVERIFY(!tables().woPreset[1].sort[0].ascending);
  QVERIFY(!tables().woPreset[2].set);
  QVERIFY(!tables().woPreset[3].set);
}

QTEST_MAIN(TestLogin)
#include "test_login.moc"
