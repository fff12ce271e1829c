// The base of the main window's panels: each one lies in the same place
// and empties its own controls when the window returns to logged out.
#pragma once
#include <QWidget>

namespace tav::manage {

class ManagePanel : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;
  // The panel's share of the return to the logged-out state.
  virtual void logoff() {}
};

}  // namespace tav::manage
