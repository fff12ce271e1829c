// Replies the real server does not give on demand, played by a scripted
// peer (the silence deadline is shortened for this file): an unknown word
// waited out to the time-out, a stalled listing, a reply word in small
// letters with its glued values, and the words that end a request early.
#include <QComboBox>
#include <QLabel>
#include <QtTest>
#include <mutex>

#include "client/user/fracollection.h"
#include "client/user/fraoneequ.h"
#include "client/user/fraprewo.h"
#include "tests/client/user/equiptest.h"
#include "tests/client/user/peerscripts.h"

using namespace tavtest;
using tav::client::Icon;

namespace {

std::u16string fields(std::initializer_list<std::u16string_view> f, char16_t sep = tav::FieldSep) {
  std::u16string r;
  for (auto x : f) {
    r += x;
    r += sep;
  }
  return r;
}

// The peer's side: the login, then for each request the knock, the request
// (kept) and the reply bytes given for it.
struct Peer {
  explicit Peer(std::vector<std::string> replies)
      : peer({[this, replies](PeerConn& c) {
          if (!playLogin(c)) return;
          for (const auto& r : replies) {
            if (c.read(12).size() != 12) return;
            c.sendWord(u"APPROV");
            std::string req = c.readRequest();
            {
              std::lock_guard<std::mutex> lock(m);
              requests.push_back(req);
            }
            c.send(r);
          }
          c.waitClosed();
        }}) {}
  std::string request(std::size_t i) {
    std::lock_guard<std::mutex> lock(m);
    return i < requests.size() ? requests[i] : std::string();
  }
  std::mutex m;
  std::vector<std::string> requests;
  ScriptedPeer peer;
};

std::string word(std::u16string_view w) { return tav::toUtf16le(w); }
std::string body(std::u16string_view b) { return tav::toUtf16le(b) + std::string(tav::MsgEnd); }

}  // namespace

class TestEquipTimeouts : public QObject {
  Q_OBJECT
 private slots:
  void unknownWordIsWaitedOut();
  void stalledListingKeepsTheList();
  void smallLettersAndGluedValues();
  void wordsThatEndARequest_data();
  void wordsThatEndARequest();
};

void TestEquipTimeouts::unknownWordIsWaitedOut() {
  RecordingNotifier note;
  Peer p({word(u"WHATIS")});
  UserWindow w(p.peer);
  QVERIFY(w.login("keeper", "pw"));
  auto* form = w.main->fraOneEqu();
  w.main->optionButton("report")->click();
  type(form, "oename", QStringLiteral("泵"));
  type(form, "oelocat", QStringLiteral("A-01"));
  control<QComboBox>(form, "oelevel")->setCurrentIndex(0);
  control<QComboBox>(form, "oeuse")->setCurrentIndex(0);
  click(form, "oeAdd");
  QCOMPARE(note.texts(), QStringList{"服务器响应超时，原因不明!"});
  QCOMPARE(note.shown[0].icon, Icon::Critical);
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w.main->Timer1()->isActive());
  // Name, location, level, state, purchase day "0", empty scrap day, three empty texts.
  QCOMPARE(p.request(0), body(u"EQUADD" + fields({u"泵", u"A-01", u"1", u"1", u"0", u"", u"", u"", u""})));
}

void TestEquipTimeouts::stalledListingKeepsTheList() {
  RecordingNotifier note;
  // One collection without places; then a listing that stops half-way.
  std::u16string listed = fields({u"1001", u"泵组", u"说明", u"45000.5", u"k(管)"});
  listed += std::u16string(40, tav::FieldSep);
  listed += fields({u"0"});
  listed += tav::RecordSep;
  Peer p({body(listed), word(fields({u"1002", u"泵"}))});
  UserWindow w(p.peer);
  QVERIFY(w.login("keeper", "pw"));
  auto* cols = w.main->fraCollection();
  click(cols, "ColGetcols");
  QCOMPARE(lines(control<QListWidget>(cols, "Colallcols")), QStringList{" 1001 泵组"});
  click(cols, "ColGetcols");
  QCOMPARE(note.texts(), QStringList{"从服务器接收数据有错误，可能与网络有关。"});
  QCOMPARE(lines(control<QListWidget>(cols, "Colallcols")), QStringList{" 1001 泵组"});
  QCOMPARE(cols->state().colList.size(), size_t(1));
}

void TestEquipTimeouts::smallLettersAndGluedValues() {
  RecordingNotifier note;
  std::u16string locations = fields({u"A-01", u"泵"});
  locations += tav::RecordSep;
  Peer p({body(locations), word(u"igotit100545000.5"), word(u"IgotIt45001.25")});
  UserWindow w(p.peer);
  QVERIFY(w.login("keeper", "pw"));
  auto* cols = w.main->fraCollection();
  type(cols, "ColName", QStringLiteral("组"));
  type(cols, "ColDescr", QStringLiteral("说明"));
  pickRows({0});
  click(cols, "altcolle");
  click(cols, "ColNewone");
  QCOMPARE(note.texts(), QStringList{"新集合添加成功，它的编号是：1005"});
  QCOMPARE(text(cols, "ColNumber"), QStringLiteral("1005"));
  QCOMPARE(text(cols, "ColDay"), QStringLiteral("2023-3-15 12:0:0"));
  QCOMPARE(text(cols, "ColPerson"), QStringLiteral("keeper(测试)"));
  std::u16string sent = u"COLADD" + fields({u"组", u"说明", u"A-01", u"泵"});
  sent += std::u16string(38, tav::FieldSep);  // 19 free places
  QCOMPARE(p.request(1), body(sent));

  auto* orders = w.main->fraPreWO();
  type(orders, "pWOnum", QStringLiteral("1007"));
  click(orders, "pWOapp");
  QCOMPARE(note.last(), QStringLiteral("预备工单“1007”已获批准"));
  QCOMPARE(text(orders, "pWOapd"), QStringLiteral("2023-3-16 6:0:0"));
  QCOMPARE(p.request(2), body(u"PWOAPP" + fields({u"1007"})));
}

void TestEquipTimeouts::wordsThatEndARequest_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("reply");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("icon");
  QTest::newRow("delete, store failed") << "pWOdel" << "UWRONG" << "服务器报告不明错误，该请求未被执行。"
                                        << int(Icon::Critical);
  QTest::newRow("reject, store failed") << "pWOcan" << "UWRONG" << "服务器报告不明错误，该请求未被执行。"
                                        << int(Icon::Critical);
  QTest::newRow("approve, plan not steppable") << "pWOapp" << "UNLDAY" << "格式不合法，要求是整数。"
                                               << int(Icon::Information);
  QTest::newRow("approve, incomplete request") << "pWOapp" << "RECV,ERR" << "服务器接收数据出错，请重试"
                                               << int(Icon::Critical);
  QTest::newRow("collection delete, store failed") << "ColDelete" << "UWRONG"
                                                   << "服务器报告不明错误，该请求未被执行。" << int(Icon::Critical);
}

void TestEquipTimeouts::wordsThatEndARequest() {
  QFETCH(QString, button);
  QFETCH(QString, reply);
  QFETCH(QString, message);
  QFETCH(int, icon);
  RecordingNotifier note;
  Peer p({word(reply.toStdU16String())});
  UserWindow w(p.peer);
  QVERIFY(w.login("keeper", "pw"));
  QWidget* panel = w.main->fraPreWO();
  type(panel, "pWOnum", QStringLiteral("1001"));
  if (button == "ColDelete") {
    panel = w.main->fraCollection();
    type(panel, "ColNumber", QStringLiteral("1001"));
  }
  click(panel, button.toLatin1().constData());
  // The word's own message: not waited out to the time-out.
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(int(note.shown[0].icon), icon);
  QCOMPARE(text(panel, button == "ColDelete" ? "ColNumber" : "pWOnum"), QStringLiteral("1001"));
}

QTEST_MAIN(TestEquipTimeouts)
#include "test_equip_timeouts.moc"
