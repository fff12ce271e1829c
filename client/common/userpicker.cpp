// The user picker dialog and the helpers that describe a user's masks.
#include "client/common/userpicker.h"

#include <QFontDatabase>

#include "client/common/listsort.h"
#include "ui_userpicker.h"

namespace tav::client {

void orderUsers(std::vector<PickUser>& users, PickOrder order) {
  if (order == PickOrder::Given) return;
  std::vector<std::array<QVariant, 3>> keys;
  keys.reserve(users.size());
  for (const PickUser& u : users) keys.push_back({order == PickOrder::ById ? u.id : u.name, {}, {}});
  applyOrder(users, stableOrder(keys, {SortKey{true, true}, SortKey{}, SortKey{}}));
}

QStringList namesOfBits(int32_t mask, const std::vector<PickCode>& table) {
  QStringList names;
  for (const PickCode& c : table)
    if (mask & c.bit) names << c.name;
  return names;
}

QString pickerLine(const PickUser& u) {
  auto hex = [](int32_t v) {
    return QString::number(static_cast<uint32_t>(v), 16).toUpper().leftJustified(8, QLatin1Char(' '), true);
  };
  return u.id.leftJustified(18) + QLatin1Char(' ') + hex(u.rights) + QLatin1Char(' ') + hex(u.trades) +
         QLatin1Char(' ') + u.name;
}

UserPicker::UserPicker(std::vector<PickUser> users, PickOrder order, std::vector<PickCode> rights,
                       std::vector<PickCode> trades, QWidget* parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::frmuser>()),
      users_(std::move(users)),
      rights_(std::move(rights)),
      trades_(std::move(trades)) {
  ui->setupUi(this);
  // The columns of the lines (and of the heading over them) line up only in
  // a font whose Chinese characters are two Latin ones wide.
  QFont fixed = font();
  fixed.setFamilies({QStringLiteral("WenQuanYi Micro Hei Mono"),
                     QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
  fixed.setStyleHint(QFont::Monospace);
  ui->Label2->setFont(fixed);
  ui->List1->setFont(fixed);
  orderUsers(users_, order);
  for (const PickUser& u : users_) ui->List1->addItem(pickerLine(u));
  if (!users_.empty()) ui->List1->setCurrentRow(0);
  connect(ui->Lookonedown, &QPushButton::clicked, this, &UserPicker::Lookonedown_Click);
  connect(ui->select, &QPushButton::clicked, this, &UserPicker::select_Click);
  connect(ui->cmdcan, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui->List1, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { select_Click(); });
}

UserPicker::~UserPicker() = default;

int UserPicker::selectedRow() const {
  int row = ui->List1->currentRow();
  if (row < 0 || row >= static_cast<int>(users_.size()) || !ui->List1->currentItem()->isSelected()) return -1;
  return row;
}

void UserPicker::Lookonedown_Click() {
  int row = selectedRow();
  if (row < 0) return;
  const PickUser& u = users_[static_cast<std::size_t>(row)];
  ui->ListR->clear();
  ui->ListR->addItems(namesOfBits(u.rights, rights_));
  ui->ListT->clear();
  ui->ListT->addItems(namesOfBits(u.trades, trades_));
}

void UserPicker::select_Click() {
  int row = selectedRow();
  if (row < 0) return;
  chosen_ = users_[static_cast<std::size_t>(row)];
  accept();
}

}  // namespace tav::client
