// User client start-up.
#include "client/user/userstartup.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>

#include "client/common/clock.h"
#include "client/common/frmsplash.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/common/startup.h"
#include "client/common/windowfilters.h"

namespace tav::user {

using namespace tav::client;

namespace {

// The splash's remaining time passes in an event loop of its own: a dot
// step now and every 300 ms until the deadline, while the window system
// and assistive technology are answered as at any other time.
void waitOutSplash(FrmSplash& splash, const Deadline& end) {
  if (end.passed()) return;
  splash.step();
  QEventLoop wait;
  QTimer dots;
  dots.setInterval(300);
  QObject::connect(&dots, &QTimer::timeout, &wait, [&] {
    if (end.passed())
      wait.quit();
    else
      splash.step();
  });
  dots.start();
  wait.exec();
}

}  // namespace

std::unique_ptr<FrmMain> startUserClient(double splashSeconds, const QString& folder) {
  setProgramTitle(QStringLiteral("TAVuser"));
  if (!checkScreen(1024, 768,
                   QStringLiteral("你的电脑的分辨率太小，不合适使用本软件。\r\n"
                                  "你可以换用一台机器或者提高分辨率到1024*768或以上。")))
    return nullptr;

  FrmSplash splash(QStringLiteral("TAVuser"), QStringLiteral("TAVuser已启动并正在初始化，请稍候"));
  splash.show();
  Deadline splashEnd(splashSeconds);
  splash.setTimerEnabled(true);

  auto addr = readServerIni(QDir(folder).filePath(QStringLiteral("TAVclient.ini")));
  if (!addr) {
    splash.setTimerEnabled(false);
    critical(QStringLiteral("The file TAVclient.ini encounter wrongs!"));
    return nullptr;
  }

  auto main = std::make_unique<FrmMain>();
  main->serverAddr = *addr;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || !main->placeOnScreen(screen->availableGeometry())) {
    inform(QStringLiteral("你的桌面可用空间不足，请提高分辨率或减小任务栏的高(宽)度"));
    splash.setTimerEnabled(false);
    return nullptr;
  }

  splash.setTimerEnabled(false);
  pumpEvents();
  waitOutSplash(splash, splashEnd);
  splash.resetSteps();
  main->show();
  pumpEvents();
  splash.close();

  keepRightButtonFromControls();
  return main;
}

}  // namespace tav::user
