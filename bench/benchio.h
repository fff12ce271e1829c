// What the benchmark generator and driver share: the workload's fixed words
// (the searched phrases, the measuring account, the advanced search in both
// its wire form and its SQL form), the manifest the generator leaves beside
// the databases, and a monotonic clock.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tav::bench {

// The phrase that about one order in a hundred carries in its description:
// the quick search looks for it, and so does the advanced one.
inline constexpr std::u16string_view kQuickNeedle = u"液压油管爆裂";
// A cause that about one finished order in a hundred carries in `reason`.
inline constexpr std::u16string_view kReasonNeedle = u"油封唇口撕裂";

// The account the driver measures with: every right (1+2+4+8+16+32), trades
// fitter and electrician.
inline constexpr std::u16string_view kBenchUser = u"benchmgr";
inline constexpr std::u16string_view kBenchPassword = u"bench2026";
inline constexpr std::u16string_view kBenchName = u"性能测试";
inline constexpr std::int32_t kBenchRights = 63;
inline constexpr std::int32_t kBenchTrades = 3;

// One condition of the advanced search as the user client sends it.
struct Condition {
    std::u16string_view open, field, op, value, close, connector;
};

// Five conditions, two bracketed pairs, evaluated left to right:
//   (Description contains kQuickNeedle or reason contains kReasonNeedle)
//   and em_level >= 2
//   and (bill_type = "CM" or Status <> 32)
inline constexpr Condition kAdvancedConditions[] = {
    {u"(", u"Description", u"6", kQuickNeedle, u"", u"F"},
    {u"", u"reason", u"6", kReasonNeedle, u")", u"T"},
    {u"", u"em_level", u"3", u"2", u"", u"T"},
    {u"(", u"bill_type", u"0", u"CM", u"", u"F"},
    {u"", u"Status", u"5", u"32", u")", u"F"},
};

// The same predicate for the sqlite3 shell (a Null field makes its test
// false on both sides, as no NOT is involved).
std::string advancedPredicateSql();
// The quick search's predicate on `list`.
std::string quickPredicateSql();

// key=value lines, UTF-8.
using Manifest = std::map<std::string, std::string>;
inline constexpr std::string_view kManifestName = "bench.manifest";
void writeManifest(const std::string& path, const Manifest& m);
Manifest readManifest(const std::string& path);  // throws std::runtime_error
long long manifestInt(const Manifest& m, const std::string& key);

// Seconds on the monotonic clock.
double nowSeconds();

double median(std::vector<double> v);

}  // namespace tav::bench
