// Start-up: the configuration file decides between the logged-off window
// and the configuration message that ends the program.
#include <QTemporaryDir>
#include <QtTest>

#include "client/user/userstartup.h"
#include "tests/client/support/clienttest.h"

using namespace tavtest;

class TestStartup : public QObject {
  Q_OBJECT
 private slots:
  void configuration_data();
  void configuration();
};

void TestStartup::configuration_data() {
  QTest::addColumn<bool>("present");
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<bool>("starts");
  QTest::newRow("missing") << false << QByteArray() << false;
  QTest::newRow("one line") << true << QByteArray("ipaddr=127.0.0.1\n") << false;
  QTest::newRow("upper-case prefixes") << true << QByteArray("IPADDR=127.0.0.1\r\nHOSTPORT=5190\r\n") << true;
  QTest::newRow("port 70000") << true << QByteArray("ipaddr=127.0.0.1\nhostport=70000\n") << false;
  QTest::newRow("address abc") << true << QByteArray("ipaddr=abc\nhostport=5190\n") << false;
}

void TestStartup::configuration() {
  QFETCH(bool, present);
  QFETCH(QByteArray, content);
  QFETCH(bool, starts);
  RecordingNotifier note;
  QTemporaryDir dir;
  if (present) {
    QFile f(dir.filePath("TAVclient.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
  }
  auto main = tav::user::startUserClient(0, dir.path());
  QCOMPARE(bool(main), starts);
  if (starts) {
    QVERIFY(note.shown.empty());
    QCOMPARE(main->windowTitle(), QStringLiteral("TAVuser(未登录)"));
    QVERIFY(main->isVisible());
    QCOMPARE(main->serverAddr.port, 5190);
  } else {
    QCOMPARE(note.texts(), QStringList{QStringLiteral("The file TAVclient.ini encounter wrongs!")});
    QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  }
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
