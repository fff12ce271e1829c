// The panel of the work-order list.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraWorkO;
}

namespace tav::user {

class FraWorkO : public Panel {
  Q_OBJECT
 public:
  FraWorkO(FrmMain* main, QWidget* parent);
  ~FraWorkO() override;

  // Repaints the grid's rows from the list (VScWO_Change).
  void VScWO_Change();
  // After a filler replaced the list: record 1 selected and shown first,
  // the rows counted, the vertical bar set, the grid repainted.
  void showFilledList();
  // Repaints the row of record `recordNo` (numbered from 1) when it shows.
  void repaintRecord(int recordNo);

 private:
  std::unique_ptr<Ui::FraWorkO> ui;
};

}  // namespace tav::user
