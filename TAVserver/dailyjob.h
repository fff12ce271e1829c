// The daily job: preventive work orders due tomorrow, Sunday backups, the
// yearly archive.
#pragma once

namespace tav::server {
struct Server;

void runDailyJob(Server& S);

}  // namespace tav::server

namespace tav::server {

// At start-up: every approved plan's next creation day is brought up to
// date (rewritten only where it differs).
void startupPlanPass(Server& S);

}  // namespace tav::server
