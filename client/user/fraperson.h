// The panel of personal settings.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraPerson;
}

namespace tav::user {

class FraPerson : public Panel {
  Q_OBJECT
 public:
  FraPerson(FrmMain* main, QWidget* parent);
  ~FraPerson() override;

 private:
  std::unique_ptr<Ui::FraPerson> ui;
};

}  // namespace tav::user
