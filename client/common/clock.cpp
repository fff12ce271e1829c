// Client clock: real local time, shifted once by TAV_NOW.
#include "client/common/clock.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "protocol/daynum.h"
#include "protocol/netio.h"

namespace tav::client {
namespace {

double realEpochSeconds() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

double offsetSeconds() {
  static const double offset = [] {
    const char* v = std::getenv("TAV_NOW");
    if (!v) return 0.0;
    auto t = parseDateTime(v);
    if (!t) return 0.0;
    return static_cast<double>(timeTFromLocal(*t)) - realEpochSeconds();
  }();
  return offset;
}

}  // namespace

double localNow() {
  double epoch = realEpochSeconds() + offsetSeconds();
  double whole = std::floor(epoch);
  LocalDateTime lt = localFromTimeT(static_cast<time_t>(whole));
  return toDayTime(lt) + (epoch - whole) / 86400.0;
}

double halfIoSeconds() { return ioSeconds() * (0.000058 / 0.00012); }

}  // namespace tav::client
