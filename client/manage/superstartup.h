// The administration client's start-up: the screen's checks, the splash,
// the configuration file, the main window in the free desktop, the filter.
#pragma once
#include <QString>
#include <memory>

#include "client/manage/form1.h"

namespace tav::manage {

// Runs the start-up up to the shown main window; nullptr when the program
// ends (its message has been shown). `folder` holds TAVclient.ini.
std::unique_ptr<Form1> startManageClient(const QString& folder);

}  // namespace tav::manage
