// The report's reply, its summary and its workbook.
#include "client/user/report.h"

#include <QFile>
#include <QVariant>
#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <utility>

#include "client/common/session.h"
#include "client/user/collections.h"
#include "client/user/exportbook.h"
#include "client/user/gradereply.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"

namespace tav::user {

namespace {

// The records of one section, in order: a record is the text before each
// RecordSep (text after the last one is no record), its fields the texts
// before each FieldSep; a field a record lacks reads as empty.
class Records {
 public:
  explicit Records(std::u16string_view section) : rest_(section) {}

  std::size_t count() const { return static_cast<std::size_t>(std::count(rest_.begin(), rest_.end(), RecordSep)); }

  // The first N fields of the next record; false after the last.
  template <std::size_t N>
  bool next(std::array<std::u16string_view, N>& f) {
    const std::size_t end = rest_.find(RecordSep);
    if (end == std::u16string_view::npos) return false;
    std::u16string_view rec = rest_.substr(0, end);
    rest_.remove_prefix(end + 1);
    for (std::u16string_view& field : f) {
      const std::size_t sep = rec.find(FieldSep);
      if (sep == std::u16string_view::npos) {
        field = {};
        rec = {};
      } else {
        field = rec.substr(0, sep);
        rec.remove_prefix(sep + 1);
      }
    }
    return true;
  }

 private:
  std::u16string_view rest_;
};

QString text(std::u16string_view f) { return tav::client::qs(f); }

}  // namespace

ReportData parseReport(std::u16string_view reply) {
  std::u16string_view sections[3];
  std::size_t at = 0;
  for (int s = 0; s < 3; ++s) {
    std::size_t end = s < 2 ? reply.find(SectionSep, at) : std::u16string_view::npos;
    if (end == std::u16string_view::npos) end = reply.size();
    sections[s] = reply.substr(std::min(at, reply.size()), end - std::min(at, reply.size()));
    at = end + 1;
  }
  ReportData d;
  Records orders(sections[0]), times(sections[1]), extras(sections[2]);
  d.orders.reserve(orders.count());
  d.times.reserve(times.count());
  d.extras.reserve(extras.count());
  std::array<std::u16string_view, 5> o;
  while (orders.next(o)) d.orders.push_back({numberOf(o[0]), text(o[1]), numberOf(o[4]), numberOf(o[2]), text(o[3])});
  std::array<std::u16string_view, 4> f;
  // A workbook cell holds no infinity: a time beyond the double range reads as none.
  while (times.next(f)) d.times.push_back({numberOf(f[0]), text(f[1]), numberOf(f[2]), numberIn(f[3])});
  while (extras.next(f)) d.extras.push_back({numberOf(f[0]), numberOf(f[1]), text(f[2]), numberOf(f[3])});
  return d;
}

Summary summarise(const std::vector<RepWO>& orders) {
  // One row per equipment, in the order of its first order; orders without
  // an equipment number stay rows of their own.
  std::vector<SummaryRow> rows;
  std::unordered_map<int32_t, std::size_t> rowOf;
  for (const RepWO& o : orders) {
    if (o.equip_id > 0) {
      const auto [it, added] = rowOf.try_emplace(o.equip_id, rows.size());
      if (!added) {
        rows[it->second].usetime += o.usetime;
        continue;
      }
    }
    rows.push_back({o.comofequip, o.usetime});
  }

  Summary s;
  std::vector<bool> taken(rows.size(), false);
  const std::size_t k = std::min<std::size_t>(8, rows.size());
  for (std::size_t pass = 0; pass < k; ++pass) {
    std::size_t best = rows.size();
    for (std::size_t i = 0; i < rows.size(); ++i)
      if (!taken[i] && (best == rows.size() || rows[i].usetime > rows[best].usetime)) best = i;
    taken[best] = true;
    s.rows.push_back(rows[best]);
  }
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (!taken[i]) s.others += rows[i].usetime;
  return s;
}

namespace {

// The texts of the workbook in UTF-8 as libxlsxwriter takes them, each
// closed by a NUL, in one buffer: a row of the report costs no allocation,
// and a text shown twice (on its sheet and in DATA) is converted once. A
// text is known by its offset, as the buffer moves while it grows.
class Utf8Texts {
 public:
  static constexpr std::size_t None = static_cast<std::size_t>(-1);

  std::size_t add(QStringView s) {
    if (s.isEmpty()) return None;  // an empty text leaves its cell empty
    const std::size_t at = buf_.size();
    appendUtf8(buf_, s);
    buf_ += '\0';
    return at;
  }
  const char* at(std::size_t offset) const { return buf_.c_str() + offset; }

 private:
  std::string buf_;
};

// One row of a block: number, text, number.
struct Line {
  double first;
  std::size_t text;  // in Utf8Texts
  double time;
};

struct Blocks {
  Utf8Texts texts;
  std::vector<Line> orders, people, trades, equipment;
};

// The name of a code, converted the first time the code is seen: the
// report holds a handful of order types and trades over many rows.
template <class Code, class Name>
std::size_t nameOnce(std::vector<std::pair<Code, std::size_t>>& seen, const Code& code, Name name, Utf8Texts& texts) {
  for (const auto& [c, at] : seen)
    if (c == code) return at;
  seen.emplace_back(code, texts.add(name(code)));
  return seen.back().second;
}

void blocksOf(const ReportData& d, Blocks& b) {
  b.orders.reserve(d.orders.size());
  std::vector<std::pair<QString, std::size_t>> billTypes;
  for (const RepWO& o : d.orders)
    b.orders.push_back(
        {double(o.bill_id), nameOnce(billTypes, o.bill_type, billTypeNameOf, b.texts), double(o.usetime)});
  b.people.reserve(d.times.size());
  b.trades.reserve(d.times.size());
  std::vector<std::pair<int32_t, std::size_t>> trades;
  for (const RepTime& t : d.times) {
    b.people.push_back({double(t.bill_id), b.texts.add(t.user_id), t.used_time});
    b.trades.push_back({double(t.bill_id), nameOnce(trades, t.Type, typeNameOf, b.texts), t.used_time});
  }
  // The orders' own equipment, then the further equipment, in number and
  // then used-time order; equal rows keep their order.
  struct Eq {
    int32_t id;
    int32_t time;
    std::size_t name;
  };
  std::vector<Eq> eq;
  eq.reserve(d.orders.size() + d.extras.size());
  for (const RepWO& o : d.orders) eq.push_back({o.equip_id, o.usetime, b.texts.add(o.comofequip)});
  for (const RepEqu& e : d.extras) eq.push_back({e.equip_id, e.usetime, b.texts.add(e.equipname)});
  std::stable_sort(eq.begin(), eq.end(),
                   [](const Eq& x, const Eq& y) { return x.id != y.id ? x.id < y.id : x.time < y.time; });
  b.equipment.reserve(eq.size());
  for (const Eq& e : eq) b.equipment.push_back({double(e.id), e.name, double(e.time)});
}

using Heads = std::array<QString, 3>;
const Heads orderHeads = {QStringLiteral("工单编号"), QStringLiteral("类型"), QStringLiteral("耗时")};
const Heads peopleHeads = {QStringLiteral("工单编号"), QStringLiteral("帐号ID"), QStringLiteral("耗时")};
const Heads tradeHeads = {QStringLiteral("工单编号"), QStringLiteral("工种"), QStringLiteral("耗时")};
const Heads equipHeads = {QStringLiteral("设备编号"), QStringLiteral("设备名称"), QStringLiteral("耗时")};

void writeHeads(Book& book, int sheet, int col, const Heads& heads) {
  for (int i = 0; i < 3; ++i) book.write(sheet, 0, col + i, heads[static_cast<std::size_t>(i)]);
}

void writeLine(Book& book, int sheet, int row, int col, const Line& l, const Utf8Texts& texts) {
  book.number(sheet, row, col, l.first);
  if (l.text != Utf8Texts::None) book.text(sheet, row, col + 1, texts.at(l.text));
  book.number(sheet, row, col + 2, l.time);
}

// A block on a sheet of its own: headings in row 1, the rows below.
void writeSheet(Book& book, int sheet, const Heads& heads, const std::vector<Line>& lines, const Utf8Texts& texts) {
  writeHeads(book, sheet, 0, heads);
  for (std::size_t i = 0; i < lines.size(); ++i) writeLine(book, sheet, static_cast<int>(i) + 1, 0, lines[i], texts);
}

}  // namespace

bool writeReport(const ReportData& data, const ReportTexts& texts, QString& path, QString& error) {
  Blocks b;
  blocksOf(data, b);
  // Every sheet is written from its top row down, which lets the book
  // stream to disk instead of holding millions of cells.
  Book book(QStringLiteral("TAVreport"), true);
  const int sOrders = book.addSheet(QStringLiteral("工单耗时"));
  const int sPeople = book.addSheet(QStringLiteral("人员耗时"));
  const int sTrades = book.addSheet(QStringLiteral("工种耗时"));
  const int sEquip = book.addSheet(QStringLiteral("设备耗时"));
  const int sData = book.addSheet(QStringLiteral("DATA"));
  const int sSum = book.addSheet(QStringLiteral("设备汇总"));

  writeSheet(book, sOrders, orderHeads, b.orders, b.texts);
  writeSheet(book, sPeople, peopleHeads, b.people, b.texts);
  writeSheet(book, sTrades, tradeHeads, b.trades, b.texts);
  writeSheet(book, sEquip, equipHeads, b.equipment, b.texts);

  // DATA: the four blocks side by side (A-C, E-G, I-K, M-O), row by row,
  // and the panel's texts in Q1:Q3.
  const std::vector<Line>* blocks[] = {&b.orders, &b.people, &b.trades, &b.equipment};
  const Heads* heads[] = {&orderHeads, &peopleHeads, &tradeHeads, &equipHeads};
  const QString q[] = {texts.start, texts.end, texts.dayType};
  std::size_t dataRows = 3;
  for (const auto* block : blocks) dataRows = std::max(dataRows, block->size() + 1);
  for (std::size_t row = 0; row < dataRows; ++row) {
    const int r = static_cast<int>(row);
    for (int k = 0; k < 4; ++k) {
      const std::vector<Line>& lines = *blocks[k];
      if (row == 0)
        writeHeads(book, sData, 4 * k, *heads[k]);
      else if (row <= lines.size())
        writeLine(book, sData, r, 4 * k, lines[row - 1], b.texts);
    }
    if (row < 3) book.write(sData, r, 16, q[row]);
  }
  book.hide(sData);

  book.write(sSum, 0, 0, QStringLiteral("设备耗时汇总"));
  book.writeRows(sSum, 1, 0,
                 {{QStringLiteral("开始日期"), texts.start},
                  {QStringLiteral("结束日期"), texts.end},
                  {QStringLiteral("日期类型"), texts.dayType}});
  book.writeRows(sSum, 5, 0, {{QStringLiteral("设备名称"), QStringLiteral("耗时")}});
  if (!data.orders.empty()) {
    const Summary s = summarise(data.orders);
    std::vector<std::vector<QVariant>> rows;
    for (const SummaryRow& r : s.rows) rows.push_back({r.name, static_cast<qlonglong>(r.usetime)});
    rows.push_back({QStringLiteral("其它"), static_cast<qlonglong>(s.others)});
    book.writeRows(sSum, 6, 0, rows);
  }
  book.activate(sSum);
  book.readOnlyRecommended();

  path = book.path();
  if (!book.close()) {
    error = book.error();
    return false;
  }
  // The report is for reading: its file cannot be written over.
  QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser | QFile::ReadGroup | QFile::ReadOther);
  return true;
}

}  // namespace tav::user
