// The panel of preventive work orders.
#include "client/user/fraprewo.h"

#include "client/user/frmmain.h"
#include "ui_fraprewo.h"

namespace tav::user {

FrapreWO::FrapreWO(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FrapreWO>()) {
  ui->setupUi(this);
}

FrapreWO::~FrapreWO() = default;

}  // namespace tav::user
