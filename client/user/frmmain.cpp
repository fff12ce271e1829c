// Main window shell: load, panel switches, help and about, Timer1, the
// disconnect, the return to the logged-off state and the program's exit.
#include "client/user/frmmain.h"

#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>

#include "client/common/frmsplash.h"
#include "client/common/helpdoc.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/frabb.h"
#include "client/user/fracollection.h"
#include "client/user/export.h"
#include "client/user/fraequip.h"
#include "client/user/frmlogin.h"
#include "client/user/fraoneequ.h"
#include "client/user/fraperson.h"
#include "client/user/fraprewo.h"
#include "client/user/frarequ.h"
#include "client/user/frmsort.h"
#include "client/user/savedsearch.h"
#include "client/user/fraworko.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"
#include "ui_frmmain.h"

namespace tav::user {

using namespace tav::client;

FrmMain::FrmMain(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::frmMain>()) {
  ui->setupUi(this);
  setCentralWidget(ui->clientArea);
  setAttribute(Qt::WA_QuitOnClose);
  setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));

  // The panels lie in front of FraAlls, all at one place.
  QWidget* area = ui->clientArea;
  fraRequ_ = new FraRequ(this, area);
  fraWorkO_ = new FraWorkO(this, area);
  fraOneEqu_ = new FraOneEqu(this, area);
  fraEquip_ = new FraEquip(this, area);
  fraCollection_ = new FraCollection(this, area);
  fraPreWO_ = new FrapreWO(this, area);
  fraBb_ = new FraBb(this, area);
  fraPerson_ = new FraPerson(this, area);
  for (Panel* p : {static_cast<Panel*>(fraRequ_), static_cast<Panel*>(fraWorkO_), static_cast<Panel*>(fraOneEqu_),
                   static_cast<Panel*>(fraEquip_), static_cast<Panel*>(fraCollection_),
                   static_cast<Panel*>(fraPreWO_), static_cast<Panel*>(fraBb_), static_cast<Panel*>(fraPerson_)}) {
    p->setGeometry(88, 16, 913, 633);
    p->hide();
  }
  ui->FraAlls->lower();
  ui->FraAll->hide();
  ui->FraAlls->hide();
  ui->LabStat->raise();
  ui->FraAlls->setAccessibleName(QString());

  popmn_ = new QMenu(QStringLiteral("zz"), this);
  popmn_->setObjectName(QStringLiteral("popmn"));
  pop1_ = popmn_->addAction(QStringLiteral("导出列表到Excel"));
  pop1_->setObjectName(QStringLiteral("pop1"));
  connect(pop1_, &QAction::triggered, this, [this] { exportList(*this); });
  FrmSort::connectOpeners(this);
  connectSavedSearches(this);

  wheel_ = new WheelRouter(this, this);
  qApp->installEventFilter(wheel_);
  oFrame_ = fraEquip_;
  wheel_->curVScroll = fraEquip_->vBar();
  wheel_->curHScroll = fraEquip_->hBar();

  timer1_.setObjectName(QStringLiteral("Timer1"));
  timer1_.setInterval(1000);
  connect(&timer1_, &QTimer::timeout, this, &FrmMain::Timer1_Timer);
  session().takeWindow(&timer1_, [this](const QString& t) { ui->LabStat->setText(t); });

  connect(ui->LinkSer, &QAction::triggered, this, &FrmMain::LinkSer_Click);
  connect(ui->Unlink, &QAction::triggered, this, &FrmMain::Unlink_Click);
  connect(ui->displa, &QAction::triggered, this, [] {
    openHelpDocument(appPath(), QStringLiteral("文件：TAVreadme.doc没有关联的应用程序可以打开"));
  });
  connect(ui->abouts, &QAction::triggered, this, [this] {
    FrmSplash about(QStringLiteral("TAVuser"), QString(), this);
    about.makeAbout();
    about.exec();
  });

  struct Switch {
    QPushButton* button;
    Panel* panel;
    QString caption;
    bool endsPicking;
  };
  const Switch switches[] = {
      {ui->require, fraRequ_, QStringLiteral("创建工单"), false},
      {ui->list, fraWorkO_, QStringLiteral("工单列表"), false},
      {ui->report, fraOneEqu_, QStringLiteral("增加设备"), false},
      {ui->equip, fraEquip_, QStringLiteral("设备列表"), true},
      {ui->Routes, fraCollection_, QStringLiteral("设备集合"), true},
      {ui->PreOrder, fraPreWO_, QStringLiteral("预备工单"), true},
      {ui->baobiao, fraBb_, QStringLiteral("制作报表"), true},
      {ui->personal, fraPerson_, QStringLiteral("个人设定"), false},
  };
  for (const auto& s : switches)
    connect(s.button, &QPushButton::clicked, this, [this, s] { showPanel(s.panel, s.caption, s.endsPicking); });
}

FrmMain::~FrmMain() { session().leaveWindow(&timer1_); }

QLabel* FrmMain::LabStat() const { return ui->LabStat; }

QPushButton* FrmMain::optionButton(const char* name) const {
  return ui->FraAll->findChild<QPushButton*>(QLatin1String(name));
}

bool FrmMain::placeOnScreen(const QRect& available) {
  auto place = placeWindow(available, ui->clientArea->minimumSize());
  if (!place) return false;
  adjustSize();
  move(place->topLeft());
  return true;
}

void FrmMain::showPanel(Panel* p, const QString& caption, bool endsPicking) {
  if (oFrame_) oFrame_->hide();
  p->show();
  if (endsPicking) lists_.equPickMode = false;
  ui->FraAlls->setTitle(caption);
  oFrame_ = p;
  wheel_->curVScroll = p->vBar();
  wheel_->curHScroll = p->hBar();
  for (QPushButton* b : ui->FraAll->findChildren<QPushButton*>())
    if (b->isChecked() != (b->text() == caption)) b->setChecked(b->text() == caption);
  p->shown();
}

void FrmMain::bringPanel(Panel* p, QScrollBar* v, QScrollBar* h) {
  if (oFrame_ && oFrame_ != p) oFrame_->hide();
  p->show();
  p->raise();
  oFrame_ = p;
  wheel_->curVScroll = v;
  wheel_->curHScroll = h;
}

void FrmMain::setLoggedOnIcon(bool on) {
  setWindowIcon(QIcon(on ? QStringLiteral(":/icons/102.png") : QStringLiteral(":/icons/101.png")));
}

void FrmMain::LinkSer_Click() {
  FrmLogin form(this);
  form.exec();
}

void FrmMain::Timer1_Timer() {
  // A window whose session another window has taken reads nothing: the
  // bytes waiting there belong to that window's exchange.
  if (!session().pollsWith(&timer1_)) return;
  Push p = pollPush(session());
  switch (p.kind) {
    case Push::Nothing: break;
    case Push::Close: resetLogoff(); break;
    case Push::Lost:
      resetLogoff();
      critical(QStringLiteral("网络连接异常中止!"));
      break;
    case Push::Message: inform(QStringLiteral("从服务器发来的消息：\r\n") + p.text); break;
  }
}

void FrmMain::Unlink_Click() {
  Session& s = session();
  if (!s.idle()) return;
  s.setTimerEnabled(false);
  s.reqBusy = true;
  int r = s.knockServer();
  if (r != 1) {
    if (r == 2)
      inform(QStringLiteral("服务器正忙，请稍后再试。"));
    else if (r == 3)
      critical(QStringLiteral("错误的回复!"));
    else
      critical(QStringLiteral("回复超时!"));
    s.setTimerEnabled(true);
    s.reqBusy = false;
    return;
  }
  s.send(u"CLOSE!");
  s.reqBusy = false;
  resetLogoff();
}

void FrmMain::resetLogoff() {
  Session& s = session();
  s.setTimerEnabled(false);
  s.loggedOn = false;
  s.sock.close();
  ui->Unlink->setVisible(false);
  ui->LinkSer->setVisible(true);
  setLoggedOnIcon(false);
  setWindowTitle(QStringLiteral("TAVuser(未登录)"));
  ui->FraAll->hide();
  if (oFrame_) oFrame_->hide();
  ui->FraAlls->hide();
  ui->require->setAutoExclusive(false);
  ui->require->setChecked(false);
  ui->require->setAutoExclusive(true);

  lists_.woRecords.clear();
  lists_.equRecords.clear();
  lists_.woRows = lists_.equRows = 0;
  lists_.woSel = lists_.equSel = 0;
  for (Panel* p : findChildren<Panel*>()) p->logoff();
  if (frmSort) frmSort->close();
  if (frmAdvance) frmAdvance->close();
  emit loggedOff();
}

void FrmMain::closeEvent(QCloseEvent* e) {
  if (leaveOnClose(session()))
    e->accept();
  else
    e->ignore();
}

}  // namespace tav::user
