// The administrator's own account against the real server: the password
// change both ways and a login with the new one, the checks before anything
// is sent, and the proposal to hand the identity over.
#include <QtTest>

#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::manage::session;

class TestAccount : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { srv.start(); }
  void cleanupTestCase() { srv.stop(); }
  void passwordChangeBothWays();
  void passwordChecks_data();
  void passwordChecks();
  void handOver_data();
  void handOver();

 private:
  void changePassword(ManageWindow& w, const QString& old, const QString& n1, const QString& n2) {
    w.type("perOld", old);
    w.type("perNew1", n1);
    w.type("perNew2", n2);
    w.click("percmdchan");
  }
  AdminServer srv;
};

void TestAccount::passwordChangeBothWays() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login("adminm", "8526"));
  changePassword(w, "wrong", "neu", "neu");
  QCOMPARE(note.texts(), QStringList{"旧密码错，修改不成功!"});
  QCOMPARE(w.box("perOld"), QStringLiteral("wrong"));
  QCOMPARE(w.box("perNew1"), QStringLiteral("neu"));
  QCOMPARE(w.box("perNew2"), QStringLiteral("neu"));
  changePassword(w, "8526", "neu", "neu");
  QCOMPARE(note.last(), QStringLiteral("密码修改成功! 请牢记新密码。"));
  QVERIFY(w.box("perOld").isEmpty() && w.box("perNew1").isEmpty() && w.box("perNew2").isEmpty());
  w.main->Unlink_Click();
  QVERIFY(!w.login("adminm", "8526"));
  QCOMPARE(note.last(), QStringLiteral("密码错误"));
  QVERIFY(w.login("adminm", "neu"));
  changePassword(w, "neu", "8526", "8526");
  QCOMPARE(note.last(), QStringLiteral("密码修改成功! 请牢记新密码。"));
  w.main->Unlink_Click();
  QVERIFY(w.login("adminm", "8526"));
  for (const Shown& s : note.shown) QCOMPARE(s.icon, tav::client::Icon::Information);
}

void TestAccount::passwordChecks_data() {
  QTest::addColumn<bool>("loggedIn");
  QTest::addColumn<QString>("new1");
  QTest::addColumn<QString>("new2");
  QTest::addColumn<QString>("message");
  QTest::newRow("differ") << true << "abc" << "abd" << "两个新密码必须相同!";
  QTest::newRow("differ in case") << true << "abc" << "ABC" << "两个新密码必须相同!";
  QTest::newRow("chinese") << true << "密码" << "密码" << "密码含有非法符号";
  QTest::newRow("differ, logged out") << false << "abc" << "abd" << "两个新密码必须相同!";
  QTest::newRow("same, logged out") << false << "abc" << "abc" << "";
}

void TestAccount::passwordChecks() {
  QFETCH(bool, loggedIn);
  QFETCH(QString, new1);
  QFETCH(QString, new2);
  QFETCH(QString, message);
  RecordingNotifier note;
  ManageWindow w(srv.port());
  if (loggedIn) QVERIFY(w.login("admint"));
  w.type("perOld", "8526");
  w.type("perNew1", new1);
  w.type("perNew2", new2);
  w.click("percmdchan");
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  QCOMPARE(w.box("perOld"), QStringLiteral("8526"));
  if (loggedIn) {
    // Nothing was sent: the old password still opens the account.
    w.main->Unlink_Click();
    QVERIFY(w.login("admint", "8526"));
  }
}

void TestAccount::handOver_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("message");
  QTest::newRow("empty") << "" << "接管人不可为空";
  QTest::newRow("ten characters") << "一二三四五六七八九十"
                                  << "你的请求已经提交，但并不是立即生效。\r\n"
                                     "本次请求需要另外两位管理员通过才会有效，请在一天内通知另外两位管理员";
  QTest::newRow("eleven characters") << "一二三四五六七八九十百" << "新姓名太长了，服务器不能接受，请使用短一点的!!";
}

void TestAccount::handOver() {
  QFETCH(QString, name);
  QFETCH(QString, message);
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  auto other = otherAdmin(srv.port());
  QVERIFY(other);
  const auto before = records(other->callList(u"SUNAME")).size();
  w.type("perNewName", name);
  w.click("perNN");
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(w.box("perNewName"), name);  // kept until the reset
  const auto after = records(other->callList(u"SUNAME"));
  QCOMPARE(after.size(), before + (message.startsWith("你的请求") ? 1 : 0));
  if (after.size() > before) {
    QCOMPARE(after.back()[1], u"admino");
    QCOMPARE(after.back()[4], name.toStdU16String());
  }
  w.main->Unlink_Click();
  QVERIFY(w.box("perNewName").isEmpty());
}

QTEST_MAIN(TestAccount)
#include "test_account.moc"
