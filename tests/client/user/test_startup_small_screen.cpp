// A screen of 1023 x 768 pixels ends the start-up with its message before
// anything else is read or shown.
#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

#include "client/user/userstartup.h"
#include "tests/client/support/clienttest.h"

using namespace tavtest;

class TestStartupSmallScreen : public QObject {
  Q_OBJECT
 private slots:
  void tooSmall() {
    RecordingNotifier note;
    QTemporaryDir dir;
    writeClientIni(dir.path(), 5190);
    auto main = tav::user::startUserClient(0, dir.path());
    QVERIFY(!main);
    QCOMPARE(note.texts(), QStringList{QStringLiteral("你的电脑的分辨率太小，不合适使用本软件。\r\n"
                                                      "你可以换用一台机器或者提高分辨率到1024*768或以上。")});
    QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  }
};

int main(int argc, char** argv) {
  // This test's own screen, one pixel narrower than the client needs.
  QTemporaryDir dir;
  QFile f(dir.filePath("screen.json"));
  f.open(QIODevice::WriteOnly);
  f.write(R"({"screens":[{"name":"s","x":0,"y":0,"width":1023,"height":768,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})");
  f.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + dir.filePath("screen.json")).toUtf8());
  QApplication app(argc, argv);
  TestStartupSmallScreen t;
  return QTest::qExec(&t, argc, argv);
}
#include "test_startup_small_screen.moc"
