// Record helpers shared by the command families.
#include "TAVserver/records.h"

#include "TAVserver/dispatcher.h"
#include "protocol/text.h"

namespace tav::server {

bool findNoCase(store::Table& t, const char* field, std::u16string_view id) {
  const int f = t.fieldIndex(std::string_view(field));
  for (bool on = t.moveFirst(); on; on = t.moveNext())
    if (equalsNoCase(t.get(f).asText(), id)) return true;
  return false;
}

bool findNumber(store::Table& t, const char* field, int64_t number) {
  const int f = t.fieldIndex(std::string_view(field));
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    store::Value v = t.get(f);
    if (!v.isNull() && v.asInt() == number) return true;
  }
  return false;
}

bool findOrder(store::Table& t, bool current, std::optional<int32_t> id) {
  if (!id || *id <= 0) return false;
  if (current) return t.moveTo(*id);
  auto rows = t.rowidsWhere("bill_id", store::Value(*id));
  return !rows.empty() && t.moveTo(rows.back());
}

std::vector<int64_t> rowsOfOrder(store::Table& t, int32_t billId) {
  return t.rowidsWhere("bill_id", store::Value(billId));
}

std::u16string fieldText(const store::Value& v) { return v.asText(); }

void addFields(ListRecord& rec, store::Table& t, int from, int to) {
  for (int i = from; i < to; ++i) rec.addText(fieldText(t.get(i)));
}

std::u16string storableText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text)
    if (c != 0 && c != SectionSep && c != RecordSep) out.push_back(c);
  return out;
}

std::u16string whoText(const Slot& s) { return s.slotID + u"(" + s.slotName + u")"; }

namespace {

constexpr std::size_t ListPiece = 32 * 1024;

bool flushList(Server& S, int n) {
  std::string piece;
  piece.swap(S.listBuf);
  if (!piece.empty() && !reply(S, n, piece)) S.listFailed = true;
  return !S.listFailed;
}

}  // namespace

bool sendRecord(Server& S, int n, const ListRecord& rec) {
  if (S.listFailed) return false;
  S.listBuf += rec.bytes();
  return S.listBuf.size() < ListPiece || flushList(S, n);
}

bool sendListEnd(Server& S, int n) {
  if (S.listFailed) return false;
  S.listBuf += MsgEnd;
  return flushList(S, n);
}

}  // namespace tav::server
