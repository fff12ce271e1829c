// The panel of the used-time report.
#include "client/user/frabb.h"

#include "client/user/frmmain.h"
#include "ui_frabb.h"

namespace tav::user {

FraBb::FraBb(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraBb>()) {
  ui->setupUi(this);
}

FraBb::~FraBb() = default;

}  // namespace tav::user
