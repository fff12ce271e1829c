// Single-instance lock file.
#include "TAVserver/instance.h"

#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace tav::server {

std::string InstanceLock::defaultPath() {
  if (const char* p = std::getenv("TAV_LOCK_FILE"); p && *p) return p;
  return "/tmp/TAVserverOnlyOne.lock";
}

bool InstanceLock::acquire(const std::string& path) {
  release();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace tav::server
