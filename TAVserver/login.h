// Admission of a new connection: greeting, login record, account checks.
#pragma once

namespace tav::server {
struct Server;

// Runs the login on slot n, whose slotSock holds the new connection. On
// return the slot either holds a live session or is free with its socket
// closed.
void checkLogin(Server& S, int n);

// Seeds the challenge generator (once, at start-up).
void seedChallenges();

}  // namespace tav::server
