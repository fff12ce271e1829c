// The panel of personal settings.
#include "client/user/fraperson.h"

#include "client/user/frmmain.h"
#include "ui_fraperson.h"

namespace tav::user {

FraPerson::FraPerson(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraPerson>()) {
  ui->setupUi(this);
}

FraPerson::~FraPerson() = default;

}  // namespace tav::user
