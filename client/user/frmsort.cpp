// The sort dialog: its openers, its defaults and its OK.
#include "client/user/frmsort.h"

#include <QKeyEvent>
#include <QPushButton>

#include "client/user/fraequip.h"
#include "client/user/frmmain.h"
#include "client/user/fraworko.h"
#include "client/user/usertables.h"
#include "ui_frmsort.h"

namespace tav::user {

FrmSort::FrmSort(FrmMain* main) : QDialog(main), ui(std::make_unique<Ui::frmSort>()), main_(main) {
  ui->setupUi(this);
  // Closing unloads: the next opening starts again from 升序.
  setAttribute(Qt::WA_DeleteOnClose);
  connect(ui->Command1, &QPushButton::clicked, this, &FrmSort::Command1_Click);
  connect(ui->Command2, &QPushButton::clicked, this, &QWidget::close);
}

FrmSort::~FrmSort() = default;

FrmSort* FrmSort::open(FrmMain* main, For list) {
  auto* w = qobject_cast<FrmSort*>(main->frmSort.data());
  if (!w) {
    w = new FrmSort(main);
    main->frmSort = w;
  }
  w->fill(list);
  w->show();
  w->raise();
  w->activateWindow();
  return w;
}

void FrmSort::connectOpeners(FrmMain* main) {
  if (auto* b = main->fraWorkO()->findChild<QPushButton*>(QStringLiteral("WOsort")))
    QObject::connect(b, &QPushButton::clicked, main, [main] { open(main, For::WorkOrders); });
  if (auto* b = main->fraEquip()->findChild<QPushButton*>(QStringLiteral("Equsort")))
    QObject::connect(b, &QPushButton::clicked, main, [main] { open(main, For::Equipment); });
}

void FrmSort::fill(For list) {
  const bool wo = list == For::WorkOrders;
  const QStringList& captions = wo ? woCaption() : equCaption();
  const std::array<QString, 3> defaults =
      wo ? std::array<QString, 3>{QStringLiteral("工单编号"), QStringLiteral("状态"), QStringLiteral("创建日期")}
         : std::array<QString, 3>{QStringLiteral("设备名称"), QStringLiteral("功能位置"), QStringLiteral("级别")};
  QComboBox* combos[] = {ui->Combo1_0, ui->Combo1_1, ui->Combo1_2};
  for (int i = 0; i < 3; ++i) {
    combos[i]->clear();
    combos[i]->addItems(captions);
    combos[i]->setCurrentIndex(captions.indexOf(defaults[static_cast<std::size_t>(i)]));
  }
  tag_ = wo ? QStringLiteral("WORKO") : QStringLiteral("ASSET");
  setWindowTitle(wo ? QStringLiteral("排序小帮手(工单专用)") : QStringLiteral("排序小帮手(设备专用)"));
}

std::array<int, 3> FrmSort::keyColumns() const {
  return {ui->Combo1_0->currentIndex() + 1, ui->Combo1_1->currentIndex() + 1, ui->Combo1_2->currentIndex() + 1};
}

std::array<bool, 3> FrmSort::ascending() const {
  return {ui->OptS_0->isChecked(), ui->OptS_1->isChecked(), ui->OptS_2->isChecked()};
}

void FrmSort::Command1_Click() {
  // A logoff during the sort's question closes this window: nothing of it
  // is touched after the sort.
  FrmMain* main = main_;
  const std::array<bool, 3> up = ascending();
  main->datasort(QString(tag_), up[0], up[1], up[2]);
  main->activateWindow();
}

void FrmSort::keyPressEvent(QKeyEvent* e) {
  // Esc does not close the window; Enter still presses the default button.
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

}  // namespace tav::user
