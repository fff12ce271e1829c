// The request bodies of the work-request panel byte for byte, the minutes
// it counts, the field rules it decides by and the rows of its lists.
#include <QtTest>

#include "client/user/frmstatus.h"
#include "client/user/requests.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"

using namespace tav::user;

namespace {

const std::u16string FS(1, tav::FieldSep);
const std::u16string RS(1, tav::RecordSep);

// What goes on the wire: the body and the terminator the send adds.
QByteArray wire(const std::u16string& body) {
  std::string b = tav::toUtf16le(body);
  b.append(tav::MsgEnd);
  return QByteArray::fromStdString(b);
}

QByteArray expected(const std::u16string& text) { return QByteArray::fromStdString(tav::toUtf16le(text) + std::string(tav::MsgEnd)); }

std::u16string pairs(std::initializer_list<std::u16string> parts) {
  std::u16string r;
  for (const auto& p : parts) r += p + FS;
  return r;
}

// The default field rules and tables of a fresh installation.
void defaultTables(int32_t rights, int32_t trades = 0) {
  UserTables t;
  t.myID = "u";
  t.myRight = rights;
  t.myType = trades;
  t.statusList = {{1, "未生效"}, {2, "已安排"}, {4, "维修中"}, {8, "等待备件"}, {16, "已完成"}, {32, "已撤销"}};
  t.typeList = {{1, "机修"}, {2, "电气"}, {4, "仪表"}};
  t.fieldRights = {{"status", 1, 2, 34},       {"status", 14, 2, 34}, {"status", 14, 4, 28},
                   {"pointto", 15, 2, 0},      {"reason", 14, 4, 0},  {"solute", 14, 4, 0},
                   {"scribebyeng", 15, 6, 0},  {"usetime", 28, 4, 0}};
  t.gradNo = {8, 0, 16, 32, 2, 4, 32, 16, 1, 2};
  tables() = t;
}

}  // namespace

Q_DECLARE_METATYPE(std::u16string)

class TestRequestBuilders : public QObject {
  Q_OBJECT
 private slots:
  void bodies_data();
  void bodies();
  void minutes_data();
  void minutes();
  void nextStatuses_data();
  void nextStatuses();
  void historyNewestFirst();
  void usedTimeRowsAsReceived();
};

void TestRequestBuilders::bodies_data() {
  QTest::addColumn<QByteArray>("built");
  QTest::addColumn<QByteArray>("bytes");

  RequestFields f;
  f.equipId = "10001";
  f.equipName = "冷却泵";
  f.description = "泵体漏水\x18需要检修";  // a separator typed in is not sent
  f.billType = "CM";
  f.emLevel = 2;
  f.beginDay = 47000;
  f.complDay = 47003;
  f.status = 1;
  QTest::newRow("new request, nine pairs")
      << wire(newOrderBody(f))
      << expected(u"WRITE:ANEWWO" + pairs({u"equip_id", u"10001", u"comofequip", u"冷却泵", u"description",
                                           u"泵体漏水需要检修", u"bill_type", u"CM", u"em_level", u"2",
                                           u"begin_date", u"47000", u"compl_date", u"47003", u"status", u"1",
                                           u"pointto", u""}));
  RequestFields arranged = f;
  arranged.billType.clear();
  arranged.emLevel = 0;
  arranged.status = 2;
  arranged.pointto = "老刘";
  QTest::newRow("arranged without type or urgency")
      << wire(newOrderBody(arranged))
      << expected(u"WRITE:ANEWWO" + pairs({u"equip_id", u"10001", u"comofequip", u"冷却泵", u"description",
                                           u"泵体漏水需要检修", u"bill_type", u"", u"em_level", u"0",
                                           u"begin_date", u"47000", u"compl_date", u"47003", u"status", u"2",
                                           u"pointto", u"老刘"}));
  QTest::newRow("update of a current order, six pairs")
      << wire(orderUpdateBody(1, 305, {"老刘", 4, "轴承坏", "换轴承", "已通知"}))
      << expected(u"WRITE:1OLDWO" + pairs({u"bill_id", u"305", u"pointto", u"老刘", u"status", u"4", u"reason",
                                           u"轴承坏", u"solute", u"换轴承", u"scribebyeng", u"已通知"}));
  QTest::newRow("update of an archived order")
      << wire(orderUpdateBody(0, 7, {"", 16, "", "", ""}))
      << expected(u"WRITE:0OLDWO" + pairs({u"bill_id", u"7", u"pointto", u"", u"status", u"16", u"reason", u"",
                                           u"solute", u"", u"scribebyeng", u""}));
  QTest::newRow("requester's change, ten fields")
      << wire(ownChangeBody(1, 305, f))
      << expected(u"MYOLWO1" + FS +
                  pairs({u"305", u"10001", u"冷却泵", u"泵体漏水需要检修", u"CM", u"2", u"47000", u"47003", u"1", u""}));
  QTest::newRow("status history") << wire(detailBody(1, DetailKind::Status, 305)) << expected(u"DETAIL1STATUS305");
  QTest::newRow("archived used time") << wire(detailBody(0, DetailKind::UsedTime, 9)) << expected(u"DETAIL0USTIME9");
  QTest::newRow("used time, empty rows left out")
      << wire(addTimeBody(1, 305, {{1, "90"}, {2, ""}, {4, "30"}}))
      << expected(u"ADTIME1305" + FS + pairs({u"1", u"90", u"4", u"30"}));
  QTest::newRow("used time, one pair") << wire(addTimeBody(1, 305, {{1, "90"}}))
                                       << expected(u"ADTIME1305" + FS + u"1" + FS + u"90" + FS);
  QTest::newRow("used time, four characters at most")
      << wire(addTimeBody(0, 12, {{8, "123456"}})) << expected(u"ADTIME012" + FS + pairs({u"8", u"1234"}));
  QTest::newRow("used time, no trade") << wire(addTimeBody(1, 305, {})) << expected(u"ADTIME1305" + FS);
}

void TestRequestBuilders::bodies() {
  QFETCH(QByteArray, built);
  QFETCH(QByteArray, bytes);
  QCOMPARE(built.toHex(' '), bytes.toHex(' '));
}

void TestRequestBuilders::minutes_data() {
  QTest::addColumn<QStringList>("typed");
  QTest::addColumn<qint64>("added");
  QTest::newRow("90 and 30") << QStringList{"90", "30"} << qint64(120);
  QTest::newRow("1.5 and 2.5") << QStringList{"1.5", "2.5"} << qint64(4);
  QTest::newRow("1.5 rounds up to even") << QStringList{"1.5"} << qint64(2);
  QTest::newRow("2.5 rounds down to even") << QStringList{"2.5"} << qint64(2);
  QTest::newRow("0.5 alone") << QStringList{"0.5"} << qint64(0);
  QTest::newRow("halves summed first") << QStringList{"0.5", "0.5", "0.5"} << qint64(2);
  QTest::newRow("thousandths") << QStringList{".999", "0.01"} << qint64(1);
  QTest::newRow("only four characters count") << QStringList{"99999"} << qint64(9999);
  QTest::newRow("empty rows") << QStringList{"", "7", ""} << qint64(7);
  QTest::newRow("a point alone counts nothing") << QStringList{".", "3"} << qint64(3);
}

void TestRequestBuilders::minutes() {
  QFETCH(QStringList, typed);
  QFETCH(qint64, added);
  std::vector<TimeEntry> entries;
  for (const QString& t : typed) entries.push_back({1, t});
  QCOMPARE(roundedMinutes(entries), added);

  for (const char* good : {"0", "90", "1.5", ".5", "5.", "9999"}) QVERIFY2(isMinutes(good), good);
  for (const char* bad : {"", ".", "1..2", "1.2.", "-1", "1e3", "12345", " 9"}) QVERIFY2(!isMinutes(bad), bad);
}

void TestRequestBuilders::nextStatuses_data() {
  QTest::addColumn<int>("rights");
  QTest::addColumn<int>("status");
  QTest::addColumn<int>("mask");
  QTest::addColumn<QString>("open");  // fields with an applying rule
  QTest::newRow("requester, new request") << 1 << 1 << 0 << "";
  QTest::newRow("dispatcher, new request") << 2 << 1 << 34 << "pointto scribebyeng";
  QTest::newRow("dispatcher, arranged") << 2 << 2 << 34 << "pointto scribebyeng";
  QTest::newRow("engineer, arranged") << 4 << 2 << 28 << "reason solute scribebyeng";
  QTest::newRow("both, repairing: union of two rules") << 6 << 4 << 62 << "pointto reason solute scribebyeng usetime";
  QTest::newRow("engineer, finished") << 4 << 16 << 0 << "usetime";
  QTest::newRow("dispatcher, cancelled") << 2 << 32 << 0 << "";
}

void TestRequestBuilders::nextStatuses() {
  QFETCH(int, rights);
  QFETCH(int, status);
  QFETCH(int, mask);
  QFETCH(QString, open);
  defaultTables(rights);
  QCOMPARE(nextStatusMask(status), mask);
  QStringList opened;
  for (const char* f : {"pointto", "reason", "solute", "scribebyeng", "usetime"})
    if (anyRule(f, status)) opened << f;
  QCOMPARE(opened.join(' '), open);
  // Field names are compared without regard to case.
  QCOMPARE(anyRule("PointTo", status), open.contains("pointto"));
}

void TestRequestBuilders::historyNewestFirst() {
  defaultTables(1);
  auto rec = [](const char16_t* code, const char16_t* user, const char16_t* time) {
    return std::u16string(code) + FS + user + FS + time + FS + RS;
  };
  // Oldest first as the server might send them; two rows share a moment.
  std::u16string list = rec(u"1", u"a(甲)", u"47000.25") + rec(u"2", u"b(乙)", u"47000.5") +
                        rec(u"4", u"c(丙)", u"47000.5") + rec(u"64", u"d(丁)", u"47001.75");
  std::vector<DetailRow> rows = detailRows(DetailKind::Status, list);
  QCOMPARE(rows.size(), size_t(4));
  QCOMPARE(rows[0], (DetailRow{"", "d(丁)", "2028-9-5 18:0:0"}));  // a code without a name shows none
  // The exchanges move the later of the two equal rows ahead of the earlier.
  QCOMPARE(rows[1], (DetailRow{"维修中", "c(丙)", "2028-9-4 12:0:0"}));
  QCOMPARE(rows[2], (DetailRow{"已安排", "b(乙)", "2028-9-4 12:0:0"}));
  QCOMPARE(rows[3], (DetailRow{"未生效", "a(甲)", "2028-9-4 6:0:0"}));
  QVERIFY(detailRows(DetailKind::Status, u"").empty());
}

void TestRequestBuilders::usedTimeRowsAsReceived() {
  defaultTables(4, 3);
  std::u16string list = u"乙" + FS + u"2" + FS + u"30" + FS + RS + u"甲" + FS + u"99" + FS + u"1.5" + FS + RS +
                        u"丙" + FS + u"1" + FS + RS;  // a short record reads as far as it goes
  std::vector<DetailRow> rows = detailRows(DetailKind::UsedTime, list);
  QCOMPARE(rows.size(), size_t(3));
  QCOMPARE(rows[0], (DetailRow{"乙", "电气", "30"}));
  QCOMPARE(rows[1], (DetailRow{"甲", "", "1.5"}));
  QCOMPARE(rows[2], (DetailRow{"丙", "机修", ""}));
}

QTEST_MAIN(TestRequestBuilders)
#include "test_requestbuilders.moc"
