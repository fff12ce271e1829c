// The report's workbook without a server: a reply of blocks of unequal
// length cut and written, every cell of every sheet read back in place; the
// texts as the workbook receives them; the book written row by row.
#include <QtTest>
#include <algorithm>

#include "client/user/exportbook.h"
#include "client/user/report.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"
#include "tests/client/user/xlsxread.h"

using namespace tavtest;
using namespace tav::user;

namespace {

struct Order {
  int bill;
  QString type;
  int equip;
  QString name;
  int time;
};
struct Time {
  int bill;
  QString user;
  int trade;
  double used;
};
struct Extra {
  int bill, equip;
  QString name;
  int time;
};

std::u16string u(const QString& s) { return s.toStdU16String(); }

// "A1" for row 0, column 0.
QString cellName(int row, int col) { return QString(QChar('A' + col)) + QString::number(row + 1); }

// The cells a sheet must hold: name -> value (a double or a QString).
using Cells = QMap<QString, QVariant>;

void put(Cells& c, int row, int col, const QVariant& v) {
  // An empty text leaves its cell empty.
  if (v.typeId() == QMetaType::QString && v.toString().isEmpty()) return;
  c[cellName(row, col)] = v;
}

// What the workbook shows of a text: what QString::toUtf8 makes of it.
QString shown(const QString& s) { return QString::fromUtf8(s.toUtf8()); }

QString compareSheet(const Workbook& b, const QString& sheet, const Cells& want) {
  const QJsonObject got = b.cells.value(sheet);
  if (got.size() != want.size())
    return QStringLiteral("%1: %2 cells, expected %3").arg(sheet).arg(got.size()).arg(want.size());
  for (auto it = want.begin(); it != want.end(); ++it) {
    const QJsonValue v = b.value(sheet, it.key());
    const bool text = it.value().typeId() == QMetaType::QString;
    const bool same = text ? b.type(sheet, it.key()) == "s" && v.toString() == it.value().toString()
                           : b.type(sheet, it.key()) == "n" && v.toDouble() == it.value().toDouble();
    if (!same)
      return QStringLiteral("%1!%2: %3 (%4), expected %5")
          .arg(sheet, it.key(), v.toVariant().toString(), b.type(sheet, it.key()), it.value().toString());
  }
  return {};
}

}  // namespace

class TestReportBook : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    UserTables& t = tables();
    t.billTypeList = {{"CM", QStringLiteral("故障维修")}, {"PS", QStringLiteral("预防性维护")}};
    t.typeList = {{1, QStringLiteral("机修")}, {2, QStringLiteral("电气")}};
  }
  void everyCellInPlace();
  void utf8AsQt_data();
  void utf8AsQt();
  void rowsInOrder_data();
  void rowsInOrder();
};

// Blocks of 21, 34 and 27 rows (orders, used time, equipment): DATA is
// written row by row across all four, so each must still be whole and in
// its columns; unknown codes and empty ids leave their cells empty.
void TestReportBook::everyCellInPlace() {
  const QString names[] = {QStringLiteral("一号泵"), QStringLiteral(" 二号泵 "), QStringLiteral("A&B<C>"),
                           QStringLiteral("泵") + QChar(0xD800), QStringLiteral("风机😀é")};
  std::vector<Order> orders;
  for (int i = 0; i < 21; ++i)
    orders.push_back({500 + i, i % 5 == 4 ? "ZZ" : (i % 2 ? "PS" : "CM"), i % 7 == 6 ? 0 : 10000 + i % 4, names[i % 5],
                      (i * 37) % 50});
  std::vector<Time> times;
  for (int i = 0; i < 34; ++i)
    times.push_back({500 + (i * 3) % 21, i % 6 == 5 ? QString() : QStringLiteral("eng%1").arg(i % 4),
                     i % 4 == 3 ? 9 : 1 + i % 2, i * 0.25});
  std::vector<Extra> extras;
  for (int i = 0; i < 6; ++i) extras.push_back({500 + i, 10003 - i % 3, names[(i + 2) % 5], 7 - i});

  std::u16string reply;
  for (const Order& o : orders) {
    tav::ListRecord r;
    r.addNumber(o.bill).addText(u(o.type)).addNumber(o.equip).addText(u(o.name)).addNumber(o.time);
    reply += r.text() + tav::RecordSep;
  }
  reply += tav::SectionSep;
  for (const Time& t : times) {
    tav::ListRecord r;
    r.addNumber(t.bill).addText(u(t.user)).addNumber(t.trade).addText(tav::decimalText(t.used));
    reply += r.text() + tav::RecordSep;
  }
  reply += tav::SectionSep;
  for (const Extra& e : extras) {
    tav::ListRecord r;
    r.addNumber(e.bill).addNumber(e.equip).addText(u(e.name)).addNumber(e.time);
    reply += r.text() + tav::RecordSep;
  }
  reply += u"777" + std::u16string(1, tav::FieldSep) + u"CM";  // no RecordSep: not a record

  const ReportData data = parseReport(reply);
  QCOMPARE(data.orders.size(), orders.size());
  QCOMPARE(data.times.size(), times.size());
  QCOMPARE(data.extras.size(), extras.size());
  const ReportTexts texts{"2024-1-1", "2024-12-31", QStringLiteral("按填单日期")};
  QString path, error;
  QVERIFY2(writeReport(data, texts, path, error), qPrintable(error));
  const Workbook b = readWorkbook(path);
  QFile::remove(path);
  QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
  QCOMPARE(b.sheets, (QStringList{"工单耗时", "人员耗时", "工种耗时", "设备耗时", "DATA", "设备汇总"}));
  QCOMPARE(b.state["DATA"], QStringLiteral("hidden"));
  QCOMPARE(b.active, QStringLiteral("设备汇总"));

  using Row = std::array<QVariant, 3>;
  std::vector<Row> ord, people, trades, equip;
  for (const Order& o : orders) ord.push_back({o.bill, billTypeNameOf(o.type), o.time});
  for (const Time& t : times) {
    people.push_back({t.bill, t.user, t.used});
    trades.push_back({t.bill, typeNameOf(t.trade), t.used});
  }
  struct Eq {
    int id;
    QString name;
    int time;
  };
  std::vector<Eq> eq;
  for (const Order& o : orders) eq.push_back({o.equip, shown(o.name), o.time});
  for (const Extra& e : extras) eq.push_back({e.equip, shown(e.name), e.time});
  std::stable_sort(eq.begin(), eq.end(),
                   [](const Eq& x, const Eq& y) { return std::pair(x.id, x.time) < std::pair(y.id, y.time); });
  for (const Eq& e : eq) equip.push_back({e.id, e.name, e.time});

  const std::vector<Row>* blocks[] = {&ord, &people, &trades, &equip};
  const QStringList heads[] = {{"工单编号", "类型", "耗时"},
                               {"工单编号", "帐号ID", "耗时"},
                               {"工单编号", "工种", "耗时"},
                               {"设备编号", "设备名称", "耗时"}};
  Cells data4;
  for (int k = 0; k < 4; ++k) {
    Cells own;
    for (int c = 0; c < 3; ++c) {
      put(own, 0, c, heads[k][c]);
      put(data4, 0, 4 * k + c, heads[k][c]);
    }
    for (std::size_t r = 0; r < blocks[k]->size(); ++r)
      for (int c = 0; c < 3; ++c) {
        put(own, int(r) + 1, c, (*blocks[k])[r][std::size_t(c)]);
        put(data4, int(r) + 1, 4 * k + c, (*blocks[k])[r][std::size_t(c)]);
      }
    const QString bad = compareSheet(b, b.sheets[k], own);
    QVERIFY2(bad.isEmpty(), qPrintable(bad));
  }
  put(data4, 0, 16, texts.start);
  put(data4, 1, 16, texts.end);
  put(data4, 2, 16, texts.dayType);
  QString bad = compareSheet(b, "DATA", data4);
  QVERIFY2(bad.isEmpty(), qPrintable(bad));

  Cells sum;
  put(sum, 0, 0, QStringLiteral("设备耗时汇总"));
  const QString labels[] = {QStringLiteral("开始日期"), QStringLiteral("结束日期"), QStringLiteral("日期类型")};
  const QString values[] = {texts.start, texts.end, texts.dayType};
  for (int i = 0; i < 3; ++i) {
    put(sum, 1 + i, 0, labels[i]);
    put(sum, 1 + i, 1, values[i]);
  }
  put(sum, 5, 0, QStringLiteral("设备名称"));
  put(sum, 5, 1, QStringLiteral("耗时"));
  const Summary s = summarise(data.orders);
  int row = 6;
  for (const SummaryRow& r : s.rows) {
    put(sum, row, 0, shown(r.name));
    put(sum, row++, 1, double(r.usetime));
  }
  put(sum, row, 0, QStringLiteral("其它"));
  put(sum, row, 1, double(s.others));
  bad = compareSheet(b, "设备汇总", sum);
  QVERIFY2(bad.isEmpty(), qPrintable(bad));
}

// The workbook's texts as QString::toUtf8 gives them: a surrogate that is
// not half of a pair becomes '?'. Each row states the bytes, and Qt is held
// to them too, as the export follows Qt's choice.
void TestReportBook::utf8AsQt_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QByteArray>("bytes");
  const auto units = [](std::initializer_list<char16_t> list) { return QString::fromUtf16(list.begin(), list.size()); };
  QTest::newRow("ASCII") << QStringLiteral("pump 7") << QByteArray("pump 7");
  QTest::newRow("two bytes") << units({0x80, 0xE9, 0x7FF}) << QByteArray("\xC2\x80\xC3\xA9\xDF\xBF");
  QTest::newRow("three bytes") << units({0x800, 0x6CF5, 0xFFFF}) << QByteArray("\xE0\xA0\x80\xE6\xB3\xB5\xEF\xBF\xBF");
  QTest::newRow("next to the surrogates") << units({0xD7FF, 0xE000}) << QByteArray("\xED\x9F\xBF\xEE\x80\x80");
  QTest::newRow("a pair") << units({u'a', 0xD83D, 0xDE00}) << QByteArray("a\xF0\x9F\x98\x80");
  QTest::newRow("the last pair") << units({0xDBFF, 0xDFFF}) << QByteArray("\xF4\x8F\xBF\xBF");
  QTest::newRow("high alone") << units({u'a', 0xD800, u'b'}) << QByteArray("a?b");
  QTest::newRow("low alone") << units({u'a', 0xDC00, u'b'}) << QByteArray("a?b");
  QTest::newRow("high at the end") << units({0x6CF5, 0xDBFF}) << QByteArray("\xE6\xB3\xB5?");
  QTest::newRow("low before high") << units({0xDE00, 0xD83D}) << QByteArray("??");
  QTest::newRow("two lows") << units({0xDC00, 0xDFFF}) << QByteArray("??");
  QTest::newRow("two highs, then a low") << units({0xD800, 0xD800, 0xDC00}) << QByteArray("?\xF0\x90\x80\x80");
  QTest::newRow("high before ASCII") << units({0xD83D, u'A'}) << QByteArray("?A");
  QTest::newRow("a NUL inside") << units({u'a', 0, u'b'}) << QByteArray("a\0b", 3);
  QTest::newRow("empty") << QString() << QByteArray();
}

void TestReportBook::utf8AsQt() {
  QFETCH(QString, text);
  QFETCH(QByteArray, bytes);
  std::string out = "x";  // appends
  appendUtf8(out, text);
  QCOMPARE(QByteArray::fromStdString(out), "x" + bytes);
  QCOMPARE(text.toUtf8(), bytes);
  // The report hands over views into the reply: one ends where its text
  // does, though a low surrogate follows in memory.
  const QString padded = text + QChar(0xDC00);
  std::string cut = "x";
  appendUtf8(cut, QStringView(padded).left(text.size()));
  QCOMPARE(cut, out);
}

void TestReportBook::rowsInOrder_data() {
  QTest::addColumn<bool>("streaming");
  QTest::addColumn<QList<int>>("rows");  // written one after another in column A
  QTest::addColumn<bool>("written");
  QTest::newRow("streaming, downwards") << true << QList<int>{0, 2, 2, 5} << true;
  QTest::newRow("streaming, back up") << true << QList<int>{0, 5, 3} << false;
  QTest::newRow("whole book, back up") << false << QList<int>{0, 5, 3} << true;
}

void TestReportBook::rowsInOrder() {
  QFETCH(bool, streaming);
  QFETCH(QList<int>, rows);
  QFETCH(bool, written);
  Book book("TAVtest", streaming);
  const int one = book.addSheet("one");
  const int two = book.addSheet("two");
  // Sheets side by side: the second one's rows do not count for the first.
  for (int i = 0; i < rows.size(); ++i) {
    book.number(one, rows[i], 0, i);
    book.text(two, i, 0, "行");
  }
  const QString path = book.path();
  QCOMPARE(book.close(), written);
  QCOMPARE(book.error().isEmpty(), written);
  if (written) {
    const Workbook b = readWorkbook(path);
    QVERIFY2(b.error.isEmpty(), qPrintable(b.error));
    QCOMPARE(b.cellCount("two"), int(rows.size()));
    QCOMPARE(b.value("one", cellName(rows.last(), 0)).toInt(), int(rows.size()) - 1);
  }
  QFile::remove(path);
}

QTEST_MAIN(TestReportBook)
#include "test_report_book.moc"
