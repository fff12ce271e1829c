// Own password, hand-over proposal and the access code of the stop button.
#include "client/manage/ownaccount.h"

#include "client/common/loginsteps.h"
#include "client/manage/managestate.h"
#include "ui_ownaccount.h"

namespace tav::manage {

using namespace tav::client;

OwnAccount::OwnAccount(QWidget* parent) : ManagePanel(parent), ui(std::make_unique<Ui::frmPer>()) {
  ui->setupUi(this);
  for (QLineEdit* box : {ui->perOld, ui->perNew1, ui->perNew2, ui->Text4})
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
  connect(ui->percmdchan, &QPushButton::clicked, this, &OwnAccount::percmdchan_Click);
  connect(ui->perNN, &QPushButton::clicked, this, &OwnAccount::perNN_Click);
  connect(ui->Text4, &QLineEdit::textChanged, this, &OwnAccount::Text4_Change);
}

OwnAccount::~OwnAccount() = default;

QPushButton* OwnAccount::unloadsv() const { return ui->unloadsv; }
QLineEdit* OwnAccount::Text4() const { return ui->Text4; }

void OwnAccount::percmdchan_Click() {
  // A new password the login could never send is no password at all.
  if (ui->perNew1->text() != ui->perNew2->text()) {
    inform(QStringLiteral("两个新密码必须相同!"));
    return;
  }
  if (!passwordIsAscii(ui->perNew1->text())) {
    inform(QStringLiteral("密码含有非法符号"));
    ui->perNew1->setFocus();
    return;
  }
  Exchange x(session(), manageTexts());
  if (!x.start(requestBody(u"RENAME", {cleanField(ui->perOld->text()), cleanField(ui->perNew1->text())})))
    return;
  auto r = x.word({{u"WRONGPW", true, false}, {u"CHANGED", true, false}});
  if (r.index == 0) {
    inform(QStringLiteral("旧密码错，修改不成功!"));
  } else if (r.index == 1) {
    inform(QStringLiteral("密码修改成功! 请牢记新密码。"));
    ui->perOld->clear();
    ui->perNew1->clear();
    ui->perNew2->clear();
  }
}

void OwnAccount::perNN_Click() {
  if (ui->perNewName->text().isEmpty()) {
    inform(QStringLiteral("接管人不可为空"));
    ui->perNewName->setFocus();
    return;
  }
  Exchange x(session(), manageTexts());
  if (!x.start(u"MYNAME" + cleanField(ui->perNewName->text()))) return;
  auto r = x.word({{u"IGOTIT", true, false}, {u"TOLONG", true, false}});
  if (r.index == 0)
    inform(proposalFiledText());
  else if (r.index == 1)
    inform(QStringLiteral("新姓名太长了，服务器不能接受，请使用短一点的!!"));
}

void OwnAccount::Text4_Change() {
  ui->unloadsv->setEnabled(ui->Text4->text().compare(QStringLiteral("58302"), Qt::CaseInsensitive) == 0);
}

void OwnAccount::logoff() { ui->perNewName->clear(); }

}  // namespace tav::manage
