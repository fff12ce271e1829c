// Login form.
#include "client/manage/loginform.h"

#include <QLineEdit>

#include "client/manage/form1.h"
#include "ui_loginform.h"

namespace tav::manage {

FrmLogin::FrmLogin(Form1* main) : QDialog(main), ui(std::make_unique<Ui::frmLogin>()), main_(main) {
  ui->setupUi(this);
  ui->txtUserName->lineEdit()->setMaxLength(9);
  ui->txtUserName->setCurrentIndex(0);
  ui->txtPassword->setAttribute(Qt::WA_InputMethodEnabled, false);
  ui->txtPassword->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
  connect(ui->cmdOK, &QPushButton::clicked, this, &FrmLogin::cmdOK_Click);
  connect(ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

FrmLogin::~FrmLogin() = default;

QComboBox* FrmLogin::txtUserName() const { return ui->txtUserName; }
QLineEdit* FrmLogin::txtPassword() const { return ui->txtPassword; }

void FrmLogin::cmdOK_Click() { main_->login(this, ui->txtUserName->currentText(), ui->txtPassword->text()); }

}  // namespace tav::manage
