// Fuzz target: the user client's reply readers. The input's bytes arrive in
// reads the input picks, through the list-end rule, and the reply goes to the
// reader its first byte names; each result is checked against a plain recount.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "client/common/session.h"
#include "client/user/collections.h"
#include "client/user/gradereply.h"
#include "client/user/listreply.h"
#include "client/user/preventive.h"
#include "client/user/report.h"
#include "client_seed.h"
#include "fuzz_check.h"
#include "protocol/wire.h"

namespace {

using namespace tav;
using namespace tav::user;
using tav::client::qs;
using View = std::u16string_view;

std::size_t count(View text, char16_t c) {
  std::size_t n = 0;
  for (char16_t u : text) n += u == c;
  return n;
}

// Every piece between separators, the text after the last one included.
std::vector<View> pieces(View text, char16_t sep) {
  std::vector<View> out;
  std::size_t from = 0;
  for (std::size_t i = 0; i <= text.size(); ++i)
    if (i == text.size() || text[i] == sep) {
      out.push_back(text.substr(from, i - from));
      from = i + 1;
    }
  return out;
}

// The pieces each ended by a separator (the text after the last one is none).
std::vector<View> ended(View text, char16_t sep) {
  std::vector<View> out = pieces(text, sep);
  out.pop_back();
  return out;
}

View at(const std::vector<View>& f, std::size_t i) { return i < f.size() ? f[i] : View(); }

// The bytes in the reads a client could see them in, through the list-end
// rule; the body when the terminator came, else every code unit read.
std::u16string arrive(std::string_view bytes, uint8_t pattern) {
  std::size_t end = std::string_view::npos;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    if (bytes[i] == 0 && bytes[i + 1] == 0) {
      end = i;
      break;
    }

  RequestReader reader = tav::client::listReader();
  // Small reads split code units and terminators; large ones are what a
  // socket delivers (the client reads up to 1024 bytes at a time).
  const std::size_t span = pattern < 128 ? 13 : 1024;
  std::size_t step = 1 + pattern % span, off = 0;
  ReadState st = ReadState::Incomplete;
  while (off < bytes.size()) {
    const std::size_t n = std::min(step, bytes.size() - off);
    st = reader.feed(bytes.data() + off, n);
    FUZZ_CHECK(st != ReadState::TooLarge);
    if (end == std::string_view::npos || off + n < end + 2) FUZZ_CHECK(st == ReadState::Incomplete);
    off += n;
    step = 1 + (step * 131 + pattern) % span;
  }
  if (end == std::string_view::npos) {
    FUZZ_CHECK(st == ReadState::Incomplete);
    return fromUtf16le(bytes);
  }
  FUZZ_CHECK(st == ReadState::Complete);
  const std::u16string body = reader.body();
  FUZZ_CHECK(body.size() * 2 == end);
  FUZZ_CHECK(toUtf16le(body) == bytes.substr(0, end));
  FUZZ_CHECK(count(body, 0) == 0);
  return body;
}

void woRecords(View text, int fields) {
  const std::vector<WOList> rows = readWoRecords(text, fields);
  const std::vector<View> records = ended(text, RecordSep);
  FUZZ_CHECK(rows.size() == records.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::vector<View> f = pieces(records[i], FieldSep);
    const WOList& w = rows[i];
    FUZZ_CHECK(w.bill_id == numberOf(at(f, 0)));
    FUZZ_CHECK(w.comofequip == qs(at(f, 2)));
    FUZZ_CHECK(w.Status == numberOf(at(f, 4)));
    FUZZ_CHECK(w.done_date == numberOf(at(f, 13)));
    FUZZ_CHECK(w.scribebyeng == qs(at(f, 17)));
    FUZZ_CHECK(w.isNew == (fields == WoFieldsWithStore ? static_cast<int16_t>(numberOf(at(f, 19))) : 1));
    FUZZ_CHECK(!w.Screat.isEmpty() && !w.Scompl.isEmpty());
    FUZZ_CHECK(w.Sdone.isEmpty() == (w.done_date == 0));
  }
}

void equRecords(View text) {
  const std::vector<EquList> rows = readEquRecords(text);
  const std::vector<View> records = ended(text, RecordSep);
  FUZZ_CHECK(rows.size() == records.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::vector<View> f = pieces(records[i], FieldSep);
    const EquList& e = rows[i];
    FUZZ_CHECK(e.equip_id == numberOf(at(f, 0)));
    FUZZ_CHECK(e.buied_date == numberOf(at(f, 3)));
    FUZZ_CHECK(e.uselessday == numberOf(at(f, 8)));
    FUZZ_CHECK(e.memo == qs(at(f, 9)));
    FUZZ_CHECK(e.Sbuy.isEmpty() == (e.buied_date <= 0));
  }
}

void preset(const WOPreset& p, View conds, View sorts, View name) {
  const std::size_t n = count(conds, FieldSep) / 6;
  FUZZ_CHECK(p.set == (n > 0));
  FUZZ_CHECK(p.conds.size() == n);
  if (!p.set) return;
  FUZZ_CHECK(p.name == qs(name));
  const std::vector<View> s = ended(sorts, FieldSep);
  for (std::size_t k = 0; k < 3; ++k) FUZZ_CHECK(p.sort[k].column == (2 * k + 1 < s.size() ? numberOf(s[2 * k]) : 0));
}

void grade(View text) {
  const std::optional<UserTables> t = parseGradeReply(text);
  const std::vector<View> sec = ended(text, RecordSep);
  const bool whole =
      sec.size() >= 19 && count(sec[0], FieldSep) >= 4 && count(sec[6], FieldSep) >= 10;
  FUZZ_CHECK(t.has_value() == whole);
  if (!t) return;
  FUZZ_CHECK(t->myRight == numberOf(ended(sec[0], FieldSep)[1]));
  FUZZ_CHECK(t->rightList.size() == count(sec[1], FieldSep) / 2);
  FUZZ_CHECK(t->statusList.size() == count(sec[2], FieldSep) / 2);
  FUZZ_CHECK(t->typeList.size() == count(sec[3], FieldSep) / 2);
  FUZZ_CHECK(t->fieldRights.size() == count(sec[4], FieldSep) / 4);
  FUZZ_CHECK(t->billTypeList.size() == count(sec[5], FieldSep) / 2);
  FUZZ_CHECK(t->impBits.size() <= t->rightList.size());
  for (const CodeName& b : t->impBits) FUZZ_CHECK((t->myRight & b.code) != 0);
  for (std::size_t k = 0; k < 4; ++k) preset(t->woPreset[k], sec[7 + 3 * k], sec[8 + 3 * k], sec[9 + 3 * k]);
}

void presetOnly(View text) {
  const std::vector<View> s = pieces(text, RecordSep);
  preset(parsePreset(at(s, 0), at(s, 1), at(s, 2)), at(s, 0), at(s, 1), at(s, 2));
}

void report(View text) {
  const ReportData d = parseReport(text);
  // Sections: before the first SectionSep, up to the second, the rest.
  const std::size_t a = text.find(SectionSep);
  const std::size_t b = a == View::npos ? View::npos : text.find(SectionSep, a + 1);
  const View s0 = text.substr(0, a);
  const View s1 = a == View::npos ? View() : text.substr(a + 1, b == View::npos ? View::npos : b - a - 1);
  const View s2 = b == View::npos ? View() : text.substr(b + 1);
  FUZZ_CHECK(d.orders.size() == count(s0, RecordSep));
  FUZZ_CHECK(d.times.size() == count(s1, RecordSep));
  FUZZ_CHECK(d.extras.size() == count(s2, RecordSep));
  const std::vector<View> orders = ended(s0, RecordSep);
  for (std::size_t i = 0; i < orders.size(); ++i) {
    const std::vector<View> f = ended(orders[i], FieldSep);
    FUZZ_CHECK(d.orders[i].bill_id == numberOf(at(f, 0)));
    FUZZ_CHECK(d.orders[i].usetime == numberOf(at(f, 4)));
  }
  // A used time goes into the workbook as a number: never infinite.
  for (const RepTime& t : d.times) FUZZ_CHECK(std::isfinite(t.used_time));
  const Summary s = summarise(d.orders);
  FUZZ_CHECK(s.rows.size() <= 8 && s.rows.size() <= d.orders.size());
}

void collections(View text) {
  const std::vector<ColItem> cols = parseCollections(text);
  const std::vector<View> records = ended(text, RecordSep);
  FUZZ_CHECK(cols.size() == records.size());
  for (std::size_t i = 0; i < cols.size(); ++i) {
    const std::vector<View> f = ended(records[i], FieldSep);
    FUZZ_CHECK(cols[i].autonum == qs(at(f, 0)));
    FUZZ_CHECK(cols[i].person == qs(at(f, 4)));
    for (std::size_t k = 0; k < CollectionPlaces; ++k) FUZZ_CHECK(cols[i].places[k].equName == qs(at(f, 6 + 2 * k)));
    FUZZ_CHECK(cols[i].refer == numberOf(at(f, 45)));
  }
}

void locations(View text) {
  const std::vector<LocatPair> l = parseLocations(text);
  const std::vector<View> records = ended(text, RecordSep);
  FUZZ_CHECK(l.size() == records.size());
  for (std::size_t i = 0; i < l.size(); ++i) {
    const std::vector<View> f = ended(records[i], FieldSep);
    FUZZ_CHECK(l[i].locat == qs(at(f, 0)) && l[i].equName == qs(at(f, 1)));
  }
}

void preventive(View text) {
  const std::vector<PwoItem> l = parsePreventive(text);
  const std::vector<View> records = ended(text, RecordSep);
  FUZZ_CHECK(l.size() == records.size());
  for (std::size_t i = 0; i < l.size(); ++i) {
    const std::vector<View> f = ended(records[i], FieldSep);
    FUZZ_CHECK(l[i].Number == qs(at(f, 0)) && l[i].every == qs(at(f, 7)));
    FUZZ_CHECK(l[i].perio > -32768 && l[i].perio < 32768);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const auto reader = static_cast<tavfuzz::ClientReader>(data[0] % tavfuzz::ClientReaderCount);
  const std::u16string text = arrive(std::string_view(reinterpret_cast<const char*>(data + 2), size - 2), data[1]);
  switch (reader) {
    case tavfuzz::Wo19: woRecords(text, WoFieldsQuick); break;
    case tavfuzz::Wo20: woRecords(text, WoFieldsWithStore); break;
    case tavfuzz::Equ: equRecords(text); break;
    case tavfuzz::Grade: grade(text); break;
    case tavfuzz::Preset: presetOnly(text); break;
    case tavfuzz::Report: report(text); break;
    case tavfuzz::Collections: collections(text); break;
    case tavfuzz::Locations: locations(text); break;
    case tavfuzz::Preventive: preventive(text); break;
    case tavfuzz::ClientReaderCount: break;
  }
  return 0;
}
