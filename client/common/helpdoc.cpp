// Help document opener.
#include "client/common/helpdoc.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "client/common/notifier.h"

namespace tav::client {
namespace {
std::function<bool(const QUrl&)> opener;
}

void setUrlOpener(std::function<bool(const QUrl&)> o) { opener = std::move(o); }

bool openUrl(const QUrl& url) { return opener ? opener(url) : QDesktopServices::openUrl(url); }

void openHelpDocument(const QString& folder, const QString& noAppText) {
  const QString name = QStringLiteral("TAVreadme.doc");
  if (!QDir(folder).exists()) {
    critical(QStringLiteral("找不到路径：“%1”").arg(folder));
    return;
  }
  QString path = QDir(folder).filePath(name);
  if (!QFileInfo(path).isFile()) {
    critical(QStringLiteral("找不到文件：") + name);
    return;
  }
  if (!openUrl(QUrl::fromLocalFile(path))) critical(noAppText);
}

}  // namespace tav::client
