// The one clock the whole server reads, and the time-outs that tests may
// shorten through the environment (TAV_NOW, TAV_*_SECONDS).
#pragma once
#include <chrono>
#include <optional>

#include "protocol/daynum.h"

namespace tav::server {

using Steady = std::chrono::steady_clock;

// Local wall time as a day number with its fraction. With TAV_NOW set the
// clock starts at that local time and runs on in real time.
double now();
LocalDateTime nowLocal();
// Whole day number of now.
int32_t today();

// Reads TAV_NOW once; false when it is set but not "yyyy-MM-dd HH:mm:ss".
bool initClock();

struct TimeOuts {
  double sessionSeconds = 0.00694 * 86400;  // idle session expiry
  double lockSeconds = 0.00694 * 86400;     // lock-out after three wrong passwords
  std::optional<double> firstJobSeconds;    // first daily job after start-up
};
const TimeOuts& timeOuts();

// Converts seconds to the fraction-of-day unit stored in the databases.
inline double secondsToDays(double s) { return s / 86400.0; }

inline Steady::time_point steadyAfter(double seconds) {
  return Steady::now() + std::chrono::duration_cast<Steady::duration>(
                             std::chrono::duration<double>(seconds));
}

}  // namespace tav::server
