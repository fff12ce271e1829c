// The user client's start-up: screen checks, the splash with its dots, the
// configuration file, the main window in the free desktop, the filters.
#pragma once
#include <memory>

#include "client/user/frmmain.h"

namespace tav::user {

// Runs the start-up up to the shown main window; nullptr when the program
// ends (its message has been shown). The splash stays `splashSeconds` at
// least (3.024 s in the program).
// `folder` holds TAVclient.ini (the program's folder).
std::unique_ptr<FrmMain> startUserClient(double splashSeconds, const QString& folder);

}  // namespace tav::user
