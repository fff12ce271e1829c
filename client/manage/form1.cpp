// Main window: panels and their chooser, help and about, Timer1, the
// disconnect, the stop command, the reset and the window's close.
#include "client/manage/form1.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>

#include "client/common/frmsplash.h"
#include "client/common/helpdoc.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/manage/grantspanel.h"
#include "client/manage/infopanel.h"
#include "client/manage/loginform.h"
#include "client/manage/managestate.h"
#include "client/manage/ownaccount.h"
#include "client/manage/proposals.h"
#include "client/manage/userspanel.h"
#include "ui_form1.h"

// The icons live in the library; a static library's resources are
// registered by hand.
static void registerManageResources() { Q_INIT_RESOURCE(manage); }

namespace tav::manage {

using namespace tav::client;

Form1::Form1(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::Form1>()) {
  registerManageResources();
  setProgramTitle(QStringLiteral("TAVsuper"));
  ui->setupUi(this);
  setCentralWidget(ui->clientArea);
  setAttribute(Qt::WA_QuitOnClose);
  appFolder = appPath();

  QWidget* area = ui->clientArea;
  fraShow_ = new InfoPanel(area);
  frmPer_ = new OwnAccount(area);
  frmUse_ = new UsersPanel(area);
  frmSugnU_ = new SugnUPanel(area);
  frmSugcU_ = new SugcUPanel(area);
  frmSugMan_ = new SugManPanel(area);
  frmImp_ = new GrantsPanel(area);
  const QRect place(ui->frmAlls->x() + 6, ui->frmAlls->y() + 20, ui->frmAlls->width() - 12,
                    ui->frmAlls->height() - 26);
  for (ManagePanel* p : findChildren<ManagePanel*>()) {
    p->setGeometry(place);
    p->hide();
  }
  ui->frmAlls->lower();
  ui->Frame1->hide();

  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer1_.setInterval(1000);
  connect(&timer1_, &QTimer::timeout, this, &Form1::Timer1_Timer);
  session().takeWindow(&timer1_, [this](const QString& t) { ui->LabSta->setText(t); });

  connect(ui->LinkSer, &QAction::triggered, this, &Form1::LinkSer_Click);
  connect(ui->Unlink, &QAction::triggered, this, &Form1::Unlink_Click);
  connect(ui->pispla, &QAction::triggered, this, &Form1::pispla_Click);
  connect(ui->abouts, &QAction::triggered, this, &Form1::abouts_Click);
  connect(frmPer_->unloadsv(), &QPushButton::clicked, this, &Form1::unloadsv_Click);

  // The sub-options lie inside the chooser: without groups of their own the
  // two sets would exclude each other.
  auto* panels = new QButtonGroup(this);
  for (QRadioButton* o : {ui->OptUse, ui->OptSug, ui->OptImp, ui->OptPer, ui->Optshow}) panels->addButton(o);
  auto* kinds = new QButtonGroup(this);
  for (QRadioButton* o : {ui->SugnU, ui->SugcU, ui->SugMan}) kinds->addButton(o);

  // An option acts when it becomes selected.
  auto onSelect = [this](QRadioButton* option, auto action) {
    connect(option, &QRadioButton::toggled, this, [action](bool on) {
      if (on) action();
    });
  };
  onSelect(ui->OptUse, [this] { showPanel(frmUse_, QStringLiteral("用户管理")); });
  onSelect(ui->OptImp, [this] { showPanel(frmImp_, QStringLiteral("授权管理")); });
  onSelect(ui->OptPer, [this] { showPanel(frmPer_, QStringLiteral("个人管理")); });
  onSelect(ui->Optshow, [this] { showPanel(fraShow_, QStringLiteral("显示信息")); });
  onSelect(ui->OptSug, [this] { chooseProposals(); });
  for (QRadioButton* sub : {ui->SugnU, ui->SugcU, ui->SugMan})
    onSelect(sub, [this] {
      if (ui->OptSug->isChecked()) chooseProposals();
    });

  // Logged out at start; the login shows the chooser and its frame.
  ui->Frame5->hide();
  ui->frmAlls->hide();
  setLoggedOnIcon(false);
}

Form1::~Form1() { session().leaveWindow(&timer1_); }

QLabel* Form1::LabSta() const { return ui->LabSta; }

bool Form1::placeOnScreen(const QRect& available) {
  adjustSize();
  auto place = placeWindow(available, size());
  if (!place) return false;
  move(place->topLeft());
  return true;
}

void Form1::setLoggedOnIcon(bool on) {
  setWindowIcon(QIcon(on ? QStringLiteral(":/manage/102.png") : QStringLiteral(":/manage/101.png")));
}

void Form1::showPanel(ManagePanel* p, const QString& caption) {
  if (frmtem_ && frmtem_ != p) frmtem_->hide();
  p->show();
  p->raise();
  ui->frmAlls->setTitle(caption);
  frmtem_ = p;
  ui->Frame1->setVisible(p == frmSugnU_ || p == frmSugcU_ || p == frmSugMan_);
}

void Form1::chooseProposals() {
  if (ui->SugcU->isChecked())
    showPanel(frmSugcU_, QStringLiteral("提议管理-更改用户"));
  else if (ui->SugnU->isChecked())
    showPanel(frmSugnU_, QStringLiteral("提议管理-新建用户"));
  else
    showPanel(frmSugMan_, QStringLiteral("提议管理-管理员"));
}

void Form1::pispla_Click() {
  openHelpDocument(appFolder, QStringLiteral("文件：TAVreadme.doc没有关联的应用程序"));
}

void Form1::abouts_Click() {
  FrmSplash about(QStringLiteral("TAVsuper"), QString(), this);
  about.makeAbout();
  about.exec();
}

void Form1::LinkSer_Click() {
  FrmLogin form(this);
  form.txtUserName()->setCurrentIndex(static_cast<int>(QRandomGenerator::global()->bounded(3)));
  form.exec();
}

void Form1::Timer1_Timer() {
  Session& s = session();
  // A window whose session another window has taken reads nothing: the
  // bytes waiting there belong to that window's exchange.
  if (!s.pollsWith(&timer1_)) return;
  Push p = pollPush(s);
  switch (p.kind) {
    case Push::Nothing: break;
    case Push::Close: resetLogoff(); break;
    case Push::Lost:
      resetLogoff();
      critical(QStringLiteral("网络连接异常中止!"));
      break;
    case Push::Message:
      // No second poll while the message is on the screen.
      s.setTimerEnabled(false);
      inform(QStringLiteral("从服务器发来的消息：\r\n") + p.text);
      if (s.loggedOn && !s.reqBusy) s.setTimerEnabled(true);
      break;
  }
}

bool Form1::knockToLeave() {
  Session& s = session();
  // Like every request: never a knock in the middle of another exchange.
  if (!s.idle()) return false;
  s.setTimerEnabled(false);
  s.reqBusy = true;
  Exchange knock(s, manageTexts());  // its knock only: the status line stays
  if (knock.knock()) return true;
  s.setStatus(s.readyText());
  s.setTimerEnabled(true);
  s.reqBusy = false;
  return false;
}

void Form1::Unlink_Click() {
  if (!knockToLeave()) return;
  session().send(u"CLOSE!");
  resetLogoff();
}

void Form1::unloadsv_Click() {
  if (!knockToLeave()) return;
  frmPer_->Text4()->clear();
  session().send(u"UNLOAD");
  resetLogoff();
}

void Form1::resetLogoff() {
  Session& s = session();
  s.setTimerEnabled(false);
  s.loggedOn = false;
  s.sock.close();
  setWindowTitle(QStringLiteral(" TAVsuper(未登录)"));
  ui->Unlink->setVisible(false);
  ui->LinkSer->setVisible(true);
  setLoggedOnIcon(false);
  ui->Frame5->hide();
  if (frmtem_) frmtem_->hide();
  ui->frmAlls->hide();
  for (ManagePanel* p : findChildren<ManagePanel*>()) p->logoff();
  ManageTables& t = tables();
  t.userList.clear();
  t.userPicked = 0;
  t.userListLoaded = false;
  s.reqBusy = false;
  emit loggedOff();
}

void Form1::closeEvent(QCloseEvent* e) {
  if (leaveOnClose(session()))
    e->accept();
  else
    e->ignore();
}

}  // namespace tav::manage
