// Authorisations against the real server: none in force, a user's grant
// with its people, rights, end modes and days, a grantee missing from the
// user list, and the veto, its effect at the next refresh and a second veto.
#include <QtTest>

#include "client/common/clock.h"
#include "client/manage/grantspanel.h"
#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::manage::session;
using tav::manage::tables;

namespace {

int32_t today() { return static_cast<int32_t>(tav::client::localNow()); }

}  // namespace

class TestGrants : public QObject {
  Q_OBJECT
 private slots:
  void noneInForce();
  void grantsShownAndVetoed();
};

void TestGrants::noneInForce() {
  RecordingNotifier note;
  ServerDir dir;
  ServerProcess server(dir);
  ManageWindow w(dir.port());
  QVERIFY(w.login());
  w.click("OptImp");
  QCOMPARE(w.caption(), QStringLiteral("授权管理"));
  w.click("cmdImp");
  QCOMPARE(w.text("Impt"), QStringLiteral("无授权"));
  QVERIFY(!w.find<QPushButton>("cmdreject")->isEnabled());
  QVERIFY(!w.find<QScrollBar>("VScImp")->isEnabled());
  QVERIFY(!tables().userListLoaded);  // nothing to show, nothing more asked
  QVERIFY(note.shown.empty());
}

void TestGrants::grantsShownAndVetoed() {
  RecordingNotifier note;
  ServerDir dir;
  addUser(dir, "zhang", 1 | 2, 0, u"pw", "张工");
  addUser(dir, "li", 4, 0, u"pw", "李工");
  addGrant(dir, 1, "zhang", 1, "ghost", 2, 40000, 0);  // its grantee has no account
  ServerProcess server(dir);
  Client zhang(dir.port());
  QCOMPARE(zhang.login(u"zhang", u"pw"), u"ACCEPTED");
  const std::u16string until = tav::fromUtf8(std::to_string(today() + 30));
  QCOMPARE(zhang.call(u"IMPADD", {u"2", u"li", u"李工", u"3", u"40000", until}), u"IGOTIT");

  ManageWindow w(dir.port());
  QVERIFY(w.login());
  w.click("cmdImp");
  QCOMPARE(w.text("Impt"), QStringLiteral("1 / 2"));
  QCOMPARE(w.text("RigMast"), QStringLiteral("zhang(x)"));
  QCOMPARE(w.text("RigSlav"), QStringLiteral("ghost(y)"));
  QCOMPARE(w.items("LisRig"), QStringList{"提交工作请求"});
  QVERIFY(w.items("OrgRig").isEmpty());
  QCOMPARE(w.items("Lisend"), QStringList{"在下次登录时"});
  QCOMPARE(w.text("Impbegin"), QStringLiteral("2009-7-6"));
  QCOMPARE(w.text("Impend"), QString());
  w.find<QScrollBar>("VScImp")->setValue(2);
  QCOMPARE(w.text("Impt"), QStringLiteral("2 / 2"));
  QCOMPARE(w.text("RigMast"), QStringLiteral("zhang(张工)"));
  QCOMPARE(w.text("RigSlav"), QStringLiteral("li(李工)"));
  QCOMPARE(w.items("LisRig"), QStringList{"安排工单及批准预防性工单"});
  QCOMPARE(w.items("OrgRig"), QStringList{"维修处理"});
  QCOMPARE(w.items("Lisend"), (QStringList{"按给定的日期", "在下次登录时"}));
  QCOMPARE(w.text("Impbegin"), QStringLiteral("2009-7-6"));
  QCOMPARE(w.text("Impend"), tav::manage::dayText(today() + 30));
  QVERIFY(tables().userListLoaded);
  QVERIFY(note.shown.empty());

  w.click("cmdreject");
  QCOMPARE(note.texts(), QStringList{"服务器已按你的态度处理了该提议"});
  QCOMPARE(w.text("RigSlav"), QStringLiteral("li(李工)"));  // shown until the next refresh
  w.click("cmdreject");
  QCOMPARE(note.last(), QStringLiteral("数据库没有该条记录，可能已经处理过了。"));
  w.click("cmdImp");
  QCOMPARE(w.text("Impt"), QStringLiteral("1 / 1"));
  QCOMPARE(w.text("RigSlav"), QStringLiteral("ghost(y)"));
  QCOMPARE(note.shown.size(), std::size_t(2));

  w.main->Unlink_Click();
  QCOMPARE(w.text("Impt"), QStringLiteral("无授权"));
  for (const char* l : {"RigMast", "RigSlav", "Impbegin", "Impend"}) QVERIFY(w.text(l).isEmpty());
  for (const char* l : {"LisRig", "OrgRig", "Lisend"}) QVERIFY(w.items(l).isEmpty());
  QVERIFY(!w.find<QPushButton>("cmdreject")->isEnabled());
}

QTEST_MAIN(TestGrants)
#include "test_grants.moc"
