// "ADVAWO", "ADVASS" and "QUICKY": the searches. Each walks its table once,
// tests every record on the fields it needs and streams the matches out.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TAVserver/conditions.h"
#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/wire.h"

namespace tav::server {
namespace {

namespace cond = conditions;

constexpr std::u16string_view NLEGAL = u"NLEGAL";

// A search refusal carries the list terminator, so a client reading a list
// reply sees it complete at once.
void refuseSearch(Server& S, int n, std::u16string_view word) { reply(S, n, textReply(word)); }

const schema::Table& catalogue(schema::FileId file, std::string_view name) {
  return *schema::findTable(file, name);
}

// The conditions of one advanced search, judged once against the catalogue
// before the walk.
class AdvancedMatch {
 public:
  AdvancedMatch(const schema::Table& cat, store::Table& t, std::vector<cond::Condition> conds)
      : conds_(std::move(conds)) {
    tests_.reserve(conds_.size());
    for (const cond::Condition& c : conds_) {
      tests_.emplace_back(cat, c);
      columns_.push_back(tests_.back().suits() ? t.fieldIndex(tests_.back().field()->name) : -1);
    }
  }

  // The archive twin has the fields of its table in the same order.
  bool operator()(store::Table& t) const {
    return cond::combine(conds_, [&](std::size_t i) {
      return columns_[i] >= 0 && tests_[i](t.get(columns_[i]));
    });
  }

 private:
  std::vector<cond::Condition> conds_;
  std::vector<cond::FieldTest> tests_;
  std::vector<int> columns_;
};

// One pair of the quick search: a 32-bit whole-number field asks for the
// value's number, any other field for the value inside its text.
struct QuickPair {
  int column;
  bool whole;
  double number;
  cond::NoCaseNeedle needle;

  bool operator()(store::Table& t) const {
    const store::Value v = t.get(column);
    if (v.isNull()) return false;
    if (whole) return cond::numberOf(v) == number;
    return needle.occursIn(v.asText());
  }
};

// Adds every record of `t` that `match` takes: all its fields, then `flag`
// when there is one. False once the client has stopped taking the reply.
template <class Match>
bool sendMatches(Server& S, int n, store::Table& t, Match&& match, std::u16string_view flag = {}) {
  const int fields = t.fieldCount();
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    if (!match(t)) continue;
    ListRecord rec;
    addFields(rec, t, 0, fields);
    if (!flag.empty()) rec.addText(flag);
    if (!sendRecord(S, n, rec)) return false;
  }
  return true;
}

}  // namespace

void handleSearchWOAdvanced(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  const bool withArchive = body.size() > 6 && body[6] == u'1';
  // Archived orders are open only to holders of the archive right.
  if (withArchive && !S.hasRight(n, S.consts.manageSet[ManReportArchive])) {
    refuseSearch(S, n, WROPOW);
    return;
  }
  if (!cond::bracketsPass(body)) {
    refuseSearch(S, n, NLEGAL);
    return;
  }
  auto conds = cond::parseConditions(body, 7);
  if (!conds) {
    refuseSearch(S, n, NLEGAL);
    return;
  }
  TableHandles& t = S.db.t();
  const AdvancedMatch match(catalogue(schema::FileId::Records, "list"), t.rsList, std::move(*conds));
  if (!sendMatches(S, n, t.rsList, match, u"1")) return;
  if (withArchive && !sendMatches(S, n, t.rsListO, match, u"0")) return;
  sendListEnd(S, n);
}

void handleSearchEquAdvanced(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  store::Table& t = S.db.t().rsEqu;
  if (!t.moveFirst()) {
    // Nothing to search: the request is not even looked at.
    sendListEnd(S, n);
    return;
  }
  if (!cond::bracketsPass(body)) {
    refuseSearch(S, n, NLEGAL);
    return;
  }
  auto conds = cond::parseConditions(body, 6);
  if (!conds) {
    refuseSearch(S, n, NLEGAL);
    return;
  }
  const AdvancedMatch match(catalogue(schema::FileId::Equipment, "equipment"), t, std::move(*conds));
  if (!sendMatches(S, n, t, match)) return;
  sendListEnd(S, n);
}

void handleQuickSearch(Server& S, int n, std::u16string_view body) {
  S.renewSession(n);
  const std::u16string_view sub = body.substr(std::min<std::size_t>(body.size(), 6), 5);
  TableHandles& th = S.db.t();
  store::Table* t = nullptr;
  const schema::Table* cat = nullptr;
  if (sub == u"ASSET") {
    t = &th.rsEqu;
    cat = &catalogue(schema::FileId::Equipment, "equipment");
  } else if (sub == u"WORKO") {
    t = &th.rsList;
    cat = &catalogue(schema::FileId::Records, "list");
  } else {
    return;  // no such table: no reply at all
  }
  if (!t->moveFirst()) {
    sendListEnd(S, n);
    return;
  }

  // Whole pairs only, nothing after the last.
  const std::vector<std::u16string_view> f = splitFields(body, 11);
  const std::size_t used = body.size() <= 11 ? 0 : body.rfind(FieldSep) + 1;
  if (f.size() % 2 != 0 || (body.size() > 11 && used != body.size())) throw BadRequest{};

  std::vector<QuickPair> pairs;
  for (std::size_t i = 0; i < f.size(); i += 2) {
    const schema::Field* field = cond::catalogueField(*cat, f[i]);
    if (!field) {
      // A field the table does not have holds for no record.
      sendListEnd(S, n);
      return;
    }
    pairs.push_back(QuickPair{t->fieldIndex(field->name), cond::isWholeNumberField(field->type),
                              leadingNumber(f[i + 1]), cond::NoCaseNeedle(f[i + 1])});
  }
  auto match = [&](store::Table& tab) {
    for (const QuickPair& p : pairs)
      if (!p(tab)) return false;
    return true;
  };
  if (!sendMatches(S, n, *t, match)) return;
  sendListEnd(S, n);
}

}  // namespace tav::server
