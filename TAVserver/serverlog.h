// The server's log: one UTF-16 text in memory, newest entry first, read by
// administrators with "SHOWTX"; never written to disk.
#pragma once
#include <string>
#include <string_view>

namespace tav::server {

class ServerLog {
 public:
  // Before each entry the older text is cut to its first 20,480 characters
  // (40,960 bytes), so the byte length always fits four hex digits.
  static constexpr std::size_t KeepChars = 20480;

  void start(std::u16string_view firstEntry) { text_ = firstEntry; }
  void add(std::u16string_view entry);
  const std::u16string& text() const { return text_; }

 private:
  std::u16string text_;
};

// "yyyy-M-d H:m:s" of a day number with fraction.
std::u16string logTime(double dayTime);

}  // namespace tav::server
