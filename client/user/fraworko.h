// The panel of the work-order list.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraWorkO;
}

namespace tav::user {

class FraWorkO : public Panel {
  Q_OBJECT
 public:
  FraWorkO(FrmMain* main, QWidget* parent);
  ~FraWorkO() override;

 private:
  std::unique_ptr<Ui::FraWorkO> ui;
};

}  // namespace tav::user
