// Loading the constant tables.
#include "TAVserver/constants.h"

#include <cmath>

#include "TAVserver/store/store.h"

namespace tav::server {
namespace {

using store::Value;

// A constant number: a whole 32-bit number, a fraction rounded; anything
// else (no value, text that is not a number) makes the file unusable.
bool wholeConst(const Value& v, int32_t& out) {
  double d;
  switch (v.type()) {
    case Value::Type::Integer:
    case Value::Type::Double:
      d = v.asDouble();
      break;
    default:
      return false;
  }
  if (!std::isfinite(d)) return false;
  d = std::nearbyint(d);
  if (d < INT32_MIN || d > INT32_MAX) return false;
  out = static_cast<int32_t>(d);
  return true;
}

bool readCodeNames(store::Table& t, std::vector<CodeName>& out) {
  out.clear();
  for (bool on = t.moveFirst(); on; on = t.moveNext()) {
    CodeName c;
    if (!wholeConst(t.get(0), c.code)) return false;
    c.name = t.get(1).asText();
    out.push_back(std::move(c));
  }
  return true;
}

}  // namespace

bool ConstTables::isStatusCode(int32_t code) const {
  for (const auto& s : statusTab)
    if (s.code == code) return true;
  return false;
}

bool loadConst(const std::string& path, ConstTables& out) {
  try {
    store::Database db(path, store::OpenMode::ReadOnlyShared);
    store::Table rightscribe = db.table("rightscribe");
    store::Table manage = db.table("manage");
    store::Table type = db.table("type");
    store::Table rights = db.table("rights");
    store::Table special = db.table("special");
    store::Table status = db.table("status");

    ConstTables c;
    for (bool on = rightscribe.moveFirst(); on; on = rightscribe.moveNext()) {
      FieldRight r;
      r.Fields = rightscribe.get("Fields").asText();
      if (!wholeConst(rightscribe.get("states"), r.states) ||
          !wholeConst(rightscribe.get("powers"), r.powers) ||
          !wholeConst(rightscribe.get("tostas"), r.tostas))
        return false;
      c.fieldRuleTab.push_back(std::move(r));
    }
    if (!readCodeNames(rights, c.rightsTab) || !readCodeNames(status, c.statusTab) ||
        !readCodeNames(special, c.specialTab))
      return false;
    for (bool on = type.moveFirst(); on; on = type.moveNext())
      c.typeTab.push_back({type.get(0).asText(), type.get(1).asText()});

    if (!manage.moveFirst() || manage.fieldCount() < 10) return false;
    for (int i = 0; i < 10; ++i)
      if (!wholeConst(manage.get(i), c.manageSet[static_cast<std::size_t>(i)])) return false;

    out = std::move(c);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace tav::server
