// Administration client start-up.
#include "client/manage/superstartup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include "client/common/clientsocket.h"
#include "client/common/frmsplash.h"
#include "client/common/notifier.h"
#include "client/common/startup.h"
#include "client/common/windowfilters.h"

namespace tav::manage {

using namespace tav::client;

std::unique_ptr<Form1> startManageClient(const QString& folder) {
  setProgramTitle(QStringLiteral("TAVsuper"));
  if (!checkScreen(940, 600, QStringLiteral("你的电脑分辨率太小了，不给用!"))) return nullptr;

  FrmSplash splash(QStringLiteral("TAVsuper"), QStringLiteral("TAVsuper已启动并正在初始化，请稍候"));
  splash.show();
  splash.setTimerEnabled(true);
  pumpEvents();

  const QString ini = QDir(folder).filePath(QStringLiteral("TAVclient.ini"));
  if (!QFileInfo(ini).isFile()) {
    critical(QStringLiteral("找不到配置文件：") + ini);
    return nullptr;
  }
  auto addr = readServerIni(ini);
  if (!addr) {
    critical(QStringLiteral("The file TAVclient.ini encounter wrongs!"));
    return nullptr;
  }

  auto main = std::make_unique<Form1>();
  main->serverAddr = *addr;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || !main->placeOnScreen(screen->availableGeometry())) {
    inform(QStringLiteral("你的桌面可用空间不足，请提高分辨率或减小任务栏的高(宽)度"));
    return nullptr;
  }
  main->show();
  pumpEvents();
  splash.setTimerEnabled(false);
  splash.close();

  keepRightButtonFromControls();
  return main;
}

}  // namespace tav::manage
