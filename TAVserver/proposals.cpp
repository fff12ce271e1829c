// Administrator proposals: a new user, new settings of a user and a new
// holder name, filed for the two other administrators to approve, and their lists.
#include <climits>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "TAVserver/dispatcher.h"
#include "TAVserver/handlers.h"
#include "TAVserver/records.h"
#include "TAVserver/request.h"
#include "TAVserver/server.h"
#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server {

bool proposalLapsed(double dayed, double at) { return at > dayed + ProposalLifeDays; }

namespace {

constexpr std::u16string_view TOLONG = u"TOLONG";
constexpr std::u16string_view LEITON = u"LEITON";

// What the accounts can hold: the login record carries an ID of ten
// characters and a password of sixteen, so longer ones could never log in.
constexpr std::size_t MaxUserId = 10;
constexpr std::size_t MaxPassword = 16;
constexpr std::size_t MaxUserName = 20;
constexpr std::size_t MaxHolderName = 10;


// The values of a proposal by field name, all checked before anything is
// written; an empty optional marks one that does not fit.
using Values = std::vector<std::pair<const char*, store::Value>>;

std::optional<store::Value> fitText(std::u16string_view raw, std::size_t max) {
  std::u16string t = storableText(raw);
  if (t.size() > max) return std::nullopt;
  return store::Value(std::move(t));
}

std::optional<store::Value> fitNumber(std::u16string_view raw) {
  auto v = wholeNumber32(raw);
  if (!v) return std::nullopt;
  return store::Value(static_cast<long long>(*v));
}

// Gathers checked values; false once any of them did not fit.
struct Collector {
  Values values;
  bool fits = true;
  void add(const char* field, std::optional<store::Value> v) {
    if (!v) fits = false;
    else values.emplace_back(field, std::move(*v));
  }
};

// Takes the first record free for a new proposal (closed, or past its
// days) or adds one, and leaves nothing of an earlier proposal in it: an
// old approver must never stand beside a new proposal.
void takeRecord(store::Table& t, double at) {
  bool taken = false;
  for (bool on = t.moveFirst(); on; on = t.moveNext())
    if (t.get("admini").isNull() || proposalLapsed(t.get("dayed").asDouble(), at)) {
      taken = true;
      break;
    }
  if (taken)
    t.edit();
  else
    t.addNew();
  for (int i = 0; i < t.fieldCount(); ++i) t.set(i, store::Value::null());
}

// The other administrators hear of the proposal at their next login.
void flagOtherAdmins(Server& S, std::u16string_view proposer) {
  store::Table& rs = S.db.t().rsAdmins;
  for (bool on = rs.moveFirst(); on; on = rs.moveNext())
    if (!equalsNoCase(rs.get("adID").asText(), proposer)) {
      rs.edit();
      rs.set("newstitu", store::Value(1));
      rs.update();
    }
}

// Files one proposal with its flags in one transaction and answers only
// once it is stored. The number is taken only when the proposal is.
void fileProposal(Server& S, int n, store::Table& t, int32_t& counter, const Values& values) {
  const Slot& s = S.slot(n);
  if (counter == INT32_MAX) {
    replyWord(S, n, TOLONG);
    return;
  }
  const int32_t number = counter + 1;
  try {
    store::Transaction tx(S.db.db());
    const double at = now();
    takeRecord(t, at);
    t.set("autonum", store::Value(static_cast<long long>(number)));
    t.set("admini", store::Value(s.slotID));
    t.set("dayed", store::Value(static_cast<long long>(std::floor(at))));
    for (const auto& [field, v] : values) t.set(field, v);
    t.update();
    flagOtherAdmins(S, s.slotID);
    tx.commit();
  } catch (const std::exception&) {
    replyWord(S, n, TOLONG);
    return;
  }
  counter = number;
  replyWord(S, n, IGOTIT);
}

// The live proposals of one table, each with `fields` in order. Gathered
// whole before sending, so a failed walk is answered instead of cut off.
void listProposals(Server& S, int n, store::Table& t, std::initializer_list<const char*> fields) {
  if (!sessionIsAdmin(S, n)) return;
  const double at = now();
  std::vector<ListRecord> live;
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    if (t.get("admini").isNull() || proposalLapsed(t.get("dayed").asDouble(), at)) continue;
    ListRecord rec;
    for (const char* f : fields) rec.addText(fieldText(t.get(f)));
    live.push_back(std::move(rec));
  }
  for (const ListRecord& rec : live)
    if (!sendRecord(S, n, rec)) return;
  sendListEnd(S, n);
}

// A user ID that is empty names no account a person could log in to.
std::u16string requireUserId(std::u16string_view raw) {
  std::u16string id = storableText(raw);
  if (id.empty()) throw BadRequest{};
  return id;
}

}  // namespace

void handleProposeNewUser(Server& S, int n, std::u16string_view body) {
  if (!sessionIsAdmin(S, n)) return;
  auto f = requireFields(body, 6, 5);
  const std::u16string id = requireUserId(f[0]);
  TableHandles& t = S.db.t();
  if (findNoCase(t.rsUsers, "user_id", id)) {
    replyWord(S, n, std::u16string(LEITON) + t.rsUsers.get("user_name").asText());
    return;
  }
  Collector c;
  c.add("adminn", store::Value(S.slot(n).slotName));
  c.add("user_id", fitText(id, MaxUserId));
  c.add("ouname", fitText(f[1], MaxUserName));
  c.add("Password", fitText(f[2], MaxPassword));
  c.add("rights", fitNumber(f[3]));
  c.add("types", fitNumber(f[4]));
  if (!c.fits) {
    replyWord(S, n, TOLONG);
    return;
  }
  fileProposal(S, n, t.rsNewUser, S.nextNewUserNo, c.values);
}

void handleProposeUserSet(Server& S, int n, std::u16string_view body) {
  if (!sessionIsAdmin(S, n)) return;
  auto f = requireFields(body, 6, 10);
  const std::u16string id = requireUserId(f[0]);
  Collector c;
  c.add("adminn", store::Value(S.slot(n).slotName));
  c.add("user_id", fitText(id, MaxUserId));
  // The current values are kept as the proposer saw them: the approval
  // compares them with the account, so they are not cut to any size.
  c.add("ouname", store::Value(storableText(f[1])));
  c.add("oright", fitNumber(f[2]));
  c.add("otype", fitNumber(f[3]));
  c.add("ocan", fitNumber(f[4]));
  c.add("nuname", fitText(f[5], MaxUserName));
  c.add("npassword", fitText(f[6], MaxPassword));
  c.add("nright", fitNumber(f[7]));
  c.add("ntype", fitNumber(f[8]));
  c.add("ncan", fitNumber(f[9]));
  if (!c.fits) {
    replyWord(S, n, TOLONG);
    return;
  }
  fileProposal(S, n, S.db.t().rsChange, S.nextChangeNo, c.values);
}

void handleProposeAdName(Server& S, int n, std::u16string_view body) {
  if (!sessionIsAdmin(S, n)) return;
  // The name runs to the terminator; a field separator inside it would
  // break every list that later carries the name.
  std::u16string name;
  for (char16_t ch : storableText(body.substr(std::min<std::size_t>(6, body.size()))))
    if (ch != FieldSep) name.push_back(ch);
  if (name.size() > MaxHolderName) {
    replyWord(S, n, TOLONG);
    return;
  }
  const Values values{{"user_id", store::Value(S.slot(n).slotName)}, {"ouname", store::Value(name)}};
  fileProposal(S, n, S.db.t().rsManName, S.nextNameNo, values);
}

void handleListNewUserProposals(Server& S, int n, std::u16string_view) {
  listProposals(S, n, S.db.t().rsNewUser,
                {"autonum", "admini", "adminn", "user_id", "ouname", "Password", "rights", "types", "passed",
                 "passname"});
}

void handleListUserSetProposals(Server& S, int n, std::u16string_view) {
  listProposals(S, n, S.db.t().rsChange,
                {"autonum", "admini", "adminn", "dayed", "user_id", "ouname", "oright", "otype", "ocan", "nuname",
                 "npassword", "nright", "ntype", "ncan", "passed", "passname"});
}

void handleListAdNameProposals(Server& S, int n, std::u16string_view) {
  listProposals(S, n, S.db.t().rsManName, {"autonum", "admini", "user_id", "dayed", "ouname", "passed", "passname"});
}

}  // namespace tav::server
