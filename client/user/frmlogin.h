// The login form: ID, password, OK and cancel. OK runs the main window's
// login; the form closes at its end on every path but a refused password.
#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class frmLogin;
}

namespace tav::user {

class FrmMain;

class FrmLogin : public QDialog {
  Q_OBJECT
 public:
  explicit FrmLogin(FrmMain* main);
  ~FrmLogin() override;
  void CmdOK_Click();

 private:
  std::unique_ptr<Ui::frmLogin> ui;
  FrmMain* main_;
};

}  // namespace tav::user
