// The panel of preventive work orders.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FrapreWO;
}

namespace tav::user {

class FrapreWO : public Panel {
  Q_OBJECT
 public:
  FrapreWO(FrmMain* main, QWidget* parent);
  ~FrapreWO() override;

 private:
  std::unique_ptr<Ui::FrapreWO> ui;
};

}  // namespace tav::user
