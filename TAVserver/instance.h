// Single instance: an exclusive flock held on a lock file for the whole run
// (a crash releases it with the process).
#pragma once
#include <string>

namespace tav::server {

class InstanceLock {
 public:
  // The file named by TAV_LOCK_FILE, else /tmp/TAVserverOnlyOne.lock.
  static std::string defaultPath();
  // True when this process now holds the lock; false when another does.
  // A lock file that cannot be opened at all counts as held elsewhere.
  bool acquire(const std::string& path);
  void release();
  ~InstanceLock() { release(); }

 private:
  int fd_ = -1;
};

}  // namespace tav::server
