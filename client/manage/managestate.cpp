// Module state of the administration client and its list readers.
#include "client/manage/managestate.h"

#include "client/common/listsort.h"
#include "protocol/daynum.h"
#include "protocol/netio.h"
#include "protocol/wire.h"

namespace tav::manage {

using namespace tav::client;

ManageTables& tables() {
  static ManageTables t;
  return t;
}

namespace {

// This client waits for the knock's answer as long as for any reply.
struct ManageSession : Session {
  ManageSession() : Session(QStringLiteral("TAVsuper")) { knockSeconds = ioSeconds(); }
};

}  // namespace

Session& session() {
  static ManageSession s;
  return s;
}

ExchangeTexts manageTexts() {
  ExchangeTexts t;
  t.wordTimeout = QStringLiteral("服务器超时未回");
  t.style = WordStyle::AsSoonAsEqual;
  t.common = {{u"UWRONG", Icon::Critical, QStringLiteral("服务器报告不明错误，该请求未被执行。")}};
  return t;
}

QString proposalFiledText() {
  return QStringLiteral(
      "你的请求已经提交，但并不是立即生效。\r\n"
      "本次请求需要另外两位管理员通过才会有效，请在一天内通知另外两位管理员");
}

QString badReplyText() { return QStringLiteral("错误的回复!"); }

std::optional<std::vector<Fields>> listRecords(std::u16string_view text, std::size_t fields) {
  std::vector<Fields> out;
  std::size_t from = 0;
  for (std::size_t end; (end = text.find(RecordSep, from)) != std::u16string_view::npos; from = end + 1) {
    std::u16string_view rec = text.substr(from, end - from);
    // Every field is followed by its separator: nothing may stand after the last.
    if (!rec.empty() && rec.back() != FieldSep) return std::nullopt;
    auto parts = splitFields(rec);
    if (parts.size() != fields) return std::nullopt;
    out.emplace_back(parts.begin(), parts.end());
  }
  if (from != text.size()) return std::nullopt;
  return out;
}

int32_t numberOf(std::u16string_view field) { return wholeNumber32(field).value_or(0); }

std::optional<std::vector<UseRecord>> parseUsers(std::u16string_view text) {
  auto recs = listRecords(text, 5);
  if (!recs) return std::nullopt;
  std::vector<UseRecord> users;
  users.reserve(recs->size());
  for (const Fields& f : *recs)
    users.push_back({qs(f[0]), qs(f[1]), numberOf(f[2]), numberOf(f[3]), static_cast<int16_t>(numberOf(f[4]))});
  return users;
}

void sortByName(std::vector<UseRecord>& users) {
  std::vector<std::array<QVariant, 3>> keys;
  keys.reserve(users.size());
  for (const UseRecord& u : users) keys.push_back({u.name, {}, {}});
  applyOrder(users, stableOrder(keys, {SortKey{true, true}, SortKey{}, SortKey{}}));
}

namespace {

// Decimal digits, perhaps signed, that fit in 32 bits.
std::optional<int32_t> decimal(std::u16string_view text) {
  std::u16string_view digits = text;
  if (!digits.empty() && (digits[0] == u'-' || digits[0] == u'+')) digits.remove_prefix(1);
  if (digits.empty()) return std::nullopt;
  for (char16_t c : digits)
    if (c < u'0' || c > u'9') return std::nullopt;
  return wholeNumber32(text);
}

}  // namespace

std::optional<ConstTables> parseConstList(std::u16string_view text) {
  auto table = [](std::u16string_view section) -> std::optional<std::vector<PickCode>> {
    if (!section.empty() && section.back() != FieldSep) return std::nullopt;
    auto parts = splitFields(section);
    if (parts.size() % 2 != 0) return std::nullopt;
    std::vector<PickCode> codes;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
      auto bit = decimal(parts[i]);
      if (!bit) return std::nullopt;
      codes.push_back({*bit, qs(parts[i + 1])});
    }
    return codes;
  };
  std::size_t first = text.find(RecordSep);
  if (first == std::u16string_view::npos) return std::nullopt;
  std::size_t second = text.find(RecordSep, first + 1);
  if (second == std::u16string_view::npos) return std::nullopt;
  auto rights = table(text.substr(0, first));
  auto trades = table(text.substr(first + 1, second - first - 1));
  if (!rights || !trades) return std::nullopt;
  return ConstTables{std::move(*rights), std::move(*trades)};
}

QString dayText(int32_t day) {
  if (day < 1) return QString();
  CivilDate d = civilFromDay(day);
  return QStringLiteral("%1-%2-%3").arg(d.y).arg(d.m).arg(d.d);
}

QString withoutTrailingBlanks(QString id) {
  while (id.endsWith(QLatin1Char(' '))) id.chop(1);
  return id;
}

QString idAndName(std::u16string_view id, std::u16string_view name) {
  return qs(id) + QLatin1Char('(') + qs(name) + QLatin1Char(')');
}

}  // namespace tav::manage
