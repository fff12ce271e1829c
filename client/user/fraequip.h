// The panel of the equipment list.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraEquip;
}

namespace tav::user {

class FraEquip : public Panel {
  Q_OBJECT
 public:
  FraEquip(FrmMain* main, QWidget* parent);
  ~FraEquip() override;

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

 private:
  std::unique_ptr<Ui::FraEquip> ui;
};

}  // namespace tav::user
