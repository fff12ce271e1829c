// The administration client's side of the wire against a scripted peer:
// the login record and reply words, failures after "ACCEPTED", the exact
// bytes of every request, split replies and lower-case words, the log's
// length header, pushed texts, the knock's outcomes, the guards of a
// running request, and what the reset leaves behind.
#include <QCloseEvent>
#include <QtTest>
#include <atomic>
#include <map>
#include <thread>

#include "client/common/userpicker.h"
#include "client/manage/grantspanel.h"
#include "client/manage/proposals.h"
#include "protocol/login.h"
#include "protocol/password.h"
#include "tests/client/manage/managefixture.h"

using namespace tavtest;
using tav::manage::session;
using tav::manage::tables;

namespace {

std::u16string fs(std::u16string_view s) { return std::u16string(s) + tav::FieldSep; }

// Canned answers of a scripted server, by command word.
std::string cannedAnswer(const std::string& request) {
  const std::u16string word = wordOf(request);
  static const std::map<std::u16string, std::string> answers = {
      {u"AUTHOR", w16(u"关于\r\n本系统") + End},
      {u"SHOWLB", w16(u"Server started at 2024-03-15 10:30:00\r\n1: admino") + End},
      {u"SHOWTX", w16(u"0004") + w16(u"日志")},
      {u"RENAME", w16(u"CHANGED")},
      {u"MYNAME", w16(u"IGOTIT")},
      {u"ADDUSE", w16(u"IGOTIT")},
      {u"USESET", w16(u"IGOTIT")},
      {u"LISUSE", listReply({{u"zz", u"名", u"3", u"1", u"0"}})},
      {u"LISUNU", listReply({{u"17", u"adminm", u"乙", u"n1", u"新一", u"p", u"1", u"1", u"", u""},
                             {u"42", u"adminm", u"乙", u"n2", u"新二", u"p", u"2", u"1", u"", u""}})},
      {u"FRMSGU", listReply({{u"17", u"adminm", u"乙", u"45000", u"zz", u"名", u"3", u"1", u"0", u"新名", u"", u"1",
                              u"1", u"0", u"", u""}})},
      {u"SUNAME", listReply({{u"8", u"adminm", u"乙", u"45000", u"新人", u"", u""}})},
      {u"LISIMP", listReply({{u"5", u"zz", u"名", u"1", u"yy", u"他", u"1", u"40000", u"40010"},
                             {u"9", u"zz", u"名", u"2", u"xx", u"她", u"2", u"40000", u"40010"}})},
  };
  auto it = answers.find(word);
  if (it != answers.end()) return it->second;
  if (word.substr(0, 4) == u"SUNU" || word.substr(0, 4) == u"SUUS" || word.substr(0, 4) == u"SUNA" ||
      word == u"REJECT")
    return w16(u"IGOTIT");
  return {};
}

// A peer that logs the window in and then serves canned answers.
struct CannedServer {
  Wire wire;
  std::unique_ptr<ScriptedPeer> peer;
  explicit CannedServer(int connections = 1,
                        std::function<std::string(const std::string&)> answer = cannedAnswer) {
    std::vector<ScriptedPeer::Script> scripts;
    for (int i = 0; i < connections; ++i)
      scripts.push_back([this, answer](PeerConn& c) {
        if (playAdminLogin(c)) serveRequests(c, wire, answer);
      });
    peer = std::make_unique<ScriptedPeer>(std::move(scripts));
  }
  int port() const { return peer->port(); }
};

std::string req(std::u16string_view body) { return w16(u"CLIENT") + w16(body) + End; }

// Picks the first user of the picker once it is open.
void pickFirstUser() {
  onModal<tav::client::UserPicker>([](tav::client::UserPicker* p) { p->select_Click(); });
}

}  // namespace

class TestPeer : public QObject {
  Q_OBJECT
 private slots:
  void recordCarriesTagIdAndPassword_data();
  void recordCarriesTagIdAndPassword();
  void loginReplies_data();
  void loginReplies();
  void failureAfterAcceptedLogsOff_data();
  void failureAfterAcceptedLogsOff();
  void requestBytes_data();
  void requestBytes();
  void splitRepliesAndLowerCaseWords();
  void logLengthHeader_data();
  void logLengthHeader();
  void pushedTexts_data();
  void pushedTexts();
  void knockOutcomes_data();
  void knockOutcomes();
  void handOverReplies_data();
  void handOverReplies();
  void runningRequestGuardsEverything();
  void grantsShowEvenWhenTheUserListFails();
  void resetLeavesNothingToAnswer();
  void pickerAsksOncePerConnectionInServerOrderAfterGrants();
  void pickerWithoutSelectionDoesNothing();
  void emptyUserListOpensNoPicker();
};

void TestPeer::recordCarriesTagIdAndPassword_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("sent");
  QTest::newRow("cut to 16") << "adminm" << "0123456789abcdefXYZ" << "0123456789abcdef";
  QTest::newRow("empty") << "admint" << "" << "";
  QTest::newRow("nine characters") << "abcdefghi" << "pw" << "pw";
}

void TestPeer::recordCarriesTagIdAndPassword() {
  QFETCH(QString, id);
  QFETCH(QString, typed);
  QFETCH(QString, sent);
  RecordingNotifier note;
  std::string record;
  ScriptedPeer peer({[&](PeerConn& c) {
    playAdminLogin(c, &record);
    c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(w.login(id, typed));
  QCOMPARE(int(record.size()), 131);
  auto parsed = tav::parseLoginRecord(record, tav::loginKey(greetingAt()));
  QVERIFY(parsed.has_value());
  QCOMPARE(QString::fromStdU16String(parsed->tag), QStringLiteral("supe001"));
  QCOMPARE(QString::fromStdU16String(parsed->id), QChar(14) + id);
  QCOMPARE(QString::fromStdU16String(parsed->password), sent);
}

void TestPeer::loginReplies_data() {
  QTest::addColumn<QString>("reply");
  QTest::addColumn<bool>("in");
  QTest::addColumn<QString>("message");
  const QString wrongServer = QStringLiteral("程序连上了一台错误的服务器，请检查配置文件的IP和端口");
  QTest::newRow("accepted") << "ACCEPTED" << true << QString();
  QTest::newRow("accepted, proposals wait")
      << "ACCEPTEDCHANGEMS" << true
      << QStringLiteral("其它管理员有某些提议需要你的态度!!\r\n关于提议的详细内容可点击“提议管理”查看。");
  QTest::newRow("old version") << "WRONGVER" << false << QStringLiteral("该版本已停用，请向管理员索要新版");
  QTest::newRow("no such user") << "WRONGUSER" << false << QStringLiteral("无此用户");
  QTest::newRow("locked") << "LOCKED" << false << QStringLiteral("该账户的密码连错达规定次数，已被服务器暂时锁定");
  QTest::newRow("wrong password") << "WRONGPSWD" << false << QStringLiteral("密码错误");
  QTest::newRow("a user's wrong password") << "WRONGPSWD张三" << false << wrongServer;
  QTest::newRow("lower case") << "wrongpswd" << false << wrongServer;
  QTest::newRow("frozen is a user's word") << "FREEZED!" << false << wrongServer;
  QTest::newRow("anything else") << "HELLO!" << false << wrongServer;
}

void TestPeer::loginReplies() {
  QFETCH(QString, reply);
  QFETCH(bool, in);
  QFETCH(QString, message);
  RecordingNotifier note;
  std::atomic<bool> closedAfterRefusal{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    if (in) {
      playAdminLogin(c, nullptr, reply.toStdU16String());
      c.waitClosed(20);
      return;
    }
    c.send(greetingAt());
    c.read(131);
    c.sendWord(reply.toStdU16String());
    closedAfterRefusal = c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QCOMPARE(w.login(), in);
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  if (!message.isEmpty()) {
    QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
    QCOMPARE(note.shown[0].title, QStringLiteral("TAVsuper"));
  }
  QCOMPARE(w.main->LabSta()->text(), QStringLiteral(" TAVsuper - 就绪"));
  QVERIFY(!session().reqBusy);
  QCOMPARE(w.find<QWidget>("Frame5")->isVisible(), in);
  if (in) {
    QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(admino)"));
    QVERIFY(w.main->Timer1()->isActive());
    QCOMPARE(w.caption(), QStringLiteral("显示信息"));
    QVERIFY(w.find<QWidget>("FraShow")->isVisible());
    QCOMPARE(w.items("userig_1"), (QStringList{"提交工作请求", "安排"}));
    QCOMPARE(w.items("usetype_2"), QStringList{"机修"});
  } else {
    QVERIFY(waitFor([&] { return peer.done(); }));
    QVERIFY(closedAfterRefusal);
    QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVsuper(未登录)"));
  }
}

void TestPeer::failureAfterAcceptedLogsOff_data() {
  QTest::addColumn<QString>("knockAnswer");
  QTest::addColumn<QString>("tables");  // the "ALLGAT" reply's text, when the knock is approved
  QTest::addColumn<QString>("message");
  QTest::newRow("busy") << "IAMBUS" << QString() << QStringLiteral("服务器忙，请稍后再试");
  QTest::newRow("other answer") << "APPROX" << QString() << QStringLiteral("服务器回复不正常！可能与网络有关。");
  QTest::newRow("one table only") << "APPROV" << QStringLiteral("1\x18甲\x18\x19")
                                  << QStringLiteral("从服务器接收数据有错误，可能与网络有关。");
  QTest::newRow("bit not a number") << "APPROV" << QStringLiteral("x\x18甲\x18\x19\x31\x18乙\x18\x19")
                                    << QStringLiteral("从服务器接收数据有错误，可能与网络有关。");
}

void TestPeer::failureAfterAcceptedLogsOff() {
  QFETCH(QString, knockAnswer);
  QFETCH(QString, tables);
  QFETCH(QString, message);
  RecordingNotifier note;
  std::atomic<bool> closed{false};
  ScriptedPeer peer({[&](PeerConn& c) {
    c.send(greetingAt());
    c.read(131);
    c.sendWord(u"ACCEPTED");
    c.read(12);
    c.sendWord(knockAnswer.toStdU16String());
    if (!tables.isEmpty()) {
      c.readRequest();
      c.send(w16(tables.toStdU16String()) + End);
    }
    closed = c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(!w.login());
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  QVERIFY(waitFor([&] { return peer.done(); }));
  QVERIFY(closed);
  const QString wrong = notLoggedOut(w);
  QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
  QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(未登录)"));
  QVERIFY(w.items("userig_1").isEmpty());
}

void TestPeer::requestBytes_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<QByteArray>("bytes");
  auto b = [](const std::string& s) { return QByteArray::fromStdString(s); };
  QTest::newRow("information") << "frashows" << b(req(u"AUTHOR"));
  QTest::newRow("online list") << "frashowo" << b(req(u"SHOWLB"));
  QTest::newRow("log") << "frashowu" << b(req(u"SHOWTX"));
  QTest::newRow("password") << "percmdchan" << b(req(u"RENAME" + fs(u"旧pw") + fs(u"new")));
  QTest::newRow("hand-over") << "perNN" << b(req(u"MYNAME新人"));
  QTest::newRow("new user") << "useaddnew" << b(req(u"ADDUSE" + fs(u"u1") + fs(u"甲") + fs(u"p") + fs(u"3") + fs(u"1")));
  QTest::newRow("change") << "usesetpow"
                          << b(req(u"LISUSE") + req(u"USESET" + fs(u"zz") + fs(u"名") + fs(u"3") + fs(u"1") +
                                                    fs(u"0") + fs(u"新名") + fs(u"") + fs(u"2") + fs(u"1") +
                                                    fs(u"1")));
  QTest::newRow("agree to a new user, record 2")
      << "Sugnuok" << b(req(u"LISUNU") + req(u"SUNUOK" + fs(u"42") + u"c"));
  QTest::newRow("disagree to a change") << "SugcUok" << b(req(u"FRMSGU") + req(u"SUUSOK" + fs(u"17") + u"d"));
  QTest::newRow("agree to a hand-over") << "cmdSugManok" << b(req(u"SUNAME") + req(u"SUNAOK" + fs(u"8") + u"c"));
  QTest::newRow("veto, record 2") << "cmdreject" << b(req(u"LISIMP") + req(u"LISUSE") + req(u"REJECT" + fs(u"9")));
  QTest::newRow("disconnect") << "Unlink" << b(req(u"CLOSE!"));
  QTest::newRow("stop the server") << "unloadsv" << b(req(u"UNLOAD"));
  QTest::newRow("close the window") << "close" << b(w16(u"IULOAD"));
}

void TestPeer::requestBytes() {
  QFETCH(QString, action);
  QFETCH(QByteArray, bytes);
  RecordingNotifier note;
  CannedServer server;
  ManageWindow w(server.port());
  QVERIFY(w.login());
  auto select = [&](const char* list, std::initializer_list<int> rows) {
    auto* l = w.find<QListWidget>(list);
    l->clearSelection();
    for (int r : rows) l->item(r)->setSelected(true);
  };
  if (action.startsWith("frashow")) {
    w.click(action);
  } else if (action == "percmdchan") {
    w.type("perOld", "旧pw");
    w.type("perNew1", "new");
    w.type("perNew2", "new");
    w.click(action);
  } else if (action == "perNN") {
    w.type("perNewName", "新人");
    w.click(action);
  } else if (action == "useaddnew") {
    w.type("useid_2", "u1");
    w.type("usename_2", "甲");
    w.type("pswd_2", "p");
    select("userig_2", {0, 1});
    select("usetype_2", {0});
    w.click(action);
  } else if (action == "usesetpow") {
    pickFirstUser();
    w.click("UseAlls");
    QCOMPARE(w.box("useid_0"), QStringLiteral("zz"));
    w.click("usecopyall");
    QCOMPARE(w.find<QListWidget>("userig_1")->selectedItems().size(), 2);
    w.type("usename_1", "新名");
    select("userig_1", {1});
    w.find<QCheckBox>("usecand_1")->setChecked(true);
    w.click(action);
  } else if (action == "Sugnuok") {
    w.click("cmdSugnU");
    w.find<QScrollBar>("VScSugnU")->setValue(2);
    QCOMPARE(w.text("SugnUt"), QStringLiteral("2 / 2"));
    w.click(action);
  } else if (action == "SugcUok") {
    w.click("cmdSugcU");
    w.click("Optcuno");
    w.click(action);
  } else if (action == "cmdSugManok") {
    w.click("cmdSugMan");
    w.click(action);
  } else if (action == "cmdreject") {
    w.click("cmdImp");
    w.find<QScrollBar>("VScImp")->setValue(2);
    QCOMPARE(w.text("RigSlav"), QStringLiteral("xx(她)"));
    w.click(action);
  } else if (action == "Unlink") {
    w.main->Unlink_Click();
  } else if (action == "unloadsv") {
    w.type("Text4", "58302");
    w.click(action);
  } else if (action == "close") {
    QVERIFY(w.main->close());
  }
  QVERIFY(waitFor([&] { return server.wire.size() >= std::size_t(bytes.size()); }));
  QCOMPARE(QByteArray::fromStdString(server.wire.take()), bytes);
  for (const Shown& s : note.shown) QVERIFY2(s.icon != tav::client::Icon::Critical, qPrintable(s.text));
  if (action == "Unlink" || action == "unloadsv") {
    QVERIFY(!w.loggedIn());
    QCOMPARE(w.main->windowTitle(), QStringLiteral(" TAVsuper(未登录)"));
    QVERIFY(waitFor([&] { return server.peer->done(); }));
    QVERIFY(server.wire.take().empty());
  }
}

void TestPeer::splitRepliesAndLowerCaseWords() {
  RecordingNotifier note;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playAdminLogin(c)) return;
    auto dribble = [&](const std::string& bytes) {
      for (char b : bytes) {
        c.send(std::string(1, b));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
    };
    // A password change: the knock's answer and the word arrive a byte at a time, in lower case.
    c.read(12);
    dribble(w16(u"APPROV"));
    c.readRequest();
    dribble(w16(u"changed"));
    // A new user whose ID is taken: the holder's name follows the word.
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    c.send(w16(u"leiton张三"));
    // The information text, its terminator split across two reads.
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    std::string text = w16(u"第一行\r\n第二行") + End;
    c.send(text.substr(0, text.size() - 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    c.send(text.substr(text.size() - 1));
    c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(w.login());
  w.type("perOld", "a");
  w.type("perNew1", "b");
  w.type("perNew2", "b");
  w.click("percmdchan");
  QCOMPARE(note.last(), QStringLiteral("密码修改成功! 请牢记新密码。"));
  QVERIFY(w.box("perOld").isEmpty() && w.box("perNew1").isEmpty() && w.box("perNew2").isEmpty());
  w.type("useid_2", "zhangsan");
  w.type("usename_2", "张");
  w.type("pswd_2", "p");
  w.click("useaddnew");
  QCOMPARE(note.last(), QStringLiteral("该用户ID已经有人用了，他叫张三"));
  w.click("frashows");
  QCOMPARE(w.find<QPlainTextEdit>("Text1")->toPlainText(), QStringLiteral("第一行\n第二行"));
  QCOMPARE(note.shown.size(), std::size_t(2));
}

void TestPeer::logLengthHeader_data() {
  QTest::addColumn<int>("chars");
  QTest::addColumn<int>("headerSplit");  // bytes of the header in the first send
  QTest::addColumn<int>("logSplit");     // bytes of the log in the first send
  QTest::newRow("16 bytes in two reads") << 8 << 8 << 6;
  QTest::newRow("header split 4 + 4") << 8 << 4 << 16;
  QTest::newRow("40000 bytes") << 20000 << 8 << 20000;
}

void TestPeer::logLengthHeader() {
  QFETCH(int, chars);
  QFETCH(int, headerSplit);
  QFETCH(int, logSplit);
  RecordingNotifier note;
  std::u16string log;
  for (int i = 0; i < chars; ++i) log += char16_t(i % 2 ? u'志' : u'日');
  const std::string header = w16(QStringLiteral("%1").arg(chars * 2, 4, 16, QLatin1Char('0')).toUpper().toStdU16String());
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playAdminLogin(c)) return;
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    c.send(header.substr(0, headerSplit));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    c.send(header.substr(headerSplit));
    const std::string bytes = w16(log);
    c.send(bytes.substr(0, logSplit));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    c.send(bytes.substr(logSplit));
    c.send(w16(u"XX"));  // not announced: never part of the log
    c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(w.login());
  w.click("frashowu");
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QCOMPARE(w.find<QPlainTextEdit>("Text2")->toPlainText(), QString::fromStdU16String(log));
}

void TestPeer::pushedTexts_data() {
  QTest::addColumn<QString>("push");  // empty: the peer closes the connection
  QTest::addColumn<bool>("staysIn");
  QTest::addColumn<QString>("message");
  QTest::newRow("close") << "CLOSE!" << false << QString();
  QTest::newRow("close, lower case") << "close!" << false << QString();
  QTest::newRow("text beginning with close") << "CLOSE!x" << true << QStringLiteral("从服务器发来的消息：\r\nCLOSE!x");
  QTest::newRow("a message") << "服务器将在五分钟后停止" << true
                             << QStringLiteral("从服务器发来的消息：\r\n服务器将在五分钟后停止");
  QTest::newRow("connection gone") << "" << false << QStringLiteral("网络连接异常中止!");
}

void TestPeer::pushedTexts() {
  QFETCH(QString, push);
  QFETCH(bool, staysIn);
  QFETCH(QString, message);
  RecordingNotifier note;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playAdminLogin(c)) return;
    if (push.isEmpty()) return;  // the connection closes
    c.sendWord(push.toStdU16String());
    c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(w.login());
  if (staysIn)
    QVERIFY(waitFor([&] { return !note.shown.empty(); }));
  else
    QVERIFY(waitFor([&] { return !w.loggedIn(); }));
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  QCOMPARE(w.loggedIn(), staysIn);
  QCOMPARE(w.main->Timer1()->isActive(), staysIn);
  if (!staysIn) {
    const QString wrong = notLoggedOut(w);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
  }
}

void TestPeer::knockOutcomes_data() {
  QTest::addColumn<QString>("answer");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("icon");
  QTest::newRow("busy") << "IAMBUS" << "服务器正忙，请稍后再试。" << int(tav::client::Icon::Information);
  QTest::newRow("other word") << "IAMBUZ" << "错误的回复!" << int(tav::client::Icon::Critical);
  QTest::newRow("lower case is another word") << "approv" << "错误的回复!" << int(tav::client::Icon::Critical);
}

void TestPeer::knockOutcomes() {
  QFETCH(QString, answer);
  QFETCH(QString, message);
  QFETCH(int, icon);
  RecordingNotifier note;
  std::string afterKnocks;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playAdminLogin(c)) return;
    for (int i = 0; i < 3; ++i) {  // a request, the disconnect, the stop
      c.read(12);
      c.sendWord(answer.toStdU16String());
    }
    afterKnocks = c.read(2, 1);
  }});
  ManageWindow w(peer);
  QVERIFY(w.login());
  w.click("frashows");
  w.main->Unlink_Click();
  w.type("Text4", "58302");
  w.click("unloadsv");
  QCOMPARE(note.texts(), (QStringList{message, message, message}));
  for (const Shown& s : note.shown) QCOMPARE(int(s.icon), icon);
  QVERIFY(waitFor([&] { return peer.done(); }));
  QVERIFY(afterKnocks.empty());
  QVERIFY(w.loggedIn());
  QVERIFY(w.main->Timer1()->isActive());
  QCOMPARE(w.main->LabSta()->text(), QStringLiteral(" TAVsuper - 就绪"));
  QVERIFY(!session().reqBusy);
  QCOMPARE(w.box("Text4"), QStringLiteral("58302"));  // emptied only when the stop goes out
}

void TestPeer::handOverReplies_data() {
  QTest::addColumn<QString>("reply");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("icon");
  const int info = int(tav::client::Icon::Information);
  QTest::newRow("filed, lower case") << "igotit"
                                     << "你的请求已经提交，但并不是立即生效。\r\n"
                                        "本次请求需要另外两位管理员通过才会有效，请在一天内通知另外两位管理员"
                                     << info;
  QTest::newRow("too long") << "TOLONG" << "新姓名太长了，服务器不能接受，请使用短一点的!!" << info;
  QTest::newRow("the server's failure") << "UWRONG" << "服务器报告不明错误，该请求未被执行。"
                                        << int(tav::client::Icon::Critical);
  QTest::newRow("no such word") << "NOWORD" << "" << info;
}

void TestPeer::handOverReplies() {
  QFETCH(QString, reply);
  QFETCH(QString, message);
  QFETCH(int, icon);
  RecordingNotifier note;
  CannedServer server(1, [&](const std::string& r) {
    return wordOf(r) == u"MYNAME" ? w16(reply.toStdU16String()) : cannedAnswer(r);
  });
  ManageWindow w(server.port());
  QVERIFY(w.login());
  w.type("perNewName", "新人");
  w.click("perNN");
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  if (!message.isEmpty()) QCOMPARE(int(note.shown[0].icon), icon);
  QVERIFY(w.main->Timer1()->isActive());
  QVERIFY(!session().reqBusy);
  QCOMPARE(w.main->LabSta()->text(), QStringLiteral(" TAVsuper - 就绪"));
  QCOMPARE(w.box("perNewName"), QStringLiteral("新人"));
}

void TestPeer::runningRequestGuardsEverything() {
  RecordingNotifier note;
  std::atomic<bool> release{false};
  std::string afterRequest;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playAdminLogin(c)) return;
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    afterRequest = c.read(2, 0.5);  // nothing the window did meanwhile
    c.send(w16(u"关于") + End);
    c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(w.login());
  w.type("Text4", "58302");
  bool closed = true;
  QTimer::singleShot(0, [&] {
    closed = w.main->close();
    w.click("unloadsv");
    w.main->Unlink_Click();
    w.click("frashowo");
    w.click("cmdImp");
    release = true;
  });
  w.click("frashows");
  QVERIFY(!closed);
  QVERIFY(afterRequest.empty());
  QCOMPARE(w.find<QPlainTextEdit>("Text1")->toPlainText(), QStringLiteral("关于"));
  QVERIFY(w.loggedIn());
  QVERIFY(note.shown.empty());
}

void TestPeer::grantsShowEvenWhenTheUserListFails() {
  RecordingNotifier note;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playAdminLogin(c)) return;
    c.read(12);
    c.sendWord(u"APPROV");
    c.readRequest();
    c.send(cannedAnswer(w16(u"LISIMP")));
    c.read(12);
    c.sendWord(u"IAMBUS");
    c.waitClosed(20);
  }});
  ManageWindow w(peer);
  QVERIFY(w.login());
  w.click("cmdImp");
  QCOMPARE(note.texts(), QStringList{"服务器正忙，请稍后再试。"});
  QCOMPARE(w.text("Impt"), QStringLiteral("1 / 2"));
  QCOMPARE(w.text("RigMast"), QStringLiteral("zz(名)"));
  QCOMPARE(w.text("RigSlav"), QStringLiteral("yy(他)"));
  QCOMPARE(w.items("LisRig"), QStringList{"提交工作请求"});
  QVERIFY(w.items("OrgRig").isEmpty());
  QVERIFY(w.find<QPushButton>("cmdreject")->isEnabled());
  QVERIFY(!tables().userListLoaded);
}

void TestPeer::resetLeavesNothingToAnswer() {
  RecordingNotifier note;
  CannedServer server(2);
  ManageWindow w(server.port());
  QVERIFY(w.login());
  w.click("cmdImp");
  w.click("cmdSugnU");
  w.click("cmdSugcU");
  w.click("cmdSugMan");
  QCOMPARE(w.main->frmImp()->recordCount(), 2);
  QCOMPARE(w.main->frmSugnU()->recordCount(), 2);
  w.main->Unlink_Click();
  QVERIFY(waitFor([&] { return server.wire.take().size() > 0 && !session().sock.isOpen(); }));
  QVERIFY(w.login());
  server.wire.take();
  QVERIFY(!w.find<QPushButton>("cmdreject")->isEnabled());
  QVERIFY(!w.find<QScrollBar>("VScImp")->isEnabled());
  QCOMPARE(w.text("Impt"), QStringLiteral("无授权"));
  QCOMPARE(w.main->frmImp()->recordCount(), 0);
  for (const char* b : {"Sugnuok", "SugcUok", "cmdSugManok"}) QVERIFY(!w.find<QPushButton>(b)->isEnabled());
  for (const char* l : {"SugnUt", "SugcUt", "SugMannum"}) QCOMPARE(w.text(l), QStringLiteral("无提议"));
  QCOMPARE(w.main->frmSugnU()->recordCount(), 0);
  // Even called directly, nothing is vetoed or answered.
  w.main->frmImp()->cmdreject_Click();
  w.main->frmSugnU()->answer_Click();
  w.main->frmSugMan()->answer_Click();
  QVERIFY(waitFor([&] { return w.main->Timer1()->isActive(); }));
  w.click("frashows");  // a request that does go out, as a marker
  QVERIFY(waitFor([&] { return server.wire.size() >= req(u"AUTHOR").size(); }));
  QCOMPARE(server.wire.take(), req(u"AUTHOR"));
}

void TestPeer::pickerAsksOncePerConnectionInServerOrderAfterGrants() {
  RecordingNotifier note;
  const std::string users = listReply({{u"b", u"b", u"1", u"0", u"0"}, {u"A2", u"A", u"255", u"0", u"0"},
                                       {u"a1", u"a", u"5", u"0", u"1"}});
  CannedServer server(2, [&](const std::string& r) { return wordOf(r) == u"LISUSE" ? users : cannedAnswer(r); });
  ManageWindow w(server.port());
  QStringList lines;
  auto openAndCancel = [&] {
    onModal<tav::client::UserPicker>([&](tav::client::UserPicker* p) {
      lines.clear();
      auto* l = p->findChild<QListWidget*>("List1");
      for (int i = 0; i < l->count(); ++i) lines << l->item(i)->text();
      p->findChild<QPushButton*>("cmdcan")->click();
    });
    w.click("UseAlls");
  };
  auto lisuseSent = [&] {
    QString all = QString::fromStdU16String(tav::fromUtf16le(server.wire.take()));
    return all.count(QStringLiteral("LISUSE"));
  };
  QVERIFY(w.login());
  // The user panel sorts by name, A and a keeping the order received.
  openAndCancel();
  QCOMPARE(lines, (QStringList{"A2                 FF       0        A", "a1                 5        0        a",
                               "b                  1        0        b"}));
  openAndCancel();
  QCOMPARE(lisuseSent(), 1);
  QCOMPARE(tables().userPicked, 0);
  QVERIFY(!w.find<QPushButton>("usecopyall")->isEnabled());
  // A new connection asks again; the grants ask first and keep the server's order.
  w.main->Unlink_Click();
  QVERIFY(w.login());
  server.wire.take();
  w.click("cmdImp");
  openAndCancel();
  QCOMPARE(lisuseSent(), 1);
  QCOMPARE(lines.size(), 3);
  QVERIFY(lines[0].startsWith("b "));
  QVERIFY(lines[1].startsWith("A2 "));
  QVERIFY(lines[2].startsWith("a1 "));
}

void TestPeer::pickerWithoutSelectionDoesNothing() {
  RecordingNotifier note;
  CannedServer server;
  ManageWindow w(server.port());
  QVERIFY(w.login());
  QStringList looked;
  bool stayedOpen = false;
  onModal<tav::client::UserPicker>([&](tav::client::UserPicker* p) {
    auto* l = p->findChild<QListWidget*>("List1");
    l->clearSelection();
    p->findChild<QPushButton*>("Lookonedown")->click();
    for (const char* n : {"ListR", "ListT"}) looked << QString::number(p->findChild<QListWidget*>(n)->count());
    p->findChild<QPushButton*>("select")->click();
    stayedOpen = p->isVisible();
    p->findChild<QPushButton*>("cmdcan")->click();
  });
  w.click("UseAlls");
  QCOMPARE(looked, (QStringList{"0", "0"}));
  QVERIFY(stayedOpen);
  QCOMPARE(tables().userPicked, 0);
  QVERIFY(w.box("useid_0").isEmpty());
  QVERIFY(w.main->Timer1()->isActive());
}


void TestPeer::emptyUserListOpensNoPicker() {
  RecordingNotifier note;
  CannedServer server(1, [](const std::string& r) { return wordOf(r) == u"LISUSE" ? End : cannedAnswer(r); });
  ManageWindow w(server.port());
  QVERIFY(w.login());
  bool opened = false;
  QPointer<QTimer> watch = onModal<tav::client::UserPicker>([&](tav::client::UserPicker* p) {
    opened = true;
    p->reject();
  });
  w.click("UseAlls");
  w.click("UseAlls");  // asks again: nothing was held
  QCOMPARE(note.texts(), (QStringList{"尚没有任何用户", "尚没有任何用户"}));
  QVERIFY(!opened);
  delete watch.data();
  QVERIFY(!tables().userListLoaded);
  QVERIFY(w.main->Timer1()->isActive());
  QVERIFY(waitFor([&] { return server.wire.size() >= 2 * req(u"LISUSE").size(); }));
  QCOMPARE(server.wire.take(), req(u"LISUSE") + req(u"LISUSE"));
}

QTEST_MAIN(TestPeer)
#include "test_peer.moc"
