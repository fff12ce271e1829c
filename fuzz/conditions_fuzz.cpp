// libFuzzer target for the condition reader: any request text either is
// refused or yields a list whose verdict agrees with the literal text fold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "TAVserver/conditions.h"
#include "protocol/wire.h"
#include "tests/conditions/literal_fold.h"

using namespace tav::server::conditions;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string req = tav::fromUtf16le(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!bracketsPass(req)) return 0;
  const auto list = parseConditions(req, 0);
  if (!list) return 0;

  const auto& table = *tav::schema::findTable(tav::schema::FileId::Equipment, "equipment");
  const tav::store::Value samples[] = {tav::store::Value(), tav::store::Value(7), tav::store::Value(u"oil pump 3"),
                                       tav::store::Value(u"")};
  std::vector<bool> results(list->size());
  for (std::size_t i = 0; i < list->size(); ++i) {
    FieldTest test(table, (*list)[i]);
    results[i] = test(samples[i % 4]);
    if (!test.suits() && results[i]) std::abort();
  }
  const bool got = combine(*list, [&](std::size_t i) { return static_cast<bool>(results[i]); });
  if (got != literalfold::fold(literalfold::expression(*list, results))) std::abort();
  return 0;
}
