// The panel of the equipment list.
#include "client/user/fraequip.h"

#include <QMenu>
#include <QPushButton>

#include "client/user/frmmain.h"
#include "client/user/grid.h"
#include "ui_fraequip.h"

namespace tav::user {

namespace {

GridSource equSource(Lists& l) {
  GridSource s;
  s.count = [&l] { return static_cast<int>(l.equRecords.size()); };
  s.text = [&l](int record, int column) {
    return l.equRecords[static_cast<std::size_t>(record) - 1].Props(column).toString();
  };
  s.checked = [&l](int record) { return l.equRecords[static_cast<std::size_t>(record) - 1].checked; };
  s.setChecked = [&l](int record, bool on) { l.equRecords[static_cast<std::size_t>(record) - 1].checked = on; };
  s.top = &l.equTop;
  s.sel = &l.equSel;
  s.rows = &l.equRows;
  return s;
}

}  // namespace

FraEquip::FraEquip(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraEquip>()) {
  ui->setupUi(this);
  grid_ = new ListGrid(equGridSpec(), equSource(main->lists()), this);
  grid_->move(8, 8);
  connect(grid_, &ListGrid::popupAt, this, [this](const QPoint& at) { main_->popmn()->popup(at); });
}

FraEquip::~FraEquip() = default;

QScrollBar* FraEquip::vBar() const { return grid_->vBar(); }
QScrollBar* FraEquip::hBar() const { return grid_->hBar(); }

void FraEquip::logoff() {
  grid_->logoff();
  for (const char* name : {"EquipDetail", "Equsort"})
    if (auto* b = findChild<QPushButton*>(QLatin1String(name))) b->setEnabled(false);
}

void FraEquip::VScEqu_Change() { grid_->change(); }

void FraEquip::showFilledList() {
  grid_->showFilled();
  const bool any = !main_->lists().equRecords.empty();
  for (const char* name : {"EquipDetail", "Equsort"})
    if (auto* b = findChild<QPushButton*>(QLatin1String(name))) b->setEnabled(any);
  if (main_->lists().equPickMode)
    if (auto* b = findChild<QPushButton*>(QStringLiteral("Equ_Submit"))) b->setEnabled(any);
}

void FraEquip::repaintRecord(int recordNo) { grid_->repaintRecord(recordNo); }

void FraEquip::startPicking() {
  if (auto* b = findChild<QPushButton*>(QStringLiteral("Equ_Submit"))) b->setEnabled(main_->lists().equRows != 0);
  if (auto* b = findChild<QPushButton*>(QStringLiteral("Equ_Canc"))) b->setEnabled(true);
}

}  // namespace tav::user
