// The user client's shared procedures and pure pieces, without a server:
// parseDate, the lookups, the row objects' Props, the configuration file,
// the window's place in the free desktop, the start-of-session cutting,
// typed text in requests, the wheel table, the splash dots, the font and
// the question's buttons.
#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "client/common/clock.h"
#include "client/common/frmsplash.h"
#include "client/common/helpdoc.h"
#include "client/common/loginsteps.h"
#include "client/common/notifier.h"
#include "client/common/startup.h"
#include "client/common/windowfilters.h"
#include "client/user/gradereply.h"
#include "client/user/rows.h"
#include "client/user/usertables.h"
#include "protocol/daynum.h"
#include "protocol/login.h"
#include "protocol/password.h"
#include "protocol/wire.h"
#include "tests/client/support/clienttest.h"

using namespace tav::user;
using tav::dayFromCivil;

class TestCoreUnits : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { tav::client::setUpApplication(); }
  void parseDateCases_data();
  void parseDateCases();
  void parseDateUsesServerYear();
  void lookups();
  void props();
  void iniFiles_data();
  void iniFiles();
  void placement_data();
  void placement();
  void gradeReply();
  void gradeReplyTooShort_data();
  void gradeReplyTooShort();
  void typedTextCannotEndARequest();
  void wheel();
  void splashDotsCycle();
  void fontCoversChinese();
  void questionButtons();
  void loginRecordBytes_data();
  void loginRecordBytes();
  void helpDocument();
};

void TestCoreUnits::parseDateCases_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("day");
  const int jan5 = dayFromCivil(2024, 1, 5);
  QTest::newRow("plain") << "2024-1-5" << jan5;
  QTest::newRow("zeros") << "2024-01-05" << jan5;
  QTest::newRow("blanks") << " 2024 - 1 - 5 " << jan5;
  QTest::newRow("whole 3.0") << "2024-3.0-1" << dayFromCivil(2024, 3, 1);
  QTest::newRow("slashes") << "2024/1/5" << 0;
  QTest::newRow("no hyphen") << "20240105" << 0;
  QTest::newRow("1900") << "1900-1-1" << 0;
  QTest::newRow("2900") << "2900-1-1" << 0;
  QTest::newRow("1901") << "1901-1-1" << dayFromCivil(1901, 1, 1);
  QTest::newRow("2899") << "2899-12-31" << dayFromCivil(2899, 12, 31);
  QTest::newRow("month 13") << "2024-13-1" << 0;
  QTest::newRow("month 0") << "2024-0-1" << 0;
  QTest::newRow("day 0") << "2024-1-0" << 0;
  QTest::newRow("day 32") << "2024-1-32" << 0;
  QTest::newRow("empty month") << "2024--1" << 0;
  QTest::newRow("empty day") << "2024-1-" << 0;
  QTest::newRow("empty year") << "-1-1" << 0;
  QTest::newRow("three hyphens") << "2024-1-1-1" << 0;
  QTest::newRow("year fraction") << "2024.5-1-1" << 0;
  QTest::newRow("month fraction") << "2024-1.5-1" << 0;
  QTest::newRow("31 Feb leap") << "2024-2-31" << dayFromCivil(2024, 3, 2);
  QTest::newRow("30 Feb leap") << "2024-2-30" << dayFromCivil(2024, 3, 1);
  QTest::newRow("30 Feb common") << "2023-2-30" << dayFromCivil(2023, 3, 2);
  QTest::newRow("letters") << "2024-a-1" << 0;
}

void TestCoreUnits::parseDateCases() {
  QFETCH(QString, text);
  QFETCH(int, day);
  QCOMPARE(parseDate(text), day);
}

void TestCoreUnits::parseDateUsesServerYear() {
  // Late on 31 December locally while the server already counts the new year.
  const double saved = timeDiff();
  int localYear = tav::civilFromDay(static_cast<int32_t>(std::floor(tav::client::localNow()))).y;
  timeDiff() = 0;
  QCOMPARE(parseDate("1-5"), dayFromCivil(localYear, 1, 5));
  QCOMPARE(parseDate("4-31"), dayFromCivil(localYear, 5, 1));
  timeDiff() = 400;  // over a year ahead
  int serverYear = tav::civilFromDay(clientToday()).y;
  QVERIFY(serverYear > localYear);
  QCOMPARE(parseDate("1-5"), dayFromCivil(serverYear, 1, 5));
  timeDiff() = saved;
}

void TestCoreUnits::lookups() {
  UserTables saved = tables();
  tables().statusList = {{1, "未生效"}, {2, "已提交"}};
  tables().typeList = {{1, "电工"}, {2, "钳工"}};
  tables().billTypeList = {{"OO", "抢修"}, {"ab", "改造"}};
  QCOMPARE(statusNameOf(2), QStringLiteral("已提交"));
  QCOMPARE(statusNameOf(4), QString());
  QCOMPARE(typeNameOf(2), QStringLiteral("钳工"));
  QCOMPARE(typeNameOf(3), QString());  // two trade bits are no one trade
  QCOMPARE(billTypeNameOf("OO"), QStringLiteral("抢修"));
  QCOMPARE(billTypeNameOf("AB"), QString());  // case counts
  QCOMPARE(maxOf(3, 3), 3.0);
  QCOMPARE(minOf(25, 20), 20.0);
  QCOMPARE(minOf(3, 3), 3.0);
  tables() = saved;
}

void TestCoreUnits::props() {
  UserTables saved = tables();
  tables().statusList = {{1, "未生效"}};
  WOList w;
  w.bill_id = 7;
  w.Status = 8;  // not in the table
  w.created_date = 0;
  w.compl_date = 0;
  deriveTexts(w);
  QVERIFY(!w.Props(0).isValid());
  QVERIFY(!w.Props(25).isValid());
  QCOMPARE(w.Props(1).toInt(), 7);
  QCOMPARE(w.Props(4).toString(), QString());
  QCOMPARE(w.Props(10).toString(), QStringLiteral("1899-12-30"));
  QCOMPARE(w.Props(14).toString(), QStringLiteral("1899-12-30"));
  QCOMPARE(w.Props(11).toString(), QString());  // not done
  QCOMPARE(w.Props(13).toString(), QString());  // no start
  QCOMPARE(w.created_by, QStringLiteral("()"));
  w.Status = 1;
  w.done_date = dayFromCivil(2024, 3, 5);
  deriveTexts(w);
  QCOMPARE(w.Props(4).toString(), QStringLiteral("未生效"));
  QCOMPARE(w.Props(11).toString(), QStringLiteral("2024-3-5"));
  QCOMPARE(w.Props(21).toInt(), w.done_date);
  QCOMPARE(w.Props(23).toInt(), 1);

  EquList e;
  e.buied_date = -3;
  e.uselessday = dayFromCivil(2020, 12, 1);
  deriveTexts(e);
  QVERIFY(!e.Props(13).isValid());
  QVERIFY(!e.Props(0).isValid());
  QCOMPARE(e.Props(4).toString(), QString());
  QCOMPARE(e.Props(9).toString(), QStringLiteral("2020-12-1"));
  QCOMPARE(e.Props(12).toInt(), e.uselessday);
  tables() = saved;
}

void TestCoreUnits::iniFiles_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<bool>("ok");
  QTest::addColumn<int>("port");
  QTest::newRow("plain") << QByteArray("ipaddr=127.0.0.1\nhostport=5190\n") << true << 5190;
  QTest::newRow("upper case") << QByteArray("IPADDR=10.1.2.3\r\nHostPort=80\r\n") << true << 80;
  QTest::newRow("bom") << QByteArray("\xEF\xBB\xBFipaddr=10.1.2.3\nhostport=81") << true << 81;
  QTest::newRow("rounded") << QByteArray("ipaddr=10.1.2.3\nhostport=5190.4\n") << true << 5190;
  QTest::newRow("one line") << QByteArray("ipaddr=127.0.0.1\n") << false << 0;
  QTest::newRow("blank first") << QByteArray("\nhostport=5190\n") << false << 0;
  QTest::newRow("port 70000") << QByteArray("ipaddr=127.0.0.1\nhostport=70000\n") << false << 0;
  QTest::newRow("port 0") << QByteArray("ipaddr=127.0.0.1\nhostport=0\n") << false << 0;
  QTest::newRow("port text") << QByteArray("ipaddr=127.0.0.1\nhostport=x\n") << false << 0;
  QTest::newRow("address abc") << QByteArray("ipaddr=abc\nhostport=5190\n") << false << 0;
  QTest::newRow("swapped") << QByteArray("hostport=5190\nipaddr=127.0.0.1\n") << false << 0;
}

void TestCoreUnits::iniFiles() {
  QFETCH(QByteArray, content);
  QFETCH(bool, ok);
  QFETCH(int, port);
  auto a = tav::client::parseServerIni(content);
  QCOMPARE(a.has_value(), ok);
  if (ok) QCOMPARE(a->port, port);
  QVERIFY(!tav::client::readServerIni("/nonexistent/TAVclient.ini"));
}

void TestCoreUnits::placement_data() {
  QTest::addColumn<QRect>("available");
  QTest::addColumn<bool>("fits");
  QTest::addColumn<QPoint>("topLeft");
  QTest::newRow("panel bottom") << QRect(0, 0, 1024, 728) << true << QPoint(5, 24);
  QTest::newRow("panel top") << QRect(0, 50, 1024, 718) << true << QPoint(5, 69);
  QTest::newRow("panel right") << QRect(0, 0, 1240, 1024) << true << QPoint(113, 172);
  QTest::newRow("panel left") << QRect(40, 0, 1240, 1024) << true << QPoint(153, 172);
  QTest::newRow("left too wide") << QRect(100, 0, 924, 768) << false << QPoint();
  QTest::newRow("bottom too high") << QRect(0, 0, 1024, 668) << false << QPoint();
  QTest::newRow("exact") << QRect(0, 0, 1014, 679) << true << QPoint(0, 0);
}

void TestCoreUnits::placement() {
  QFETCH(QRect, available);
  QFETCH(bool, fits);
  QFETCH(QPoint, topLeft);
  auto r = tav::client::placeWindow(available, QSize(1014, 679));
  QCOMPARE(r.has_value(), fits);
  if (fits) {
    QCOMPARE(r->topLeft(), topLeft);
    QVERIFY(available.contains(*r));
  }
}

namespace {
const char16_t FS = tav::FieldSep, RS = tav::RecordSep;
std::u16string fields(std::initializer_list<std::u16string> l) {
  std::u16string s;
  for (const auto& f : l) s += f + FS;
  return s;
}
}  // namespace

void TestCoreUnits::gradeReply() {
  std::u16string r;
  r += fields({u"张三", u"3", u"4", u"1"}) + RS;
  r += fields({u"1", u"提交请求", u"2", u"派工", u"4", u"维修"}) + RS;
  r += fields({u"1", u"未生效", u"2", u"已提交"}) + RS;
  r += fields({u"1", u"电工"}) + RS;
  r += fields({u"Status", u"1", u"1", u"2"}) + RS;
  r += fields({u"OO", u"抢修"}) + RS;
  r += fields({u"1", u"2", u"12", u"24", u"16", u"0", u"8", u"0", u"1", u"0"}) + RS;
  // Slot 1 set with two conditions, slots 2-4 unset.
  r += fields({u"(", u"3", u"0", u"已提交", u"", u"T", u"", u"9", u"3", u"今天", u")", u"F"}) + RS;
  r += fields({u"9", u"False", u"0", u"True", u"0", u"True"}) + RS;
  r += u"我的" + std::u16string(1, RS);
  for (int k = 0; k < 3; ++k) r += std::u16string(3, RS);
  auto t = parseGradeReply(r);
  QVERIFY(t.has_value());
  QCOMPARE(t->myName, QStringLiteral("张三"));
  QCOMPARE(t->myRight, 3);
  QCOMPARE(t->myImpRight, 4);
  QCOMPARE(t->rights(), 7);
  QCOMPARE(int(t->rightList.size()), 3);
  QCOMPARE(int(t->impBits.size()), 2);  // bits 1 and 2 of the own rights
  QCOMPARE(t->impBits[1].name, QStringLiteral("派工"));
  QCOMPARE(t->fieldRights.at(0).tostas, 2);
  QCOMPARE(t->billTypeList.at(0).code, QStringLiteral("OO"));
  QCOMPARE(t->arrangedSta(), 16);
  QCOMPARE(t->oldWORight(), 8);
  QVERIFY(t->woPreset[0].set);
  QCOMPARE(int(t->woPreset[0].conds.size()), 2);
  QVERIFY(t->woPreset[0].conds[0].leftBracket);
  QVERIFY(t->woPreset[0].conds[0].andNext);
  QVERIFY(t->woPreset[0].conds[1].rightBracket);
  QVERIFY(!t->woPreset[0].conds[1].andNext);
  QCOMPARE(t->woPreset[0].conds[1].value, QStringLiteral("今天"));
  QCOMPARE(t->woPreset[0].sort[0].column, 9);
  QVERIFY(!t->woPreset[0].sort[0].ascending);
  QVERIFY(t->woPreset[0].sort[1].ascending);
  QCOMPARE(t->woPreset[0].name, QStringLiteral("我的"));
  for (int k = 1; k < 4; ++k) QVERIFY(!t->woPreset[k].set);
}

void TestCoreUnits::gradeReplyTooShort_data() {
  QTest::addColumn<QString>("reply");
  std::u16string nums = fields({u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9", u"10"});
  std::u16string head = fields({u"张三", u"3", u"4", u"1"});
  auto build = [&](const std::u16string& h, const std::u16string& n, int slotsRs) {
    std::u16string r = h + RS + RS + RS + RS + RS + RS + n + RS;
    r += std::u16string(static_cast<std::size_t>(slotsRs), RS);
    return QString::fromStdU16String(r);
  };
  QTest::newRow("18 RecordSep") << build(head, nums, 11);
  QTest::newRow("three header fields") << build(fields({u"张三", u"3", u"4"}), nums, 12);
  QTest::newRow("nine numbers") << build(head, fields({u"1", u"2", u"3", u"4", u"5", u"6", u"7", u"8", u"9"}), 12);
  QTest::newRow("empty") << QString();
}

void TestCoreUnits::gradeReplyTooShort() {
  QFETCH(QString, reply);
  QVERIFY(!parseGradeReply(reply.toStdU16String()).has_value());
}

void TestCoreUnits::typedTextCannotEndARequest() {
  std::u16string typed = u"a";
  typed += char16_t(0);
  typed += u"b";
  typed += char16_t(23);
  typed += char16_t(24);
  typed += char16_t(25);
  typed += u"一";
  QCOMPARE(QString::fromStdU16String(tav::client::cleanField(std::u16string_view(typed))), QStringLiteral("ab一"));
  QCOMPARE(tav::client::requestBody(u"MYOLWO1", {u"x", u""}), std::u16string(u"MYOLWO1x") + FS + FS);
}

void TestCoreUnits::wheel() {
  QWidget w;
  QScrollBar v(Qt::Vertical, &w), h(Qt::Horizontal, &w);
  v.setRange(1, 26);
  h.setRange(1, 955);
  tav::client::WheelRouter r(&w);
  // No bars set: nothing moves, the event goes on.
  QVERIFY(!r.apply(false, false, true));
  r.curVScroll = &v;
  v.setValue(1);
  QVERIFY(r.apply(false, false, true));  // away from the user at 1 stays 1
  QCOMPARE(v.value(), 1);
  QVERIFY(r.apply(false, false, false));
  QCOMPARE(v.value(), 2);
  QVERIFY(r.apply(false, true, false));  // Ctrl: 3 rows
  QCOMPARE(v.value(), 5);
  v.setValue(26);
  r.apply(false, true, false);
  QCOMPARE(v.value(), 26);  // at Max it stays
  QVERIFY(!r.apply(true, false, false));  // Shift without a horizontal bar passes
  r.curHScroll = &h;
  QVERIFY(r.apply(true, false, false));
  QCOMPARE(h.value(), 51);
  v.setEnabled(false);
  QVERIFY(!r.apply(false, false, false));
}

void TestCoreUnits::splashDotsCycle() {
  tav::client::FrmSplash s("TAVuser", "x");
  QStringList seen;
  for (int i = 0; i < 8; ++i) {
    s.step();
    seen << s.dots();
  }
  QCOMPARE(seen, QStringList({".", "..", "...", "....", ".....", "......", ".......", "."}));
}

void TestCoreUnits::fontCoversChinese() {
  QFontMetrics fm(QApplication::font());
  for (QChar c : QStringLiteral("就绪设备维修")) QVERIFY2(fm.inFont(c), qPrintable(QString(c)));
}

void TestCoreUnits::questionButtons() {
  QStringList texts;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* box = qobject_cast<QMessageBox*>(w)) {
        for (auto* b : box->buttons()) texts << b->text();
        box->button(QMessageBox::No)->click();
      }
  });
  tav::client::setNotifier(nullptr);
  QVERIFY(!tav::client::ask("继续吗？"));
  QVERIFY(texts.join(",").contains(QStringLiteral("是")));
  QVERIFY(texts.join(",").contains(QStringLiteral("否")));
}

void TestCoreUnits::loginRecordBytes_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<QString>("password");
  QTest::newRow("id 9") << "abcdefghi" << "pw";
  QTest::newRow("id 10") << "abcdefghij" << "pw";
  QTest::newRow("password 0") << "zhang" << "";
  QTest::newRow("password 16") << "zhang" << "0123456789abcdef";
  QTest::newRow("password 17") << "zhang" << "0123456789abcdefX";
}

void TestCoreUnits::loginRecordBytes() {
  QFETCH(QString, id);
  QFETCH(QString, password);
  const std::string g = "ABCDEFGHIJKLMNOP20240315103000";
  auto rec = tav::client::loginRecord(g, tav::TagUser, id, password);
  QVERIFY(rec.has_value());
  QCOMPARE(int(rec->size()), 131);
  QCOMPARE(QString::fromStdU16String(tav::fromUtf16le(rec->substr(0, 64))),
           QString::fromStdU16String(tav::encodePswd(u"ABCDEFGHIJKLMNOP")));
  QCOMPARE(QString::fromStdU16String(tav::fromUtf16le(rec->substr(64, 14))), QStringLiteral("user001"));
  std::u16string idField = tav::fromUtf16le(rec->substr(78, 20));
  QCOMPARE(QString::fromStdU16String(idField.substr(0, static_cast<std::size_t>(id.size()))), id);
  for (std::size_t i = static_cast<std::size_t>(id.size()); i < 10; ++i) QCOMPARE(int(idField[i]), 0);
  auto parsed = tav::parseLoginRecord(*rec, tav::loginKey(g));
  QVERIFY(parsed.has_value());
  QCOMPARE(QString::fromStdU16String(parsed->password), password.left(16));
  for (std::size_t u = 0; u < 16; ++u) QCOMPARE(int((*rec)[99 + 2 * u]), 0);  // high bytes are 0
  // The filler differs between two records (random, seeded once).
  if (password.size() < 10) {
    auto again = tav::client::loginRecord(g, tav::TagUser, id, password);
    QVERIFY(again->substr(98 + 2 * 10, 12) != rec->substr(98 + 2 * 10, 12));
  }
}

void TestCoreUnits::helpDocument() {
  tavtest::RecordingNotifier note;
  QTemporaryDir dir;
  QStringList opened;
  tav::client::setUrlOpener([&](const QUrl& u) {
    opened << u.toLocalFile();
    return false;
  });
  const QString noApp = QStringLiteral("文件：TAVreadme.doc没有关联的应用程序可以打开");
  tav::client::openHelpDocument(dir.path(), noApp);
  QCOMPARE(note.texts(), QStringList{QStringLiteral("找不到文件：TAVreadme.doc")});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  QVERIFY(opened.isEmpty());
  QFile f(dir.filePath("TAVreadme.doc"));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.close();
  tav::client::openHelpDocument(dir.path(), noApp);
  QCOMPARE(opened, QStringList{dir.filePath("TAVreadme.doc")});
  QCOMPARE(note.last(), noApp);
  tav::client::openHelpDocument(dir.filePath("gone"), noApp);
  QCOMPARE(note.last(), QStringLiteral("找不到路径：“%1”").arg(dir.filePath("gone")));
  tav::client::setUrlOpener({});
}

QTEST_MAIN(TestCoreUnits)
#include "test_core_units.moc"
