// The work-request panel's requests against a scripted peer: the server's
// read error, replies that never come or stop half-way, and the letter case
// each request's words are compared in.
#include <QtTest>

#include "client/user/frmaddrecord.h"
#include "client/user/frmstatus.h"
#include "tests/client/user/peerscripts.h"
#include "tests/client/user/requestsupport.h"

using namespace tavtest;
using tav::user::FraRequ;

namespace {

// Tables enough for every request of the panel: a user with rights 1, 2
// and 4 and the trade 机修; statuses 1, 2, 4 and 16; rules that let the
// user move an order in repair and record time on it.
std::string gradeReply() {
  const std::u16string F(1, tav::FieldSep), R(1, tav::RecordSep);
  std::u16string r = u"测试" + F + u"7" + F + u"0" + F + u"1" + F + R;
  r += u"1" + F + u"提交" + F + u"2" + F + u"安排" + F + u"4" + F + u"维修" + F + R;
  r += u"1" + F + u"未生效" + F + u"2" + F + u"已安排" + F + u"4" + F + u"维修中" + F + u"16" + F + u"已完成" + F + R;
  r += u"1" + F + u"机修" + F + R;
  r += u"status" + F + u"4" + F + u"4" + F + u"20" + F + u"usetime" + F + u"4" + F + u"4" + F + u"0" + F + R;
  r += u"CM" + F + u"故障维修" + F + R;
  for (const char16_t* n : {u"8", u"0", u"16", u"32", u"2", u"4", u"32", u"16", u"1", u"2"}) r += n + F;
  r += R + std::u16string(12, tav::RecordSep);
  return tav::toUtf16le(r) + std::string(tav::MsgEnd);
}

tav::user::WOList order(int status) {
  tav::user::WOList w;
  w.bill_id = 305;
  w.equip_id = 10001;
  w.comofequip = "冷却泵";
  w.description = "泵体漏水需要检修处理";
  w.Status = status;
  w.bill_type = "CM";
  w.em_level = 1;
  w.usetime = 10;
  w.createid = "zhang";
  w.createname = "测试";
  w.created_date = 45366;
  w.begin_date = 45367;
  w.compl_date = 45370;
  w.isNew = 1;
  tav::user::deriveTexts(w);
  return w;
}

}  // namespace

class TestRequestTimeouts : public QObject {
  Q_OBJECT
 private slots:
  void replies_data();
  void replies();
};

void TestRequestTimeouts::replies_data() {
  QTest::addColumn<QString>("action");
  QTest::addColumn<QString>("reply");  // "" none at all; "STALL" half a list; "IAMBUS" to the knock
  QTest::addColumn<QString>("command");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("icon");
  const int info = int(tav::client::Icon::Information), crit = int(tav::client::Icon::Critical);
  const QString readError = "服务器读数据出错，很可能是网络的原因。", timeout = "接收数据超时";
  const QString listError = "从服务器接收数据有错误，可能与网络有关。";
  QTest::newRow("new request, RECV,ERR") << "new" << "RECV,ERR" << "WRITE:ANEWWO" << readError << crit;
  QTest::newRow("new request, no reply") << "new" << "" << "WRITE:ANEWWO" << timeout << crit;
  QTest::newRow("new request, igotit in lower case") << "new" << "igotit77" << "WRITE:ANEWWO"
                                                      << "新工单编号 77 已经写入" << info;
  QTest::newRow("update, RECV,ERR") << "update" << "RECV,ERR" << "WRITE:1OLDWO" << readError << crit;
  QTest::newRow("update, WROPOW is waited out") << "update" << "WROPOW" << "WRITE:1OLDWO" << timeout << crit;
  QTest::newRow("update, write,ok in lower case") << "update" << "write,ok" << "WRITE:1OLDWO"
                                                  << "工单编号 305 已经改写成功" << info;
  QTest::newRow("change, RECV,ERR") << "change" << "RECV,ERR" << "MYOLWO1" << readError << crit;
  QTest::newRow("change, no reply") << "change" << "" << "MYOLWO1" << timeout << crit;
  QTest::newRow("used time, RECV,ERR") << "time" << "RECV,ERR" << "ADTIME1305"
                                       << "服务器读数据出错，可能与网络有关。" << crit;
  QTest::newRow("used time, igotit in lower case is no success") << "time" << "igotit" << "ADTIME1305" << timeout
                                                                 << crit;
  QTest::newRow("used time, busy server: the form stays") << "time" << "IAMBUS" << ""
                                                         << "服务器正忙，请稍后再试。" << info;
  QTest::newRow("history, the list stalls") << "history" << "STALL" << "DETAIL1STATUS305" << listError << crit;
  QTest::newRow("used-time list, no reply") << "times" << "" << "DETAIL1USTIME305" << listError << crit;
}

void TestRequestTimeouts::replies() {
  QFETCH(QString, action);
  QFETCH(QString, reply);
  QFETCH(QString, command);
  QFETCH(QString, message);
  QFETCH(int, icon);
  RecordingNotifier note;
  std::string request;  // written by the peer, read once it is done
  ScriptedPeer peer({[reply, &request](PeerConn& c) {
    if (!playLogin(c, nullptr, gradeReply())) return;
    if (c.read(12) != tav::toUtf16le(u"CLIENT")) return;
    if (reply == "IAMBUS") {
      c.sendWord(u"IAMBUS");
      c.waitClosed(30);
      return;
    }
    c.sendWord(u"APPROV");
    request = c.readRequest();
    if (reply == "STALL") {
      const std::u16string F(1, tav::FieldSep);
      c.send(tav::toUtf16le(u"2" + F + u"测试(zhang)" + F + u"45366.5" + F + std::u16string(1, tav::RecordSep)));
    } else if (!reply.isEmpty()) {
      c.sendWord(reply.toStdU16String());
    }
    c.waitClosed(30);
  }});
  bool formOpen = false, formStayed = false;
  {
    UserWindow w(peer);
    QVERIFY(w.login("zhang", "pw"));
    FraRequ* panel = w.main->fraRequ();
    auto& list = w.main->lists();
    if (action == "new") {
      on<QLineEdit>(panel, "ReQu_Number")->setText("10001");
      on<QPlainTextEdit>(panel, "ReQu_FalReq")->setPlainText("泵体漏水需要检修处理");
      on<QLineEdit>(panel, "ReQu_OutDay")->setText("2024-3-20");
      on<QComboBox>(panel, "Requ_Em")->setCurrentIndex(0);
      on<QComboBox>(panel, "ReQu_WoType")->setCurrentIndex(0);
      panel->ReQu_Submit_Click();
    } else {
      list.woRecords = {order(action == "change" ? 1 : 4)};
      list.woSel = 1;
      panel->showOrder(1);
      if (action == "update") {
        on<QComboBox>(panel, "ReQu_WoStat")->setCurrentIndex(1);
        panel->ReQu_Submit_Click();
      } else if (action == "change") {
        on<QLineEdit>(panel, "ReQu_OutDay")->setText("2024-3-20");
        panel->ReQu_Chan_Click();
      } else if (action == "time") {
        auto watch = whenModal<tav::user::FrmAddRecord>([&](tav::user::FrmAddRecord* f) {
          on<QLineEdit>(f, "AddTime_1")->setText("90");
          f->Command1_Click();
          formStayed = f->isVisible() && on<QLineEdit>(f, "AddTime_1")->text() == "90";
        });
        panel->ReQu_AddTime_Click();
        QCOMPARE(on<QLabel>(panel, "ReQu_Time")->text(), QStringLiteral("10"));
        QCOMPARE(list.woRecords[0].usetime, 10);
      } else {
        auto watch = whenModal<tav::user::FrmStatus>([&](tav::user::FrmStatus*) { formOpen = true; });
        if (action == "history")
          panel->ReQu_StaDetail_Click();
        else
          panel->ReQu_UsedTime_Click();
      }
    }
    QCOMPARE(note.texts(), QStringList{message});
    QCOMPARE(int(note.shown[0].icon), icon);
    QVERIFY(!formOpen);
    QCOMPARE(formStayed, reply == "IAMBUS");
    QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
    QVERIFY(w.main->Timer1()->isActive());
    QVERIFY(!tav::user::session().reqBusy);
    if (icon == int(tav::client::Icon::Critical) && action != "new")
      QCOMPARE(list.woRecords[0].Status, action == "change" ? 1 : 4);  // the row is untouched
  }
  QVERIFY(waitFor([&] { return peer.done(); }));
  QVERIFY2(QString::fromStdU16String(tav::fromUtf16le(request)).startsWith(command), request.c_str());
}

QTEST_MAIN(TestRequestTimeouts)
#include "test_request_timeouts.moc"
