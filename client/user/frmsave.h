// The settings form of one saved work-order search: up to eight condition
// rows, three sort keys and a name, stored with "WOSAVE" or cleared with
// "WODELE". Modal; each opening starts from the slot's stored contents.
#pragma once
#include <string>

#include "client/user/condrow.h"

namespace tav::user {

class FrmMain;

class FrmSave : public CondForm {
  Q_OBJECT
 public:
  FrmSave(FrmMain* main, int slot);

  // WO_save(slot): the form for the slot, modal.
  static void open(FrmMain* main, int slot);

  int slot() const { return slot_; }
  CondRows* rows() const { return rows_; }

  // The slot as the form holds it now.
  WOPreset preset() const;
  // The "WOSAVE" request of the form's contents.
  std::u16string request() const;

  void CmdOK_Click();
  void canDel_Click();
  void cmdcan_Click();

 private:
  void load();

  FrmMain* main_;
  int slot_;
  CondRows* rows_;
};

}  // namespace tav::user
