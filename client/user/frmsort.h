// The sort dialog: three key columns with their directions for the work-
// order list or the equipment list; its OK sorts through frmMain's datasort
// and leaves it open. One modeless window serves both lists.
#pragma once
#include <QDialog>
#include <array>
#include <memory>

namespace Ui {
class frmSort;
}

namespace tav::user {

class FrmMain;

class FrmSort : public QDialog {
  Q_OBJECT
 public:
  enum class For { WorkOrders, Equipment };

  // WOsort / Equsort: loads the window when it is not loaded, fills its
  // three lists with the list's captions and defaults, and shows it. An open
  // window keeps the directions chosen in it.
  static FrmSort* open(FrmMain* main, For list);
  // Connects the list panels' sort buttons (WOsort, Equsort) to open.
  static void connectOpeners(FrmMain* main);
  ~FrmSort() override;

  // The list Command1 sorts: "WORKO" or "ASSET".
  const QString& tag() const { return tag_; }
  // The chosen column of each key, numbered from 1.
  std::array<int, 3> keyColumns() const;
  std::array<bool, 3> ascending() const;

  void Command1_Click();

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  explicit FrmSort(FrmMain* main);
  void fill(For list);

  std::unique_ptr<Ui::frmSort> ui;
  FrmMain* main_;
  QString tag_;
};

}  // namespace tav::user
