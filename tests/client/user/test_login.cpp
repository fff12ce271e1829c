// Logging in to the real server: refusals, the full server, new grants, the
// start-of-session tables and what the window shows afterwards.
#include <QLabel>
#include <QtTest>

#include "tests/client/user/userfixture.h"

using namespace tavtest;
using tav::user::session;
using tav::user::tables;

class TestLogin : public QObject {
  Q_OBJECT
 private slots:
  void success();
};

void TestLogin::success() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "zhang", 1 | 2, 1); });
  UserWindow w(srv.port());
  QVERIFY(w.login("zhang", "pw"));
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVuser(zhang)"));
  QCOMPARE(tables().myID, QStringLiteral("zhang"));
  QCOMPARE(tables().myRight, 3);
  QVERIFY(!tables().statusList.empty());
  QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
}

QTEST_MAIN(TestLogin)
#include "test_login.moc"
