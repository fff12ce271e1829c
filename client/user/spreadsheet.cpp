// The desktop's spreadsheet application: xdg-mime names the default
// application for workbooks, and the desktop opens files with it.
#include "client/user/spreadsheet.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace tav::user {
namespace {

class DesktopSpreadsheet : public Spreadsheet {
 public:
  bool available() override {
    QProcess p;
    p.start(QStringLiteral("xdg-mime"),
            {QStringLiteral("query"), QStringLiteral("default"),
             QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (!p.waitForFinished(5000)) {
      p.kill();
      p.waitForFinished(1000);
      return false;
    }
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 &&
           !p.readAllStandardOutput().trimmed().isEmpty();
  }

  QString open(const QString& path) override {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return {};
    return QStringLiteral("不能打开文件：") + path;
  }
};

Spreadsheet* installed = nullptr;

}  // namespace

Spreadsheet& spreadsheet() {
  static DesktopSpreadsheet desktop;
  return installed ? *installed : desktop;
}

void setSpreadsheet(Spreadsheet* s) { installed = s; }

QString noSpreadsheetText() { return QStringLiteral("你的计算机没有安装Microsoft Excel软件，不能执行此功能!"); }

}  // namespace tav::user
