// A panel of the main window. The window shows one at a time; each panel
// adds its own share of the login (after the start-of-session tables are
// cut) and of the return to the logged-off state.
#pragma once
#include <QWidget>

class QScrollBar;

namespace tav::user {

class FrmMain;

class Panel : public QWidget {
  Q_OBJECT
 public:
  Panel(FrmMain* main, QWidget* parent) : QWidget(parent), main_(main) {}
  // The login's share of this panel, once the tables are filled.
  virtual void afterLogin() {}
  // The return to the logged-off state's share of this panel.
  virtual void logoff() {}
  // The scroll bars the mouse wheel moves while this panel shows.
  virtual QScrollBar* vBar() const { return nullptr; }
  virtual QScrollBar* hBar() const { return nullptr; }
  // The panel's own steps after its switch has shown it.
  virtual void shown() {}

 protected:
  FrmMain* main_;
};

}  // namespace tav::user
