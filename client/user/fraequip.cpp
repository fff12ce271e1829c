// The panel of the equipment list: its grid, the quick search, the way to
// the advanced search and to one equipment, and the pick for a work request.
#include "client/user/fraequip.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <array>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/equipment.h"
#include "client/user/fraoneequ.h"
#include "client/user/frarequ.h"
#include "client/user/frmadvance.h"
#include "client/user/frmmain.h"
#include "client/user/grid.h"
#include "client/user/listreply.h"
#include "client/user/usertables.h"
#include "ui_fraequip.h"

namespace tav::user {

using namespace tav::client;

FraEquip::FraEquip(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraEquip>()) {
  ui->setupUi(this);
  Lists& l = main->lists();
  grid_ = new ListGrid(equGridLayout(), listSource(l.equRecords, l.equTop, l.equSel, l.equRows), this);
  grid_->move(8, 8);
  connect(grid_, &ListGrid::popupAt, this, [this](const QPoint& at) { main_->popmn()->popup(at); });
  connect(grid_, &ListGrid::doubleClicked, this, &FraEquip::Equ_MPic_DblClick);
  connect(grid_, &ListGrid::enterInBox, this, &FraEquip::Equ_GoList_Click);
  connect(ui->Equ_GoList, &QPushButton::clicked, this, &FraEquip::Equ_GoList_Click);
  connect(ui->Equ_Advance, &QPushButton::clicked, this, &FraEquip::Equ_Advance_Click);
  connect(ui->EquipDetail, &QPushButton::clicked, this, &FraEquip::EquipDetail_Click);
  connect(ui->Equ_Submit, &QPushButton::clicked, this, &FraEquip::Equ_Submit_Click);
  connect(ui->Equ_Canc, &QPushButton::clicked, this, &FraEquip::Equ_Canc_Click);
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

void FraEquip::shown() {
  ui->Equ_Submit->setEnabled(false);
  ui->Equ_Canc->setEnabled(false);
}

void FraEquip::Equ_GoList_Click() {
  if (!session().idle()) return;
  std::array<QString, EquColumns> typed;
  for (int i = 1; i <= EquColumns; ++i) typed[static_cast<std::size_t>(i - 1)] = grid_->box(i)->text();
  const QuickSearch q = quickSearch(typed);
  if (q.badBox) {
    inform(badDateMessage(q.badBox == 9));
    grid_->box(q.badBox)->setFocus();
    return;
  }
  if (!q.anyBox &&
      !ask(QStringLiteral("没有设定搜索条件，这将从服务器获取全部设备的列表，可能很多，你要继续吗？")))
    return;
  Exchange ex(session(), familyTexts());
  if (!ex.start(q.body)) return;
  auto reply = ex.list();
  if (!reply) return;
  showEquList(*main_, readEquRecords(*reply));
}

void FraEquip::Equ_Advance_Click() { FrmAdvance::open(main_, FrmAdvance::Mode::Equipment); }

void FraEquip::Equ_MPic_DblClick() {
  if (ui->Equ_Submit->isEnabled())
    Equ_Submit_Click();
  else
    EquipDetail_Click();
}

namespace {

// The selected record of the list, or null while the list is empty.
const EquList* selectedEquipment(const Lists& l) {
  if (l.equSel < 1 || l.equSel > static_cast<int32_t>(l.equRecords.size())) return nullptr;
  return &l.equRecords[static_cast<std::size_t>(l.equSel) - 1];
}

}  // namespace

void FraEquip::EquipDetail_Click() {
  if (const EquList* e = selectedEquipment(main_->lists())) main_->fraOneEqu()->showRecord(*e);
}

void FraEquip::Equ_Submit_Click() {
  const EquList* e = selectedEquipment(main_->lists());
  if (!e) return;
  if (e->equip_use == 4) {
    inform(QStringLiteral("这是一台“已报废”的设备，不能选定"));
    return;
  }
  main_->fraRequ()->equipmentPicked(QString::number(e->equip_id), e->equip_locate + e->equip_name);
}

void FraEquip::Equ_Canc_Click() { main_->fraRequ()->returnFromPicking(); }

}  // namespace tav::user
