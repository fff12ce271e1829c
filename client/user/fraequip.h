// The panel of the equipment list: its grid, the quick search, the way to
// the advanced search and to one equipment, and the pick for a work request.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraEquip;
}

namespace tav::user {

class ListGrid;

class FraEquip : public Panel {
  Q_OBJECT
 public:
  FraEquip(FrmMain* main, QWidget* parent);
  ~FraEquip() override;

  void logoff() override;
  QScrollBar* vBar() const override;
  QScrollBar* hBar() const override;

  // Repaints the grid's rows from the list (VScEqu_Change).
  void VScEqu_Change();
  // After a filler replaced the list: record 1 selected and shown first,
  // the rows counted, the vertical bar set, the grid repainted.
  void showFilledList();
  // Repaints the row of record `recordNo` (numbered from 1) when it shows.
  void repaintRecord(int recordNo);
  // Opened from the work request to pick its equipment: "选 定" usable
  // while the list holds rows, "取消" usable.
  void startPicking();

  // The grid: its boxes frmEquT_N, and its signals doubleClicked and
  // enterInBox for the equipment list's own handlers.
  ListGrid* grid() const { return grid_; }

  // The option button "设备列表": no equipment is being picked.
  void shown() override;

  void Equ_GoList_Click();
  void Equ_Advance_Click();
  void EquipDetail_Click();
  void Equ_Submit_Click();
  void Equ_Canc_Click();
  // A double click on a filled row: the pick while picking, else the detail.
  void Equ_MPic_DblClick();

 private:
  std::unique_ptr<Ui::FraEquip> ui;
  ListGrid* grid_;
};

}  // namespace tav::user
