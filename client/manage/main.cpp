// TAVsuper: the administrators' client.
#include <QApplication>

#include "client/common/startup.h"
#include "client/manage/superstartup.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tav::client::setUpApplication();
  auto main = tav::manage::startManageClient(tav::client::appPath());
  if (!main) return 0;
  return app.exec();
}
