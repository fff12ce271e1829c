// Authorisations a user grants, against the real server through a relay
// that keeps the bytes: the grant to the byte, the browser, a change to a
// newly picked grantee, the end and the end once more, the grantee's next
// login; the checks that send nothing; and, against a scripted peer, the
// reply words the server as built adds and a user list the server was too
// busy to give.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include "client/common/startup.h"
#include "client/common/userpicker.h"
#include "client/user/fraperson.h"
#include "protocol/daynum.h"
#include "tests/client/user/peerscripts.h"
#include "tests/client/user/relaypeer.h"
#include "tests/client/user/userfixture.h"

using namespace tavtest;
using tav::FieldSep;
using tav::user::FraPerson;
using tav::user::tables;

namespace {

// The server's and the client's day in this file: 30 January 2024.
const int32_t Today = tav::dayFromCivil(2024, 1, 30);
const Env Now{{"TAV_NOW", "2024-01-30 10:00:00"}};

template <class W>
W* on(const QObject* p, const char* name) {
  return control<W>(p, name);
}

std::u16string num(long long v) { return tav::fromUtf8(std::to_string(v)); }

QString labper(FraPerson* p) { return on<QLabel>(p, "labper")->text(); }
QStringList items(FraPerson* p, const char* list) {
  QStringList out;
  auto* l = on<QListWidget>(p, list);
  for (int i = 0; i < l->count(); ++i) out << l->item(i)->text();
  return out;
}
void check(FraPerson* p, const char* list, std::initializer_list<bool> marks) {
  auto* l = on<QListWidget>(p, list);
  int i = 0;
  for (bool m : marks) l->item(i++)->setCheckState(m ? Qt::Checked : Qt::Unchecked);
}
QList<bool> marks(FraPerson* p, const char* list) {
  QList<bool> out;
  auto* l = on<QListWidget>(p, list);
  for (int i = 0; i < l->count(); ++i) out << (l->item(i)->checkState() == Qt::Checked);
  return out;
}

// Picks the user whose line starts with `id` in the picker that opens next.
void pickNext(const QString& id) {
  onModal([id](QWidget* w) {
    auto* picker = qobject_cast<tav::client::UserPicker*>(w);
    if (!picker) qFatal("not the picker");
    auto* list = picker->findChild<QListWidget*>("List1");
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().startsWith(id.leftJustified(18))) list->setCurrentRow(i);
    picker->findChild<QPushButton*>("select")->click();
  });
}

// The word exchange of one request in a scripted peer: the knock, the
// request (kept in `got`), the reply.
bool serve(PeerConn& c, const std::string& reply, std::string* got = nullptr) {
  if (c.read(12) != tav::toUtf16le(u"CLIENT")) return false;
  c.sendWord(u"APPROV");
  std::string req = c.readRequest();
  if (got) *got = req;
  c.send(reply);
  return true;
}

std::string listOf(const std::vector<std::vector<std::u16string>>& recs) {
  std::u16string t;
  for (const auto& r : recs) {
    for (const auto& f : r) t += f + FieldSep;
    t += tav::RecordSep;
  }
  return tav::toUtf16le(t) + std::string(tav::MsgEnd);
}

// The tables a login with three rights of its own would have left.
void giveRights(FraPerson* p) {
  tables().rightList = {{1, "录入"}, {2, "派工"}, {4, "维修"}};
  tables().myRight = 7;
  tables().impBits = tables().rightList;
  p->afterLogin();
}

// Logs in to a scripted peer, with three rights to lend, and lists the
// authorisations (the peer answers "LISIMP" and what follows it).
FraPerson* listedPanel(UserWindow& w) {
  if (!w.login("zhang", "pw")) return nullptr;
  FraPerson* p = w.main->fraPerson();
  giveRights(p);
  w.main->optionButton("personal")->click();
  on<QPushButton>(p, "perImp")->click();
  return p;
}

}  // namespace

class TestGrant : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    qputenv("TAV_NOW", "2024-01-30 10:00:00");
    tav::client::setUpApplication();
  }
  void grantBrowseChangeEnd();
  void checks_data();
  void checks();
  void spaceFillsTheDays();
  void serverWords_data();
  void serverWords();
  void userListBusyStillShowsRecordOne();
};

void TestGrant::grantBrowseChangeEnd() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) {
    addUser(d, "zhang", 1 | 2 | 4, 1);
    addUser(d, "li", 8, 1);
    addUser(d, "wang", 16 | 2, 2);
    addGrant(d, 1, "zhang", 1, "wang", 1, Today - 5, Today + 3);
    addGrant(d, 2, "zhang", 6, "li", 0, Today - 1, 0);
    addGrant(d, 7, "li", 8, "zhang", 0, Today - 1, 0);  // not zhang's own: never listed
  }, Now);
  {
    Relay relay(srv.port());
    UserWindow w(relay.port());
    QVERIFY(w.login("zhang", "pw"));
    w.main->optionButton("personal")->click();
    FraPerson* p = w.main->fraPerson();
    auto* bar = on<QScrollBar>(p, "VScper");

    // The first list of the connection fetches the users too.
    relay.clear();
    on<QPushButton>(p, "perImp")->click();
    QCOMPARE(wire(relay.sent()), wire(knockAndRequest(u"LISIMP") + knockAndRequest(u"LISUSE")));
    QCOMPARE(labper(p), QStringLiteral("1 / 2"));
    QCOMPARE(on<QLineEdit>(p, "PerUser")->text(), QStringLiteral("wang(y)"));
    QCOMPARE(items(p, "LisRig"), (QStringList{"安排工单及批准预防性工单", "设备集合与预防性工单"}));
    QCOMPARE(marks(p, "OrgRig"), (QList<bool>{true, false, false}));
    QCOMPARE(marks(p, "Lisend"), (QList<bool>{true, false}));
    QCOMPARE(on<QLineEdit>(p, "PerUseday")->text(), QStringLiteral("2024-1-25"));
    QCOMPARE(on<QLineEdit>(p, "perUlday")->text(), QStringLiteral("2024-2-2"));
    QVERIFY(on<QLineEdit>(p, "perUlday")->styleSheet().contains("#FFE0C0"));
    bar->setValue(2);
    QCOMPARE(labper(p), QStringLiteral("2 / 2"));
    QCOMPARE(items(p, "LisRig"), QStringList{"设备登记"});
    QCOMPARE(marks(p, "OrgRig"), (QList<bool>{false, true, true}));
    QCOMPARE(on<QLineEdit>(p, "perUlday")->text(), QString());
    QVERIFY(on<QLineEdit>(p, "perUlday")->styleSheet().isEmpty());

    // Grant li the first and third right; empty days send today and 0.
    relay.clear();
    pickNext("li");
    on<QWidget>(p, "PerImage1")->setFocus();
    p->PerImage1_Click();
    QCOMPARE(relay.sent(), std::string());  // the users are known already
    QCOMPARE(on<QLineEdit>(p, "PerUser")->text(), QStringLiteral("li(用户li)"));
    check(p, "OrgRig", {true, false, true});
    check(p, "Lisend", {false, false});
    on<QLineEdit>(p, "PerUseday")->clear();
    on<QLineEdit>(p, "perUlday")->clear();
    on<QPushButton>(p, "percmdadd")->click();
    QCOMPARE(note.last(), QStringLiteral("已经增加了。"));
    QCOMPARE(wire(relay.sent()), wire(knockAndRequest(u"IMPADD5\x18li\x18用户li\x18" u"0\x18" + num(Today) + u"\x18" u"0\x18")));

    // The list as it is now: the new grant third; the users are not asked again.
    relay.clear();
    on<QPushButton>(p, "perImp")->click();
    QCOMPARE(wire(relay.sent()), wire(knockAndRequest(u"LISIMP")));
    QCOMPARE(labper(p), QStringLiteral("1 / 3"));
    bar->setValue(3);
    QCOMPARE(labper(p), QStringLiteral("3 / 3"));
    QCOMPARE(on<QLineEdit>(p, "PerUser")->text(), QStringLiteral("li(用户li)"));
    QCOMPARE(on<QLineEdit>(p, "PerUseday")->text(), QStringLiteral("2024-1-30"));
    const int32_t third = p->impList().at(2).autonum;

    // Change it to a newly picked grantee.
    pickNext("wang");
    p->PerImage1_Click();
    relay.clear();
    on<QPushButton>(p, "PerCmdPoi")->click();
    QCOMPARE(note.last(), QStringLiteral("已经改了。"));
    QCOMPARE(wire(relay.sent()), wire(knockAndRequest(u"ALTIMP" + num(third) + u"\x18" u"5\x18wang\x18用户wang\x18" u"0\x18" +
                                           num(Today) + u"\x18" u"0\x18")));
    on<QPushButton>(p, "perImp")->click();
    bar->setValue(3);
    QCOMPARE(on<QLineEdit>(p, "PerUser")->text(), QStringLiteral("wang(用户wang)"));
    QCOMPARE(p->impList().at(2).autonum, third);

    // End it: done; ending it again finds nothing to end.
    relay.clear();
    on<QPushButton>(p, "PerCmdEnd")->click();
    QCOMPARE(note.last(), QStringLiteral("做完了。"));
    QCOMPARE(wire(relay.sent()), wire(knockAndRequest(u"REJECT" + num(third) + u"\x18")));
    on<QPushButton>(p, "PerCmdEnd")->click();
    QCOMPARE(note.last(), QStringLiteral("数据库找不到这个编号，可能已被删除"));
    QCOMPARE(note.shown.back().icon, tav::client::Icon::Information);
    QCOMPARE(labper(p), QStringLiteral("3 / 3"));  // the list is not fetched again
  }
  // li's next login announces the grant.
  note.clear();
  UserWindow b(srv.port());
  QVERIFY(b.login("li", "pw"));
  QVERIFY2(!note.shown.empty() && note.shown[0].text.startsWith(QStringLiteral("你有新到的授权。")),
           qPrintable(note.texts().join('|')));
}

void TestGrant::checks_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("rights");
  QTest::addColumn<bool>("listed");   // one grant of zhang's listed first (the grantee)
  QTest::addColumn<bool>("byDate");   // Lisend item 0
  QTest::addColumn<QString>("endText");
  QTest::addColumn<QString>("message");  // empty: sent and done
  QTest::addColumn<QString>("focus");

  const QString yesterday = "2024-1-29", today = "2024-1-30";
  QTest::newRow("grant: no rights to lend") << "percmdadd" << 0 << true << false << "" << "你无权可授。" << "";
  QTest::newRow("grant: no grantee") << "percmdadd" << 1 << false << false << "" << "受权人不可为空" << "PerUser";
  QTest::newRow("grant: end day passed")
      << "percmdadd" << 1 << true << true << yesterday << "失效日期不是合法的日期格式，或者已经过时。" << "perUlday";
  QTest::newRow("grant: end day unreadable")
      << "percmdadd" << 1 << true << true << "2024-13-1" << "失效日期不是合法的日期格式，或者已经过时。" << "perUlday";
  QTest::newRow("grant: end day today") << "percmdadd" << 1 << true << true << today << "已经增加了。" << "";
  QTest::newRow("grant: passed but not by date") << "percmdadd" << 1 << true << false << yesterday << "已经增加了。" << "";
  QTest::newRow("change: no rights to lend") << "PerCmdPoi" << 0 << true << false << "" << "你无权可授。" << "";
  QTest::newRow("change: end day passed")
      << "PerCmdPoi" << 1 << true << true << yesterday << "失效日期已经过去了，请重写" << "perUlday";
  QTest::newRow("change: end day today") << "PerCmdPoi" << 1 << true << true << today << "已经改了。" << "";
}

void TestGrant::checks() {
  QFETCH(QString, button);
  QFETCH(int, rights);
  QFETCH(bool, listed);
  QFETCH(bool, byDate);
  QFETCH(QString, endText);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  RecordingNotifier note;
  UserServer srv([&](ServerDir& d) {
    addUser(d, "zhang", rights, 1);
    addUser(d, "li", 8, 1);
    if (listed) addGrant(d, 1, "zhang", rights, "li", 0, Today - 1, 0);
  }, Now);
  Relay relay(srv.port());
  UserWindow w(relay.port());
  QVERIFY(w.login("zhang", "pw"));
  w.main->optionButton("personal")->click();
  QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
  FraPerson* p = w.main->fraPerson();
  on<QPushButton>(p, "perImp")->click();
  // The change button stays usable for the case even without a record.
  on<QPushButton>(p, "PerCmdPoi")->setEnabled(true);
  check(p, "Lisend", {byDate, false});
  on<QLineEdit>(p, "perUlday")->setText(endText);
  relay.clear();
  note.clear();
  on<QPushButton>(p, button.toLatin1().constData())->click();
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  const bool sent = message.startsWith("已经");
  QCOMPARE(relay.sent().empty(), !sent);
  if (sent) {
    const int32_t end = endText == "2024-1-30" ? Today : (endText.isEmpty() ? 0 : Today - 1);
    const std::u16string tail = num(rights) + u"\x18li\x18" + u"y" + u"\x18" +
                                num(byDate ? 1 : 0) + u"\x18" + num(Today - 1) + u"\x18" + num(end) + u"\x18";
    QCOMPARE(wire(relay.sent()), wire(knockAndRequest((button == "percmdadd" ? u"IMPADD" : u"ALTIMP1\x18") + tail)));
  }
  if (!focus.isEmpty())
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(on<QLineEdit>(p, focus.toLatin1().constData())));
}

void TestGrant::spaceFillsTheDays() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "zhang", 1, 1); }, Now);
  UserWindow w(srv.port());
  QVERIFY(w.login("zhang", "pw"));
  w.main->optionButton("personal")->click();
  FraPerson* p = w.main->fraPerson();
  auto* start = on<QLineEdit>(p, "PerUseday");
  auto* end = on<QLineEdit>(p, "perUlday");
  start->setText("xx");
  QTest::keyClick(start, Qt::Key_Space);
  QCOMPARE(start->text(), QStringLiteral("2024-1-30"));
  QCOMPARE(start->cursorPosition(), start->text().size());
  QTest::keyClick(end, Qt::Key_Space);
  QCOMPARE(end->text(), QStringLiteral("2024-3-1"));
  QTest::keyClick(end, Qt::Key_Backspace);
  QTest::keyClick(end, Qt::Key_2);
  QCOMPARE(end->text(), QStringLiteral("2024-3-2"));

  // The end box's colour follows the first end mode only.
  check(p, "Lisend", {false, true});
  QVERIFY(end->styleSheet().isEmpty());
  check(p, "Lisend", {true, true});
  QVERIFY(end->styleSheet().contains("#FFE0C0"));
  check(p, "Lisend", {false, true});
  QVERIFY(end->styleSheet().isEmpty());
}

void TestGrant::serverWords_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("reply");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("icon");
  const QString uwrong = "服务器报告不明错误，该请求未被执行。", notThis = "数据库找不到这个编号，可能已被删除";
  const int err = int(tav::client::Icon::Critical), info = int(tav::client::Icon::Information);
  QTest::newRow("RENAME UWRONG") << "PerCmdPw" << "UWRONG" << uwrong << err;
  QTest::newRow("IMPADD UWRONG") << "percmdadd" << "UWRONG" << uwrong << err;
  QTest::newRow("IMPADD TOLONG, no number left") << "percmdadd" << "TOLONG" << uwrong << err;
  QTest::newRow("ALTIMP UWRONG") << "PerCmdPoi" << "UWRONG" << uwrong << err;
  QTest::newRow("ALTIMP NOTHIS") << "PerCmdPoi" << "NOTHIS" << notThis << info;
  QTest::newRow("REJECT NOTHIS") << "PerCmdEnd" << "nothis" << notThis << info;
  QTest::newRow("IMPADD WROPOW") << "percmdadd" << "WROPOW" << "你没有这权限" << info;
}

void TestGrant::serverWords() {
  QFETCH(QString, button);
  QFETCH(QString, reply);
  QFETCH(QString, message);
  QFETCH(int, icon);
  RecordingNotifier note;
  std::string request;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    if (!serve(c, listOf({{u"41", u"1", u"li", u"李", u"0", num(Today - 1), u"0"}}))) return;
    if (!serve(c, listOf({{u"li", u"李", u"8", u"1"}}))) return;
    if (!serve(c, tav::toUtf16le(reply.toStdU16String()), &request)) return;
    c.waitClosed(20);
  }});
  UserWindow w(peer);
  FraPerson* p = listedPanel(w);
  QVERIFY(p);
  QCOMPARE(labper(p), QStringLiteral("1 / 1"));
  on<QLineEdit>(p, "PerNpw_0")->setText("n");
  on<QLineEdit>(p, "PerNpw_1")->setText("n");
  note.clear();
  on<QPushButton>(p, button.toLatin1().constData())->click();
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(int(note.shown[0].icon), icon);
  QVERIFY(!request.empty());
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w.main->Timer1()->isActive());
}

void TestGrant::userListBusyStillShowsRecordOne() {
  RecordingNotifier note;
  std::string ended;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    if (!serve(c, listOf({{u"41", u"1", u"li", u"李", u"2", num(Today - 1), u"0"},
                          {u"42", u"1", u"wang", u"王", u"0", num(Today - 1), u"0"}})))
      return;
    // The user list's knock finds the server busy.
    if (c.read(12) != tav::toUtf16le(u"CLIENT")) return;
    c.sendWord(u"IAMBUS");
    if (!serve(c, tav::toUtf16le(u"IGOTIT"), &ended)) return;
    c.waitClosed(20);
  }});
  UserWindow w(peer);
  FraPerson* p = listedPanel(w);
  QVERIFY(p);
  QCOMPARE(note.texts(), QStringList{"服务器正忙，请稍后再试。"});
  QCOMPARE(labper(p), QStringLiteral("1 / 2"));
  QCOMPARE(on<QLineEdit>(p, "PerUser")->text(), QStringLiteral("li(李)"));
  QCOMPARE(marks(p, "Lisend"), (QList<bool>{false, true}));
  QVERIFY(items(p, "LisRig").isEmpty());
  QVERIFY(!p->userListLoaded());
  QVERIFY(on<QWidget>(p, "PerCmdEnd")->isEnabled());
  on<QPushButton>(p, "PerCmdEnd")->click();
  QCOMPARE(note.last(), QStringLiteral("做完了。"));
  QCOMPARE(ended, tav::toUtf16le(u"REJECT41\x18") + std::string(tav::MsgEnd));
}

QTEST_MAIN(TestGrant)
#include "test_grant.moc"
