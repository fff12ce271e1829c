// Saved searches: stored texts, named dates, the run of a slot and the
// captions of its buttons.
#include "client/user/savedsearch.h"

#include <QLabel>
#include <QPushButton>
#include <cmath>

#include "client/common/clientsocket.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/condrow.h"
#include "client/user/datasort.h"
#include "client/user/fraperson.h"
#include "client/user/frmmain.h"
#include "client/user/frmsave.h"
#include "client/user/fraworko.h"
#include "client/user/listreply.h"
#include "protocol/daynum.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::user {

using namespace tav::client;

namespace {

const QString BracketMessage = QStringLiteral("括号的设定有错误，请到“个人设定”→“工单快搜设定”处重写");

void addField(std::u16string& s, std::u16string_view f) {
  s += f;
  s += FieldSep;
}

int32_t monthLength(int y, int m) { return civilFromDay(dayFromCivil(y, m + 1, 0)).d; }

}  // namespace

std::u16string conditionsText(const std::vector<SearchCond>& conds) {
  std::u16string s;
  for (const SearchCond& c : conds) {
    addField(s, c.leftBracket ? u"(" : u"");
    addField(s, us(QString::number(c.field)));
    addField(s, us(QString::number(c.crit)));
    addField(s, cleanField(c.value));
    addField(s, c.rightBracket ? u")" : u"");
    addField(s, c.andNext ? u"T" : u"F");
  }
  return s;
}

std::u16string sortText(const std::array<SortKey, 3>& keys) {
  std::u16string s;
  for (const SortKey& k : keys) {
    addField(s, us(QString::number(k.column)));
    addField(s, k.ascending ? u"True" : u"False");
  }
  return s;
}

int32_t namedDay(const QString& name, double now) {
  const int32_t today = static_cast<int32_t>(std::floor(now));
  const CivilDate t = civilFromDay(today);
  const int y = t.y, m = t.m, d = t.d;
  const QStringList& names = dateName();
  auto is = [&](int k) { return name.compare(names[k], Qt::CaseInsensitive) == 0; };
  if (is(0)) return today;
  if (is(1)) return today - d + 1;
  if (is(2)) return dayFromCivil(y, m - 1, 1);
  if (is(3)) return dayFromCivil(y, m - 1, std::min(d, civilFromDay(today - d).d));
  if (is(4)) return dayFromCivil(y, m - 6, std::min(d, civilFromDay(dayFromCivil(y, m - 5, 0)).d));
  if (is(5)) return dayFromCivil(y - 1, m, std::min(d, monthLength(y - 1, m)));
  if (is(6)) return dayFromCivil(y, 1, 1);
  if (is(7)) return dayFromCivil(y, 7, 1);
  return 0;
}

std::u16string presetValue(const SearchCond& c, double now) {
  const QString& v = c.value;
  switch (c.field) {
    case 3:
      for (const CodeName& s : tables().statusList)
        if (s.name.compare(v, Qt::CaseInsensitive) == 0) return us(QString::number(s.code));
      return u"0";
    case 4:
      for (const BillType& b : tables().billTypeList)
        if (b.name.compare(v, Qt::CaseInsensitive) == 0) return cleanField(b.code);
      return u"OO";
    case 5: {
      const QStringList words = valueListEntries(ValueList::Urgency);
      for (int k = 0; k < words.size(); ++k)
        if (words[k].compare(v, Qt::CaseInsensitive) == 0) return us(QString::number(k + 1));
      return u"0";
    }
    case 9:
    case 10:
    case 12:
    case 13: {
      int32_t day = parseDate(v);
      if (day == 0) day = namedDay(v, now);
      return day != 0 ? us(QString::number(day)) : u"OO";
    }
    default: return cleanField(v);
  }
}

std::u16string presetRequest(const WOPreset& p, double now) {
  std::u16string body = u"ADVAWO0";
  for (const SearchCond& c : p.conds) {
    addField(body, c.leftBracket ? u"(" : u"");
    // A position the column list lacks names no field: the server holds it false.
    addField(body, c.field >= 0 && c.field < woField().size() ? us(woField()[c.field]) : std::u16string());
    addField(body, us(QString::number(c.crit)));
    addField(body, presetValue(c, now));
    addField(body, c.rightBracket ? u")" : u"");
    body += c.andNext ? u'T' : u'F';
    body += RecordSep;
  }
  return body;
}

void sortByPreset(std::vector<WOList>& rows, const WOPreset& p) {
  std::array<int, 3> columns{};
  std::array<bool, 3> ascending{};
  for (std::size_t k = 0; k < 3; ++k) {
    columns[k] = p.sort[k].column + 1;
    ascending[k] = p.sort[k].ascending;
  }
  sortRecords(rows, columns, ascending);
}

void runPreset(FrmMain& main, int slot) {
  Session& s = session();
  if (!s.idle() || slot < 1 || slot > 4) return;
  const WOPreset p = tables().woPreset[static_cast<std::size_t>(slot) - 1];
  if (!p.set) return;
  int left = 0, right = 0;
  for (const SearchCond& c : p.conds) {
    left += c.leftBracket;
    right += c.rightBracket;
  }
  if (left != right) {
    inform(BracketMessage);
    return;
  }

  ExchangeTexts t = coreTexts();
  t.sendFailure = QStringLiteral("网络错误");
  t.listSleepMs = 20;
  Exchange x(s, t);
  if (!x.begin()) return;
  s.setStatus(QStringLiteral(" TAVuser - 正在处理请求，请稍候..."));
  pumpEvents();
  if (!x.knock() || !x.send(presetRequest(p, clientNow()))) return;
  auto reply = x.list();
  if (!reply) return;
  if (equalsNoCase(*reply, u"NLEGAL")) {
    inform(BracketMessage);
    return;
  }
  std::vector<WOList> rows = readWoRecords(*reply, WoFieldsWithStore);
  if (!rows.empty()) {
    s.setStatus(QStringLiteral(" TAVuser - 正在排序，共 %1 条记录").arg(rows.size()));
    pumpEvents();
    rows.front().checked = true;
    sortByPreset(rows, p);
  }
  showWoList(main, std::move(rows));
}

void showPresetCaptions(FrmMain& main, int slot) {
  const WOPreset& p = tables().woPreset[static_cast<std::size_t>(slot) - 1];
  const QString n = QString::number(slot);
  if (auto* run = main.fraWorkO()->findChild<QPushButton*>(QStringLiteral("WO_Presave_") + n)) {
    run->setText(p.set ? p.name : QStringLiteral("未设定"));
    run->setEnabled(p.set);
  }
  if (auto* edit = main.fraPerson()->findChild<QPushButton*>(QStringLiteral("WO_save_") + n)) {
    edit->setText(p.set ? p.name : QStringLiteral("(未设定)"));
    QFont f = edit->font();
    f.setItalic(!p.set);
    edit->setFont(f);
  }
}

void connectSavedSearches(FrmMain* main) {
  for (int k = 1; k <= 4; ++k) {
    const QString n = QString::number(k);
    if (auto* run = main->fraWorkO()->findChild<QPushButton*>(QStringLiteral("WO_Presave_") + n))
      QObject::connect(run, &QPushButton::clicked, main, [main, k] { runPreset(*main, k); });
    if (auto* edit = main->fraPerson()->findChild<QPushButton*>(QStringLiteral("WO_save_") + n))
      QObject::connect(edit, &QPushButton::clicked, main, [main, k] { FrmSave::open(main, k); });
  }
  QObject::connect(main, &FrmMain::loggedOn, main, [main] {
    for (int k = 1; k <= 4; ++k) showPresetCaptions(*main, k);
  });
}

}  // namespace tav::user
