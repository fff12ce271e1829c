// The two list grids at widget level: what rows, numbers and the bar show
// for lists of several lengths, read from the cells and through the
// table a screen reader sees; colours taken from the painted image; hover,
// selection, double click, pop-up menu, the sideways slide, the repaint of
// one record and the return to the logged-off state.
#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QAccessibleValueInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include "client/user/fraequip.h"
#include "client/user/frarequ.h"
#include "client/user/fraworko.h"
#include "client/user/frmmain.h"
#include "client/user/grid.h"
#include "client/user/listreply.h"
#include "client/common/windowfilters.h"
#include "client/user/usertables.h"
#include "tests/client/support/clienttest.h"
#include "tests/client/user/xlsxread.h"

using namespace tav::user;
using tavtest::readWorkbook;
using tavtest::RecordingNotifier;
using tavtest::RecordingSpreadsheet;
using tavtest::Workbook;

namespace {

const QColor Plain(224, 224, 224), Hover(192, 192, 192), Selected(255, 224, 192);

std::vector<WOList> orders(int n) {
  std::vector<WOList> rows;
  for (int i = 1; i <= n; ++i) {
    WOList w;
    w.bill_id = 1000 + i;
    w.description = QStringLiteral("第%1单").arg(i);
    w.createid = QStringLiteral("u%1").arg(i);
    w.created_date = 45000 + i;
    w.isNew = 1;
    deriveTexts(w);
    rows.push_back(w);
  }
  return rows;
}

std::vector<EquList> equipment(int n) {
  std::vector<EquList> rows;
  for (int i = 1; i <= n; ++i) {
    EquList e;
    e.equip_id = 500 + i;
    e.equip_name = QStringLiteral("设备%1").arg(i);
    e.buied_date = i % 2 ? 45000 : 0;
    deriveTexts(e);
    rows.push_back(e);
  }
  return rows;
}

// The pointer on the cells' surface, y in the cell view's own pixels (the
// row surface's y less 48). QTest hands it to the main window, so it takes
// Qt's own road from the window to the widget, through the application's
// filters, as a person's mouse does.
QPoint at(int y, int x = 30) { return {x, y}; }
void moveTo(QWidget* w, int y) { QTest::mouseMove(w, at(y)); }
int rowMiddle(int row) { return (row - 1) * ListGrid::RowHeight + 12; }

QString readerText(QTableView* view, int row, int column) {
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view);
  QAccessibleInterface* cell = table->tableInterface()->cellAt(row - 1, column - 1);
  return cell ? cell->text(QAccessible::Name) : QStringLiteral("<none>");
}

// The header a reader announces for a row, asked both ways: from the table
// and from a cell of that row.
QString rowHeader(QTableView* view, int row) {
  QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(view)->tableInterface();
  const QString described = table->rowDescription(row - 1);
  const QList<QAccessibleInterface*> headers = table->cellAt(row - 1, 0)->tableCellInterface()->rowHeaderCells();
  const QString fromCell = headers.isEmpty() ? QStringLiteral("<none>") : headers.first()->text(QAccessible::Name);
  // Qt makes the header cells anew for each call and hands them over; handed
  // to the registry they can be deleted.
  for (QAccessibleInterface* h : headers) QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(h));
  return described == fromCell ? described : described + QStringLiteral(" / ") + fromCell;
}

QColor painted(ListGrid* g, int row, int column = 2) {
  QTableView* v = g->cellView();
  const QImage shot = v->viewport()->grab().toImage();
  const QRect r = v->visualRect(v->model()->index(row - 1, column - 1));
  // Inside the cell, left of its text.
  return shot.pixelColor(QPoint(r.left() + 2, r.center().y()) * shot.devicePixelRatio());
}

struct Window {
  RecordingNotifier note;
  FrmMain main;
  Window() {
    main.show();
    main.showPanel(main.fraWorkO(), QStringLiteral("工单列表"), false);
  }
  ListGrid* wo() { return main.fraWorkO()->grid(); }
  ListGrid* equ() { return main.fraEquip()->grid(); }
};

}  // namespace

class TestGrid : public QObject {
  Q_OBJECT
 private slots:
  // The right-button filter, as the client installs it once its window stands.
  void initTestCase() { tav::client::keepRightButtonFromControls(); }
  void rowsNumbersAndBar_data();
  void rowsNumbersAndBar();
  void lastPageOf45();
  void barBeyond16Bits();
  void rowHeadersFollowTheBar();
  void coloursPlainHoverSelected();
  void selectionKeptWhenScrolledOutAndBack();
  void hoverRepaintsOnlyOnARowChange();
  void doubleClick_data();
  void doubleClick();
  void rightClickOpensThePopup_data();
  void rightClickOpensThePopup();
  void rightClickBeforeAList();
  void rightButtonKeptFromControls_data();
  void rightButtonKeptFromControls();
  void slidesSideways_data();
  void slidesSideways();
  void repaintOfOneRecord();
  void equipmentGrid();
  void logoffBlanksTheGrids();
};

void TestGrid::rowsNumbersAndBar_data() {
  QTest::addColumn<int>("count");
  QTest::addColumn<bool>("barOn");
  QTest::addColumn<int>("barMax");
  for (auto [n, on, max] : {std::tuple{7, false, 1}, {20, false, 1}, {21, true, 2}, {45, true, 26}})
    QTest::addRow("%d records", n) << n << on << max;
}

void TestGrid::rowsNumbersAndBar() {
  QFETCH(int, count);
  QFETCH(bool, barOn);
  QFETCH(int, barMax);
  Window w;
  ListGrid* g = w.wo();
  // A scrolled list before: the new one still starts at record 1.
  showWoList(w.main, orders(45));
  g->vBar()->setValue(9);
  showWoList(w.main, orders(count));

  const Lists& l = w.main.lists();
  QCOMPARE(l.woRows, std::min(count, 20));
  QCOMPARE(l.woTop, 1);
  QCOMPARE(l.woSel, 1);
  QCOMPARE(g->vBar()->isEnabled(), barOn);
  QCOMPARE(g->vBar()->maximum(), barMax);
  QCOMPARE(g->vBar()->value(), 1);
  for (int r = 1; r <= 20; ++r) {
    const bool filled = r <= count;
    const QString id = filled ? QString::number(1000 + r) : QString();
    const QString number = filled ? QString::number(r) : QString();
    QCOMPARE(g->cell(r, 1).Text, id);
    QCOMPARE(g->cell(r, 3).Text, filled ? QStringLiteral("第%1单").arg(r) : QString());
    QCOMPARE(g->numberCell(r).Text, number);
    QCOMPARE(readerText(g->cellView(), r, 1), id);
    QCOMPARE(readerText(g->numberView(), r, 1), number);
    QCOMPARE(g->cell(r, 1).checked, r == 1);
  }
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(g->cellView());
  QCOMPARE(table->tableInterface()->rowCount(), 20);
  QCOMPARE(table->tableInterface()->columnCount(), 18);
  QCOMPARE(table->tableInterface()->columnDescription(12), QStringLiteral("开始日期"));
  QCOMPARE(table->tableInterface()->selectedRows(), QList<int>{0});
  QVERIFY(w.main.fraWorkO()->findChild<QPushButton*>("WO_Detail")->isEnabled());
  QVERIFY(w.main.fraWorkO()->findChild<QPushButton*>("WOsort")->isEnabled());

  // An empty reply blanks every row and turns the list buttons off.
  showWoList(w.main, {});
  QCOMPARE(l.woRows, 0);
  QVERIFY(!g->vBar()->isEnabled());
  for (int r = 1; r <= 20; ++r) {
    QCOMPARE(g->cell(r, 1).Text, QString());
    QCOMPARE(g->numberCell(r).Text, QString());
    QVERIFY(!g->cell(r, 1).checked);
  }
  QVERIFY(!w.main.fraWorkO()->findChild<QPushButton*>("WO_Detail")->isEnabled());
  QVERIFY(!w.main.fraWorkO()->findChild<QPushButton*>("WOsort")->isEnabled());
}

void TestGrid::lastPageOf45() {
  Window w;
  ListGrid* g = w.wo();
  showWoList(w.main, orders(45));
  g->vBar()->setValue(g->vBar()->maximum());
  QCOMPARE(w.main.lists().woTop, 26);
  QCOMPARE(g->cell(1, 1).Text, QStringLiteral("1026"));
  QCOMPARE(g->numberCell(1).Text, QStringLiteral("26"));
  QCOMPARE(g->cell(20, 1).Text, QStringLiteral("1045"));
  QCOMPARE(readerText(g->cellView(), 1, 1), QStringLiteral("1026"));
  QCOMPARE(readerText(g->numberView(), 20, 1), QStringLiteral("45"));
  // The bar tells a reader where the list stands.
  QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(g->vBar());
  QCOMPARE(bar->valueInterface()->currentValue().toInt(), 26);
  QCOMPARE(bar->valueInterface()->maximumValue().toInt(), 26);
  // Record 1, selected, is out of view.
  QVERIFY(QAccessible::queryAccessibleInterface(g->cellView())->tableInterface()->selectedRows().isEmpty());
}

void TestGrid::rowHeadersFollowTheBar() {
  Window w;
  for (ListGrid* g : {w.wo(), w.equ()}) {
    if (g == w.wo()) showWoList(w.main, orders(21));
    else showEquList(w.main, equipment(21));
    QSignalSpy told(g->cellView()->model(), &QAbstractItemModel::headerDataChanged);
    g->vBar()->setValue(2);
    QVERIFY(!told.isEmpty());
    for (int r = 1; r <= 20; ++r) {
      QCOMPARE(rowHeader(g->cellView(), r), QString::number(r + 1));
      QCOMPARE(rowHeader(g->numberView(), r), QString::number(r + 1));
    }
    // A shorter list: the blank rows have no header.
    if (g == w.wo()) showWoList(w.main, orders(7));
    else showEquList(w.main, equipment(7));
    for (int r = 1; r <= 20; ++r) {
      const QString expected = r <= 7 ? QString::number(r) : QString();
      QCOMPARE(rowHeader(g->cellView(), r), expected);
      QCOMPARE(rowHeader(g->numberView(), r), expected);
    }
  }
}

void TestGrid::barBeyond16Bits() {
  Window w;
  ListGrid* g = w.wo();
  showWoList(w.main, orders(40000));
  QCOMPARE(g->vBar()->maximum(), 39981);
  g->vBar()->setValue(39981);
  QCOMPARE(g->cell(20, 1).Text, QStringLiteral("41000"));
  QCOMPARE(g->numberCell(20).Text, QStringLiteral("40000"));
}

void TestGrid::coloursPlainHoverSelected() {
  Window w;
  ListGrid* g = w.wo();
  showWoList(w.main, orders(7));
  QWidget* cells = g->cellView()->viewport();
  QCOMPARE(painted(g, 1), Selected);
  QCOMPARE(painted(g, 2), Plain);
  QCOMPARE(painted(g, 7), Plain);
  QCOMPARE(painted(g, 12), Plain);  // an empty row

  moveTo(cells, rowMiddle(3));
  QCOMPARE(g->hover(), 3);
  QCOMPARE(painted(g, 3), Hover);
  QCOMPARE(painted(g, 2), Plain);
  moveTo(cells, rowMiddle(1));
  QCOMPARE(painted(g, 1), Selected);  // the selection wins over the hover
  QCOMPARE(painted(g, 3), Plain);

  // A click selects the hover row and clears the old one.
  moveTo(cells, rowMiddle(5));
  QTest::mouseClick(cells, Qt::LeftButton, {}, at(rowMiddle(5)));
  QCOMPARE(painted(g, 5), Selected);
  QCOMPARE(painted(g, 1), Plain);
  const Lists& l = w.main.lists();
  QCOMPARE(l.woSel, 5);
  for (int i = 0; i < 7; ++i) QCOMPARE(l.woRecords[static_cast<std::size_t>(i)].checked, i == 4);
  QCOMPARE(QAccessible::queryAccessibleInterface(g->cellView())->tableInterface()->selectedRows(), QList<int>{4});

  // The right button selects nothing.
  moveTo(cells, rowMiddle(6));
  QTest::mouseClick(cells, Qt::RightButton, {}, at(rowMiddle(6)));
  QCOMPARE(l.woSel, 5);
  QCOMPARE(painted(g, 6), Hover);
  w.main.popmn()->close();
}

void TestGrid::selectionKeptWhenScrolledOutAndBack() {
  Window w;
  ListGrid* g = w.wo();
  showWoList(w.main, orders(45));
  QWidget* cells = g->cellView()->viewport();
  moveTo(cells, rowMiddle(2));
  QTest::mouseClick(cells, Qt::LeftButton, {}, at(rowMiddle(2)));
  moveTo(cells, rowMiddle(8));  // the hover leaves row 2
  g->vBar()->setValue(10);
  QCOMPARE(painted(g, 2), Plain);  // record 11 now
  for (int r = 1; r <= 20; ++r) QVERIFY(!g->cell(r, 1).checked);
  g->vBar()->setValue(1);
  QCOMPARE(painted(g, 2), Selected);
  QCOMPARE(painted(g, 1), Plain);
  // Selecting while scrolled: the old row is out of view and is left alone.
  g->vBar()->setValue(20);
  moveTo(cells, rowMiddle(4));
  QTest::mouseClick(cells, Qt::LeftButton, {}, at(rowMiddle(4)));
  QCOMPARE(w.main.lists().woSel, 23);
  g->vBar()->setValue(1);
  QCOMPARE(painted(g, 2), Plain);
  QVERIFY(w.main.lists().woRecords[22].checked);
  QVERIFY(!w.main.lists().woRecords[1].checked);
}

void TestGrid::hoverRepaintsOnlyOnARowChange() {
  Window w;
  ListGrid* g = w.wo();
  showWoList(w.main, orders(7));
  QWidget* cells = g->cellView()->viewport();
  moveTo(cells, rowMiddle(2));
  long long before = g->updates();
  // Within one row: nothing is painted.
  moveTo(cells, rowMiddle(2) - 10);
  moveTo(cells, rowMiddle(2) + 10);
  QCOMPARE(g->updates(), before);
  // To another row: the two rows' cells, once each.
  moveTo(cells, rowMiddle(4));
  QCOMPARE(g->updates(), before + 2 * 18);
  QVERIFY(g->cell(4, 5).MouseOn);
  QVERIFY(!g->cell(2, 5).MouseOn);
  // Below the filled rows: the last hovered row stays lit.
  before = g->updates();
  moveTo(cells, rowMiddle(9));
  QCOMPARE(g->updates(), before);
  QCOMPARE(g->lit(), 4);
  QVERIFY(g->cell(4, 1).MouseOn);
  // A repaint of the rows leaves the hover where it is.
  g->change();
  QVERIFY(g->cell(4, 1).MouseOn);
}

void TestGrid::doubleClick_data() {
  QTest::addColumn<int>("moveY");
  QTest::addColumn<int>("clickY");
  QTest::addColumn<bool>("opens");
  // 7 rows: the row surface's y is the cells' y + 48.
  QTest::newRow("inside row 5") << rowMiddle(5) << rowMiddle(5) << true;
  QTest::newRow("inside row 7") << rowMiddle(7) << rowMiddle(7) << true;
  QTest::newRow("below the filled rows") << rowMiddle(7) << rowMiddle(8) << false;
  QTest::newRow("on the top edge (y 48)") << 0 << 0 << false;
  QTest::newRow("on the bottom edge (y 48 + 25 x 7)") << 175 << 175 << false;
}

void TestGrid::doubleClick() {
  QFETCH(int, moveY);
  QFETCH(int, clickY);
  QFETCH(bool, opens);
  Window w;
  ListGrid* g = w.wo();
  showWoList(w.main, orders(7));
  QSignalSpy spy(g, &ListGrid::doubleClicked);
  QWidget* cells = g->cellView()->viewport();
  moveTo(cells, moveY);
  QTest::mouseDClick(cells, Qt::LeftButton, {}, at(clickY));
  QCOMPARE(spy.count(), opens ? 1 : 0);
  QCOMPARE(w.main.OFrame() == w.main.fraRequ(), opens);
  if (opens)
    QCOMPARE(w.main.fraRequ()->findChild<QLabel*>("ReQu_BillId")->text(),
             QString::number(1000 + w.main.lists().woSel));
}

void TestGrid::rightClickOpensThePopup_data() {
  QTest::addColumn<bool>("workOrders");
  QTest::addColumn<QString>("place");
  for (bool workOrders : {true, false})
    for (const char* place : {"on a row", "below the rows", "on a caption"})
      QTest::addRow("%s, %s", workOrders ? "work orders" : "equipment", place) << workOrders << QString(place);
}

// A whole right click, press and release, as a person gives it: the menu
// opens at the pointer, selects nothing, and its entry exports the list
// the grid shows.
void TestGrid::rightClickOpensThePopup() {
  QFETCH(bool, workOrders);
  QFETCH(QString, place);
  Window w;
  RecordingSpreadsheet app;
  ListGrid* g = workOrders ? w.wo() : w.equ();
  if (workOrders) {
    showWoList(w.main, orders(3));
  } else {
    w.main.showPanel(w.main.fraEquip(), QStringLiteral("设备列表"), true);
    showEquList(w.main, equipment(4));
  }
  QWidget* target = g->cellView()->viewport();
  QPoint p = at(rowMiddle(2));
  if (place == QLatin1String("below the rows")) p = at(rowMiddle(15));
  if (place == QLatin1String("on a caption")) {
    const GridLayout layout = workOrders ? woGridLayout() : equGridLayout();
    target = g->rowSurface()->findChild<QLabel*>(layout.captionName + QStringLiteral("_3"));
    QVERIFY(target);
    p = target->rect().center();
  }
  QMenu* menu = w.main.popmn();
  QVERIFY(!menu->isVisible());
  QTest::mouseMove(target, p);
  QTest::mouseClick(target, Qt::RightButton, {}, p);
  QTRY_VERIFY(menu->isVisible());
  QCOMPARE(menu->pos(), target->mapToGlobal(p));
  QCOMPARE(workOrders ? w.main.lists().woSel : w.main.lists().equSel, 1);

  QAction* entry = menu->actions().value(0);
  QVERIFY(entry);
  QCOMPARE(entry->text(), QStringLiteral("导出列表到Excel"));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
  QTRY_VERIFY(!menu->isVisible());
  QCOMPARE(app.opened.size(), 1);
  const Workbook book = readWorkbook(app.opened[0]);
  QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
  const QString sheet = QStringLiteral("Sheet1");
  const int records = workOrders ? 3 : 4;
  QCOMPARE(book.value(sheet, "A1").toString(), (workOrders ? woCaption() : equCaption())[0]);
  QCOMPARE(book.value(sheet, workOrders ? "C2" : "B2").toString(),
           workOrders ? QStringLiteral("第1单") : QStringLiteral("设备1"));
  QVERIFY(!book.value(sheet, QStringLiteral("A%1").arg(records + 1)).isUndefined());
  QVERIFY(book.value(sheet, QStringLiteral("A%1").arg(records + 2)).isUndefined());
}

void TestGrid::rightClickBeforeAList() {
  // The grid of a fresh window opens the menu too: the export then writes the captions alone.
  Window w;
  QWidget* cells = w.wo()->cellView()->viewport();
  QTest::mouseClick(cells, Qt::RightButton, {}, at(rowMiddle(1)));
  QTRY_VERIFY(w.main.popmn()->isVisible());
  w.main.popmn()->close();
  // A left click opens nothing.
  QTest::mouseClick(cells, Qt::LeftButton, {}, at(rowMiddle(1)));
  QVERIFY(!w.main.popmn()->isVisible());
}

namespace {

// Every mouse button and context-menu event that gets past the
// application's filters to the widgets it watches.
struct ButtonsSeen : QObject {
  QStringList seen;
  bool eventFilter(QObject*, QEvent* e) override {
    const char* what = nullptr;
    switch (e->type()) {
      case QEvent::MouseButtonPress: what = "press"; break;
      case QEvent::MouseButtonRelease: what = "release"; break;
      case QEvent::MouseButtonDblClick: what = "double"; break;
      case QEvent::ContextMenu: seen << QStringLiteral("menu"); return false;
      default: return false;
    }
    const bool right = static_cast<QMouseEvent*>(e)->button() == Qt::RightButton;
    seen << QStringLiteral("%1 %2").arg(QLatin1String(what), right ? QStringLiteral("right") : QStringLiteral("left"));
    return false;
  }
};

}  // namespace

void TestGrid::rightButtonKeptFromControls_data() {
  QTest::addColumn<bool>("workOrders");
  QTest::addColumn<QString>("name");
  QTest::newRow("quick-search box") << true << "frmWOT_2";
  QTest::newRow("drop-down box") << true << "frmWOT4";
  QTest::newRow("vertical bar") << true << "VScWO";
  QTest::newRow("horizontal bar") << true << "HScWO";
  QTest::newRow("search button") << true << "WO_Search";
  QTest::newRow("equipment quick-search box") << false << "frmEquT_1";
  QTest::newRow("equipment search button") << false << "Equ_GoList";
}

// Right clicks and double clicks on the controls in and around the grids
// reach none of them: no press, no release, no context menu, no focus, no
// pop-up. A left click still gets through, so the watch is not blind.
void TestGrid::rightButtonKeptFromControls() {
  QFETCH(bool, workOrders);
  QFETCH(QString, name);
  Window w;
  QWidget* panel = w.main.fraWorkO();
  if (workOrders) {
    showWoList(w.main, orders(45));
  } else {
    w.main.showPanel(w.main.fraEquip(), QStringLiteral("设备列表"), true);
    panel = w.main.fraEquip();
    showEquList(w.main, equipment(45));
  }
  ListGrid* g = workOrders ? w.wo() : w.equ();
  auto* control = panel->findChild<QWidget*>(name);
  QVERIFY(control);
  QApplication::setActiveWindow(&w.main);
  g->box(3)->setFocus();
  QTRY_VERIFY(g->box(3)->hasFocus());
  ButtonsSeen watch;
  control->installEventFilter(&watch);
  for (QWidget* child : control->findChildren<QWidget*>()) child->installEventFilter(&watch);

  const QPoint p = control->rect().center();
  QTest::mouseMove(control, p);
  QTest::mouseClick(control, Qt::RightButton, {}, p);
  QTest::mouseDClick(control, Qt::RightButton, {}, p);
  QCOMPARE(watch.seen, QStringList());
  QVERIFY(g->box(3)->hasFocus());
  QVERIFY(!w.main.popmn()->isVisible());
  QCOMPARE(QApplication::activePopupWidget(), nullptr);

  QTest::mouseClick(control, Qt::LeftButton, {}, p);
  QCOMPARE(watch.seen, (QStringList{"press left", "release left"}));
  if (QWidget* opened = QApplication::activePopupWidget()) opened->close();
}

void TestGrid::slidesSideways_data() {
  QTest::addColumn<bool>("workOrders");
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("x");
  QTest::newRow("work orders at 1") << true << 1 << 48;
  QTest::newRow("work orders at 100") << true << 100 << 48 - 99;
  QTest::newRow("work orders at the end") << true << 955 << 48 - 954;
  QTest::newRow("equipment at 100") << false << 100 << 48 - 99;
  QTest::newRow("equipment at the end") << false << 358 << 48 - 357;
}

void TestGrid::slidesSideways() {
  QFETCH(bool, workOrders);
  QFETCH(int, value);
  QFETCH(int, x);
  Window w;
  ListGrid* g = workOrders ? w.wo() : w.equ();
  g->hBar()->setValue(value);
  QCOMPARE(g->hBar()->value(), value);
  QCOMPARE(g->rowSurface()->x(), x);
  QCOMPARE(g->numberSurface()->x(), 0);
  // The boxes and captions ride on the surface.
  QCOMPARE(g->box(1)->parentWidget(), g->rowSurface());
}

void TestGrid::repaintOfOneRecord() {
  Window w;
  ListGrid* g = w.wo();
  showWoList(w.main, orders(45));
  g->vBar()->setValue(5);
  auto& r = w.main.lists().woRecords;
  r[6].description = QStringLiteral("改过");  // record 7, row 3
  r[40].description = QStringLiteral("看不见");
  const long long before = g->updates();
  w.main.fraWorkO()->repaintRecord(7);
  QCOMPARE(g->cell(3, 3).Text, QStringLiteral("改过"));
  QCOMPARE(readerText(g->cellView(), 3, 3), QStringLiteral("改过"));
  QCOMPARE(g->updates(), before + 19);
  w.main.fraWorkO()->repaintRecord(41);
  w.main.fraWorkO()->repaintRecord(4);
  QCOMPARE(g->updates(), before + 19);
}

void TestGrid::equipmentGrid() {
  Window w;
  w.main.showPanel(w.main.fraEquip(), QStringLiteral("设备列表"), true);
  ListGrid* g = w.equ();
  QCOMPARE(g->rowSurface()->objectName(), QStringLiteral("Equ_MPic"));
  QCOMPARE(g->numberSurface()->objectName(), QStringLiteral("Equ_sPic"));
  QCOMPARE(g->vBar()->objectName(), QStringLiteral("VScEqu"));
  QCOMPARE(w.main.wheel()->curVScroll.data(), g->vBar());
  QCOMPARE(w.main.wheel()->curHScroll.data(), g->hBar());
  for (int c = 1; c <= 10; ++c) {
    QVERIFY(g->rowSurface()->findChild<QLineEdit*>(QStringLiteral("frmEquT_%1").arg(c)));
    QCOMPARE(g->rowSurface()->findChild<QLabel*>(QStringLiteral("frmEquL_%1").arg(c))->text(), equCaption()[c - 1]);
  }
  showEquList(w.main, equipment(21));
  QCOMPARE(w.main.lists().equRows, 20);
  QVERIFY(g->vBar()->isEnabled());
  QCOMPARE(g->vBar()->maximum(), 2);
  QCOMPARE(g->cell(1, 2).Text, QStringLiteral("设备1"));
  QCOMPARE(g->cell(1, 4).Text, QStringLiteral("2023-3-15"));
  QCOMPARE(g->cell(2, 4).Text, QString());
  g->vBar()->setValue(2);
  QCOMPARE(g->cell(20, 1).Text, QStringLiteral("521"));
  QCOMPARE(readerText(g->cellView(), 20, 2), QStringLiteral("设备21"));
  QCOMPARE(painted(g, 20), Plain);
  g->vBar()->setValue(1);
  QCOMPARE(painted(g, 1), Selected);

  QWidget* cells = g->cellView()->viewport();
  moveTo(cells, rowMiddle(6));
  QTest::mouseClick(cells, Qt::LeftButton, {}, at(rowMiddle(6)));
  QCOMPARE(w.main.lists().equSel, 6);
  QVERIFY(w.main.lists().equRecords[5].checked);
  QVERIFY(!w.main.lists().equRecords[0].checked);
}

void TestGrid::logoffBlanksTheGrids() {
  Window w;
  ListGrid* g = w.wo();
  w.main.fraWorkO()->afterLogin();
  showWoList(w.main, orders(30));
  showEquList(w.main, equipment(3));
  g->box(2)->setText(QStringLiteral("泵"));
  w.equ()->box(1)->setText(QStringLiteral("12"));
  g->comboBox()->addItem(QStringLiteral("已安排"));
  g->comboBox()->setCurrentIndex(1);
  w.main.resetLogoff();
  for (ListGrid* grid : {g, w.equ()}) {
    for (int r = 1; r <= 20; ++r) {
      QCOMPARE(grid->cell(r, 1).Text, QString());
      QVERIFY(!grid->cell(r, 1).checked);
      QCOMPARE(grid->numberCell(r).Text, QString());
    }
    QVERIFY(!grid->vBar()->isEnabled());
  }
  QCOMPARE(g->box(2)->text(), QString());
  QCOMPARE(w.equ()->box(1)->text(), QString());
  QCOMPARE(g->comboBox()->currentIndex(), 0);
  QVERIFY(!w.main.fraWorkO()->findChild<QPushButton*>("WO_Detail")->isEnabled());
  QVERIFY(!w.main.fraWorkO()->findChild<QPushButton*>("WOsort")->isEnabled());
  // No row answers a click any more.
  moveTo(g->cellView()->viewport(), rowMiddle(2));
  QTest::mouseClick(g->cellView()->viewport(), Qt::LeftButton, {}, at(rowMiddle(2)));
  QCOMPARE(w.main.lists().woSel, 0);
}

QTEST_MAIN(TestGrid)
#include "test_grid.moc"
