// The panel of the used-time report.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraBb;
}

namespace tav::user {

class FraBb : public Panel {
  Q_OBJECT
 public:
  FraBb(FrmMain* main, QWidget* parent);
  ~FraBb() override;

 private:
  std::unique_ptr<Ui::FraBb> ui;
};

}  // namespace tav::user
