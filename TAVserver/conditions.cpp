// The condition language of the advanced searches: bracket check, reading
// the condition list, suitability of a condition for its field, comparison.
#include "TAVserver/conditions.h"

#include "protocol/text.h"
#include "protocol/wire.h"

namespace tav::server::conditions {
namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The value as a whole number when it is written the way a stored whole
// number prints ("7", "-12"; not "07", "+7" or "7.0"), so "=" can compare
// numbers instead of printing every record's field.
std::optional<std::int64_t> plainWholeNumber(std::u16string_view s) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && s[i] == u'-') {
    negative = true;
    ++i;
  }
  if (i == s.size() || s.size() - i > 18) return std::nullopt;
  if (s[i] == u'0' && (negative || s.size() - i > 1)) return std::nullopt;
  std::int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (!isDigit(s[i])) return std::nullopt;
    v = v * 10 + (s[i] - u'0');
  }
  return negative ? -v : v;
}

}  // namespace

Op opFromText(std::u16string_view code) {
  if (code.size() != 1 || code[0] < u'0' || code[0] > u'7') return Op::Invalid;
  return static_cast<Op>(code[0] - u'0');
}

bool bracketsPass(std::u16string_view request) {
  bool open = false;
  for (char16_t c : request) {
    if (c == u'(') {
      if (open) return false;
      open = true;
    } else if (c == u')') {
      if (!open) return false;
      open = false;
    }
  }
  return !open;
}

std::optional<std::vector<Condition>> parseConditions(std::u16string_view request, std::size_t start) {
  std::vector<Condition> out;
  std::size_t p = start;
  bool open = false;
  while (p < request.size()) {
    std::u16string_view f[5];
    for (auto& field : f) {
      const std::size_t q = request.find(FieldSep, p);
      if (q == std::u16string_view::npos) return std::nullopt;
      field = request.substr(p, q - p);
      // A record separator inside a field would make the count of
      // conditions disagree with the conditions read.
      if (field.find(RecordSep) != std::u16string_view::npos) return std::nullopt;
      p = q + 1;
    }
    if (p + 1 >= request.size()) return std::nullopt;
    const char16_t connector = request[p];
    if (connector == FieldSep || connector == RecordSep || request[p + 1] != RecordSep) return std::nullopt;
    p += 2;

    Condition c;
    if (f[0] == u"(") c.open = true;
    else if (!f[0].empty()) return std::nullopt;
    if (f[4] == u")") c.close = true;
    else if (!f[4].empty()) return std::nullopt;
    // A bracket inside a value passes the request-wide check yet leaves the
    // conditions' own brackets unpaired; such a list has no meaning.
    if (c.open) {
      if (open) return std::nullopt;
      open = true;
    }
    if (c.close) {
      if (!open) return std::nullopt;
      open = false;
    }
    c.field = f[1];
    c.op = opFromText(f[2]);
    c.value = f[3];
    c.andNext = connector == u'T';
    out.push_back(c);
  }
  if (open || out.empty()) return std::nullopt;
  return out;
}

bool isNumberText(std::u16string_view text) {
  std::u16string_view s = trimBlanks(text);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == u'.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == u'E' || s[i] == u'e')) {
    ++i;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ++i;
    std::size_t expDigits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

double numberOf(const store::Value& v) {
  return v.type() == store::Value::Type::Text ? leadingNumber(v.asText()) : v.asDouble();
}

bool isWholeNumberField(schema::FieldType type) {
  return type == schema::FieldType::Int32 || type == schema::FieldType::Day;
}

NoCaseNeedle::NoCaseNeedle(std::u16string_view needle) : folded_(lowerAscii(needle)) {}

bool NoCaseNeedle::occursIn(std::u16string_view haystack) const {
  if (haystack.empty()) return false;
  const std::size_t m = folded_.size();
  if (m == 0) return true;
  if (m > haystack.size()) return false;
  const char16_t first = folded_[0];
  const std::size_t last = haystack.size() - m;
  for (std::size_t i = 0; i <= last; ++i) {
    if (foldAscii(haystack[i]) != first) continue;
    std::size_t k = 1;
    while (k < m && foldAscii(haystack[i + k]) == folded_[k]) ++k;
    if (k == m) return true;
  }
  return false;
}

const schema::Field* catalogueField(const schema::Table& table, std::u16string_view name) {
  std::string ascii;
  ascii.reserve(name.size());
  for (char16_t c : name) {
    if (c == 0 || c > 0x7F) return nullptr;
    ascii.push_back(static_cast<char>(c));
  }
  return table.field(ascii);
}

FieldTest::FieldTest(const schema::Table& table, const Condition& c)
    : op_(c.op),
      value_(c.value),
      needle_(c.value),
      number_(leadingNumber(c.value)),
      whole_(plainWholeNumber(c.value)) {
  const schema::Field* f = catalogueField(table, c.field);
  if (!f) return;
  bool fits = false;
  switch (op_) {
    case Op::Equal:
    case Op::NotEqual:
      fits = true;
      break;
    case Op::Greater:
    case Op::Less:
    case Op::AtLeast:
    case Op::AtMost:
      fits = isWholeNumberField(f->type) && isNumberText(value_);
      break;
    case Op::Contains:
    case Op::NotContains:
      fits = f->type == schema::FieldType::Text;
      break;
    case Op::Invalid:
      break;
  }
  if (fits) field_ = f;
}

bool FieldTest::operator()(const store::Value& v) const {
  if (!field_ || v.isNull()) return false;
  switch (op_) {
    case Op::Equal:
      if (v.type() == store::Value::Type::Integer) return whole_ && *whole_ == v.asInt();
      return v.asText() == value_;
    case Op::Greater:
      return numberOf(v) > number_;
    case Op::Less:
      return numberOf(v) < number_;
    case Op::AtLeast:
      return numberOf(v) >= number_;
    case Op::AtMost:
      return numberOf(v) <= number_;
    case Op::NotEqual:
      return numberOf(v) != number_;
    case Op::Contains:
      return needle_.occursIn(v.asText());
    case Op::NotContains:
      return !needle_.occursIn(v.asText());
    case Op::Invalid:
      break;
  }
  return false;
}

}  // namespace tav::server::conditions
