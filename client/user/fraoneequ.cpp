// The panel of one piece of equipment: view, add and alter.
#include "client/user/fraoneequ.h"

#include "client/user/frmmain.h"
#include "ui_fraoneequ.h"

namespace tav::user {

FraOneEqu::FraOneEqu(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraOneEqu>()) {
  ui->setupUi(this);
}

FraOneEqu::~FraOneEqu() = default;

}  // namespace tav::user
