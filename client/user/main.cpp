// TAVuser: the maintenance staff's client.
#include <QApplication>

#include "client/common/startup.h"
#include "client/user/userstartup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tav::client::setUpApplication();
  auto main = tav::user::startUserClient(0.000035 * 86400, tav::client::appPath());
  if (!main) return 0;
  return app.exec();
}
