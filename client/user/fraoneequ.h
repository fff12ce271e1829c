// The panel of one piece of equipment: view, add and alter.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraOneEqu;
}

namespace tav::user {

class FraOneEqu : public Panel {
  Q_OBJECT
 public:
  FraOneEqu(FrmMain* main, QWidget* parent);
  ~FraOneEqu() override;

 private:
  std::unique_ptr<Ui::FraOneEqu> ui;
};

}  // namespace tav::user
