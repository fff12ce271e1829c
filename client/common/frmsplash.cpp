// Splash and about form.
#include "client/common/frmsplash.h"

#include <QMouseEvent>

#include "ui_frmsplash.h"

namespace tav::client {

FrmSplash::FrmSplash(const QString& product, const QString& startText, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmSplash>()) {
  ui->setupUi(this);
  setWindowTitle(product);
  ui->lblProductName->setText(product);
  ui->lab1->setText(startText);
  ui->Command1->hide();
  connect(ui->Command1, &QPushButton::clicked, this, &QDialog::reject);
  clsTimer_.setInterval(300);
  connect(&clsTimer_, &QTimer::timeout, this, &FrmSplash::step);
}

FrmSplash::~FrmSplash() = default;

void FrmSplash::step() {
  static const char* const texts[] = {".", "..", "...", "....", ".....", "......", "......."};
  ui->LabTip->setText(QString::fromLatin1(texts[step_]));
  step_ = step_ == 6 ? 0 : step_ + 1;
}

QString FrmSplash::dots() const { return ui->LabTip->text(); }

void FrmSplash::setTimerEnabled(bool on) {
  if (on)
    clsTimer_.start();
  else
    clsTimer_.stop();
}

void FrmSplash::makeAbout() {
  setCursor(Qt::ArrowCursor);
  ui->LabTip->hide();
  ui->lab1->hide();
  ui->Command1->show();
  ui->Command1->setDefault(true);
}

void FrmSplash::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && ui->Command1->isVisible()) {
    grab_ = e->position().toPoint();
    dragging_ = true;
    setCursor(Qt::SizeAllCursor);
  }
  QDialog::mousePressEvent(e);
}

void FrmSplash::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_ && (e->buttons() & Qt::LeftButton) && ui->Command1->isVisible())
    move(pos() + e->position().toPoint() - grab_);
  QDialog::mouseMoveEvent(e);
}

void FrmSplash::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && dragging_) {
    dragging_ = false;
    setCursor(Qt::ArrowCursor);
  }
  QDialog::mouseReleaseEvent(e);
}

}  // namespace tav::client
