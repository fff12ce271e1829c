// The clients' one clock: local wall time as a day number with its fraction,
// shifted once by TAV_NOW ("yyyy-MM-dd HH:mm:ss") when tests set it, and
// deadlines on the steady clock, so a change of the wall clock never cuts
// or stretches a wait.
#pragma once
#include <chrono>

namespace tav::client {

// Local now in days since 1899-12-30 (TAV_NOW honoured).
double localNow();

// The wait of the knock and of the connection, half the silence deadline
// (5.0112 s, or half of TAV_IO_SECONDS).
double halfIoSeconds();

class Deadline {
 public:
  explicit Deadline(double seconds) { renew(seconds); }
  void renew(double seconds) {
    end_ = std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
  }
  bool passed() const { return std::chrono::steady_clock::now() > end_; }

 private:
  std::chrono::steady_clock::time_point end_;
};

}  // namespace tav::client
