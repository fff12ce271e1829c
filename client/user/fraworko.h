// The panel of the work-order list: its grid with the quick-search boxes,
// the quick search, the advanced search's opener, the sort and detail
// buttons and the four saved searches.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraWorkO;
}

namespace tav::user {

class ListGrid;

class FraWorkO : public Panel {
  Q_OBJECT
 public:
  FraWorkO(FrmMain* main, QWidget* parent);
  ~FraWorkO() override;

  void afterLogin() override;
  void logoff() override;
  QScrollBar* vBar() const override;
  QScrollBar* hBar() const override;

  // Repaints the grid's rows from the list (VScWO_Change).
  void VScWO_Change();
  // After a filler replaced the list: record 1 selected and shown first,
  // the rows counted, the vertical bar set, the grid repainted.
  void showFilledList();
  // Repaints the row of record `recordNo` (numbered from 1) when it shows.
  void repaintRecord(int recordNo);

  ListGrid* grid() const { return grid_; }

  // "快速搜索": the current orders matching every filled box.
  void WO_Search_Click();
  // "高级搜索": a fresh advanced-search form for work orders.
  void WO_Adv_Click();
  // "查详细" and the grid's double click: the selected order in the request panel.
  void WO_Detail_Click();

 private:
  std::unique_ptr<Ui::FraWorkO> ui;
  ListGrid* grid_;
};

}  // namespace tav::user
