// Condition rows: making and removing rows, the bracket and connector
// toggles, and the value list that follows the chosen field.
#include "client/user/condrow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QToolButton>

#include "client/common/notifier.h"

namespace tav::user {

QStringList valueListEntries(ValueList list) {
  QStringList l;
  switch (list) {
    case ValueList::None: break;
    case ValueList::Status:
      for (const CodeName& c : tables().statusList) l << c.name;
      break;
    case ValueList::BillType:
      for (const BillType& b : tables().billTypeList) l << b.name;
      break;
    case ValueList::Urgency: l = QStringList{"须抢修", "请尽快", "可稍后", "排计划"}; break;
    case ValueList::Level: l = QStringList{"核心", "重要", "普通", "辅助"}; break;
    case ValueList::State: l = QStringList{"正常在用", "正常备用", "故障在修", "已报废"}; break;
    case ValueList::NamedDates: l = dateName(); break;
  }
  return l;
}

namespace {

// Column places of a row's controls.
constexpr int XLeft = 4, XField = 24, XCrit = 168, XValue = 256, XRight = 448, XConnector = 470;

QToolButton* flatButton(const QString& text, const QString& name, QWidget* parent) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::TabFocus);
  return b;
}

}  // namespace

CondRows::CondRows(CondRowsOptions options, QWidget* parent) : QWidget(parent), options_(std::move(options)) {
  makeRow();
  layoutHeight();
}

void CondRows::makeRow() {
  const int i = rowCount();
  const int y = RowStep * i;
  const QString n = QString::number(i);
  Row r;
  r.breL = flatButton(QStringLiteral("("), QStringLiteral("breL_") + n, this);
  r.breL->setGeometry(XLeft, y, 18, RowHeight);
  r.breL->setAccessibleName(QStringLiteral("左括号 ") + n);
  r.fiel = new QComboBox(this);
  r.fiel->setObjectName(QStringLiteral("fiel_") + n);
  r.fiel->setGeometry(XField, y, 140, RowHeight);
  r.fiel->addItems(options_.fields);
  r.critc = new QComboBox(this);
  r.critc->setObjectName(QStringLiteral("Critc_") + n);
  r.critc->setGeometry(XCrit, y, 84, RowHeight);
  r.critc->addItems(critText());
  r.valu = new QComboBox(this);
  r.valu->setObjectName(QStringLiteral("valu_") + n);
  r.valu->setEditable(true);
  r.valu->setInsertPolicy(QComboBox::NoInsert);
  r.valu->setGeometry(XValue, y, 188, RowHeight);
  r.breR = flatButton(QStringLiteral(")"), QStringLiteral("breR_") + n, this);
  r.breR->setGeometry(XRight, y, 18, RowHeight);
  r.breR->setAccessibleName(QStringLiteral("右括号 ") + n);
  // The connector stands between this row and the next.
  r.aoa = flatButton(QStringLiteral("和"), QStringLiteral("aoa_") + n, this);
  r.aoa->setGeometry(XConnector, y + RowStep / 2, 30, RowHeight);
  paintConnector(r.aoa, i, r.andNext);
  r.aoa->hide();
  r.fiel->setCurrentIndex(0);
  r.critc->setCurrentIndex(0);
  paintBracket(r.breL, false);
  paintBracket(r.breR, false);
  connect(r.breL, &QToolButton::clicked, this, [this, i] { toggleLeft(i); });
  connect(r.breR, &QToolButton::clicked, this, [this, i] { toggleRight(i); });
  connect(r.aoa, &QToolButton::clicked, this, [this, i] { toggleConnector(i); });
  connect(r.fiel, &QComboBox::currentIndexChanged, this, [this, i] { chooseField(i); });
  for (QWidget* w : {static_cast<QWidget*>(r.breL), static_cast<QWidget*>(r.fiel), static_cast<QWidget*>(r.critc),
                     static_cast<QWidget*>(r.valu), static_cast<QWidget*>(r.breR)})
    w->show();
  if (i > 0) rows_.back().aoa->show();
  rows_.push_back(r);
  chooseField(i);
}

bool CondRows::addRow() {
  if (rowCount() >= options_.maxRows) {
    if (!options_.tooMany.isEmpty()) tav::client::inform(options_.tooMany);
    return false;
  }
  makeRow();
  layoutHeight();
  emit rowsChanged(rowCount());
  return true;
}

void CondRows::removeRow() {
  if (rowCount() <= 1) return;
  Row& r = rows_.back();
  for (QWidget* w : {static_cast<QWidget*>(r.breL), static_cast<QWidget*>(r.fiel), static_cast<QWidget*>(r.critc),
                     static_cast<QWidget*>(r.valu), static_cast<QWidget*>(r.breR), static_cast<QWidget*>(r.aoa)})
    delete w;
  rows_.pop_back();
  rows_.back().aoa->hide();
  layoutHeight();
  emit rowsChanged(rowCount());
}

void CondRows::setRows(const std::vector<SearchCond>& conds) {
  while (rowCount() > 1) removeRow();
  for (std::size_t k = 0; k < conds.size() && static_cast<int>(k) < options_.maxRows; ++k) {
    if (k > 0) {
      makeRow();
      layoutHeight();
    }
    const SearchCond& c = conds[k];
    Row& r = rows_[k];
    r.left = c.leftBracket;
    r.right = c.rightBracket;
    r.andNext = c.andNext;
    paintBracket(r.breL, r.left);
    paintBracket(r.breR, r.right);
    paintConnector(r.aoa, static_cast<int>(k), r.andNext);
    r.fiel->setCurrentIndex(c.field >= 0 && c.field < r.fiel->count() ? c.field : -1);
    r.critc->setCurrentIndex(c.crit >= 0 && c.crit < r.critc->count() ? c.crit : -1);
    r.valu->setEditText(c.value);
  }
  emit rowsChanged(rowCount());
}

SearchCond CondRows::row(int i) const {
  const Row& r = rows_[static_cast<std::size_t>(i)];
  SearchCond c;
  c.leftBracket = r.left;
  c.field = r.fiel->currentIndex();
  c.crit = r.critc->currentIndex();
  c.value = r.valu->currentText();
  c.rightBracket = r.right;
  c.andNext = r.andNext;
  return c;
}

bool CondRows::bracketsBalanced() const {
  int left = 0, right = 0;
  for (const Row& r : rows_) {
    left += r.left;
    right += r.right;
  }
  return left == right;
}

void CondRows::toggleLeft(int i) {
  Row& r = rows_[static_cast<std::size_t>(i)];
  r.left = !r.left;
  paintBracket(r.breL, r.left);
}

void CondRows::toggleRight(int i) {
  Row& r = rows_[static_cast<std::size_t>(i)];
  r.right = !r.right;
  paintBracket(r.breR, r.right);
}

void CondRows::toggleConnector(int i) {
  Row& r = rows_[static_cast<std::size_t>(i)];
  r.andNext = !r.andNext;
  paintConnector(r.aoa, i, r.andNext);
}

void CondRows::paintConnector(QToolButton* b, int i, bool andNext) {
  const QString word = andNext ? QStringLiteral("和") : QStringLiteral("或");
  b->setText(word);
  // A reader hears which of the two it is, not only where it stands.
  b->setAccessibleName(QStringLiteral("连接 %1 %2").arg(i).arg(word));
}

void CondRows::paintBracket(QToolButton* b, bool on) {
  // A bracket that is off takes the colour of the button face it stands on.
  QPalette p = b->palette();
  p.setColor(QPalette::ButtonText, on ? QColor(Qt::black) : palette().color(QPalette::Button));
  b->setPalette(p);
  b->setCheckable(true);
  b->setChecked(on);
}

void CondRows::chooseField(int i) {
  Row& r = rows_[static_cast<std::size_t>(i)];
  const ValueList want = options_.listOf ? options_.listOf(r.fiel->currentIndex()) : ValueList::None;
  if (want == r.list && r.valu->count() == valueListEntries(want).size()) return;
  const QString kept = r.valu->currentText();
  r.valu->clear();
  r.valu->addItems(valueListEntries(want));
  r.valu->setEditText(kept);
  r.list = want;
}

void CondForm::reject() {
  if (!busy_) QDialog::reject();
}

void CondForm::closeEvent(QCloseEvent* e) {
  if (busy_)
    e->ignore();
  else
    QDialog::closeEvent(e);
}

void CondForm::cancel() {
  if (!busy_) close();
}

void CondForm::addRowButtons(CondRows* rows, QPoint at, const QString& plus, const QString& minus) {
  QToolButton* add = flatButton(plus, QStringLiteral("addone"), this);
  add->setAccessibleName(QStringLiteral("增加一行"));
  add->setGeometry(at.x(), at.y(), 28, 26);
  QToolButton* sub = flatButton(minus, QStringLiteral("subone"), this);
  sub->setAccessibleName(QStringLiteral("减少一行"));
  sub->setGeometry(at.x() + 32, at.y(), 28, 26);
  connect(add, &QToolButton::clicked, rows, &CondRows::addRow);
  connect(sub, &QToolButton::clicked, rows, &CondRows::removeRow);
}

void CondRows::layoutHeight() { resize(XConnector + 34, RowStep * (rowCount() - 1) + RowHeight); }

}  // namespace tav::user
