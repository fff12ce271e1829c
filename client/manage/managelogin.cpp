// Connecting and logging in: the greeting, the login record, the reply
// words, the knock and the rights and trades tables ("ALLGAT").
#include <QApplication>
#include <QLineEdit>

#include "client/common/clock.h"
#include "client/common/loginsteps.h"
#include "client/common/notifier.h"
#include "client/manage/form1.h"
#include "client/manage/infopanel.h"
#include "client/manage/loginform.h"
#include "client/manage/managestate.h"
#include "client/manage/userspanel.h"
#include "protocol/login.h"
#include "protocol/netio.h"
#include "ui_form1.h"

namespace tav::manage {

using namespace tav::client;

namespace {

const QString receiveError = QStringLiteral("从服务器接收数据有错误，可能与网络有关。");

}  // namespace

void Form1::login(FrmLogin* form, const QString& id, const QString& typedPassword) {
  const QString password = typedPassword.left(16);
  form->txtPassword()->setText(password);
  if (!passwordIsAscii(password)) {
    inform(QStringLiteral("密码含有非法符号"));
    return;
  }
  Session& s = session();
  s.reqBusy = true;
  form->hide();
  pumpEvents();
  ui->LinkSer->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool hourglass = true;
  auto pointerBack = [&] {
    if (hourglass) QApplication::restoreOverrideCursor();
    hourglass = false;
  };
  s.setStatus(QStringLiteral(" TAVsuper - 正在连接服务器，请稍候"));

  // The common end of every path, success included.
  auto end = [&] {
    pointerBack();
    ui->LinkSer->setEnabled(true);
    s.setStatus(s.readyText());
    form->accept();
    s.reqBusy = false;
  };
  // A failure before the server accepted: the socket closes, the window stays logged out.
  auto fail = [&](Icon icon, const QString& text) {
    s.sock.close();
    pointerBack();
    if (!text.isEmpty()) notifier().show(icon, programTitle(), text);
    end();
  };
  // A failure after it accepted: the session ends here, nothing half logged in stays.
  auto lost = [&](const QString& text) {
    pointerBack();
    resetLogoff();
    if (!text.isEmpty()) critical(text);
    end();
  };

  RecordSent sent = sendLoginRecord(s, serverAddr, TagSuper, QChar(AdminPrefix) + id, password);
  if (!sent.ok) return fail(sent.icon, sent.message);

  // The refusals are compared exactly; any other word means another server.
  ExchangeTexts lt = manageTexts();
  lt.wordTimeout = QStringLiteral("远程服务器响应超时");
  lt.common.clear();
  const std::vector<ReplyWord> words = {
      {std::u16string(ReplyAccepted), false, true},  {std::u16string(ReplyWrongVer), false, false},
      {std::u16string(ReplyWrongUser), false, false}, {std::u16string(ReplyLocked), false, false},
      {std::u16string(ReplyWrongPswd), false, false},
  };
  auto reply = s.readWord(words, lt);
  switch (reply.index) {
    case 0: break;
    case 1: return fail(Icon::Information, QStringLiteral("该版本已停用，请向管理员索要新版"));
    case 2: return fail(Icon::Information, QStringLiteral("无此用户"));
    case 3: return fail(Icon::Information, QStringLiteral("该账户的密码连错达规定次数，已被服务器暂时锁定"));
    case 4: return fail(Icon::Information, QStringLiteral("密码错误"));
    default:
      // An empty text is the time-out, whose message has been shown.
      if (reply.text.empty()) return fail(Icon::Critical, QString());
      return fail(Icon::Information, QStringLiteral("程序连上了一台错误的服务器，请检查配置文件的IP和端口"));
  }

  // Accepted.
  ui->LinkSer->setVisible(false);
  ui->Unlink->setVisible(true);
  setWindowTitle(QStringLiteral(" TAVsuper(") + id + QLatin1Char(')'));
  setLoggedOnIcon(true);
  pointerBack();
  if (reply.text.size() >= 16 && reply.text.substr(reply.text.size() - 8) == ReplyChangeMs)
    inform(QStringLiteral("其它管理员有某些提议需要你的态度!!\r\n关于提议的详细内容可点击“提议管理”查看。"));
  pumpEvents();

  int k = s.knockServer();
  if (k == 2) return lost(QStringLiteral("服务器忙，请稍后再试"));
  if (k != 1) return lost(QStringLiteral("服务器回复不正常！可能与网络有关。"));
  s.setStatus(QStringLiteral(" TAVsuper - 正在初始化用户数据，请稍候"));
  ExchangeTexts gt = manageTexts();
  gt.listTimeout = receiveError;
  if (!s.send(u"ALLGAT")) return lost(receiveError);
  auto text = s.readList(gt);  // its time-out shows the message
  if (!text) return lost(QString());
  auto parsed = parseConstList(*text);
  if (!parsed) return lost(receiveError);

  ManageTables& t = tables();
  t.rightList = std::move(parsed->rights);
  t.typeList = std::move(parsed->trades);
  frmUse_->fillTables();
  ui->frmAlls->show();
  ui->Frame5->show();
  if (ui->Optshow->isChecked())
    showPanel(fraShow_, QStringLiteral("显示信息"));
  else
    ui->Optshow->setChecked(true);
  s.loggedOn = true;
  s.setTimerEnabled(true);
  end();
  emit loggedOn();
}

}  // namespace tav::manage
