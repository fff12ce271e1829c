// The panel of the equipment list.
#include "client/user/fraequip.h"

#include "client/user/frmmain.h"
#include "ui_fraequip.h"

namespace tav::user {

FraEquip::FraEquip(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraEquip>()) {
  ui->setupUi(this);
}

FraEquip::~FraEquip() = default;

void FraEquip::VScEqu_Change() {}

void FraEquip::showFilledList() {}

void FraEquip::repaintRecord(int) {}

}  // namespace tav::user
