// The panel of the equipment list.
#include "client/user/fraequip.h"

#include <QPushButton>

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

void FraEquip::startPicking() {
  if (auto* b = findChild<QPushButton*>(QStringLiteral("Equ_Submit"))) b->setEnabled(main_->lists().equRows != 0);
  if (auto* b = findChild<QPushButton*>(QStringLiteral("Equ_Canc"))) b->setEnabled(true);
}

}  // namespace tav::user
