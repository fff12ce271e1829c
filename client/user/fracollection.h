// The panel of equipment collections.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraCollection;
}

namespace tav::user {

class FraCollection : public Panel {
  Q_OBJECT
 public:
  FraCollection(FrmMain* main, QWidget* parent);
  ~FraCollection() override;

 private:
  std::unique_ptr<Ui::FraCollection> ui;
};

}  // namespace tav::user
