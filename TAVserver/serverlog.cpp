// Server log entries.
#include "TAVserver/serverlog.h"

#include "protocol/daynum.h"
#include "protocol/wire.h"

namespace tav::server {

void ServerLog::add(std::u16string_view entry) {
  std::u16string next;
  std::size_t keep = std::min(text_.size(), KeepChars);
  next.reserve(entry.size() + 2 + keep);
  next.append(entry);
  next.append(u"\r\n");
  next.append(text_, 0, keep);
  text_.swap(next);
}

std::u16string logTime(double dayTime) {
  return fromUtf8(formatLogTime(fromDayTime(dayTime)));
}

}  // namespace tav::server
