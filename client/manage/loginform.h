// The login form: one of the three administrator IDs (or a typed one of at
// most nine characters, the record holds Chr(14) and nine), the password,
// OK and cancel. OK runs the main window's login.
#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class frmLogin;
}

class QComboBox;
class QLineEdit;

namespace tav::manage {

class Form1;

class FrmLogin : public QDialog {
  Q_OBJECT
 public:
  explicit FrmLogin(Form1* main);
  ~FrmLogin() override;
  void cmdOK_Click();

  QComboBox* txtUserName() const;
  QLineEdit* txtPassword() const;

 private:
  std::unique_ptr<Ui::frmLogin> ui;
  Form1* main_;
};

}  // namespace tav::manage
