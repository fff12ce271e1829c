// Fuzz target: the condition language. The input is a request text; when
// it parses, the left-to-right verdict is held to the literal fold for
// record answers drawn from the input, and each condition's field test is
// run on values of every kind.
#include <string>
#include <vector>

#include "TAVserver/conditions.h"
#include "fuzz_check.h"
#include "protocol/wire.h"
#include "tests/conditions/literal_fold.h"

using namespace tav::server::conditions;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::u16string request =
      tav::fromUtf16le(std::string_view(reinterpret_cast<const char*>(data), size));
  const bool brackets = bracketsPass(request);
  auto conds = parseConditions(request, request.size() < 7 ? request.size() : 7);
  if (!conds) return 0;
  FUZZ_CHECK(!conds->empty());
  FUZZ_CHECK(conds->size() <= request.size());
  (void)brackets;

  // Answers for the conditions from the input's bytes, several rounds.
  for (std::size_t round = 0; round < 4; ++round) {
    std::vector<bool> answers(conds->size());
    for (std::size_t i = 0; i < answers.size(); ++i)
      answers[i] = (data[(i + round * 7) % size] >> (round % 8)) & 1;
    const bool fast = combine(*conds, [&](std::size_t i) { return bool(answers[i]); });
    FUZZ_CHECK(fast == literalfold::fold(literalfold::expression(*conds, answers)));
  }

  const tav::schema::Table* list = tav::schema::findTable(tav::schema::FileId::Records, "list");
  FUZZ_CHECK(list != nullptr);
  const tav::store::Value samples[] = {tav::store::Value(), tav::store::Value(0), tav::store::Value(-7),
                                       tav::store::Value(2147483647LL), tav::store::Value(45123.5),
                                       tav::store::Value(u""), tav::store::Value(u"oil pump 3"),
                                       tav::store::Value(u"07"), tav::store::Value(u"\xD800x")};
  for (const Condition& c : *conds) {
    FieldTest t(*list, c);
    for (const auto& v : samples) {
      bool r = t(v);
      if (!t.suits()) FUZZ_CHECK(!r);
      if (v.isNull()) FUZZ_CHECK(!r);
    }
  }
  return 0;
}
