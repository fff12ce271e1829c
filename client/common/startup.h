// Start-up checks both clients make: the configuration file beside the
// program, the screen's size and resolution, and where the main window goes
// in the free part of the desktop.
#pragma once
#include <QRect>
#include <QString>
#include <optional>
#include <string>

namespace tav::client {

struct ServerAddress {
  std::string ip;  // dotted IPv4
  int port = 0;    // 1-65535
};

// Line 1 "ipaddr=" + address, line 2 "hostport=" + port, prefixes in any
// case. nullopt for a missing file, fewer than two lines, a wrong prefix, a
// port outside 1-65535 (the decimal value rounded) or an address that is not
// dotted IPv4.
std::optional<ServerAddress> readServerIni(const QString& path);
std::optional<ServerAddress> parseServerIni(const QByteArray& content);

// The window's frame rectangle centred in the free desktop, or nullopt when
// a window of `size` does not fit into `available`.
std::optional<QRect> placeWindow(const QRect& available, const QSize& size);

// The program's folder, without a trailing "/".
QString appPath();

// The screen's checks: false (after the message) when smaller than
// minWidth x minHeight; a DPI other than 96 shows its message and goes on.
bool checkScreen(int minWidth, int minHeight, const QString& tooSmallText);

// Loads qtbase_zh_CN, sets the Fusion style and a font that covers Chinese.
void setUpApplication();

}  // namespace tav::client
