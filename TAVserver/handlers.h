// Every command handler the dispatcher's table names, by family.
#pragma once
#include <string_view>

namespace tav::server {
struct Server;

// Server information and control (control.cpp).
void handleUnload(Server& S, int n, std::u16string_view body);
void handleShowLog(Server& S, int n, std::u16string_view body);
void handleShowSlots(Server& S, int n, std::u16string_view body);
void handleAuthor(Server& S, int n, std::u16string_view body);

// Own password (ownpassword.cpp).
void handleRename(Server& S, int n, std::u16string_view body);

}  // namespace tav::server
