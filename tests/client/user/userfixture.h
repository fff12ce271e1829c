// A TAVuser main window against a real server in a temp folder.
#pragma once
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "client/user/frmlogin.h"
#include "client/user/frmmain.h"
#include "client/user/usertables.h"
#include "tests/client/support/clienttest.h"

namespace tavtest {

struct UserWindow {
  std::unique_ptr<tav::user::FrmMain> main;

  // Against a real server the window knocks again on a busy answer, as a
  // person would: the server stays busy a moment after each reply it sends
  // another connection of the test.
  explicit UserWindow(int port, int busyRetries = 50) : main(std::make_unique<tav::user::FrmMain>()) {
    main->serverAddr = {"127.0.0.1", port};
    tav::user::session().busyRetries = busyRetries;
    main->show();
  }
  // A scripted peer says "IAMBUS" only when the test wants to see it.
  explicit UserWindow(const ScriptedPeer& peer) : UserWindow(peer.port(), 0) {}
  ~UserWindow() { dropSession(tav::user::session(), main->Timer1()); }

  // Runs the login form's OK with these texts; true when logged on.
  bool login(const QString& id, const QString& password) {
    tav::user::FrmLogin form(main.get());
    form.findChild<QLineEdit*>(QStringLiteral("txtUserName"))->setText(id);
    form.findChild<QLineEdit*>(QStringLiteral("txtPassword"))->setText(password);
    form.CmdOK_Click();
    return tav::user::session().idle();
  }
};

// The server in a temp folder (default constants) with the given users.
struct UserServer {
  ServerDir dir;
  std::unique_ptr<ServerProcess> server;
  explicit UserServer(const std::function<void(ServerDir&)>& seed = {}, const Env& env = {}, bool demo = false)
      : dir(demo) {
    if (seed) seed(dir);
    server = std::make_unique<ServerProcess>(dir, env);
  }
  int port() const { return dir.port(); }
};

}  // namespace tavtest
