// Start-up: the configuration file decides between the logged-off window
// and the configuration message that ends the program.
#include <QAccessible>
#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "client/common/frmsplash.h"

#include "client/user/userstartup.h"
#include "tests/client/support/clienttest.h"

using namespace tavtest;

class TestStartup : public QObject {
  Q_OBJECT
 private slots:
  void configuration_data();
  void configuration();
  void splashAnswersWhileItStands();
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

// While the splash stands the program keeps running its event loop: a
// timer that fires whenever the loop is free fires many times between two
// steps of the dots (a loop that sleeps between steps lets it in once a
// step), and the start-up line can be read through the accessibility
// interface. The dots go round one step at a time and the main window comes
// only when the splash's time is up.
void TestStartup::splashAnswersWhileItStands() {
  RecordingNotifier note;
  QTemporaryDir dir;
  writeClientIni(dir.path(), 5190);

  const double seconds = 1.5;
  QStringList dotsSeen;
  QList<int> ticksPerStep{0};
  QString heard;
  qint64 mainShownAt = -1;
  QElapsedTimer clock;
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    tav::client::FrmSplash* splash = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* s = qobject_cast<tav::client::FrmSplash*>(w); s && s->isVisible()) splash = s;
      if (w->windowTitle() == QStringLiteral("TAVuser(未登录)") && w->isVisible() && mainShownAt < 0)
        mainShownAt = clock.elapsed();
    }
    if (!splash) return;
    if (heard.isEmpty()) {
      auto* line = splash->findChild<QLabel*>("lab1");
      if (QAccessibleInterface* a = line ? QAccessible::queryAccessibleInterface(line) : nullptr)
        heard = a->text(QAccessible::Name);
    }
    if (dotsSeen.isEmpty() || dotsSeen.last() != splash->dots()) {
      dotsSeen << splash->dots();
      ticksPerStep << 0;
    }
    ++ticksPerStep.last();
  });
  probe.start();
  clock.start();
  auto main = tav::user::startUserClient(seconds, dir.path());
  const qint64 took = clock.elapsed();
  probe.stop();

  QVERIFY(main);
  QVERIFY(main->isVisible());
  QVERIFY(took >= seconds * 1000);
  QVERIFY2(mainShownAt < 0 || mainShownAt >= seconds * 1000, qPrintable(QString::number(mainShownAt)));
  QCOMPARE(heard, QStringLiteral("TAVuser已启动并正在初始化，请稍候"));
  // The dots advance one step at a time and go round after seven.
  static const QStringList round{".", "..", "...", "....", ".....", "......", "......."};
  QVERIFY2(dotsSeen.size() >= 4, qPrintable(dotsSeen.join(' ')));
  for (int i = 1; i < dotsSeen.size(); ++i)
    if (dotsSeen[i - 1] != QStringLiteral("........"))
      QCOMPARE(round.indexOf(dotsSeen[i]), (round.indexOf(dotsSeen[i - 1]) + 1) % round.size());
  // Between two steps of the waiting dots the loop was free many times.
  const int most = *std::max_element(ticksPerStep.begin(), ticksPerStep.end());
  QVERIFY2(most > 20, qPrintable(QStringLiteral("at most %1 probes between two steps of %2")
                                     .arg(most)
                                     .arg(dotsSeen.join(' '))));
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
