// The personal settings panel against the real server: the password change
// to the byte, its refusals that send nothing, and what the login puts in
// the panel.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include "client/common/startup.h"
#include "client/user/fraperson.h"
#include "tests/client/user/relaypeer.h"
#include "tests/client/user/userfixture.h"

using namespace tavtest;
using tav::FieldSep;
using tav::user::FraPerson;

namespace {

template <class W>
W* on(const QObject* p, const char* name) {
  return control<W>(p, name);
}

void fillPasswords(FraPerson* p, const QString& old, const QString& n0, const QString& n1) {
  on<QLineEdit>(p, "PerOpw")->setText(old);
  on<QLineEdit>(p, "PerNpw_0")->setText(n0);
  on<QLineEdit>(p, "PerNpw_1")->setText(n1);
}

QStringList passwords(FraPerson* p) {
  return {on<QLineEdit>(p, "PerOpw")->text(), on<QLineEdit>(p, "PerNpw_0")->text(),
          on<QLineEdit>(p, "PerNpw_1")->text()};
}

}  // namespace

class TestPerson : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { tav::client::setUpApplication(); }
  void passwordChange();
  void refusedBeforeSending_data();
  void refusedBeforeSending();
  void loginFillsThePanel();
};

void TestPerson::passwordChange() {
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "zhang", 1 | 2, 1); });
  {
    Relay relay(srv.port());
    UserWindow w(relay.port());
    QVERIFY(w.login("zhang", "pw"));
    w.main->optionButton("personal")->click();
    FraPerson* p = w.main->fraPerson();
    QVERIFY(p->isVisible());
    auto* button = on<QPushButton>(p, "PerCmdPw");
    for (const char* box : {"PerOpw", "PerNpw_0", "PerNpw_1"}) {
      QCOMPARE(on<QLineEdit>(p, box)->echoMode(), QLineEdit::Password);
      QCOMPARE(on<QLineEdit>(p, box)->maxLength(), 20);
    }

    // What one change sends, from three filled boxes.
    auto change = [&](const QString& old, const QString& typed) {
      fillPasswords(p, old, typed, typed);
      relay.clear();
      button->click();
      return wire(relay.sent());
    };

    // A wrong old password: refused, every box keeps its text.
    QCOMPARE(change("nicht", "neu-1"), wire(knockAndRequest(u"RENAMEnicht\x18neu-1\x18")));
    QCOMPARE(note.last(), QStringLiteral("原密码错，修改不成功。"));
    QCOMPARE(passwords(p), (QStringList{"nicht", "neu-1", "neu-1"}));

    // The right one: done, the boxes emptied.
    QCOMPARE(change("pw", "neu-1"), wire(knockAndRequest(u"RENAMEpw\x18neu-1\x18")));
    QCOMPARE(note.last(), QStringLiteral("密码修改成功，请牢记新密码。"));
    QCOMPARE(passwords(p), (QStringList{"", "", ""}));
    QCOMPARE(w.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
    QVERIFY(w.main->Timer1()->isActive());

    // The session now holds the new password: the old one no longer counts.
    change("pw", "third");
    QCOMPARE(note.last(), QStringLiteral("原密码错，修改不成功。"));
  }
  // Only the new password logs in from now on.
  {
    UserWindow w(srv.port());
    note.clear();
    QVERIFY(!w.login("zhang", "pw"));
    QVERIFY2(note.last().startsWith(QStringLiteral("密码错误!")), qPrintable(note.last()));
  }
  {
    UserWindow w(srv.port());
    QVERIFY(w.login("zhang", "neu-1"));
  }
}

void TestPerson::refusedBeforeSending_data() {
  QTest::addColumn<QString>("first");
  QTest::addColumn<QString>("second");
  QTest::addColumn<bool>("loggedOn");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");
  QTest::newRow("case differs") << "Abc" << "abc" << true << "两个新密码必须相同，请改正再写。" << "";
  QTest::newRow("above 127") << "密码一" << "密码一" << true << "密码含有非法符号" << "PerNpw_0";
  QTest::newRow("one accented letter") << "abcé" << "abcé" << true << "密码含有非法符号" << "PerNpw_0";
  QTest::newRow("logged off, different") << "a" << "b" << false << "" << "";
}

void TestPerson::refusedBeforeSending() {
  QFETCH(QString, first);
  QFETCH(QString, second);
  QFETCH(bool, loggedOn);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  RecordingNotifier note;
  UserServer srv([](ServerDir& d) { addUser(d, "zhang", 1, 1); });
  Relay relay(srv.port());
  UserWindow w(relay.port());
  QVERIFY(w.login("zhang", "pw"));
  w.main->optionButton("personal")->click();
  FraPerson* p = w.main->fraPerson();
  if (!loggedOn) w.main->resetLogoff();
  QVERIFY(QTest::qWaitForWindowActive(w.main.get()));
  fillPasswords(p, "pw", first, second);
  on<QLineEdit>(p, "PerOpw")->setFocus();
  relay.clear();
  p->PerCmdPw_Click();
  QCOMPARE(relay.sent(), std::string());
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{message});
  if (!note.shown.empty()) QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(passwords(p), (QStringList{"pw", first, second}));
  if (!focus.isEmpty()) QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(on<QLineEdit>(p, "PerNpw_0")));
}

void TestPerson::loginFillsThePanel() {
  RecordingNotifier note;
  // zhang holds 提交工作请求 and 维修处理 and was lent 提交工作请求 and
  // 工时报表与旧单查询 by li.
  UserServer srv([](ServerDir& d) {
    addUser(d, "zhang", 1 | 4, 1);
    addUser(d, "li", 1 | 8 | 32, 1);
    addGrant(d, 1, "li", 1 | 32, "zhang", 0, 1, 0);
  });
  UserWindow w(srv.port());
  QVERIFY(w.login("zhang", "pw"));
  FraPerson* p = w.main->fraPerson();
  auto* org = on<QListWidget>(p, "OrgRig");
  QStringList items;
  for (int i = 0; i < org->count(); ++i) {
    items << org->item(i)->text();
    QCOMPARE(org->item(i)->checkState(), Qt::Unchecked);
  }
  QCOMPARE(items, (QStringList{"提交工作请求", "维修处理"}));
  QCOMPARE(on<QPlainTextEdit>(p, "Text4")->toPlainText(), QStringLiteral("提交工作请求，工时报表与旧单查询"));
  QCOMPARE(on<QLabel>(p, "labper")->text(), QStringLiteral("无授权"));
  QVERIFY(!on<QWidget>(p, "VScper")->isEnabled());
  QVERIFY(!on<QWidget>(p, "PerCmdPoi")->isEnabled());
  QVERIFY(!on<QWidget>(p, "PerCmdEnd")->isEnabled());

  // The logoff leaves nothing of this user in the panel.
  on<QLineEdit>(p, "PerOpw")->setText("pw");
  w.main->resetLogoff();
  QCOMPARE(org->count(), 0);
  QCOMPARE(on<QLineEdit>(p, "PerOpw")->text(), QString());
  QCOMPARE(on<QPlainTextEdit>(p, "Text4")->toPlainText(), QString());
}

QTEST_MAIN(TestPerson)
#include "test_person.moc"
