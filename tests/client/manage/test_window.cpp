// The administration client without a server: the start-up's checks (run
// in a child process on screens of chosen sizes), the window's place, the
// panel chooser, the help document, the about box and the readers of the
// list replies.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "client/common/frmsplash.h"
#include "client/common/helpdoc.h"
#include "client/common/startup.h"
#include "client/manage/grantspanel.h"
#include "client/manage/managepanel.h"
#include "client/manage/proposals.h"
#include "client/manage/superstartup.h"
#include "tests/client/manage/managefixture.h"
#include "tests/support/qprocess_end.h"

using namespace tavtest;
using namespace tav::manage;

namespace {

// The child's side: what the start-up shows, one line each, then whether a
// window stands at the end. Each message tells how many windows were shown
// when it came.
class PrintingNotifier : public tav::client::Notifier {
 public:
  void show(tav::client::Icon icon, const QString&, const QString& text) override {
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible() && qobject_cast<Form1*>(w)) ++shown;
    QString t = text;
    t.replace("\r\n", "\\r\\n");
    std::printf("%s|%d|%s\n", icon == tav::client::Icon::Critical ? "critical" : "information", shown,
                t.toUtf8().constData());
    std::fflush(stdout);
  }
  bool ask(const QString&, const QString&) override { return false; }
};

int runStartUp(const QString& folder) {
  tav::client::setUpApplication();
  PrintingNotifier n;
  tav::client::setNotifier(&n);
  auto w = startManageClient(folder);
  std::printf("%s\n", w && w->isVisible() ? "WINDOW" : "NO WINDOW");
  std::fflush(stdout);
  tav::client::setNotifier(nullptr);
  return 0;
}

}  // namespace

class TestWindow : public QObject {
  Q_OBJECT
 private slots:
  void startUp_data();
  void startUp();
  void placement_data();
  void placement();
  void panelChooser_data();
  void panelChooser();
  void requestButtonsWhileLoggedOut();
  void helpDocument_data();
  void helpDocument();
  void aboutBox();
  void listRecords_data();
  void listRecords();
  void usersByName();
  void constTables_data();
  void constTables();
  void days_data();
  void days();
};

void TestWindow::startUp_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::addColumn<QString>("ini");  // "-": no file
  QTest::addColumn<QStringList>("output");
  const QString ini = "ipaddr=127.0.0.1\nhostport=5000\n";
  const QString small = "information|0|你的电脑分辨率太小了，不给用!";
  const QString wrongs = "critical|0|The file TAVclient.ini encounter wrongs!";
  QTest::newRow("939 wide") << 939 << 700 << ini << QStringList{small, "NO WINDOW"};
  QTest::newRow("599 high") << 1024 << 599 << ini << QStringList{small, "NO WINDOW"};
  QTest::newRow("940 x 600") << 940 << 600 << ini << QStringList{"WINDOW"};
  QTest::newRow("upper-case prefixes") << 1280 << 1024 << "IPADDR=127.0.0.1\r\nHOSTPORT=5000\r\n"
                                       << QStringList{"WINDOW"};
  QTest::newRow("wrong prefix") << 1280 << 1024 << "ip=127.0.0.1\nhostport=5000\n"
                                << QStringList{wrongs, "NO WINDOW"};
  QTest::newRow("one line") << 1280 << 1024 << "ipaddr=127.0.0.1\n" << QStringList{wrongs, "NO WINDOW"};
  QTest::newRow("no file") << 1280 << 1024 << "-"
                           << QStringList{"critical|0|找不到配置文件：%1/TAVclient.ini", "NO WINDOW"};
}

void TestWindow::startUp() {
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(QString, ini);
  QFETCH(QStringList, output);
  QTemporaryDir dir;
  if (ini != "-") {
    QFile f(dir.filePath("TAVclient.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ini.toUtf8());
  }
  const QString screen = dir.filePath("screen.json");
  QFile s(screen);
  QVERIFY(s.open(QIODevice::WriteOnly));
  s.write(QStringLiteral("{\"screens\":[{\"name\":\"s\",\"x\":0,\"y\":0,\"width\":%1,\"height\":%2,"
                         "\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}")
              .arg(width)
              .arg(height)
              .toUtf8());
  s.close();
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + screen);
  env.insert("TAVSUPER_START_FOLDER", dir.path());
  child.setProcessEnvironment(env);
  tav::support::endWithThisProcess(child);
  child.start(QCoreApplication::applicationFilePath(), {});
  QVERIFY(child.waitForFinished(60000));
  QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  for (QString& o : output) o.replace("%1", dir.path());
  QCOMPARE(lines, output);
}

void TestWindow::placement_data() {
  QTest::addColumn<QRect>("available");
  QTest::addColumn<bool>("fits");
  QTest::newRow("whole screen") << QRect(0, 0, 1280, 1024) << true;
  QTest::newRow("smallest screen") << QRect(0, 0, 940, 600) << true;
  QTest::newRow("task bar at the left") << QRect(400, 0, 880, 1024) << true;
  QTest::newRow("task bar at the left, too wide") << QRect(200, 0, 740, 600) << false;
  QTest::newRow("task bar at the bottom, too high") << QRect(0, 0, 1280, 400) << false;
}

void TestWindow::placement() {
  QFETCH(QRect, available);
  QFETCH(bool, fits);
  Form1 w;
  QCOMPARE(w.placeOnScreen(available), fits);
  if (fits) {
    QVERIFY(available.contains(QRect(w.pos(), w.size())));
    QVERIFY(std::abs((w.x() - available.left()) - (available.right() - (w.x() + w.width() - 1))) <= 1);
  }
}

void TestWindow::panelChooser_data() {
  QTest::addColumn<QString>("sub");  // the proposals' sub-option selected first
  QTest::addColumn<QString>("option");
  QTest::addColumn<QString>("panel");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<bool>("subOptions");
  QTest::newRow("users") << "" << "OptUse" << "frmUse" << "用户管理" << false;
  QTest::newRow("authorisations") << "" << "OptImp" << "frmImp" << "授权管理" << false;
  QTest::newRow("own account") << "" << "OptPer" << "frmPer" << "个人管理" << false;
  QTest::newRow("proposals: change") << "SugcU" << "OptSug" << "frmSugcU" << "提议管理-更改用户" << true;
  QTest::newRow("proposals: new user") << "SugnU" << "OptSug" << "frmSugnU" << "提议管理-新建用户" << true;
  QTest::newRow("proposals: holder") << "SugMan" << "OptSug" << "frmSugMan" << "提议管理-管理员" << true;
}

void TestWindow::panelChooser() {
  QFETCH(QString, sub);
  QFETCH(QString, option);
  QFETCH(QString, panel);
  QFETCH(QString, caption);
  QFETCH(bool, subOptions);
  ManageWindow w(1);
  // At start: logged out, every panel hidden, "显示信息" the chosen option.
  QCOMPARE(w.main->windowTitle(), QStringLiteral("TAVsuper(未登录)"));
  QVERIFY(w.find<QRadioButton>("Optshow")->isChecked());
  QVERIFY(w.find<QRadioButton>("SugcU")->isChecked());
  QVERIFY(!w.find<QWidget>("Frame5")->isVisible());
  QVERIFY(!w.find<QWidget>("frmAlls")->isVisible());
  QVERIFY(!w.find<QPushButton>("unloadsv")->isEnabled());
  for (auto* p : w.main->findChildren<ManagePanel*>()) QVERIFY(!p->isVisible());
  if (!sub.isEmpty()) w.click(sub);
  w.click(option);
  QCOMPARE(w.caption(), caption);
  for (auto* p : w.main->findChildren<ManagePanel*>()) QCOMPARE(p->isVisible(), p->objectName() == panel);
  QCOMPARE(w.main->frmtem()->objectName(), panel);
  QCOMPARE(!w.find<QWidget>("Frame1")->isHidden(), subOptions);
  // The options and the sub-options stay two separate choices.
  QVERIFY(w.find<QRadioButton>(option)->isChecked());
  QVERIFY(!w.find<QRadioButton>("Optshow")->isChecked());
  QVERIFY(w.find<QRadioButton>(sub.isEmpty() ? QStringLiteral("SugcU") : sub)->isChecked());
  w.click("Optshow");
  QCOMPARE(w.caption(), QStringLiteral("显示信息"));
  QVERIFY(w.find<QWidget>("FraShow")->isVisible());
  QVERIFY(!w.find<QWidget>(panel)->isVisible());
  QVERIFY(w.find<QWidget>("Frame1")->isHidden());
}

void TestWindow::requestButtonsWhileLoggedOut() {
  RecordingNotifier note;
  ManageWindow w(1);  // nothing listens there: a knock would end in a message
  w.type("perNewName", "新人");
  w.type("useid_2", "n1");
  w.type("usename_2", "甲");
  w.type("pswd_2", "p");
  w.type("Text4", "58302");
  for (const char* b : {"frashows", "frashowu", "frashowo", "perNN", "UseAlls", "useaddnew", "cmdSugnU", "cmdSugcU",
                        "cmdSugMan", "cmdImp", "unloadsv"})
    w.click(b);
  w.main->Unlink_Click();
  w.main->frmImp()->cmdreject_Click();
  w.main->frmSugnU()->answer_Click();
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join("|")));
  QVERIFY(!tav::manage::session().sock.isOpen());
  QCOMPARE(w.main->LabSta()->text(), QStringLiteral(" TAVsuper - 就绪"));
  QVERIFY(w.main->close());  // logged out, the window closes without a word to anyone
}

void TestWindow::helpDocument_data() {
  QTest::addColumn<int>("setup");  // 0 no folder, 1 no file, 2 no application, 3 opens
  QTest::addColumn<QString>("message");
  QTest::newRow("no folder") << 0 << "找不到路径：“%1”";
  QTest::newRow("no file") << 1 << "找不到文件：TAVreadme.doc";
  QTest::newRow("no application") << 2 << "文件：TAVreadme.doc没有关联的应用程序";
  QTest::newRow("opens") << 3 << "";
}

void TestWindow::helpDocument() {
  QFETCH(int, setup);
  QFETCH(QString, message);
  RecordingNotifier note;
  QTemporaryDir dir;
  QString folder = setup == 0 ? dir.filePath("gone") : dir.path();
  if (setup >= 2) {
    QFile f(dir.filePath("TAVreadme.doc"));
    QVERIFY(f.open(QIODevice::WriteOnly));
  }
  QUrl opened;
  tav::client::setUrlOpener([&](const QUrl& u) {
    opened = u;
    return setup == 3;
  });
  ManageWindow w(1);
  w.main->appFolder = folder;
  w.main->findChild<QAction*>("pispla")->trigger();
  tav::client::setUrlOpener({});
  QCOMPARE(note.texts(), message.isEmpty() ? QStringList() : QStringList{QString(message).replace("%1", folder)});
  if (!message.isEmpty()) QCOMPARE(note.shown[0].icon, tav::client::Icon::Critical);
  if (setup >= 2) QCOMPARE(opened, QUrl::fromLocalFile(dir.filePath("TAVreadme.doc")));
}

void TestWindow::aboutBox() {
  ManageWindow w(1);
  bool asAbout = false;
  onModal<tav::client::FrmSplash>([&](tav::client::FrmSplash* s) {
    asAbout = s->findChild<QPushButton*>("Command1")->isVisible() && !s->findChild<QLabel*>("LabTip")->isVisible() &&
              !s->findChild<QLabel*>("lab1")->isVisible() && s->windowTitle() == QStringLiteral("TAVsuper");
    s->findChild<QPushButton*>("Command1")->click();
  });
  w.main->findChild<QAction*>("abouts")->trigger();
  QVERIFY(asAbout);
}

void TestWindow::listRecords_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("fields");
  QTest::addColumn<int>("records");  // -1: refused
  QTest::newRow("empty list") << "" << 5 << 0;
  QTest::newRow("two records") << "a\x18\x62\x18\x19\x63\x18\x64\x18\x19" << 2 << 2;
  QTest::newRow("empty fields") << "\x18\x18\x19" << 2 << 1;
  QTest::newRow("a field short") << "a\x18\x19" << 2 << -1;
  QTest::newRow("a field over") << "a\x18\x62\x18\x63\x18\x19" << 2 << -1;
  QTest::newRow("text after the last field") << "a\x18\x62\x18x\x19" << 2 << -1;
  QTest::newRow("a record not closed") << "a\x18\x62\x18\x19\x63\x18\x64\x18" << 2 << -1;
}

void TestWindow::listRecords() {
  QFETCH(QString, text);
  QFETCH(int, fields);
  QFETCH(int, records);
  auto r = tav::manage::listRecords(text.toStdU16String(), static_cast<std::size_t>(fields));
  QCOMPARE(r.has_value() ? int(r->size()) : -1, records);
}

void TestWindow::usersByName() {
  auto users = parseUsers(QStringLiteral("b1\x18\x62\x18\x31\x18\x30\x18\x30\x18\x19"
                                         "A1\x18\x41\x18\x32\x35\x35\x18\x37\x18\x31\x18\x19"
                                         "a1\x18\x61\x18\x35\x18\x30\x18\x18\x19")
                              .toStdU16String());
  QVERIFY(users.has_value());
  sortByName(*users);
  QStringList order;
  for (const UseRecord& u : *users) order << u.id;
  QCOMPARE(order, (QStringList{"A1", "a1", "b1"}));
  QCOMPARE((*users)[0].rights, 255);
  QCOMPARE((*users)[0].trades, 7);
  QCOMPARE(int((*users)[0].frozen), 1);
  QCOMPARE(int((*users)[1].frozen), 0);  // an empty field is 0
}

void TestWindow::constTables_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("rights");  // -1: refused
  QTest::addColumn<int>("trades");
  QTest::newRow("both") << "1\x18\x61\x18\x32\x18\x62\x18\x19\x34\x18\x63\x18\x19" << 2 << 1;
  QTest::newRow("one section") << "1\x18\x61\x18\x19" << -1 << -1;
  QTest::newRow("a name missing") << "1\x18\x19\x34\x18\x63\x18\x19" << -1 << -1;
  QTest::newRow("a bit not a number") << "x\x18\x61\x18\x19\x34\x18\x63\x18\x19" << -1 << -1;
  QTest::newRow("a bit too large") << "4294967296\x18\x61\x18\x19\x34\x18\x63\x18\x19" << -1 << -1;
}

void TestWindow::constTables() {
  QFETCH(QString, text);
  QFETCH(int, rights);
  QFETCH(int, trades);
  auto t = parseConstList(text.toStdU16String());
  QCOMPARE(t.has_value(), rights >= 0);
  if (!t) return;
  QCOMPARE(int(t->rights.size()), rights);
  QCOMPARE(int(t->trades.size()), trades);
  QCOMPARE(t->rights.back().bit, 2);
  QCOMPARE(t->rights.back().name, QStringLiteral("b"));
  QCOMPARE(t->trades[0].bit, 4);
}

void TestWindow::days_data() {
  QTest::addColumn<int>("day");
  QTest::addColumn<QString>("text");
  QTest::newRow("40000") << 40000 << "2009-7-6";
  QTest::newRow("first day") << 1 << "1899-12-31";
  QTest::newRow("zero") << 0 << "";
  QTest::newRow("negative") << -3 << "";
}

void TestWindow::days() {
  QFETCH(int, day);
  QFETCH(QString, text);
  QCOMPARE(dayText(day), text);
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (qEnvironmentVariableIsSet("TAVSUPER_START_FOLDER")) return runStartUp(qEnvironmentVariable("TAVSUPER_START_FOLDER"));
  TestWindow t;
  QTEST_SET_MAIN_SOURCE_PATH
  return QTest::qExec(&t, argc, argv);
}

#include "test_window.moc"
