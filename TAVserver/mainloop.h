// The main loop: admission, polling, expiry and the daily trigger.
#pragma once

namespace tav::server {
struct Server;

// Runs until "UNLOAD" has been served.
void runMainLoop(Server& S);

// Sets the next daily-job time to 03:04:19 of the day after today.
void scheduleNextJob(Server& S);

}  // namespace tav::server
