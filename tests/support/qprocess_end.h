// A QProcess child that ends with this process, as spawn()'s children do.
#pragma once
#include <QProcess>

#include "tests/support/process.h"

namespace tav::support {

// Call before start(); from the main thread only (see forkingParent).
inline void endWithThisProcess(QProcess& p) {
  const pid_t parent = forkingParent();
  p.setChildProcessModifier([parent] { endWithParent(parent); });
}

}  // namespace tav::support
