// The report's reply, its summary and its workbook.
#include "client/user/report.h"

#include <QFile>
#include <QVariant>
#include <algorithm>
#include <numeric>

#include "client/common/session.h"
#include "client/user/collections.h"
#include "client/user/exportbook.h"
#include "client/user/gradereply.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"

namespace tav::user {

namespace {

using Fields = std::vector<std::u16string_view>;

std::u16string_view field(const Fields& f, std::size_t i) { return i < f.size() ? f[i] : std::u16string_view(); }
QString text(const Fields& f, std::size_t i) { return tav::client::qs(field(f, i)); }

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
  for (const Fields& f : listRecords(sections[0]))
    d.orders.push_back({numberOf(field(f, 0)), text(f, 1), numberOf(field(f, 4)), numberOf(field(f, 2)), text(f, 3)});
  for (const Fields& f : listRecords(sections[1]))
    // A workbook cell holds no infinity: a time beyond the double range reads as none.
    d.times.push_back({numberOf(field(f, 0)), text(f, 1), numberOf(field(f, 2)), numberIn(field(f, 3))});
  for (const Fields& f : listRecords(sections[2]))
    d.extras.push_back({numberOf(field(f, 0)), numberOf(field(f, 1)), text(f, 2), numberOf(field(f, 3))});
  return d;
}

Summary summarise(const std::vector<RepWO>& orders) {
  // One row per equipment, in the order of its first order; orders without
  // an equipment number stay rows of their own.
  std::vector<SummaryRow> rows;
  std::vector<int32_t> ids;
  for (const RepWO& o : orders) {
    auto same = o.equip_id > 0 ? std::find(ids.begin(), ids.end(), o.equip_id) : ids.end();
    if (same != ids.end()) {
      rows[static_cast<std::size_t>(same - ids.begin())].usetime += o.usetime;
      continue;
    }
    rows.push_back({o.comofequip, o.usetime});
    ids.push_back(o.equip_id > 0 ? o.equip_id : 0);
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

using Block = std::vector<std::vector<QVariant>>;

struct Blocks {
  Block orders, people, trades, equipment;
};

Blocks blocksOf(const ReportData& d) {
  Blocks b;
  for (const RepWO& o : d.orders) b.orders.push_back({o.bill_id, billTypeNameOf(o.bill_type), o.usetime});
  for (const RepTime& t : d.times) {
    b.people.push_back({t.bill_id, t.user_id, t.used_time});
    b.trades.push_back({t.bill_id, typeNameOf(t.Type), t.used_time});
  }
  // The orders' own equipment, then the further equipment, in number and
  // then used-time order; equal rows keep their order.
  struct Eq {
    int32_t id;
    QString name;
    int32_t time;
  };
  std::vector<Eq> eq;
  for (const RepWO& o : d.orders) eq.push_back({o.equip_id, o.comofequip, o.usetime});
  for (const RepEqu& e : d.extras) eq.push_back({e.equip_id, e.equipname, e.usetime});
  std::stable_sort(eq.begin(), eq.end(),
                   [](const Eq& a, const Eq& b) { return a.id != b.id ? a.id < b.id : a.time < b.time; });
  for (const Eq& e : eq) b.equipment.push_back({e.id, e.name, e.time});
  return b;
}

const QStringList orderHeads = {QStringLiteral("工单编号"), QStringLiteral("类型"), QStringLiteral("耗时")};
const QStringList peopleHeads = {QStringLiteral("工单编号"), QStringLiteral("帐号ID"), QStringLiteral("耗时")};
const QStringList tradeHeads = {QStringLiteral("工单编号"), QStringLiteral("工种"), QStringLiteral("耗时")};
const QStringList equipHeads = {QStringLiteral("设备编号"), QStringLiteral("设备名称"), QStringLiteral("耗时")};

// A block's headings in row 1 and its rows below, from column `col` on.
void writeBlock(Book& book, int sheet, int col, const QStringList& heads, const Block& rows) {
  for (int i = 0; i < heads.size(); ++i) book.write(sheet, 0, col + i, heads[i]);
  book.writeRows(sheet, 1, col, rows);
}

}  // namespace

bool writeReport(const ReportData& data, const ReportTexts& texts, QString& path, QString& error) {
  const Blocks b = blocksOf(data);
  Book book(QStringLiteral("TAVreport"));
  const int sOrders = book.addSheet(QStringLiteral("工单耗时"));
  const int sPeople = book.addSheet(QStringLiteral("人员耗时"));
  const int sTrades = book.addSheet(QStringLiteral("工种耗时"));
  const int sEquip = book.addSheet(QStringLiteral("设备耗时"));
  const int sData = book.addSheet(QStringLiteral("DATA"));
  const int sSum = book.addSheet(QStringLiteral("设备汇总"));

  writeBlock(book, sOrders, 0, orderHeads, b.orders);
  writeBlock(book, sPeople, 0, peopleHeads, b.people);
  writeBlock(book, sTrades, 0, tradeHeads, b.trades);
  writeBlock(book, sEquip, 0, equipHeads, b.equipment);

  writeBlock(book, sData, 0, orderHeads, b.orders);      // A-C
  writeBlock(book, sData, 4, peopleHeads, b.people);     // E-G
  writeBlock(book, sData, 8, tradeHeads, b.trades);      // I-K
  writeBlock(book, sData, 12, equipHeads, b.equipment);  // M-O
  book.writeRows(sData, 0, 16, {{texts.start}, {texts.end}, {texts.dayType}});  // Q1:Q3
  book.hide(sData);

  book.write(sSum, 0, 0, QStringLiteral("设备耗时汇总"));
  book.writeRows(sSum, 1, 0,
                 {{QStringLiteral("开始日期"), texts.start},
                  {QStringLiteral("结束日期"), texts.end},
                  {QStringLiteral("日期类型"), texts.dayType}});
  book.writeRows(sSum, 5, 0, {{QStringLiteral("设备名称"), QStringLiteral("耗时")}});
  if (!data.orders.empty()) {
    const Summary s = summarise(data.orders);
    Block rows;
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
