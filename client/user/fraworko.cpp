// The panel of the work-order list and its quick search.
#include "client/user/fraworko.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/frarequ.h"
#include "client/user/frmadvance.h"
#include "client/user/frmmain.h"
#include "client/user/grid.h"
#include "client/user/listreply.h"
#include "client/user/usertables.h"
#include "ui_fraworko.h"

namespace tav::user {

using namespace tav::client;

namespace {

// The date boxes of the quick search: their values travel as day numbers.
bool isDateColumn(int column) { return column == 10 || column == 11 || column == 13 || column == 14; }

}  // namespace

FraWorkO::FraWorkO(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraWorkO>()) {
  ui->setupUi(this);
  Lists& l = main->lists();
  grid_ = new ListGrid(woGridLayout(), listSource(l.woRecords, l.woTop, l.woSel, l.woRows), this);
  grid_->move(8, 8);
  connect(grid_, &ListGrid::doubleClicked, this, &FraWorkO::WO_Detail_Click);
  connect(grid_, &ListGrid::popupAt, this, [this](const QPoint& at) { main_->popmn()->popup(at); });
  connect(grid_, &ListGrid::enterInBox, this, &FraWorkO::WO_Search_Click);
  connect(ui->WO_Search, &QPushButton::clicked, this, &FraWorkO::WO_Search_Click);
  connect(ui->WO_Adv, &QPushButton::clicked, this, &FraWorkO::WO_Adv_Click);
  connect(ui->WO_Detail, &QPushButton::clicked, this, &FraWorkO::WO_Detail_Click);
}

FraWorkO::~FraWorkO() = default;

QScrollBar* FraWorkO::vBar() const { return grid_->vBar(); }
QScrollBar* FraWorkO::hBar() const { return grid_->hBar(); }

void FraWorkO::afterLogin() {
  QComboBox* status = grid_->comboBox();
  status->clear();
  status->addItem(QString());
  for (const CodeName& c : tables().statusList) status->addItem(c.name);
  status->setCurrentIndex(0);
}

void FraWorkO::logoff() {
  grid_->logoff();
  ui->WOsort->setEnabled(false);
  ui->WO_Detail->setEnabled(false);
}

void FraWorkO::VScWO_Change() { grid_->change(); }

void FraWorkO::showFilledList() {
  grid_->showFilled();
  const bool any = !main_->lists().woRecords.empty();
  ui->WO_Detail->setEnabled(any);
  ui->WOsort->setEnabled(any);
}

void FraWorkO::repaintRecord(int recordNo) { grid_->repaintRecord(recordNo); }

void FraWorkO::WO_Search_Click() {
  Session& s = session();
  if (!s.idle()) return;
  std::vector<std::u16string> fields;
  for (int k = 1; k <= WoColumns; ++k) {
    const std::u16string name = us(woField()[k - 1]);
    if (QLineEdit* box = grid_->box(k)) {
      const QString typed = box->text();
      if (typed.isEmpty()) continue;
      if (isDateColumn(k)) {
        const int32_t day = parseDate(typed);
        if (day == 0) {
          inform(QStringLiteral("“%1”不是一个合法的日期格式，正确的格式应是“yyyy-M-d”。").arg(woCaption()[k - 1]));
          box->setFocus();
          return;
        }
        fields.push_back(name);
        fields.push_back(us(QString::number(day)));
      } else {
        fields.push_back(name);
        fields.push_back(cleanField(typed));
      }
    } else {
      const int chosen = grid_->comboBox()->currentIndex();
      const auto& statuses = tables().statusList;
      if (chosen < 1 || chosen > static_cast<int>(statuses.size())) continue;
      fields.push_back(name);
      fields.push_back(us(QString::number(statuses[static_cast<std::size_t>(chosen) - 1].code)));
    }
  }
  if (fields.empty() &&
      !ask(QStringLiteral("没有设定搜索条件，这将从服务器获取全部工单的列表，可能很多，你要继续吗？")))
    return;

  Exchange x(s, coreTexts());
  if (!x.start(requestBody(u"QUICKYWORKO", fields))) return;
  auto reply = x.list();
  if (!reply) return;
  showWoList(*main_, readWoRecords(*reply, WoFieldsQuick));
}

void FraWorkO::WO_Adv_Click() { FrmAdvance::open(main_, FrmAdvance::Mode::WorkOrders); }

void FraWorkO::WO_Detail_Click() {
  const Lists& l = main_->lists();
  if (l.woSel < 1 || l.woSel > static_cast<int32_t>(l.woRecords.size())) return;
  main_->fraRequ()->showOrder(l.woSel);
}

}  // namespace tav::user
