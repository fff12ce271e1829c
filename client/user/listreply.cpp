// Cutting list replies into row objects and showing the new lists.
#include "client/user/listreply.h"

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/fraequip.h"
#include "client/user/frmmain.h"
#include "client/user/fraworko.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::user {

using namespace tav::client;

namespace {

// Calls `take` with the fields of each record in turn.
template <class Take>
void eachRecord(std::u16string_view text, std::size_t fields, Take take) {
  std::vector<std::u16string_view> f(fields);
  std::size_t p = 0;
  for (;;) {
    const std::size_t end = text.find(RecordSep, p);
    if (end == std::u16string_view::npos) return;
    const std::u16string_view rec = text.substr(p, end - p);
    std::size_t q = 0;
    for (auto& field : f) {
      if (q > rec.size()) {
        field = {};
        continue;
      }
      const std::size_t e = rec.find(FieldSep, q);
      field = rec.substr(q, e == std::u16string_view::npos ? std::u16string_view::npos : e - q);
      q = e == std::u16string_view::npos ? rec.size() + 1 : e + 1;
    }
    take(f);
    p = end + 1;
  }
}

std::size_t recordCount(std::u16string_view text) {
  std::size_t n = 0;
  for (char16_t c : text)
    if (c == RecordSep) ++n;
  return n;
}

int32_t num(std::u16string_view field) { return wholeNumber32(field).value_or(0); }
QString txt(std::u16string_view field) { return qs(field); }

}  // namespace

std::vector<WOList> readWoRecords(std::u16string_view text, int fields) {
  std::vector<WOList> rows;
  rows.reserve(recordCount(text));
  const bool withStore = fields >= WoFieldsWithStore;
  eachRecord(text, withStore ? WoFieldsWithStore : WoFieldsQuick, [&](const std::vector<std::u16string_view>& f) {
    WOList& w = rows.emplace_back();
    w.bill_id = num(f[0]);
    w.equip_id = num(f[1]);
    w.comofequip = txt(f[2]);
    w.description = txt(f[3]);
    w.Status = num(f[4]);
    w.bill_type = txt(f[5]);
    w.em_level = num(f[6]);
    w.usetime = num(f[7]);
    w.createid = txt(f[8]);
    w.createname = txt(f[9]);
    w.created_date = num(f[10]);
    w.begin_date = num(f[11]);
    w.compl_date = num(f[12]);
    w.done_date = num(f[13]);
    w.pointto = txt(f[14]);
    w.reason = txt(f[15]);
    w.solute = txt(f[16]);
    w.scribebyeng = txt(f[17]);
    w.isNew = withStore ? static_cast<int16_t>(num(f[19])) : int16_t{1};
    deriveTexts(w);
  });
  return rows;
}

std::vector<EquList> readEquRecords(std::u16string_view text) {
  std::vector<EquList> rows;
  rows.reserve(recordCount(text));
  eachRecord(text, EquFields, [&](const std::vector<std::u16string_view>& f) {
    EquList& e = rows.emplace_back();
    e.equip_id = num(f[0]);
    e.equip_name = txt(f[1]);
    e.equip_locate = txt(f[2]);
    e.buied_date = num(f[3]);
    e.equip_imp = num(f[4]);
    e.madeby = txt(f[5]);
    e.parameter = txt(f[6]);
    e.equip_use = num(f[7]);
    e.uselessday = num(f[8]);
    e.memo = txt(f[9]);
    deriveTexts(e);
  });
  return rows;
}

void showWoList(FrmMain& main, std::vector<WOList> rows) {
  main.lists().woRecords = std::move(rows);
  main.fraWorkO()->showFilledList();
}

void showEquList(FrmMain& main, std::vector<EquList> rows) {
  main.lists().equRecords = std::move(rows);
  main.fraEquip()->showFilledList();
}

void advanced(FrmMain& main, const QString& dbtb0, std::u16string_view reply) {
  if (equalsNoCase(reply, u"NLEGAL")) {
    inform(QStringLiteral("表达式有错。比如括号是不可以嵌套的"));
    return;
  }
  if (equalsNoCase(reply, u"WROPOW")) {
    inform(QStringLiteral("你没有这权限"));
    return;
  }
  if (dbtb0.compare(QLatin1String("ASS"), Qt::CaseInsensitive) == 0)
    showEquList(main, readEquRecords(reply));
  else if (dbtb0.compare(QLatin1String("AWO"), Qt::CaseInsensitive) == 0)
    showWoList(main, readWoRecords(reply, WoFieldsWithStore));
  else
    critical(QStringLiteral("怎么会这样，这不可能出现的!!"));
}

}  // namespace tav::user
