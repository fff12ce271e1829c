// Login form.
#include "client/user/frmlogin.h"

#include "client/user/frmmain.h"
#include "ui_frmlogin.h"

namespace tav::user {

FrmLogin::FrmLogin(FrmMain* main) : QDialog(main), ui(std::make_unique<Ui::frmLogin>()), main_(main) {
  ui->setupUi(this);
  ui->txtPassword->setAttribute(Qt::WA_InputMethodEnabled, false);
  ui->txtPassword->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
  connect(ui->CmdOK, &QPushButton::clicked, this, &FrmLogin::CmdOK_Click);
  connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

FrmLogin::~FrmLogin() = default;

void FrmLogin::CmdOK_Click() { main_->login(this, ui->txtUserName->text(), ui->txtPassword->text()); }

}  // namespace tav::user
