// The list grid: its cells and their colours, the table the views show and
// screen readers read, the row surface's captions and boxes, and the
// mouse: hover, selection, double click, pop-up menu and the slide.
#include "client/user/grid.h"

#include "client/common/windowfilters.h"

#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

namespace tav::user {

namespace {

const QColor SelectedFill(255, 224, 192);
const QColor HoverFill(192, 192, 192);
const QColor PlainFill(224, 224, 224);

}  // namespace

// ---- ClaCell ----

void ClaCell::UpDate() {
  if (owner_) owner_->cellUpdated(row_, column_);
}

void ClaCell::Left(int32_t v) {
  left_ = v;
  cell_.setLeft(v);
  text_.setLeft(v + 5);
}

void ClaCell::Width(int32_t v) {
  width_ = v;
  cell_.setRight(left_ + v - 1);
  text_.setRight(left_ + v - 5 - 1);
}

void ClaCell::Top(int32_t v) {
  top_ = v;
  cell_.setTop(v);
  text_.setTop(v + 2);
}

void ClaCell::Height(int32_t v) {
  height_ = v;
  cell_.setBottom(top_ + v - 1);
  text_.setBottom(top_ + v - 1);
}

QColor ClaCell::fill() const {
  if (checked) return SelectedFill;
  if (MouseOn) return HoverFill;
  return PlainFill;
}

// ---- GridModel ----

GridModel::GridModel(int rows, int columns, QObject* parent)
    : QAbstractTableModel(parent), rows_(rows), columns_(columns), cells_(static_cast<std::size_t>(rows * columns)) {
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      ClaCell& x = cell(r, c);
      x.owner_ = this;
      x.row_ = r;
      x.column_ = c;
    }
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }
int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

ClaCell& GridModel::cell(int row, int column) { return cells_[static_cast<std::size_t>(row * columns_ + column)]; }

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const ClaCell& c = cells_[static_cast<std::size_t>(index.row() * columns_ + index.column())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: return c.Text;
    case Qt::BackgroundRole: return QBrush(c.fill());
    case Qt::TextAlignmentRole:
      return static_cast<int>(Qt::AlignVCenter | (c.CorL == -1 ? Qt::AlignLeft : Qt::AlignHCenter));
    default: return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (o == Qt::Horizontal) return section < headers_.size() ? headers_[section] : QVariant();
  if (!rowNames_ || section < 0 || section >= rowNames_->rows_) return {};
  return rowNames_->cells_[static_cast<std::size_t>(section * rowNames_->columns_)].Text;
}

void GridModel::setRowNames(GridModel* names) {
  rowNames_ = names;
  connect(names, &GridModel::rowNameChanged, this,
          [this](int row) { emit headerDataChanged(Qt::Vertical, row, row); });
}

void GridModel::cellUpdated(int row, int column) {
  ++updates_;
  QModelIndex i = index(row, column);
  emit dataChanged(i, i, {Qt::DisplayRole, Qt::BackgroundRole});
  if (column == 0) emit rowNameChanged(row);
}

// ---- GridDelegate ----

void GridDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  p->save();
  p->fillRect(option.rect, index.data(Qt::BackgroundRole).value<QBrush>());
  // The text keeps 5 pixels from either side and 2 from the top.
  QRect text = option.rect.adjusted(5, 2, -5, 0);
  p->setClipRect(text);
  p->setFont(option.font);
  p->setPen(option.palette.color(QPalette::WindowText));
  p->drawText(text, index.data(Qt::TextAlignmentRole).toInt() | Qt::TextSingleLine,
              index.data(Qt::DisplayRole).toString());
  p->restore();
}

QSize GridDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
  return {0, ListGrid::RowHeight};
}

// ---- the two grids' shapes ----

GridLayout woGridLayout() {
  GridLayout s;
  s.rowSurface = QStringLiteral("PicWO");
  s.numberSurface = QStringLiteral("PicsWO");
  s.vBar = QStringLiteral("VScWO");
  s.hBar = QStringLiteral("HScWO");
  s.captionName = QStringLiteral("LabName");
  s.boxName = QStringLiteral("frmWOT");
  s.comboBox = QStringLiteral("frmWOT4");
  s.comboColumn = 4;
  s.edges = {0, 80, 224, 432, 520, 568, 616, 664, 752, 840, 928, 1016, 1088, 1176, 1264, 1336, 1482, 1628, 1774};
  s.leftAligned = {3, 16, 17, 18};
  s.captions = {"工单编号", "设备名称", "描述",     "状态",     "类型",     "级别",
                "耗时",     "帐号ID",   "姓名",     "创建日期", "完成日期", "设备编号",
                "开始日期", "结束日期", "指派给",   "故障原因", "解决办法", "其它描述"};
  s.surfaceWidth = 1776;
  s.hMax = 955;
  s.title = QStringLiteral("工单列表");
  return s;
}

GridLayout equGridLayout() {
  GridLayout s;
  s.rowSurface = QStringLiteral("Equ_MPic");
  s.numberSurface = QStringLiteral("Equ_sPic");
  s.vBar = QStringLiteral("VScEqu");
  s.hBar = QStringLiteral("HScEqu");
  s.captionName = QStringLiteral("frmEquL");
  s.boxName = QStringLiteral("frmEquT");
  s.edges = {0, 88, 208, 376, 472, 520, 640, 864, 920, 1008, 1176};
  s.leftAligned = {7, 10};
  s.captions = {"设备编号", "设备名称", "功能位置", "购买日期", "级别", "制造商", "主要参数", "状态", "报废日期", "备注"};
  s.surfaceWidth = 1179;
  s.hMax = 358;
  s.title = QStringLiteral("设备列表");
  return s;
}

// ---- ListGrid ----

namespace {

QTableView* makeView(QWidget* parent, GridModel* model, const QString& name) {
  auto* v = new QTableView(parent);
  v->setObjectName(name);
  v->setModel(model);
  v->setItemDelegate(new GridDelegate(v));
  v->setFrameShape(QFrame::NoFrame);
  v->horizontalHeader()->hide();
  v->verticalHeader()->hide();
  v->verticalHeader()->setMinimumSectionSize(1);
  v->verticalHeader()->setDefaultSectionSize(ListGrid::RowHeight);
  v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  v->horizontalHeader()->setMinimumSectionSize(1);
  v->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  v->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The grid keeps its own selection; the view only mirrors it for readers.
  v->setSelectionMode(QAbstractItemView::NoSelection);
  v->setSelectionBehavior(QAbstractItemView::SelectRows);
  // Reached by Tab, so a screen reader can follow the table; clicks stay the grid's own.
  v->setFocusPolicy(Qt::TabFocus);
  v->setAutoScroll(false);
  v->setWordWrap(false);
  v->viewport()->setAttribute(Qt::WA_Hover, false);
  v->viewport()->setMouseTracking(true);
  return v;
}

}  // namespace

ListGrid::ListGrid(GridLayout layout, GridSource source, QWidget* parent)
    : QFrame(parent), layout_(std::move(layout)), source_(std::move(source)) {
  const int n = columns();
  const int surfaceHeight = RowTop + Rows * RowHeight + 1;  // 549
  setFixedSize(872 + 25, 548 + 25);

  // The row surface: captions, quick-search boxes and the cells below them.
  surface_ = new QWidget(this);
  surface_->setObjectName(layout_.rowSurface);
  surface_->setGeometry(48, 0, layout_.surfaceWidth, surfaceHeight);
  surface_->setAutoFillBackground(true);
  surface_->installEventFilter(this);
  // The pop-up opens on the right release anywhere on the cells and the
  // captions; Qt sends that release only where the press went.
  tav::client::RightButtonFilter::takeRightButton(surface_);
  boxes_.assign(static_cast<std::size_t>(n), nullptr);
  for (int c = 1; c <= n; ++c) {
    const int x = layout_.edges[static_cast<std::size_t>(c) - 1];
    const int w = layout_.edges[static_cast<std::size_t>(c)] - x;
    auto* cap = new QLabel(layout_.captions[c - 1], surface_);
    cap->setObjectName(QStringLiteral("%1_%2").arg(layout_.captionName).arg(c));
    cap->setAlignment(Qt::AlignCenter);
    cap->setGeometry(x, 0, w, 24);
    tav::client::RightButtonFilter::takeRightButton(cap);  // a caption passes its mouse on to the surface
    QWidget* box;
    if (c == layout_.comboColumn) {
      combo_ = new QComboBox(surface_);
      combo_->setObjectName(layout_.comboBox);
      combo_->setAccessibleName(layout_.captions[c - 1]);
      box = combo_;
    } else {
      auto* e = new QLineEdit(surface_);
      e->setObjectName(QStringLiteral("%1_%2").arg(layout_.boxName).arg(c));
      e->setAccessibleName(layout_.captions[c - 1]);
      connect(e, &QLineEdit::returnPressed, this, &ListGrid::enterInBox);
      boxes_[static_cast<std::size_t>(c) - 1] = e;
      box = e;
    }
    box->setGeometry(x, 24, w, 24);
  }

  model_ = new GridModel(Rows, n, this);
  model_->setHeaders(layout_.captions);
  view_ = makeView(surface_, model_, layout_.rowSurface + QStringLiteral("_cells"));
  view_->setAccessibleName(layout_.title);
  view_->setGeometry(0, RowTop, layout_.edges.back(), Rows * RowHeight + 1);
  for (int c = 1; c <= n; ++c) {
    const int left = layout_.edges[static_cast<std::size_t>(c) - 1];
    const int width = layout_.edges[static_cast<std::size_t>(c)] - left;
    view_->horizontalHeader()->resizeSection(c - 1, width);
    const bool leftText = std::find(layout_.leftAligned.begin(), layout_.leftAligned.end(), c) != layout_.leftAligned.end();
    for (int r = 1; r <= Rows; ++r) {
      ClaCell& x = cell(r, c);
      x.Left(left);
      x.Top(RowTop + RowHeight * (r - 1));
      x.Height(RowHeight);
      x.Width(width);
      if (leftText) x.CorL = -1;
    }
  }
  view_->viewport()->installEventFilter(this);
  tav::client::RightButtonFilter::takeRightButton(view_->viewport());

  // The number column stays where it is while the rows slide.
  numSurface_ = new QWidget(this);
  numSurface_->setObjectName(layout_.numberSurface);
  numSurface_->setGeometry(0, 0, 49, surfaceHeight);
  numSurface_->setAutoFillBackground(true);
  auto* numCaption = new QLabel(QStringLiteral("序号"), numSurface_);
  numCaption->setAlignment(Qt::AlignCenter);
  numCaption->setGeometry(0, 0, 48, RowTop);
  numModel_ = new GridModel(Rows, 1, this);
  numModel_->setHeaders({QStringLiteral("序号")});
  numModel_->setRowNames(numModel_);
  model_->setRowNames(numModel_);
  numView_ = makeView(numSurface_, numModel_, layout_.numberSurface + QStringLiteral("_cells"));
  numView_->setAccessibleName(layout_.title + QStringLiteral("序号"));
  numView_->setGeometry(0, RowTop, 48, Rows * RowHeight + 1);
  numView_->horizontalHeader()->resizeSection(0, 48);
  for (int r = 1; r <= Rows; ++r) {
    ClaCell& x = numberCell(r);
    x.Left(0);
    x.Top(RowTop + RowHeight * (r - 1));
    x.Height(RowHeight);
    x.Width(48);
  }

  vbar_ = new QScrollBar(Qt::Vertical, this);
  vbar_->setObjectName(layout_.vBar);
  vbar_->setGeometry(872, 0, 25, surfaceHeight);
  vbar_->setRange(1, 1);
  vbar_->setSingleStep(1);
  vbar_->setPageStep(19);
  vbar_->setEnabled(false);
  vbar_->setAccessibleName(layout_.title);
  connect(vbar_, &QScrollBar::valueChanged, this, [this] { change(); });

  hbar_ = new QScrollBar(Qt::Horizontal, this);
  hbar_->setObjectName(layout_.hBar);
  hbar_->setGeometry(0, 548, 873, 25);
  hbar_->setRange(1, layout_.hMax);
  hbar_->setSingleStep(1);
  hbar_->setPageStep(820);
  hbar_->setAccessibleName(layout_.title);
  connect(hbar_, &QScrollBar::valueChanged, this, &ListGrid::slide);

  numSurface_->raise();
  vbar_->raise();
  hbar_->raise();
}

ClaCell& ListGrid::cell(int row, int column) { return model_->cell(row - 1, column - 1); }
ClaCell& ListGrid::numberCell(int row) { return numModel_->cell(row - 1, 0); }

QLineEdit* ListGrid::box(int column) const {
  if (column < 1 || column > columns()) return nullptr;
  return boxes_[static_cast<std::size_t>(column) - 1];
}

long long ListGrid::updates() const { return model_->updates() + numModel_->updates(); }

void ListGrid::paintRow(int row, int record) {
  const bool mark = source_.checked(record);
  for (int c = 1; c <= columns(); ++c) {
    ClaCell& x = cell(row, c);
    x.Text = source_.text(record, c);
    x.checked = mark;
    x.UpDate();
  }
  ClaCell& num = numberCell(row);
  num.Text = QString::number(record);
  num.UpDate();
}

void ListGrid::blankRow(int row) {
  for (int c = 1; c <= columns(); ++c) {
    ClaCell& x = cell(row, c);
    x.Text.clear();
    x.checked = false;
    x.UpDate();
  }
  ClaCell& num = numberCell(row);
  num.Text.clear();
  num.UpDate();
}

void ListGrid::change() {
  const int count = source_.count();
  const int n = std::min(count, Rows);
  *source_.top = vbar_->value();
  const int top = *source_.top;
  for (int r = 1; r <= Rows; ++r) {
    const int record = top + r - 1;
    if (r <= n && record <= count)
      paintRow(r, record);
    else
      blankRow(r);
  }
  mirrorSelection();
}

void ListGrid::showFilled() {
  const int count = source_.count();
  *source_.top = 1;
  if (count == 0) {
    for (int r = 1; r <= Rows; ++r) blankRow(r);
    {
      QSignalBlocker quiet(vbar_);
      vbar_->setRange(1, 1);
    }
    vbar_->setEnabled(false);
    *source_.rows = 0;
    mirrorSelection();
    return;
  }
  for (int i = 1; i <= count; ++i)
    if (source_.checked(i) != (i == 1)) source_.setChecked(i, i == 1);
  *source_.sel = 1;
  {
    QSignalBlocker quiet(vbar_);
    vbar_->setRange(1, std::max(1, count - 19));
  }
  vbar_->setEnabled(count > Rows);
  *source_.rows = std::min(count, Rows);
  if (vbar_->value() == 1)
    change();
  else
    vbar_->setValue(1);
}

void ListGrid::repaintRecord(int recordNo) {
  const int row = recordNo - *source_.top + 1;
  if (row < 1 || row > rowsFilled() || recordNo > source_.count()) return;
  paintRow(row, recordNo);
}

void ListGrid::logoff() {
  for (int r = 1; r <= Rows; ++r) blankRow(r);
  for (QLineEdit* b : boxes_)
    if (b) b->clear();
  if (combo_) combo_->setCurrentIndex(combo_->count() > 0 ? 0 : -1);
  {
    QSignalBlocker quiet(vbar_);
    vbar_->setRange(1, 1);
  }
  vbar_->setEnabled(false);
  mirrorSelection();
}

void ListGrid::mirrorSelection() {
  auto* sm = view_->selectionModel();
  const int row = *source_.sel - *source_.top + 1;
  if (*source_.sel >= 1 && row >= 1 && row <= rowsFilled())
    sm->select(model_->index(row - 1, 0),
               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows | QItemSelectionModel::Current);
  else
    sm->clearSelection();
}

void ListGrid::mouseMovedTo(int y) {
  if (y < RowTop || y > RowTop + RowHeight * rowsFilled()) return;
  hover_ = (y - 49) / RowHeight + 1;  // y 48 to 73 is row 1
  if (hover_ != lit_) {
    for (int c = 1; c <= columns(); ++c) {
      ClaCell& x = cell(hover_, c);
      x.MouseOn = true;
      x.UpDate();
    }
    if (lit_ >= 1 && lit_ <= Rows)
      for (int c = 1; c <= columns(); ++c) {
        ClaCell& x = cell(lit_, c);
        x.MouseOn = false;
        x.UpDate();
      }
  }
  lit_ = hover_;
}

void ListGrid::leftPressed() {
  if (hover_ < 1 || hover_ > rowsFilled()) return;
  const int top = *source_.top;
  const int shown = *source_.sel - top + 1;
  if (shown >= 1 && shown <= Rows)
    for (int c = 1; c <= columns(); ++c) {
      ClaCell& x = cell(shown, c);
      x.checked = false;
      x.UpDate();
    }
  for (int c = 1; c <= columns(); ++c) {
    ClaCell& x = cell(hover_, c);
    x.checked = true;
    x.UpDate();
  }
  const int count = source_.count();
  if (*source_.sel >= 1 && *source_.sel <= count) source_.setChecked(*source_.sel, false);
  const int chosen = hover_ + top - 1;
  if (chosen <= count) source_.setChecked(chosen, true);
  *source_.sel = chosen;
  mirrorSelection();
}

void ListGrid::slide(int value) { surface_->move(48 + 1 - value, 0); }

bool ListGrid::eventFilter(QObject* watched, QEvent* event) {
  const bool onCells = view_ && watched == view_->viewport();
  if (!onCells && watched != surface_) return QFrame::eventFilter(watched, event);
  auto surfaceY = [&](QMouseEvent* m) {
    return static_cast<int>(m->position().y()) + (onCells ? RowTop : 0);
  };
  switch (event->type()) {
    case QEvent::MouseMove:
      mouseMovedTo(surfaceY(static_cast<QMouseEvent*>(event)));
      return onCells;
    case QEvent::MouseButtonPress: {
      auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() == Qt::LeftButton) leftPressed();
      // The right press selects nothing and goes no further than the grid.
      return onCells || m->button() == Qt::RightButton;
    }
    case QEvent::MouseButtonRelease: {
      auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() == Qt::RightButton) emit popupAt(m->globalPosition().toPoint());
      return onCells;
    }
    case QEvent::MouseButtonDblClick: {
      auto* m = static_cast<QMouseEvent*>(event);
      const int y = surfaceY(m);
      const int rows = rowsFilled();
      if (m->button() == Qt::LeftButton && hover_ >= 1 && hover_ <= rows && y > RowTop &&
          y < RowTop + RowHeight * rows)
        emit doubleClicked();
      return onCells || m->button() == Qt::RightButton;
    }
    default: return QFrame::eventFilter(watched, event);
  }
}

}  // namespace tav::user
