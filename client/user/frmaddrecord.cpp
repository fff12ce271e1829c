// Recording used time per trade on the shown work order.
#include "client/user/frmaddrecord.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/frarequ.h"
#include "client/user/usertables.h"

namespace tav::user {

using namespace tav::client;

namespace {

constexpr int RowPitch = 24;
constexpr int Width = 300;

}  // namespace

FrmAddRecord::FrmAddRecord(FraRequ& panel, QWidget* parent) : QDialog(parent), panel_(panel) {
  setObjectName(QStringLiteral("FrmAddRecord"));
  setWindowTitle(QStringLiteral("添加用时记录"));

  auto* area = new QScrollArea(this);
  area->setFrameShape(QFrame::NoFrame);
  area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* table = new QWidget(area);
  auto* head = new QLabel(QStringLiteral("工种"), table);
  head->setObjectName(QStringLiteral("AddType_0"));
  head->setGeometry(24, 0, 110, RowPitch);
  auto* minutesHead = new QLabel(QStringLiteral("用时(分钟)"), table);
  minutesHead->setObjectName(QStringLiteral("AddTimeHead"));
  minutesHead->setGeometry(150, 0, 110, RowPitch);

  // Digits and one point: what the server counts as minutes.
  auto* minutes = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]*")), this);
  for (const CodeName& t : tables().typeList) {
    if ((t.code & tables().myType) == 0) continue;
    const int k = static_cast<int>(rows_.size()) + 1;
    auto* name = new QLabel(t.name, table);
    name->setObjectName(QStringLiteral("AddType_%1").arg(k));
    name->setGeometry(24, k * RowPitch, 110, RowPitch - 2);
    auto* box = new QLineEdit(table);
    box->setObjectName(QStringLiteral("AddTime_%1").arg(k));
    box->setGeometry(150, k * RowPitch, 110, RowPitch - 2);
    box->setMaxLength(MinutesChars);
    box->setValidator(minutes);
    rows_.push_back({t.code, box});
  }
  const int k = rowCount();
  table->setFixedSize(Width - 20, (k + 1) * RowPitch);
  area->setWidget(table);

  auto* submit = new QPushButton(QStringLiteral("提交"), this);
  submit->setObjectName(QStringLiteral("Command1"));
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  cancel->setObjectName(QStringLiteral("Command2"));
  connect(submit, &QPushButton::clicked, this, &FrmAddRecord::Command1_Click);
  connect(cancel, &QPushButton::clicked, this, &FrmAddRecord::Command2_Click);

  // k + 6 rows tall with the buttons 48 pixels below the last trade; a
  // screen too low for every trade scrolls the rows.
  int height = (k + 6) * RowPitch;
  if (QScreen* s = parent ? parent->screen() : QGuiApplication::primaryScreen())
    height = std::min(height, s->availableGeometry().height() - 40);
  const int buttonsY = std::min(12 + (k + 2) * RowPitch, height - 3 * RowPitch);
  area->setGeometry(0, 12, Width, std::min((k + 1) * RowPitch, buttonsY - 12 - RowPitch));
  submit->setGeometry(40, buttonsY, 90, 30);
  cancel->setGeometry(170, buttonsY, 90, 30);
  setFixedSize(Width, height);
}

void FrmAddRecord::Command1_Click() {
  if (!session().idle()) return;
  std::vector<TimeEntry> entries;
  for (const Row& r : rows_) {
    const QString typed = r.box->text();
    if (typed.isEmpty()) continue;
    if (!isMinutes(typed)) {
      inform(QStringLiteral("用时只能填写数字，例如 90 或 1.5"));
      r.box->setFocus();
      return;
    }
    entries.push_back({r.trade, typed});
  }
  const int64_t sum = roundedMinutes(entries);

  ExchangeTexts t = coreTexts();
  t.common = {{u"RECV,ERR", Icon::Critical, QStringLiteral("服务器读数据出错，可能与网络有关。")},
              {u"UWRONG", Icon::Critical, QStringLiteral("服务器报告不明错误，该请求未被执行。")}};
  Exchange x(session(), t);
  // Busy, a wrong answer or none: the form stays with what was typed.
  if (!x.begin() || !x.knock()) return;
  if (!x.send(addTimeBody(panel_.store(), panel_.billId(), entries))) return;
  WordResult r = x.word({{u"IGOTIT", false, true}, {u"NOTHIS", true, false}});
  if (r.index == 0) {
    panel_.addMinutes(sum);
    inform(QStringLiteral("工种用时已经写入了"));
  } else if (r.index == 1) {
    inform(QStringLiteral("找不到工单，可能已被转移。") + QString::number(panel_.billId()));
  }
  accept();
}

}  // namespace tav::user
