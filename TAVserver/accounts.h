// Finding the account behind a session: the commands that act on the
// caller's own users record share this one lookup.
#pragma once

namespace tav::server {
struct Server;

// Stands `users` on the record of slot n's session; false when there is
// none. An administrator session never owns a users record, even when a
// user happens to bear the same ID as the administrator account.
bool findSessionUser(Server& S, int n);

}  // namespace tav::server
