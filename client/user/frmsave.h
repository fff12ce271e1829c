// The settings form of one saved work-order search: up to eight condition
// rows, three sort keys and a name, stored with "WOSAVE" or cleared with
// "WODELE". Modal; each opening starts from the slot's stored contents.
#pragma once
#include <QDialog>
#include <string>

namespace tav::user {

class CondRows;
class FrmMain;
struct WOPreset;

class FrmSave : public QDialog {
  Q_OBJECT
 public:
  FrmSave(FrmMain* main, int slot);

  // WO_save(slot): the form for the slot, modal.
  static void open(FrmMain* main, int slot);

  int slot() const { return slot_; }
  CondRows* rows() const { return rows_; }
  bool busy() const { return busy_; }

  // The slot as the form holds it now.
  WOPreset preset() const;
  // The "WOSAVE" request of the form's contents.
  std::u16string request() const;

  void CmdOK_Click();
  void canDel_Click();
  void cmdcan_Click();

 public:
  // Escape and the close box: refused while the form's own request runs.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void load();

  FrmMain* main_;
  int slot_;
  CondRows* rows_;
  bool busy_ = false;
};

}  // namespace tav::user
