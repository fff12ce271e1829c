// The two list grids under a real X server (its own Xvfb, the xcb platform)
// with real X input (XTest), against the real server and its demonstration
// data: the right click on a row, below the rows and on a caption opens the
// pop-up at the pointer, its entry has the desktop open a workbook of the
// list (a recording application registered for .xlsx in private XDG
// folders), a left click selects a row and a double click opens the order.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "client/common/startup.h"
#include "client/common/windowfilters.h"
#include "client/user/fraequip.h"
#include "client/user/frarequ.h"
#include "client/user/fraworko.h"
#include "client/user/grid.h"
#include "client/user/usertables.h"
#include "tests/client/user/userfixture.h"
#include "tests/client/user/xlsxread.h"
#include "tests/client/x11/pointer.h"
#include "tests/support/process.h"

using namespace tavtest;
using tav::user::ListGrid;

namespace {

// Waits on the event loop far longer than any of it should take (a failed
// wait then watches as long again twice over, to say whether it came late).
constexpr int Wait = 15000;

// An Xvfb of the test's own on a display number the server picks itself
// (-displayfd), stopped by its pid at the end.
class Xvfb {
 public:
  Xvfb() {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (exe.isEmpty()) {
      why_ = QStringLiteral("Xvfb is not installed (package xvfb)");
      return;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
      why_ = QStringLiteral("no pipe for -displayfd");
      return;
    }
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    pid_ = tav::support::spawn(exe.toStdString(),
                               {"-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten",
                                "tcp", "-noreset"},
                               {}, "/dev/null", "/dev/null");
    ::close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    // The server writes its number and a newline once it takes clients.
    while (::poll(&p, 1, 60000) > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (number.empty()) {
      why_ = QStringLiteral("Xvfb gave no display number");
      return;
    }
    display_ = ":" + number;
  }
  ~Xvfb() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      tav::support::reap(pid_);
    }
  }
  bool ok() const { return !display_.empty(); }
  QString why() const { return why_; }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  QString why_;
};

Xvfb* xserver = nullptr;

constexpr unsigned Left = Pointer::Left, Right = Pointer::Right;

// The cells' point in the middle of `row` (from 1), 30 pixels in.
QPoint rowPoint(ListGrid* g, int row) {
  return g->cellView()->viewport()->mapToGlobal(QPoint(30, (row - 1) * ListGrid::RowHeight + 12));
}

// Tells when Qt has seen the pointer move to `at`.
struct MotionSeen : QObject {
  QPoint at;
  bool seen = false;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseMove && static_cast<QMouseEvent*>(e)->globalPosition().toPoint() == at) seen = true;
    return false;
  }
};

QStringList recordLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

}  // namespace

class TestGridX11 : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void init();
  void cleanup();
  void rightClickExportsTheList_data();
  void rightClickExportsTheList();
  void leftClickSelectsARow_data();
  void leftClickSelectsARow();
  void doubleClickOpensTheOrder();

 private:
  // Shows the list of work orders or of equipment, all of it, in its panel.
  void showList(bool workOrders);
  ListGrid* grid(bool workOrders) {
    return workOrders ? w->main->fraWorkO()->grid() : w->main->fraEquip()->grid();
  }
  const tav::user::Lists& lists() { return w->main->lists(); }

  QTemporaryDir home;
  QString record;
  std::unique_ptr<Pointer> pointer;
  std::unique_ptr<UserServer> srv;
  std::unique_ptr<UserWindow> w;
  std::unique_ptr<RecordingNotifier> note;
};

void TestGridX11::initTestCase() {
  if (!xserver->ok()) {
    if (qEnvironmentVariableIsSet("CI")) QFAIL(qPrintable(xserver->why()));
    QSKIP(qPrintable(xserver->why() + QStringLiteral("; the grids' X input is not tested")));
  }
  QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
  pointer = std::make_unique<Pointer>();
  QVERIFY2(pointer->ok(), "the X server has no XTEST extension");
  tav::client::keepRightButtonFromControls();

  // The desktop of the test: a private home whose default application for
  // workbooks writes the path it was given to a record.
  QVERIFY(home.isValid());
  const QDir h(home.path());
  QVERIFY(h.mkpath("data/applications") && h.mkpath("config") && h.mkpath("tmp") && h.mkpath("run"));
  QVERIFY(QFile::setPermissions(h.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  record = h.filePath("opened.txt");
  const QString script = h.filePath("record.sh");
  {
    QFile f(script);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(record).toUtf8());
  }
  QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  const QByteArray sheet = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
  {
    QFile f(h.filePath("data/applications/tavrecord.desktop"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Desktop Entry]\nType=Application\nName=Record\nExec=" + script.toUtf8() + " %f\nMimeType=" + sheet +
            ";\n");
  }
  {
    QFile f(h.filePath("config/mimeapps.list"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Default Applications]\n" + sheet + "=tavrecord.desktop\n");
  }
  qputenv("HOME", QFile::encodeName(home.path()));
  qputenv("XDG_DATA_HOME", QFile::encodeName(h.filePath("data")));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(h.filePath("config")));
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(h.filePath("run")));
  qputenv("TMPDIR", QFile::encodeName(h.filePath("tmp")));  // the exported workbooks
  // xdg-open's own road, not a desktop's.
  for (const char* v : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
    qunsetenv(v);
}

void TestGridX11::init() {
  srv = std::make_unique<UserServer>(std::function<void(ServerDir&)>{}, Env{}, true);
  w = std::make_unique<UserWindow>(srv->port());
  note = std::make_unique<RecordingNotifier>();
  QVERIFY(QTest::qWaitForWindowExposed(w->main.get()));
  QVERIFY(w->login(QStringLiteral("wangwu"), QStringLiteral("ww2024")));
  // Qt drops a motion to the point where it last saw the pointer, and sees
  // none while the pointer is off its windows: each case starts with the
  // pointer on a corner of the window that no case points at, seen by Qt.
  MotionSeen corner;
  corner.at = w->main->mapToGlobal(QPoint(w->main->width() - 2, w->main->height() - 2));
  qApp->installEventFilter(&corner);
  pointer->moveTo(corner.at);
  QTRY_VERIFY_WITH_TIMEOUT(corner.seen, Wait);
  QFile::remove(record);
}

void TestGridX11::cleanup() {
  if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
  note.reset();
  w.reset();
  srv.reset();
}

void TestGridX11::showList(bool workOrders) {
  note->answers = {true};  // no search box is filled: every record, after a question
  if (workOrders) {
    w->main->optionButton("list")->click();
    w->main->fraWorkO()->findChild<QPushButton*>("WO_Search")->click();
  } else {
    w->main->optionButton("equip")->click();
    w->main->fraEquip()->findChild<QPushButton*>("Equ_GoList")->click();
  }
  QTRY_VERIFY_WITH_TIMEOUT((workOrders ? lists().woRows : lists().equRows) > 0, Wait);
  QVERIFY2(note->questions.size() == 1 && note->shown.size() == 1, qPrintable(note->texts().join('|')));
  note->clear();
  QTRY_VERIFY_WITH_TIMEOUT(grid(workOrders)->cellView()->viewport()->isVisible(), Wait);
}

void TestGridX11::rightClickExportsTheList_data() {
  QTest::addColumn<bool>("workOrders");
  QTest::addColumn<QString>("place");
  for (bool workOrders : {true, false})
    for (const char* place : {"on a row", "below the rows", "on a caption"})
      QTest::addRow("%s, %s", workOrders ? "work orders" : "equipment", place) << workOrders << QString(place);
}

void TestGridX11::rightClickExportsTheList() {
  QFETCH(bool, workOrders);
  QFETCH(QString, place);
  showList(workOrders);
  if (QTest::currentTestFailed()) return;
  ListGrid* g = grid(workOrders);
  const int records = int(workOrders ? lists().woRecords.size() : lists().equRecords.size());
  QVERIFY2(records >= 2 && records < ListGrid::Rows, "the demonstration data has a short list of each");
  QPoint at = rowPoint(g, 2);
  if (place == QLatin1String("below the rows")) at = rowPoint(g, ListGrid::Rows);
  if (place == QLatin1String("on a caption")) {
    const auto layout = workOrders ? tav::user::woGridLayout() : tav::user::equGridLayout();
    auto* caption = g->rowSurface()->findChild<QLabel*>(layout.captionName + QStringLiteral("_2"));
    QVERIFY(caption);
    at = caption->mapToGlobal(caption->rect().center());
  }
  QMenu* menu = w->main->popmn();
  pointer->moveTo(at);
  pointer->click(Right);
  QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), Wait);
  QCOMPARE(menu->pos(), at);
  QCOMPARE(workOrders ? lists().woSel : lists().equSel, 1);

  QAction* entry = menu->actions().value(0);
  QVERIFY(entry);
  QCOMPARE(entry->text(), QStringLiteral("导出列表到Excel"));
  pointer->moveTo(menu->mapToGlobal(menu->actionGeometry(entry).center()));
  QTRY_COMPARE_WITH_TIMEOUT(menu->activeAction(), entry, Wait);
  pointer->click(Left);
  QTRY_VERIFY_WITH_TIMEOUT(!menu->isVisible(), Wait);
  QTRY_COMPARE_WITH_TIMEOUT(int(recordLines(record).size()), 1, Wait);
  QVERIFY2(note->shown.empty(), qPrintable(note->texts().join('|')));

  const QString path = recordLines(record).first();
  QVERIFY2(path.endsWith(QLatin1String(".xlsx")) && QFile::exists(path), qPrintable(path));
  const Workbook book = readWorkbook(path);
  QFile::remove(path);
  QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
  const QString sheet = QStringLiteral("Sheet1");
  QCOMPARE(book.value(sheet, "A1").toString(), (workOrders ? tav::user::woCaption() : tav::user::equCaption())[0]);
  QCOMPARE(book.value(sheet, "B2").toString(), g->cell(1, 2).Text);
  QVERIFY(!book.value(sheet, QStringLiteral("A%1").arg(records + 1)).isUndefined());
  QVERIFY(book.value(sheet, QStringLiteral("A%1").arg(records + 2)).isUndefined());
}

void TestGridX11::leftClickSelectsARow_data() {
  QTest::addColumn<bool>("workOrders");
  QTest::newRow("work orders") << true;
  QTest::newRow("equipment") << false;
}

void TestGridX11::leftClickSelectsARow() {
  QFETCH(bool, workOrders);
  showList(workOrders);
  if (QTest::currentTestFailed()) return;
  ListGrid* g = grid(workOrders);
  const int32_t& sel = workOrders ? lists().woSel : lists().equSel;
  QCOMPARE(sel, 1);
  pointer->moveTo(rowPoint(g, 2));
  QTRY_COMPARE_WITH_TIMEOUT(g->hover(), 2, Wait);
  pointer->click(Left);
  QTRY_COMPARE_WITH_TIMEOUT(sel, 2, Wait);
  QVERIFY(g->cell(2, 1).checked);
  QVERIFY(!g->cell(1, 1).checked);
  QVERIFY(!w->main->popmn()->isVisible());
}

void TestGridX11::doubleClickOpensTheOrder() {
  showList(true);
  if (QTest::currentTestFailed()) return;
  ListGrid* g = grid(true);
  QVERIFY(lists().woRecords.size() >= 2);
  const QString second = QString::number(lists().woRecords[1].bill_id);
  pointer->moveTo(rowPoint(g, 2));
  QTRY_COMPARE_WITH_TIMEOUT(g->hover(), 2, Wait);
  pointer->click(Left);
  pointer->click(Left);
  QTRY_VERIFY_WITH_TIMEOUT(w->main->OFrame() == w->main->fraRequ(), Wait);
  QTRY_COMPARE_WITH_TIMEOUT(w->main->fraRequ()->findChild<QLabel*>("ReQu_BillId")->text(), second, Wait);
  QCOMPARE(lists().woSel, 2);
  QVERIFY2(note->shown.empty(), qPrintable(note->texts().join('|')));
}

int main(int argc, char** argv) {
  Xvfb x;
  xserver = &x;
  if (x.ok()) {
    qputenv("DISPLAY", QByteArray::fromStdString(x.display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
  } else {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // only to say why the cases are skipped
  }
  QApplication app(argc, argv);
  tav::client::setUpApplication();
  TestGridX11 t;
  return QTest::qExec(&t, argc, argv);
}

#include "test_grid_x11.moc"
