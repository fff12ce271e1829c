// Administrators logging in to the real server: the refusals and the lock,
// the full server, the password checks, the proposals that wait, the
// window afterwards and after a disconnect and a new login, and a second
// window, which takes the one session whole.
#include <QtTest>

#include "protocol/password.h"
#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::manage::session;
using tav::manage::tables;

namespace {

void seed(ServerDir& d) {
  for (int i = 1; i <= 10; ++i) addUser(d, "u" + std::to_string(i), 1, 0);
  // admint's password is sixteen characters long.
  d.sql("TAVusers.mdb", "UPDATE admins SET adPswd='" + utf8(tav::encodePswd(u"abcdefghijklmnop")) +
                            "' WHERE adID='admint'");
}

}  // namespace

class TestLogin : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv.start(seed); }
  void cleanupTestCase() { srv.stop(); }
  void refusals_data();
  void refusals();
  void lockedAfterThreeWrongPasswords();
  void passwordChecksBeforeConnecting();
  void longPasswordIsCut();
  void fullServerNamesItsUsers();
  void waitingProposalsAreAnnounced();
  void windowAfterLoginAndAfterANewOne();
  void loginFormOffersTheThreeIds();
  void aSecondLoginIsNotReadByTheFirstWindowsPoll();
  void theFirstWindowGoingAwayLeavesTheSessionToTheSecond();

 private:
  AdminServer srv;
};

void TestLogin::refusals_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("message");
  QTest::newRow("typed ID") << "adminx" << "8526" << "无此用户";
  QTest::newRow("a user's ID") << "u1" << "pw" << "无此用户";
  QTest::newRow("wrong password") << "adminm" << "nope" << "密码错误";
}

void TestLogin::refusals() {
  QFETCH(QString, id);
  QFETCH(QString, password);
  QFETCH(QString, message);
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(!w.login(id, password));
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(note.shown[0].title, QStringLiteral("TAVsuper"));
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVsuper(未登录)"));
  QVERIFY(!session().sock.isOpen());
  QVERIFY(!session().reqBusy);
}

void TestLogin::lockedAfterThreeWrongPasswords() {
  RecordingNotifier note;
  ServerDir own;
  ServerProcess server(own, Env{{"TAV_LOCK_SECONDS", "3"}});
  ManageWindow w(own.port());
  for (int i = 0; i < 3; ++i) QVERIFY(!w.login("admino", "bad"));
  QVERIFY(!w.login("admino", "8526"));
  QCOMPARE(note.texts(), (QStringList{"密码错误", "密码错误", "密码错误", "该账户的密码连错达规定次数，已被服务器暂时锁定"}));
  // Once the lock has run out the right password opens the session.
  QVERIFY(waitFor([&] { return w.login("admino", "8526"); }, 30));
  QCOMPARE(note.last(), QStringLiteral("该账户的密码连错达规定次数，已被服务器暂时锁定"));
}

void TestLogin::passwordChecksBeforeConnecting() {
  RecordingNotifier note;
  ManageWindow w(1);  // nothing listens there: a connection attempt would give another message
  tav::manage::FrmLogin form(w.main.get());
  form.show();
  form.txtPassword()->setText(QStringLiteral("密码8526"));
  form.cmdOK_Click();
  QCOMPARE(note.texts(), QStringList{"密码含有非法符号"});
  QVERIFY(form.isVisible());  // the form stays for another try
  QVERIFY(!session().sock.isOpen());
  QVERIFY(!session().reqBusy);
}

void TestLogin::longPasswordIsCut() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  tav::manage::FrmLogin form(w.main.get());
  form.txtUserName()->setEditText("admint");
  form.txtPassword()->setText("abcdefghijklmnopqrst");
  form.cmdOK_Click();
  QVERIFY2(w.loggedIn(), qPrintable(note.texts().join("|")));
  QCOMPARE(form.txtPassword()->text(), QStringLiteral("abcdefghijklmnop"));
  QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(admint)"));
}

void TestLogin::fullServerNamesItsUsers() {
  RecordingNotifier note;
  std::vector<std::unique_ptr<Client>> others;
  for (int i = 1; i <= 10; ++i) {
    others.push_back(std::make_unique<Client>(srv.port()));
    QCOMPARE(others.back()->login(u"u" + tav::fromUtf8(std::to_string(i)), u"pw"), u"ACCEPTED");
  }
  ManageWindow w(srv.port());
  QVERIFY(!w.login());
  // The next test's login finds its slot: the ten leave before the test ends.
  for (auto& c : others) leave(*c);
  QCOMPARE(note.shown.size(), std::size_t(1));
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  const QString text = note.last();
  QVERIFY2(text.startsWith(QStringLiteral("满座啦：")), qPrintable(text));
  for (int i = 1; i <= 10; ++i) QVERIFY2(text.contains(QStringLiteral("用户u%1").arg(i)), qPrintable(text));
  QCOMPARE(text.count(','), 9);
  QVERIFY(!session().sock.isOpen());
}

void TestLogin::waitingProposalsAreAnnounced() {
  RecordingNotifier note;
  ServerDir own;
  ServerProcess server(own);
  {
    ManageWindow first(own.port());
    QVERIFY(first.login("admino"));
    QVERIFY(note.shown.empty());  // nothing waits yet
  }
  Client other(own.port());
  QCOMPARE(other.loginAdmin(u"adminm"), u"ACCEPTED");
  QCOMPARE(other.call(u"MYNAME新人"), u"IGOTIT");
  ManageWindow w(own.port());
  QVERIFY(w.login("admino"));
  QCOMPARE(note.texts(), QStringList{"其它管理员有某些提议需要你的态度!!\r\n关于提议的详细内容可点击“提议管理”查看。"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
}

void TestLogin::windowAfterLoginAndAfterANewOne() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  for (int round = 0; round < 2; ++round) {
    QVERIFY(w.login("adminm"));
    QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
    QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(adminm)"));
    QCOMPARE(w.main->LabSta()->text(), QStringLiteral(" TAVsuper - 就绪"));
    QVERIFY(w.main->Timer1()->isActive());
    QVERIFY(!w.main->findChild<QAction*>("LinkSer")->isVisible());
    QVERIFY(w.main->findChild<QAction*>("Unlink")->isVisible());
    QVERIFY(w.find<QWidget>("Frame5")->isVisible());
    QVERIFY(w.find<QWidget>("frmAlls")->isVisible());
    QVERIFY(w.find<QRadioButton>("Optshow")->isChecked());
    QVERIFY(w.find<QWidget>("FraShow")->isVisible());
    QCOMPARE(w.caption(), QStringLiteral("显示信息"));
    // The tables once each, however many logins.
    for (const char* l : {"userig_1", "userig_2"}) QCOMPARE(w.items(l), defaultRights());
    for (const char* l : {"usetype_1", "usetype_2"}) QCOMPARE(w.items(l), defaultTrades());
    QCOMPARE(int(tables().rightList.size()), 6);
    QCOMPARE(tables().rightList[5].bit, 32);
    QCOMPARE(int(tables().typeList.size()), 5);
    QCOMPARE(tables().typeList[4].bit, 16);
    // Another panel chosen before the disconnect: the next login shows the information again.
    w.click("OptPer");
    QVERIFY(w.find<QWidget>("frmPer")->isVisible());
    w.main->Unlink_Click();
    QVERIFY(!w.loggedIn());
    QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(未登录)"));
    QVERIFY(!w.find<QWidget>("Frame5")->isVisible());
    QVERIFY(!w.find<QWidget>("frmPer")->isVisible());
    QVERIFY(w.main->findChild<QAction*>("LinkSer")->isVisible());
  }
}

void TestLogin::loginFormOffersTheThreeIds() {
  ManageWindow w(srv.port());
  tav::manage::FrmLogin form(w.main.get());
  QStringList ids;
  for (int i = 0; i < form.txtUserName()->count(); ++i) ids << form.txtUserName()->itemText(i);
  QCOMPARE(ids, (QStringList{"admino", "adminm", "admint"}));
  QCOMPARE(form.txtUserName()->currentText(), QStringLiteral("admino"));
  form.txtUserName()->setEditText("adminabcdefgh");
  QCOMPARE(form.txtUserName()->currentText(), QStringLiteral("adminabcd"));  // Chr(14) and nine fill the record
  // "连主机" picks one of the three at random each time.
  QSet<QString> picked;
  QVERIFY(waitFor([&] {
    onModal<tav::manage::FrmLogin>([&](tav::manage::FrmLogin* f) {
      picked.insert(f->txtUserName()->currentText());
      f->reject();
    });
    w.main->LinkSer_Click();
    return picked.size() == 3;
  }));
}

void TestLogin::aSecondLoginIsNotReadByTheFirstWindowsPoll() {
  RecordingNotifier note;
  ManageWindow first(srv.port());
  QVERIFY(first.login("admino"));
  QTimer* firstPoll = first.main->Timer1();
  ManageWindow second(srv.port());
  // The first window's Timer1 ticks at the first pass of the second login's
  // event pump that finds the server's greeting waiting on the socket.
  bool ticked = false;
  auto watch = tickWhenGreetingWaits(session(), firstPoll, ticked);
  QVERIFY(second.login("adminm"));
  QVERIFY(ticked);
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QCOMPARE(second.main->windowTitle(), QStringLiteral(" TAVsuper(adminm)"));
  QVERIFY(second.main->Timer1()->isActive());
  QVERIFY(!firstPoll->isActive());
}

void TestLogin::theFirstWindowGoingAwayLeavesTheSessionToTheSecond() {
  RecordingNotifier note;
  auto first = std::make_unique<ManageWindow>(srv.port());
  ManageWindow second(srv.port());
  QVERIFY(second.login("adminm"));
  first.reset();
  QVERIFY(second.main->Timer1()->isActive());
  QVERIFY(session().idle());
  // Its requests still run: the disconnect knocks and logs off; and the
  // status texts of its next login still come to its status line.
  second.main->Unlink_Click();
  QVERIFY(!second.loggedIn());
  QCOMPARE(second.main->windowTitle(), QStringLiteral(" TAVsuper(未登录)"));
  second.main->LabSta()->clear();
  QVERIFY(second.login("adminm"));
  QCOMPARE(second.main->LabSta()->text(), QStringLiteral(" TAVsuper - 就绪"));
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
}

QTEST_MAIN(TestLogin)
#include "test_login.moc"
