// The panel of work requests and the shown work order.
#include "client/user/frarequ.h"

#include "client/user/frmmain.h"
#include "ui_frarequ.h"

namespace tav::user {

FraRequ::FraRequ(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraRequ>()) {
  ui->setupUi(this);
}

FraRequ::~FraRequ() = default;

}  // namespace tav::user
