// The function-location picker's copy button and its OK.
#include "client/user/frmlocat.h"

#include "client/common/notifier.h"
#include "ui_frmlocat.h"

namespace tav::user {

Frmlocat::Frmlocat(const std::vector<LocatPair>& offered, const LocatTable& chosen, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::Frmlocat>()), offered_(offered), chosen_(chosen) {
  ui->setupUi(this);
  setFixedSize(size());
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  for (const auto& p : offered_) ui->Allcols->addItem(locationRow(p));
  connect(ui->CmdCopy, &QPushButton::clicked, this, &Frmlocat::CmdCopy_Click);
  connect(ui->CmdOK, &QPushButton::clicked, this, &Frmlocat::CmdOK_Click);
  connect(ui->CmdCan, &QPushButton::clicked, this, &QDialog::reject);
}

Frmlocat::~Frmlocat() = default;

void Frmlocat::CmdCopy_Click() {
  for (std::size_t i = 0; i < offered_.size(); ++i)
    for (const auto& c : chosen_)
      if (!c.locat.isEmpty() && c.locat == offered_[i].locat) {
        ui->Allcols->item(static_cast<int>(i))->setSelected(true);
        break;
      }
}

void Frmlocat::CmdOK_Click() {
  std::vector<int> rows;
  for (int i = 0; i < ui->Allcols->count(); ++i)
    if (ui->Allcols->item(i)->isSelected()) rows.push_back(i);
  if (rows.size() > CollectionPlaces) {
    tav::client::inform(QStringLiteral("每个设备集合最多只能包含20个设备！"));
    return;
  }
  selection_ = {};
  for (std::size_t k = 0; k < rows.size(); ++k) selection_[k] = offered_[static_cast<std::size_t>(rows[k])];
  accept();
}

}  // namespace tav::user
