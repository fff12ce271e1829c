// The panel of the equipment list.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraEquip;
}

namespace tav::user {

class FraEquip : public Panel {
  Q_OBJECT
 public:
  FraEquip(FrmMain* main, QWidget* parent);
  ~FraEquip() override;

 private:
  std::unique_ptr<Ui::FraEquip> ui;
};

}  // namespace tav::user
