// The panel of work requests and the shown work order.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraRequ;
}

namespace tav::user {

class FraRequ : public Panel {
  Q_OBJECT
 public:
  FraRequ(FrmMain* main, QWidget* parent);
  ~FraRequ() override;

 private:
  std::unique_ptr<Ui::FraRequ> ui;
};

}  // namespace tav::user
