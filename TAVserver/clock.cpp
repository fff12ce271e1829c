// Server clock: real local time, shifted once by TAV_NOW when tests set it.
#include "TAVserver/clock.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

namespace tav::server {
namespace {

double offsetSeconds = 0;  // TAV_NOW minus the real clock at start-up

double envSeconds(const char* name) {
  const char* v = std::getenv(name);
  if (!v) return -1;
  char* end = nullptr;
  double d = std::strtod(v, &end);
  return (end != v && d >= 0) ? d : -1;
}

double realEpochSeconds() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

bool initClock() {
  const char* v = std::getenv("TAV_NOW");
  if (!v) return true;
  auto t = parseDateTime(v);
  if (!t) return false;
  offsetSeconds = static_cast<double>(timeTFromLocal(*t)) - realEpochSeconds();
  return true;
}

double now() {
  double epoch = realEpochSeconds() + offsetSeconds;
  double whole = std::floor(epoch);
  LocalDateTime lt = localFromTimeT(static_cast<time_t>(whole));
  return toDayTime(lt) + (epoch - whole) / 86400.0;
}

LocalDateTime nowLocal() {
  return localFromTimeT(static_cast<time_t>(std::floor(realEpochSeconds() + offsetSeconds)));
}

int32_t today() { return static_cast<int32_t>(std::floor(now())); }

const TimeOuts& timeOuts() {
  static const TimeOuts t = [] {
    TimeOuts r;
    if (double s = envSeconds("TAV_SESSION_SECONDS"); s >= 0) r.sessionSeconds = s;
    if (double s = envSeconds("TAV_LOCK_SECONDS"); s >= 0) r.lockSeconds = s;
    if (double s = envSeconds("TAV_FIRST_JOB_SECONDS"); s >= 0) r.firstJobSeconds = s;
    return r;
  }();
  return t;
}

}  // namespace tav::server
