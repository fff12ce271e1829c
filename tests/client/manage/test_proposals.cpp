// Proposals and their answers against the real server: the three browsers
// and what they show, one's own proposal, agreeing twice, the second
// agreement that creates a user, changes a user or renames an
// administrator's holder, a disagreement, and a user ID taken meanwhile.
// The other administrators are plain protocol clients.
#include <QtTest>

#include "client/manage/proposals.h"
#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::manage::session;

namespace {

const QString agreed = QStringLiteral("服务器已按你的态度处理了该提议");
const QString twice = QStringLiteral("你已经处理过这条提议了(你发起的或者你已经通过了)");

std::u16string answer(const std::u16string& word, const std::u16string& number, char16_t attitude) {
  return word + number + tav::FieldSep + attitude;
}

}  // namespace

class TestProposals : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    srv.start([](ServerDir& d) { addUser(d, "zhang", 1, 1, u"pw", "张工"); });
    m = otherAdmin(srv.port());
    t = otherAdmin(srv.port(), u"admint");
    QVERIFY(m && t);
  }
  void cleanup() {
    m.reset();
    t.reset();
    srv.stop();
  }
  void browsersShowTheRecords();
  void ownProposalAndAgreeingTwice();
  void twoAgreementsCreateTheUser();
  void agreedChangeKeepsThePassword();
  void disagreementCloses();
  void idTakenMeanwhile();
  void handOverRenamesTheHolder();

 private:
  // Files a new-user proposal as adminm.
  void proposeUser(const std::u16string& id, const std::u16string& name = u"新人", const std::u16string& pw = u"np") {
    QCOMPARE(m->call(u"ADDUSE", {id, name, pw, u"5", u"2"}), u"IGOTIT");
  }
  AdminServer srv;
  std::unique_ptr<Client> m, t;  // adminm and admint
};

void TestProposals::browsersShowTheRecords() {
  RecordingNotifier note;
  proposeUser(u"n1", u"一", u"p1");
  proposeUser(u"n2", u"二", u"p2");
  proposeUser(u"n3", u"三", u"p3");
  QCOMPARE(m->call(u"USESET", {u"zhang", u"张工", u"1", u"1", u"0", u"张三", u"", u"3", u"2", u"1"}), u"IGOTIT");
  QCOMPARE(m->call(u"MYNAME新管理员"), u"IGOTIT");
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  note.clear();

  w.click("OptSug");
  QCOMPARE(w.caption(), QStringLiteral("提议管理-更改用户"));
  QVERIFY(w.find<QWidget>("Frame1")->isVisible());
  w.click("SugnU");
  QCOMPARE(w.caption(), QStringLiteral("提议管理-新建用户"));
  QVERIFY(w.find<QWidget>("frmSugnU")->isVisible());
  QVERIFY(!w.find<QWidget>("frmSugcU")->isVisible());
  QCOMPARE(w.text("SugnUt"), QStringLiteral("无提议"));
  w.click("cmdSugnU");
  QCOMPARE(w.text("SugnUt"), QStringLiteral("1 / 3"));
  QCOMPARE(w.text("SugnUi"), QStringLiteral("adminm(管理员乙)"));
  QCOMPARE(w.text("SugnUp"), QStringLiteral("(无)"));
  QCOMPARE(w.text("SugnUd"), QStringLiteral("n1"));
  QCOMPARE(w.text("SugnUn"), QStringLiteral("一"));
  QCOMPARE(w.text("SugnUw"), QStringLiteral("p1"));
  QCOMPARE(w.items("SugnUr"), (QStringList{"提交工作请求", "维修处理"}));
  QCOMPARE(w.items("SugnUs"), QStringList{"电气"});
  QVERIFY(w.find<QPushButton>("Sugnuok")->isEnabled());
  w.find<QScrollBar>("VScSugnU")->setValue(2);
  QCOMPARE(w.text("SugnUt"), QStringLiteral("2 / 3"));
  QCOMPARE(w.text("SugnUd"), QStringLiteral("n2"));
  // A refresh while the bar already stands at 1 shows record 1 anew.
  w.find<QScrollBar>("VScSugnU")->setValue(1);
  w.find<QLabel>("SugnUd")->setText("gone");
  w.click("cmdSugnU");
  QCOMPARE(w.text("SugnUd"), QStringLiteral("n1"));

  w.click("SugcU");
  QCOMPARE(w.caption(), QStringLiteral("提议管理-更改用户"));
  w.click("cmdSugcU");
  QCOMPARE(w.text("SugcUt"), QStringLiteral("1 / 1"));
  QCOMPARE(w.text("SugcUi"), QStringLiteral("adminm(管理员乙)"));
  QCOMPARE(w.text("SugcUps"), QStringLiteral("(无)"));
  QCOMPARE(w.text("SugcUui"), QStringLiteral("zhang"));
  QCOMPARE(w.text("SugcUd"), QStringLiteral("zhang"));
  QCOMPARE(w.text("SugcUun"), QStringLiteral("张工"));
  QCOMPARE(w.text("SugcUn"), QStringLiteral("张三"));
  QCOMPARE(w.text("SugcUpw"), QString());  // the password stays
  QCOMPARE(w.items("SugcUoR"), QStringList{"提交工作请求"});
  QCOMPARE(w.items("SugcUnR"), (QStringList{"提交工作请求", "安排工单及批准预防性工单"}));
  QCOMPARE(w.items("SugcUoS"), QStringList{"机修"});
  QCOMPARE(w.items("SugcUnS"), QStringList{"电气"});
  QVERIFY(!w.find<QCheckBox>("SugcUoF")->isChecked());
  QVERIFY(w.find<QCheckBox>("SugcUnF")->isChecked());

  w.click("SugMan");
  QCOMPARE(w.caption(), QStringLiteral("提议管理-管理员"));
  w.click("cmdSugMan");
  QCOMPARE(w.text("SugMannum"), QStringLiteral("1 / 1"));
  QCOMPARE(w.text("SugManwho"), QStringLiteral("adminm(管理员乙)"));
  QCOMPARE(w.text("SugMannew"), QStringLiteral("新管理员"));
  QCOMPARE(w.text("SugManpass"), QStringLiteral("(无)"));

  // Another panel hides the sub-options; the reset empties all three browsers.
  w.click("OptImp");
  QVERIFY(!w.find<QWidget>("Frame1")->isVisible());
  QVERIFY(!w.find<QWidget>("frmSugMan")->isVisible());
  w.main->Unlink_Click();
  QCOMPARE(w.text("SugnUt"), QStringLiteral("无提议"));
  QCOMPARE(w.text("SugcUn"), QString());
  QCOMPARE(w.text("SugManwho"), QString());
  QVERIFY(w.items("SugnUr").isEmpty());
  QVERIFY(!w.find<QScrollBar>("VScSugnU")->isEnabled());
  QVERIFY(note.shown.empty());
}

void TestProposals::ownProposalAndAgreeingTwice() {
  RecordingNotifier note;
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  // Its own proposal: nobody answers his own.
  w.type("perNewName", "接班人");
  w.click("perNN");
  note.clear();
  w.click("cmdSugMan");
  QCOMPARE(w.text("SugManwho"), QStringLiteral("admino(管理员甲)"));
  w.click("cmdSugManok");
  QCOMPARE(note.texts(), QStringList{"数据库没有该条记录，可能已经处理过了。"});
  // Another's proposal, agreed twice.
  proposeUser(u"n1");
  w.click("cmdSugnU");
  w.click("Sugnuok");
  w.click("Sugnuok");
  QCOMPARE(note.texts().mid(1), (QStringList{agreed, twice}));
  w.click("cmdSugnU");
  QCOMPARE(w.text("SugnUp"), QStringLiteral("admino(管理员甲)"));
}

void TestProposals::twoAgreementsCreateTheUser() {
  RecordingNotifier note;
  proposeUser(u"newbie", u"新手", u"nbpw");
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  note.clear();
  w.click("cmdSugnU");
  const QString number = QString::fromStdU16String(records(m->callList(u"LISUNU")).at(0).at(0));
  w.click("Sugnuok");
  QCOMPARE(note.texts(), QStringList{agreed});
  Client before(srv.port());
  QCOMPARE(before.login(u"newbie", u"nbpw"), u"WRONGUSER");  // not yet
  QCOMPARE(t->call(answer(u"SUNUOK", number.toStdU16String(), u'c')), u"IGOTIT");
  Client user(srv.port());
  QCOMPARE(user.login(u"newbie", u"nbpw"), u"ACCEPTED");
  // Gone from the list; the stale record shown answers "NORECO".
  w.click("Sugnuok");
  QCOMPARE(note.last(), QStringLiteral("数据库没有该条记录，可能已经处理过了"));
  w.click("cmdSugnU");
  QCOMPARE(w.text("SugnUt"), QStringLiteral("无提议"));
  QVERIFY(!w.find<QPushButton>("Sugnuok")->isEnabled());
  QVERIFY(!w.find<QScrollBar>("VScSugnU")->isEnabled());
}

void TestProposals::agreedChangeKeepsThePassword() {
  RecordingNotifier note;
  QCOMPARE(m->call(u"USESET", {u"zhang", u"张工", u"1", u"1", u"0", u"张三", u"", u"5", u"2", u"0"}), u"IGOTIT");
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  note.clear();
  w.click("cmdSugcU");
  w.click("SugcUok");
  QCOMPARE(note.texts(), QStringList{agreed});
  const auto number = records(t->callList(u"FRMSGU")).at(0).at(0);
  QCOMPARE(t->call(answer(u"SUUSOK", number, u'c')), u"IGOTIT");
  Client user(srv.port());
  QCOMPARE(user.login(u"zhang", u"pw"), u"ACCEPTED");
  const auto users = records(m->callList(u"LISUSE"));
  QCOMPARE(users.size(), std::size_t(1));
  QCOMPARE(users[0][1], u"张三");
  QCOMPARE(users[0][2], u"5");
  QCOMPARE(users[0][3], u"2");
  w.click("SugcUok");  // closed by now
  QCOMPARE(note.last(), QStringLiteral("数据库没有该条记录，可能已经处理过了。"));
}

void TestProposals::disagreementCloses() {
  RecordingNotifier note;
  QCOMPARE(m->call(u"MYNAME新人"), u"IGOTIT");
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  note.clear();
  w.click("cmdSugMan");
  w.click("optno");
  w.click("cmdSugManok");
  QCOMPARE(note.texts(), QStringList{agreed});
  w.click("cmdSugMan");
  QCOMPARE(w.text("SugMannum"), QStringLiteral("无提议"));
  QVERIFY(!w.find<QPushButton>("cmdSugManok")->isEnabled());
  QVERIFY(records(t->callList(u"SUNAME")).empty());
}

void TestProposals::idTakenMeanwhile() {
  RecordingNotifier note;
  proposeUser(u"dup", u"甲");
  proposeUser(u"dup", u"乙");
  for (const auto& p : records(t->callList(u"LISUNU"))) QCOMPARE(t->call(answer(u"SUNUOK", p[0], u'c')), u"IGOTIT");
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  note.clear();
  w.click("cmdSugnU");
  w.click("Sugnuok");  // the first creates "dup"
  w.find<QScrollBar>("VScSugnU")->setValue(2);
  w.click("Sugnuok");
  QCOMPARE(note.texts(), (QStringList{agreed, "用户列表中已有此ID，添加不成功"}));
  const auto users = records(m->callList(u"LISUSE"));
  int dups = 0;
  for (const auto& u : users)
    if (u[0] == u"dup") {
      ++dups;
      QCOMPARE(u[1], u"甲");
    }
  QCOMPARE(dups, 1);
}

void TestProposals::handOverRenamesTheHolder() {
  RecordingNotifier note;
  QCOMPARE(m->call(u"MYNAME新管理员"), u"IGOTIT");
  ManageWindow w(srv.port());
  QVERIFY(w.login("admino"));
  note.clear();
  w.click("cmdSugMan");
  w.click("cmdSugManok");
  const auto number = records(t->callList(u"SUNAME")).at(0).at(0);
  QCOMPARE(t->call(answer(u"SUNAOK", number, u'c')), u"IGOTIT");
  // adminm's next session carries the new holder's name.
  auto again = otherAdmin(srv.port());
  QVERIFY(again);
  QCOMPARE(again->call(u"MYNAME再换"), u"IGOTIT");
  w.click("cmdSugMan");
  QCOMPARE(w.text("SugManwho"), QStringLiteral("adminm(新管理员)"));
  QCOMPARE(w.text("SugMannew"), QStringLiteral("再换"));
  QCOMPARE(note.texts(), QStringList{agreed});
}

QTEST_MAIN(TestProposals)
#include "test_proposals.moc"
