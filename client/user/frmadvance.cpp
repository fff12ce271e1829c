// The advanced-search form: its opening, rows, the request it builds and
// the search with the reading of its reply.
#include "client/user/frmadvance.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <cmath>
#include <limits>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/condrow.h"
#include "client/user/frmmain.h"
#include "client/user/listreply.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"

namespace tav::user {

using namespace tav::client;

namespace {

ValueList woList(int field) {
  switch (field) {
    case 3: return ValueList::Status;
    case 4: return ValueList::BillType;
    case 5: return ValueList::Urgency;
    default: return ValueList::None;
  }
}

ValueList equList(int field) {
  switch (field) {
    case 4: return ValueList::Level;
    case 7: return ValueList::State;
    default: return ValueList::None;
  }
}

bool isDayField(FrmAdvance::Mode mode, int field) {
  if (mode == FrmAdvance::Mode::Equipment) return field == 3 || field == 8;
  return field == 9 || field == 10 || field == 12 || field == 13;
}

// One of the four words (1-4); else a number rounded half to even; else -1.
// A number beyond 32 bits is -1 as well.
std::u16string wordOrNumber(const QString& typed, const QStringList& words) {
  const int k = static_cast<int>(words.indexOf(typed));
  if (k >= 0) return us(QString::number(k + 1));
  bool ok = false;
  const double v = typed.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(v)) return u"-1";
  const double r = std::nearbyint(v);
  if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) return u"-1";
  return us(QString::number(static_cast<int32_t>(r)));
}

constexpr int RowsTop = 20;
constexpr int MaxRows = 43;

}  // namespace

std::u16string advancedValue(FrmAdvance::Mode mode, int field, const QString& typed) {
  const ValueList list = mode == FrmAdvance::Mode::WorkOrders ? woList(field) : equList(field);
  switch (list) {
    case ValueList::Status:
      for (const CodeName& c : tables().statusList)
        if (c.name == typed) return us(QString::number(c.code));
      return u"0";
    case ValueList::BillType:
      for (const BillType& b : tables().billTypeList)
        if (b.name == typed) return cleanField(b.code);
      return u"OO";
    case ValueList::Urgency:
    case ValueList::Level:
    case ValueList::State: return wordOrNumber(typed, valueListEntries(list));
    default: break;
  }
  if (isDayField(mode, field))
    if (const int32_t day = parseDate(typed)) return us(QString::number(day));
  return cleanField(typed);
}

FrmAdvance::FrmAdvance(FrmMain* main, Mode mode) : CondForm(main), main_(main), mode_(mode) {
  setObjectName(QStringLiteral("frmAdvance"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  const bool wo = mode == Mode::WorkOrders;

  CondRowsOptions o;
  o.fields = wo ? woCaption() : equCaption();
  o.listOf = wo ? woList : equList;
  o.maxRows = MaxRows;
  rows_ = new CondRows(o, this);
  rows_->move(8, RowsTop);

  addRowButtons(rows_, {520, RowsTop}, QStringLiteral("+"), QStringLiteral("-"));

  auto* inc = new QCheckBox(QStringLiteral("包括旧单"), this);
  inc->setObjectName(QStringLiteral("IncHis"));
  inc->setEnabled(wo && (tables().oldWORight() & tables().rights()) != 0);
  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("CmdOK"));
  ok->setProperty("Tag", wo ? QStringLiteral("AWO") : QStringLiteral("ASS"));
  ok->setAutoDefault(false);
  auto* can = new QPushButton(QStringLiteral("取消"), this);
  can->setObjectName(QStringLiteral("cmdcan"));
  can->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &FrmAdvance::CmdOK_Click);
  connect(can, &QPushButton::clicked, this, &FrmAdvance::cmdcan_Click);
  connect(rows_, &CondRows::rowsChanged, this, [this](int n) { placeButtons(n); });
  placeButtons(1);
  setWindowTitle(wo ? QStringLiteral("高级搜索(工单专用)") : QStringLiteral("高级搜索(设备专用)"));
}

FrmAdvance* FrmAdvance::open(FrmMain* main, Mode mode) {
  if (auto* old = qobject_cast<FrmAdvance*>(main->frmAdvance.data())) {
    if (old->busy()) return nullptr;
    // The rows composed before go with it.
    delete old;
  }
  auto* f = new FrmAdvance(main, mode);
  main->frmAdvance = f;
  f->show();
  if (mode == Mode::WorkOrders) f->rows()->fieldBox(0)->setFocus();
  return f;
}

void FrmAdvance::placeButtons(int rows) {
  const int y = 78 + CondRows::RowStep * (rows - 1);
  findChild<QCheckBox*>(QStringLiteral("IncHis"))->setGeometry(24, y, 120, 28);
  findChild<QPushButton*>(QStringLiteral("CmdOK"))->setGeometry(300, y, 100, 30);
  findChild<QPushButton*>(QStringLiteral("cmdcan"))->setGeometry(420, y, 100, 30);
  setFixedSize(590, 110 + CondRows::RowStep * (rows - 1));
}

void FrmAdvance::addone_Click() { rows_->addRow(); }
void FrmAdvance::subone_Click() { rows_->removeRow(); }

std::u16string FrmAdvance::request() const {
  const bool wo = mode_ == Mode::WorkOrders;
  std::u16string body = wo ? u"ADVAWO" : u"ADVASS";
  if (wo) body += findChild<QCheckBox*>(QStringLiteral("IncHis"))->isChecked() ? u'1' : u'0';
  const QStringList& names = wo ? woField() : equField();
  for (int i = 0; i < rows_->rowCount(); ++i) {
    const SearchCond c = rows_->row(i);
    body += c.leftBracket ? u"(" : u"";
    body += FieldSep;
    body += c.field >= 0 && c.field < names.size() ? us(names[c.field]) : std::u16string();
    body += FieldSep;
    body += us(QString::number(std::max(0, c.crit)));
    body += FieldSep;
    body += advancedValue(mode_, c.field, c.value);
    body += FieldSep;
    body += c.rightBracket ? u")" : u"";
    body += FieldSep;
    body += c.andNext ? u'T' : u'F';
    body += RecordSep;
  }
  return body;
}

void FrmAdvance::CmdOK_Click() {
  if (!rows_->bracketsBalanced()) {
    inform(QStringLiteral("括号有错误，请重写"));
    return;
  }
  if (!session().idle()) return;
  ExchangeTexts t = coreTexts();
  t.sendFailure = QStringLiteral("网络错误");
  t.listSleepMs = 20;
  const QString tag = findChild<QPushButton*>(QStringLiteral("CmdOK"))->property("Tag").toString();
  busy_ = true;
  {
    Exchange x(session(), t);
    if (x.start(request()))
      if (auto reply = x.list()) advanced(*main_, tag, *reply);
  }
  busy_ = false;
}

void FrmAdvance::cmdcan_Click() { cancel(); }

}  // namespace tav::user
