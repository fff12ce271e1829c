// The stepping of a preventive plan's creation day, shared by the plan's
// approval, the daily job and the start-up pass, so all three agree.
#pragma once
#include <cstdint>
#include <optional>

namespace tav::server {

// Plan periods as stored in `perio`.
enum Period : int32_t { PerDays = 1, PerWeeks = 2, PerMonths = 3, PerYears = 4 };

// A plan may be stepped only when `every` is a whole number from 1 to 999,
// `perio` is 1 to 4 and `begday` a day from 1900-01-01 to 9999-12-31.
bool validPlan(int32_t begday, double every, int32_t perio);

// The creation day that follows `today`: step the due day d from `begday`
// by `every` periods (yearly plans by one exact year, 29 February giving
// 1 March) while d - 2 < today; the creation day is d - 1. A month step
// that falls past a month's end takes its last day, and the next step goes
// on from there. nullopt for a plan that is not valid.
std::optional<int32_t> nextCreationDay(int32_t begday, double every, int32_t perio, int32_t today);

}  // namespace tav::server
