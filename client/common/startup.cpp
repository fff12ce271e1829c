// Configuration file, screen checks and window placement.
#include "client/common/startup.h"

#include <arpa/inet.h>

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QScreen>
#include <QStyleFactory>
#include <QTranslator>
#include <cmath>

#include "client/common/notifier.h"
#include "protocol/wire.h"

namespace tav::client {

std::optional<ServerAddress> parseServerIni(const QByteArray& content) {
  QList<QByteArray> lines = content.split('\n');
  if (lines.size() < 2) return std::nullopt;
  auto clean = [](QByteArray l) {
    if (l.startsWith("\xEF\xBB\xBF")) l.remove(0, 3);
    while (l.endsWith('\r')) l.chop(1);
    return l;
  };
  QByteArray l1 = clean(lines[0]), l2 = clean(lines[1]);
  if (l1.left(7).toLower() != "ipaddr=" || l2.left(9).toLower() != "hostport=") return std::nullopt;
  std::string ip = l1.mid(7).trimmed().toStdString();
  in_addr a{};
  if (::inet_pton(AF_INET, ip.c_str(), &a) != 1) return std::nullopt;
  QByteArray portText = l2.mid(9);
  std::u16string port16(portText.begin(), portText.end());
  double v = std::nearbyint(leadingNumber(port16));
  if (!(v >= 1 && v <= 65535)) return std::nullopt;
  return ServerAddress{ip, static_cast<int>(v)};
}

std::optional<ServerAddress> readServerIni(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  return parseServerIni(f.read(64 * 1024));
}

std::optional<QRect> placeWindow(const QRect& available, const QSize& size) {
  if (size.width() > available.width() || size.height() > available.height()) return std::nullopt;
  int left = available.left() + (available.width() - size.width()) / 2;
  int top = available.top() + (available.height() - size.height()) / 2;
  return QRect(QPoint(left, top), size);
}

QString appPath() {
  QString p = QCoreApplication::applicationDirPath();
  while (p.size() > 1 && p.endsWith('/')) p.chop(1);
  return p;
}

bool checkScreen(int minWidth, int minHeight, const QString& tooSmallText) {
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return false;
  QSize size = s->size();
  if (size.width() < minWidth || size.height() < minHeight) {
    inform(tooSmallText);
    return false;
  }
  if (std::lround(s->logicalDotsPerInchX()) != 96)
    inform(QStringLiteral("你的电脑使用的DPI不是96，本程序界面可能出现混乱"));
  return true;
}

void setUpApplication() {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  auto* tr = new QTranslator(qApp);
  if (tr->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(tr);
  QFont f(QStringLiteral("WenQuanYi Micro Hei"));
  f.setPixelSize(12);
  QApplication::setFont(f);
}

}  // namespace tav::client
