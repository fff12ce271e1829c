// The user panel frmUse: the picked user's current values (row 0, read
// only), the new values of a proposed change (row 1) and a proposed new
// user (row 2); the picker "用户框" fetches the user list once a connection.
#pragma once
#include <QStringList>
#include <array>
#include <memory>

#include "client/manage/managepanel.h"

namespace Ui {
class frmUse;
}

class QLineEdit;
class QListWidget;
class QCheckBox;

namespace tav::manage {

class UsersPanel : public ManagePanel {
  Q_OBJECT
 public:
  explicit UsersPanel(QWidget* parent = nullptr);
  ~UsersPanel() override;

  void UseAlls_Click();     // the user list ("LISUSE" once) and the picker
  void usecopyall_Click();  // row 0 into row 1
  void useaddnew_Click();   // "ADDUSE"
  void usesetpow_Click();   // "USESET"
  // Takes user `index` (from 1) of the user list into row 0.
  void pick(int index);
  // The login's tables into the choice lists of rows 1 and 2.
  void fillTables();
  void logoff() override;

 private:
  int32_t selectedMask(QListWidget* list, bool rights) const;

  std::unique_ptr<Ui::frmUse> ui;
  std::array<QLineEdit*, 3> useid_{}, usename_{}, pswd_{};
  std::array<QListWidget*, 3> userig_{}, usetype_{};
  std::array<QCheckBox*, 2> usecand_{};
};

}  // namespace tav::manage
