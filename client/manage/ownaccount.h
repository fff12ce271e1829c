// The own-account panel frmPer: the administrator's password, the proposal
// to hand this administrator identity over, and the access code that
// enables the stop button (whose click the main window handles).
#pragma once
#include <memory>

#include "client/manage/managepanel.h"

namespace Ui {
class frmPer;
}

class QPushButton;
class QLineEdit;

namespace tav::manage {

class OwnAccount : public ManagePanel {
  Q_OBJECT
 public:
  explicit OwnAccount(QWidget* parent = nullptr);
  ~OwnAccount() override;

  void percmdchan_Click();  // "RENAME"
  void perNN_Click();       // "MYNAME"
  void Text4_Change();
  void logoff() override;

  QPushButton* unloadsv() const;
  QLineEdit* Text4() const;

 private:
  std::unique_ptr<Ui::frmPer> ui;
};

}  // namespace tav::manage
