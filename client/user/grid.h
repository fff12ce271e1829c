// The list grid both list panels show: a fixed column of row numbers, a row
// surface with the column captions, the quick-search boxes and 20 rows of
// cells that slides sideways, and the two scroll bars.
#pragma once
#include <QAbstractTableModel>
#include <QFrame>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace tav::user {

class GridModel;

// One painted cell. Its text and its two marks decide how it looks;
// UpDate repaints this cell alone.
class ClaCell {
 public:
  int32_t CorL = 0;  // 0 centres the text, -1 aligns it left
  int32_t ForeColor = 0;
  bool FontBold = false;
  bool FontItalic = false;
  bool MouseOn = false;  // the cell's row is under the mouse
  bool checked = false;  // the cell's row shows the selected record
  QString Text;

  void UpDate();
  // Left before Width and Top before Height: each second one uses the first.
  void Left(int32_t v);
  void Width(int32_t v);
  void Top(int32_t v);
  void Height(int32_t v);
  QRect cellRect() const { return cell_; }
  QRect textRect() const { return text_; }

  // The fill colour the cell's marks give: selected wins over hover.
  QColor fill() const;

 private:
  friend class GridModel;
  GridModel* owner_ = nullptr;
  int row_ = 0, column_ = 0;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  QRect cell_, text_;  // left, top, right (exclusive), bottom (exclusive)
};

// The visible rows as a table: what the view paints and what assistive
// technology reads, cell by cell.
class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  GridModel(int rows, int columns, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

  ClaCell& cell(int row, int column);  // both from 0
  void setHeaders(const QStringList& h) { headers_ = h; }
  // Each row's header is the text of column 0 of `names` in that row (the
  // record number the number column shows), so a reader announces the
  // record, not the row's place in the window.
  void setRowNames(GridModel* names);
  // Called by a cell's UpDate.
  void cellUpdated(int row, int column);
  // How many cells have been repainted so far.
  long long updates() const { return updates_; }

 signals:
  // A cell of column 0 was repainted (rows from 0).
  void rowNameChanged(int row);

 private:
  int rows_, columns_;
  std::vector<ClaCell> cells_;
  QStringList headers_;
  GridModel* rowNames_ = nullptr;
  long long updates_ = 0;
};

// Paints a cell in its fill colour with its text in one line, clipped to
// the text rectangle.
class GridDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The shape of one grid and the names of its controls.
struct GridLayout {
  QString rowSurface, numberSurface;  // "PicWO", "PicsWO"
  QString vBar, hBar;                 // "VScWO", "HScWO"
  QString captionName, boxName;       // "LabName", "frmWOT": name_N for column N
  QString comboBox;                   // column with a drop-down list in place of a box ("frmWOT4"), or empty
  int comboColumn = 0;
  std::vector<int> edges;             // column edges, 0 first
  std::vector<int> leftAligned;       // columns (from 1) whose text is left-aligned
  QStringList captions;
  int surfaceWidth = 0;
  int hMax = 1;                       // the horizontal bar runs 1..hMax
  QString title;                      // what a screen reader calls the list
};

GridLayout woGridLayout();
GridLayout equGridLayout();

// The list a grid shows. Records are numbered from 1.
struct GridSource {
  std::function<int()> count;
  std::function<QString(int record, int column)> text;
  std::function<bool(int record)> checked;
  std::function<void(int record, bool on)> setChecked;
  int32_t* top = nullptr;
  int32_t* sel = nullptr;
  int32_t* rows = nullptr;
};

// A list of row objects (WOList, EquList) with its first shown record, its
// selection and its filled-row count as a grid's source.
template <class Row>
GridSource listSource(std::vector<Row>& rows, int32_t& top, int32_t& sel, int32_t& filled) {
  auto at = [&rows](int record) -> Row& { return rows[static_cast<std::size_t>(record) - 1]; };
  GridSource s;
  s.count = [&rows] { return static_cast<int>(rows.size()); };
  s.text = [at](int record, int column) { return at(record).Props(column).toString(); };
  s.checked = [at](int record) { return at(record).checked; };
  s.setChecked = [at](int record, bool on) { at(record).checked = on; };
  s.top = &top;
  s.sel = &sel;
  s.rows = &filled;
  return s;
}

class ListGrid : public QFrame {
  Q_OBJECT
 public:
  static constexpr int Rows = 20;
  static constexpr int RowTop = 48;
  static constexpr int RowHeight = 25;

  ListGrid(GridLayout layout, GridSource source, QWidget* parent);

  // Repaints the 20 rows from the record the vertical bar stands at.
  void change();
  // After a filler replaced the list: record 1 selected, the rows counted,
  // the bar set, the rows shown from record 1; an empty list blanks them.
  void showFilled();
  // Repaints the row of record `recordNo` when it shows.
  void repaintRecord(int recordNo);
  // Blank cells and row numbers, empty boxes, the bar disabled.
  void logoff();

  int columns() const { return static_cast<int>(layout_.captions.size()); }
  ClaCell& cell(int row, int column);  // row 1-20, column 1-N
  ClaCell& numberCell(int row);        // row 1-20
  QWidget* rowSurface() const { return surface_; }
  QWidget* numberSurface() const { return numSurface_; }
  QTableView* cellView() const { return view_; }
  QTableView* numberView() const { return numView_; }
  QScrollBar* vBar() const { return vbar_; }
  QScrollBar* hBar() const { return hbar_; }
  QLineEdit* box(int column) const;  // null for the drop-down column
  QComboBox* comboBox() const { return combo_; }
  int hover() const { return hover_; }
  int lit() const { return lit_; }
  // Cells repainted so far, both surfaces.
  long long updates() const;

  // The pointer at y (row-surface pixels): the hover row follows it.
  void mouseMovedTo(int y);
  // The left button: the hover row becomes the selection.
  void leftPressed();

 signals:
  // A double click on a filled row.
  void doubleClicked();
  // A release of the right button on the row surface, at this screen point.
  void popupAt(const QPoint& global);
  // Enter in one of the quick-search boxes.
  void enterInBox();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void paintRow(int row, int record);
  void blankRow(int row);
  void slide(int value);
  void mirrorSelection();
  int rowsFilled() const { return *source_.rows; }

  GridLayout layout_;
  GridSource source_;
  GridModel* model_;
  GridModel* numModel_;
  QTableView* view_ = nullptr;
  QTableView* numView_;
  QWidget* surface_;
  QWidget* numSurface_;
  QScrollBar* vbar_;
  QScrollBar* hbar_;
  std::vector<QLineEdit*> boxes_;  // index column - 1; null for the drop-down
  QComboBox* combo_ = nullptr;
  int hover_ = 0;
  int lit_ = 1;
};

}  // namespace tav::user
