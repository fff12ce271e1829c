// The panel of the work-order list.
#include "client/user/fraworko.h"

#include "client/user/frmmain.h"
#include "ui_fraworko.h"

namespace tav::user {

FraWorkO::FraWorkO(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraWorkO>()) {
  ui->setupUi(this);
}

FraWorkO::~FraWorkO() = default;

void FraWorkO::VScWO_Change() {}

void FraWorkO::showFilledList() {}

void FraWorkO::repaintRecord(int) {}

}  // namespace tav::user
