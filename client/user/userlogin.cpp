// Connecting and logging in: the greeting, the login record, the reply
// words, the knock and the start-of-session tables ("MYGRAD").
#include <QApplication>
#include <QCursor>
#include <QLabel>

#include "client/common/clock.h"
#include "client/common/loginsteps.h"
#include "client/common/notifier.h"
#include "client/user/frmlogin.h"
#include "client/user/frmmain.h"
#include "client/user/gradereply.h"
#include "client/user/frarequ.h"
#include "client/user/usertables.h"
#include "protocol/login.h"
#include "protocol/netio.h"
#include "ui_frmmain.h"

namespace tav::user {

using namespace tav::client;

namespace {

struct Hourglass {
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { release(); }
  void release() {
    if (on) QApplication::restoreOverrideCursor();
    on = false;
  }
  bool on = true;
};

}  // namespace

void FrmMain::login(FrmLogin* form, const QString& id, const QString& typedPassword) {
  const QString password = typedPassword.left(16);
  if (!passwordIsAscii(password)) {
    inform(QStringLiteral("密码含有非法符号"));
    return;
  }
  Session& s = session();
  s.reqBusy = true;
  form->hide();
  pumpEvents();
  ui->LinkSer->setEnabled(false);
  Hourglass hourglass;
  s.setStatus(QStringLiteral(" TAVuser - 正在连接服务器，请稍候"));

  // The common end of a failure before the tables arrive.
  auto fail = [&](Icon icon, const QString& text) {
    s.sock.close();
    hourglass.release();
    ui->Unlink->setVisible(false);
    ui->LinkSer->setVisible(true);
    if (!text.isEmpty()) notifier().show(icon, programTitle(), text);
    ui->LinkSer->setEnabled(true);
    s.setStatus(s.readyText());
    s.reqBusy = false;
    form->accept();
  };

  RecordSent sent = sendLoginRecord(s, serverAddr, TagUser, id, password);
  if (!sent.ok) return fail(sent.icon, sent.message);

  ExchangeTexts lt;
  lt.wordTimeout = QStringLiteral("远程服务器响应超时");
  const std::vector<ReplyWord> words = {
      {std::u16string(ReplyAccepted), false, true},  {std::u16string(ReplyWrongVer), false, false},
      {std::u16string(ReplyWrongUser), false, false}, {std::u16string(ReplyWrongPswd), false, true},
      {std::u16string(ReplyLocked), false, false},    {std::u16string(ReplyFreezed), false, false},
  };
  // A refusal ends the login with its message; the time-out shows its own.
  auto reply = s.readWord(words, lt);
  if (!reply.ok()) return fail(Icon::Critical, QString());
  switch (reply.index) {
    case 0: break;
    case 1: return fail(Icon::Information, QStringLiteral("该版本已停用，请向管理员索要新版"));
    case 2: return fail(Icon::Information, QStringLiteral("无此用户"));
    case 3:
      return fail(Icon::Information,
                  QStringLiteral("密码错误! \r\n该登录名属于 ") + qs(std::u16string_view(reply.text).substr(9)));
    case 4: return fail(Icon::Information, QStringLiteral("该账户的密码连错达规定次数，已被服务器暂时锁定"));
    default: return fail(Icon::Information, QStringLiteral("你的账户已被冻结或尚未启用，请联系管理员。"));
  }

  // Accepted.
  ui->LinkSer->setVisible(false);
  ui->Unlink->setVisible(true);
  hourglass.release();
  if (reply.text.size() >= 8 && reply.text.substr(reply.text.size() - 8) == u"HAVEIMPW")
    inform(QStringLiteral("你有新到的授权。\r\n关于授权的详细情况可点击“个人设定”查看。"));
  pumpEvents();

  // The knock and the start-of-session tables; a failure here leaves no
  // half-logged-on window.
  auto lost = [&](const QString& text) {
    s.sock.close();
    ui->Unlink->setVisible(false);
    ui->LinkSer->setVisible(true);
    if (!text.isEmpty()) critical(text);
    ui->LinkSer->setEnabled(true);
    s.setStatus(s.readyText());
    s.reqBusy = false;
    form->accept();
  };
  s.knockSeconds = ioSeconds();
  int k = s.knockServer();
  s.knockSeconds = halfIoSeconds();
  if (k == 2) return lost(QStringLiteral("服务器忙，请稍后再试"));
  if (k != 1) return lost(QStringLiteral("服务器回复不正常！可能与网络有关。"));
  s.setStatus(QStringLiteral(" TAVuser - 正在初始化用户数据，请稍候"));
  ExchangeTexts gt;
  gt.listSleepMs = 20;
  gt.listTimeout = QStringLiteral("获取用户信息失败！可能与网络有关。");
  if (!s.send(u"MYGRAD")) return lost(gt.listTimeout);
  auto text = s.readList(gt);  // its time-out shows the failed fetch
  if (!text) return lost(QString());
  std::optional<UserTables> parsed = parseGradeReply(*text);
  if (!parsed) return lost(gt.listTimeout);

  const QString keptId = id;
  tables() = std::move(*parsed);
  tables().myID = keptId;
  tables().allRight = tables().rights();
  afterLogin();
  s.loggedOn = true;
  s.setTimerEnabled(true);
  s.reqBusy = false;
  form->accept();
  emit loggedOn();
}

void FrmMain::afterLogin() {
  ui->FraAll->show();
  setLoggedOnIcon(true);
  for (Panel* p : findChildren<Panel*>()) p->afterLogin();
  setWindowTitle(QStringLiteral("TAVuser(") + tables().myID + QLatin1Char(')'));
  ui->FraAlls->show();
  ui->require->setChecked(true);
  showPanel(fraRequ(), QStringLiteral("创建工单"), false);
  session().setStatus(session().readyText());
  ui->LinkSer->setEnabled(true);
}

}  // namespace tav::user
