// The used-time report: the request to the byte against the real server,
// its checks and refusals, a reply gathered across reads from a scripted
// peer, the summary, and the workbook read back sheet by sheet.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "client/common/session.h"
#include "client/common/startup.h"
#include "client/user/frabb.h"
#include "client/user/report.h"
#include "protocol/daynum.h"
#include "tests/client/user/peerscripts.h"
#include "tests/client/user/relaypeer.h"
#include "tests/client/user/userfixture.h"
#include "tests/client/user/xlsxread.h"

using namespace tavtest;
using tav::FieldSep;
using tav::user::FraBb;

namespace {

// The client's and the server's now in this file: 31 March 2024.
const Env Now{{"TAV_NOW", "2024-03-31 10:00:00"}};
const int32_t March1 = tav::dayFromCivil(2024, 3, 1);
const int32_t March31 = tav::dayFromCivil(2024, 3, 31);

template <class W>
W* on(const QObject* p, const char* name) {
  return control<W>(p, name);
}

std::u16string num(long long v) { return tav::fromUtf8(std::to_string(v)); }

std::u16string reportBody(const char* flags, const char16_t* column, int32_t from, int32_t to) {
  return u"REPORT" + tav::fromUtf8(flags) + FieldSep + column + FieldSep + num(from) + FieldSep + num(to) + FieldSep;
}

// Three orders in March on three pumps (5, 9 and 9 hours), their used
// time, and further equipment of two of them.
void seedMarch(ServerDir& d) {
  addUser(d, "boss", 32 | 1, 1);
  addUser(d, "eng", 1 | 4, 1);
  auto order = [&](int id, const char* type, int equip, const char* name, int time, int created) {
    d.sql("TAVrecords.mdb",
          "INSERT INTO list(bill_id, bill_type, equip_id, comofequip, usetime, created_date) VALUES(" +
              std::to_string(id) + ", '" + type + "', " + std::to_string(equip) + ", '" + name + "', " +
              std::to_string(time) + ", " + std::to_string(created) + ")");
  };
  order(1, "CM", 10003, "三号泵", 5, March1);
  order(2, "PS", 10001, "一号泵", 9, March1 + 10);
  order(3, "IM", 10002, "二号泵", 9, March31);
  order(4, "CM", 10009, "九号泵", 7, March1 - 1);  // the day before the range
  d.sql("TAVrecords.mdb",
        "INSERT INTO detail VALUES(1, 'eng', 1, 2.5);"
        "INSERT INTO detail VALUES(2, 'boss', 2, 9);"
        "INSERT INTO detail VALUES(4, 'eng', 1, 7);"
        "INSERT INTO sublist VALUES(2, 10002, '二号泵', 40000);"
        "INSERT INTO sublist VALUES(3, 9999, '零号泵', 1);");
}

struct Panel {
  std::unique_ptr<UserWindow> w;
  FraBb* p = nullptr;
  QLineEdit* start() const { return on<QLineEdit>(p, "repbigday"); }
  QLineEdit* end() const { return on<QLineEdit>(p, "rependday"); }
  void range(const QString& s, const QString& e) const {
    start()->setText(s);
    end()->setText(e);
  }
  void run() const { on<QPushButton>(p, "repcmdok")->click(); }
};

Panel openPanel(int port, const QString& user = QStringLiteral("boss")) {
  Panel r;
  r.w = std::make_unique<UserWindow>(port);
  if (!r.w->login(user, "pw")) qFatal("login failed");
  r.w->main->optionButton("baobiao")->click();
  r.p = r.w->main->fraBb();
  return r;
}

// The March server, a relay to it and the panel of a logged-on user, with
// the messages and the spreadsheet application recorded.
struct March {
  explicit March(const QString& user = QStringLiteral("boss"), bool spreadsheet = true)
      : app(spreadsheet), srv(seedMarch, Now), relay(srv.port()), panel(openPanel(relay.port(), user)) {}
  RecordingNotifier note;
  RecordingSpreadsheet app;
  UserServer srv;
  Relay relay;
  Panel panel;
};

}  // namespace

class TestReport : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    qputenv("TAV_NOW", "2024-03-31 10:00:00");
    tav::client::setUpApplication();
  }
  void reportReadBack();
  void emptyRange();
  void serverAnswers_data();
  void serverAnswers();
  void checksBeforeSending_data();
  void checksBeforeSending();
  void noSpreadsheetApplication();
  void panelKeysAndFlags();
  void replyAcrossReads_data();
  void replyAcrossReads();
  void summary_data();
  void summary();
  void usedTimes_data();
  void usedTimes();
};

void TestReport::reportReadBack() {
  March m;
  auto& [note, app, srv, relay, panel] = m;
  panel.range("2024-3-1", "2024-3-31");
  relay.clear();
  panel.run();
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join('|')));
  QCOMPARE(wire(relay.sent()), wire(knockAndRequest(reportBody("00", u"created_date", March1, March31))));
  QCOMPARE(app.opened.size(), 1);
  QCOMPARE(panel.w->main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(panel.w->main->Timer1()->isActive());
  QVERIFY(!tav::user::session().reqBusy);

  const QString path = app.opened[0];
  QVERIFY(QFileInfo(path).fileName().startsWith("TAVreport-"));
  const QFile::Permissions none = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
  QCOMPARE(QFileInfo(path).permissions() & none, QFile::Permissions());
  QVERIFY(QFileInfo(path).permissions() & QFile::ReadOwner);
  Workbook b = readWorkbook(path);
  QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
  QCOMPARE(b.sheets, (QStringList{"工单耗时", "人员耗时", "工种耗时", "设备耗时", "DATA", "设备汇总"}));
  QCOMPARE(b.state["DATA"], QStringLiteral("hidden"));
  QCOMPARE(b.state["设备汇总"], QStringLiteral("visible"));
  QCOMPARE(b.active, QStringLiteral("设备汇总"));

  // The four blocks, on their sheets and side by side in DATA.
  struct Block {
    QString sheet, first;
    QList<QVariantList> rows;
  };
  const QList<Block> blocks = {
      {"工单耗时", "A", {{"工单编号", "类型", "耗时"}, {1, "故障维修", 5}, {2, "预防性维护", 9}, {3, "设备改造", 9}}},
      {"人员耗时", "E", {{"工单编号", "帐号ID", "耗时"}, {1, "eng", 2.5}, {2, "boss", 9}}},
      {"工种耗时", "I", {{"工单编号", "工种", "耗时"}, {1, "机修", 2.5}, {2, "电气", 9}}},
      {"设备耗时", "M",
       {{"设备编号", "设备名称", "耗时"},
        {9999, "零号泵", 1},
        {10001, "一号泵", 9},
        {10002, "二号泵", 9},
        {10002, "二号泵", 40000},
        {10003, "三号泵", 5}}},
  };
  for (const Block& blk : blocks) {
    for (int r = 0; r < blk.rows.size() + 1; ++r) {
      QVariantList own, data;
      for (int c = 0; c < 3; ++c) {
        own << b.value(blk.sheet, QString(QChar('A' + c)) + QString::number(r + 1)).toVariant();
        data << b.value("DATA", QString(QChar(blk.first[0].unicode() + c)) + QString::number(r + 1)).toVariant();
      }
      const QVariantList expected = r < blk.rows.size() ? blk.rows[r] : QVariantList{{}, {}, {}};
      QCOMPARE(own, expected);
      QCOMPARE(data, expected);
    }
    QCOMPARE(b.cellCount(blk.sheet), 3 * int(blk.rows.size()));
    // Numbers go as numbers.
    QCOMPARE(b.type(blk.sheet, "A2"), QStringLiteral("n"));
    QCOMPARE(b.type(blk.sheet, "C2"), QStringLiteral("n"));
  }
  QCOMPARE(b.row("DATA", 1, 17).mid(16), QVariantList{"2024-3-1"});
  QCOMPARE(b.value("DATA", "Q2").toString(), QStringLiteral("2024-3-31"));
  QCOMPARE(b.value("DATA", "Q3").toString(), QStringLiteral("按填单日期"));

  // The summary: 9, 9, 5 and 其它 0 in row 10.
  const QString s = "设备汇总";
  QCOMPARE(b.value(s, "A1").toString(), QStringLiteral("设备耗时汇总"));
  QCOMPARE(b.row(s, 2, 2), QVariantList({"开始日期", "2024-3-1"}));
  QCOMPARE(b.row(s, 3, 2), QVariantList({"结束日期", "2024-3-31"}));
  QCOMPARE(b.row(s, 4, 2), QVariantList({"日期类型", "按填单日期"}));
  QCOMPARE(b.row(s, 6, 2), QVariantList({"设备名称", "耗时"}));
  QCOMPARE(b.row(s, 7, 2), QVariantList({"一号泵", 9}));
  QCOMPARE(b.row(s, 8, 2), QVariantList({"二号泵", 9}));
  QCOMPARE(b.row(s, 9, 2), QVariantList({"三号泵", 5}));
  QCOMPARE(b.row(s, 10, 2), QVariantList({"其它", 0}));
  QCOMPARE(b.cellCount(s), 1 + 6 + 2 + 8);
}

void TestReport::emptyRange() {
  RecordingNotifier note;
  RecordingSpreadsheet app;
  UserServer srv(seedMarch, Now);
  Panel panel = openPanel(srv.port());
  panel.range("2023-1-1", "2023-1-31");
  on<QComboBox>(panel.p, "repdaytype")->setCurrentIndex(2);
  panel.run();
  QVERIFY(note.shown.empty());
  QCOMPARE(app.opened.size(), 1);
  Workbook b = readWorkbook(app.opened[0]);
  QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
  QCOMPARE(b.sheets.size(), 6);
  QCOMPARE(b.state["DATA"], QStringLiteral("hidden"));
  QCOMPARE(b.cellCount("DATA"), 12 + 3);  // the headings and Q1:Q3
  QCOMPARE(b.value("DATA", "Q3").toString(), QStringLiteral("按计划结束日期"));
  QCOMPARE(b.cellCount("工单耗时"), 3);
  QCOMPARE(b.cellCount("设备汇总"), 1 + 6 + 2);
  QCOMPARE(b.value("设备汇总", "A7").toVariant(), QVariant());
}

void TestReport::serverAnswers_data() {
  QTest::addColumn<QString>("user");
  QTest::addColumn<QString>("start");
  QTest::addColumn<QString>("end");
  QTest::addColumn<QString>("message");  // empty: the report opens
  QTest::newRow("370 days") << "boss" << "2023-3-27" << "2024-3-31" << "";
  QTest::newRow("371 days") << "boss" << "2023-3-26" << "2024-3-31" << "日期跨度太大了，超出服务器可提供的范围。";
  QTest::newRow("one day") << "boss" << "2024-3-31" << "2024-3-31" << "";
  QTest::newRow("end before start") << "boss" << "2024-3-31" << "2024-3-30" << "开始日期不可大过结束日期";
  QTest::newRow("no report right") << "eng" << "2024-3-1" << "2024-3-31" << "你没有这个权限，如有必要请联系管理员。";
}

void TestReport::serverAnswers() {
  QFETCH(QString, user);
  QFETCH(QString, start);
  QFETCH(QString, end);
  QFETCH(QString, message);
  March m(user);
  auto& [note, app, srv, relay, panel] = m;
  panel.range(start, end);
  relay.clear();
  panel.run();
  QCOMPARE(wire(relay.sent()),
           wire(knockAndRequest(reportBody("00", u"created_date", tav::user::parseDate(start), tav::user::parseDate(end)))));
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  if (!message.isEmpty()) QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(app.opened.size(), message.isEmpty() ? 1 : 0);
  QCOMPARE(panel.w->main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(panel.w->main->Timer1()->isActive());
  QVERIFY(!tav::user::session().reqBusy);
}

void TestReport::checksBeforeSending_data() {
  QTest::addColumn<QString>("start");
  QTest::addColumn<QString>("end");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");
  QTest::newRow("no start") << "" << "2024-3-31" << "“开始日期”是必填项或者你写错了格式" << "repbigday";
  QTest::newRow("month 13") << "2024-13-1" << "2024-3-31" << "“开始日期”是必填项或者你写错了格式" << "repbigday";
  QTest::newRow("no end") << "2024-3-1" << "" << "“结束日期”是必填项或者你写错了格式" << "rependday";
  QTest::newRow("both wrong: the start first") << "x" << "y" << "“开始日期”是必填项或者你写错了格式" << "repbigday";
}

void TestReport::checksBeforeSending() {
  QFETCH(QString, start);
  QFETCH(QString, end);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  March m;
  auto& [note, app, srv, relay, panel] = m;
  QVERIFY(QTest::qWaitForWindowActive(panel.w->main.get()));
  panel.range(start, end);
  relay.clear();
  panel.run();
  QCOMPARE(relay.sent(), std::string());
  QCOMPARE(app.asked, 0);
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(on<QLineEdit>(panel.p, focus.toLatin1().constData())));

  // Logged off, the button does nothing at all.
  panel.w->main->resetLogoff();
  note.clear();
  panel.range("2024-3-1", "2024-3-31");
  panel.p->repcmdok_Click();
  QVERIFY(note.shown.empty());
  QCOMPARE(app.asked, 0);
}

void TestReport::noSpreadsheetApplication() {
  March m(QStringLiteral("boss"), false);
  auto& [note, app, srv, relay, panel] = m;
  panel.range("2024-3-1", "2024-3-31");
  QStringList statusSeen;
  auto* status = panel.w->main->LabStat();
  note.onShow = [&](const Shown&) { statusSeen << status->text(); };
  relay.clear();
  panel.run();
  QCOMPARE(relay.sent(), std::string());  // not even the knock
  QCOMPARE(note.texts(), QStringList{"你的计算机没有安装Microsoft Excel软件，不能执行此功能!"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  QCOMPARE(note.shown[0].title, QStringLiteral("查询报表"));
  QCOMPARE(statusSeen, QStringList{" TAVuser - 就绪"});
  QCOMPARE(status->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(panel.w->main->Timer1()->isActive());
  QVERIFY(!tav::user::session().reqBusy);
}

void TestReport::panelKeysAndFlags() {
  March m;
  auto& [note, app, srv, relay, panel] = m;
  QCOMPARE(panel.w->main->OFrame(), static_cast<tav::user::Panel*>(panel.p));
  auto* type = on<QComboBox>(panel.p, "repdaytype");
  auto* compl_ = on<QCheckBox>(panel.p, "repcompl");
  auto* history = on<QCheckBox>(panel.p, "repinchis");

  // Space: a month back in the start box, today in the end box.
  panel.start()->setText("x");
  QTest::keyClick(panel.start(), Qt::Key_Space);
  QCOMPARE(panel.start()->text(), QStringLiteral("2024-2-29"));
  QTest::keyClick(panel.end(), Qt::Key_Space);
  QCOMPARE(panel.end()->text(), QStringLiteral("2024-3-31"));

  // The finished-only mark goes out even while 按实际结束日期 disables it.
  compl_->setChecked(true);
  history->setChecked(true);
  type->setCurrentIndex(3);
  QVERIFY(!compl_->isEnabled());
  QVERIFY(compl_->isChecked());
  panel.start()->setText("3-1");  // the current year
  relay.clear();
  QTest::keyClick(panel.end(), Qt::Key_Return);  // Enter makes the report
  QCOMPARE(wire(relay.sent()), wire(knockAndRequest(reportBody("11", u"done_date", March1, March31))));
  QCOMPARE(app.opened.size(), 1);
  type->setCurrentIndex(1);
  QVERIFY(compl_->isEnabled());

  // Showing the panel again: 按填单日期, the mark off, the rest kept.
  panel.w->main->optionButton("personal")->click();
  type->setCurrentIndex(3);
  panel.w->main->optionButton("baobiao")->click();
  QCOMPARE(type->currentIndex(), 0);
  QVERIFY(compl_->isEnabled());
  QVERIFY(!compl_->isChecked());
  QVERIFY(history->isChecked());
  QCOMPARE(panel.start()->text(), QStringLiteral("3-1"));
  QCOMPARE(panel.end()->text(), QStringLiteral("2024-3-31"));
}

void TestReport::replyAcrossReads_data() {
  QTest::addColumn<QStringList>("pieces");
  QTest::addColumn<QString>("message");     // empty: a report
  QTest::addColumn<QString>("firstOrder");  // A2 of 工单耗时 when there is one
  const QString fs{QChar(tav::FieldSep)}, rs{QChar(tav::RecordSep)}, ss{QChar(tav::SectionSep)}, end{QChar(0)};
  QTest::newRow("refusal in two reads") << QStringList{"TO", "LONG"} << "日期跨度太大了，超出服务器可提供的范围。" << "";
  QTest::newRow("refusal in lower case") << QStringList{"wrongw"} << "开始日期不可大过结束日期" << "";
  QTest::newRow("UWRONG") << QStringList{"UWR", "ONG"} << "服务器报告不明错误，该请求未被执行。" << "";
  // "AĀ" holds two zero bytes that straddle two characters: not the end.
  QTest::newRow("list in pieces, a zero pair inside")
      << QStringList{"7" + fs + "CM" + fs, "5" + fs + "A" + QChar(0x100) + fs + "3" + fs + rs, ss + ss, end}
      << "" << "7";
  QTest::newRow("a name the workbook cannot hold")
      << QStringList{"7" + fs + "CM" + fs + "5" + fs + QString(40000, 'x') + fs + "3" + fs + rs + ss + ss + end}
      << "String exceeds Excel's limit of 32,767 characters." << "";
}

void TestReport::replyAcrossReads() {
  QFETCH(QStringList, pieces);
  QFETCH(QString, message);
  QFETCH(QString, firstOrder);
  RecordingNotifier note;
  RecordingSpreadsheet app;
  ScriptedPeer peer({[&](PeerConn& c) {
    if (!playLogin(c)) return;
    if (c.read(12) != tav::toUtf16le(u"CLIENT")) return;
    c.sendWord(u"APPROV");
    c.readRequest();
    // The pieces go out one by one; however they arrive, the reply is one.
    for (const QString& p : pieces) c.send(tav::toUtf16le(p.toStdU16String()));
    c.waitClosed(20);
  }});
  UserWindow w(peer);
  QVERIFY(w.login("zhang", "pw"));
  w.main->optionButton("baobiao")->click();
  FraBb* p = w.main->fraBb();
  on<QLineEdit>(p, "repbigday")->setText("2024-3-1");
  on<QLineEdit>(p, "rependday")->setText("2024-3-31");
  p->repcmdok_Click();
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  QCOMPARE(app.opened.size(), message.isEmpty() ? 1 : 0);
  if (message.startsWith("String")) QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  if (!firstOrder.isEmpty()) {
    Workbook b = readWorkbook(app.opened[0]);
    QCOMPARE(b.value("工单耗时", "A2").toInt(), firstOrder.toInt());
    QCOMPARE(b.value("设备耗时", "B2").toString(), QString(QStringLiteral("A") + QChar(0x100)));
    QCOMPARE(b.value("设备耗时", "C2").toInt(), 3);
  }
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(w.main->Timer1()->isActive());
}

void TestReport::summary_data() {
  QTest::addColumn<QList<int>>("equipment");  // per order
  QTest::addColumn<QList<int>>("times");
  QTest::addColumn<QStringList>("names");     // the summary rows
  QTest::addColumn<QList<int>>("rowTimes");
  QTest::addColumn<int>("others");
  QTest::newRow("5, 9, 9") << QList<int>{3, 1, 2} << QList<int>{5, 9, 9} << QStringList{"e1", "e2", "e0"}
                           << QList<int>{9, 9, 5} << 0;
  QTest::newRow("ten orders on one equipment")
      << QList<int>(10, 4) << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << QStringList{"e0"} << QList<int>{55} << 0;
  QTest::newRow("merged, then the greatest")
      << QList<int>{1, 2, 1, 3} << QList<int>{4, 6, 5, 7} << QStringList{"e0", "e3", "e1"} << QList<int>{9, 7, 6} << 0;
  QTest::newRow("no equipment number: rows of their own")
      << QList<int>{0, 0, 5} << QList<int>{2, 2, 1} << QStringList{"e0", "e1", "e2"} << QList<int>{2, 2, 1} << 0;
  QTest::newRow("ten equipment: eight rows and the rest")
      << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}
      << QStringList{"e9", "e8", "e7", "e6", "e5", "e4", "e3", "e2"} << QList<int>{10, 9, 8, 7, 6, 5, 4, 3} << 3;
  QTest::newRow("all without time") << QList<int>{1, 2} << QList<int>{0, 0} << QStringList{"e0", "e1"}
                                    << QList<int>{0, 0} << 0;
}

void TestReport::summary() {
  QFETCH(QList<int>, equipment);
  QFETCH(QList<int>, times);
  QFETCH(QStringList, names);
  QFETCH(QList<int>, rowTimes);
  QFETCH(int, others);
  std::vector<tav::user::RepWO> orders;
  for (int i = 0; i < equipment.size(); ++i)
    orders.push_back({100 + i, "CM", times[i], equipment[i], QStringLiteral("e%1").arg(i)});
  const tav::user::Summary s = tav::user::summarise(orders);
  QStringList gotNames;
  QList<int> gotTimes;
  for (const auto& r : s.rows) {
    gotNames << r.name;
    gotTimes << int(r.usetime);
  }
  QCOMPARE(gotNames, names);
  QCOMPARE(gotTimes, rowTimes);
  QCOMPARE(int(s.others), others);
}

void TestReport::usedTimes_data() {
  QTest::addColumn<QString>("field");  // the used time of section 2's one record
  QTest::addColumn<double>("hours");
  QTest::newRow("fraction") << "2.5" << 2.5;
  QTest::newRow("whole") << "9" << 9.0;
  QTest::newRow("no number") << "x" << 0.0;
  // The workbook holds no infinity: a time beyond the double range is none.
  QTest::newRow("beyond the double range") << "1e999" << 0.0;
  QTest::newRow("beyond it, negative") << "-1e999" << 0.0;
}

void TestReport::usedTimes() {
  QFETCH(QString, field);
  QFETCH(double, hours);
  const QString fs{QChar(tav::FieldSep)}, rs{QChar(tav::RecordSep)}, ss{QChar(tav::SectionSep)};
  const QString reply = ss + "1" + fs + "eng" + fs + "1" + fs + field + fs + rs + ss;
  const tav::user::ReportData d = tav::user::parseReport(reply.toStdU16String());
  QCOMPARE(d.times.size(), std::size_t(1));
  QCOMPARE(d.times[0].used_time, hours);
  QCOMPARE(d.times[0].user_id, QStringLiteral("eng"));
}

QTEST_MAIN(TestReport)
#include "test_report.moc"
