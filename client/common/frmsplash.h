// The start-up form with its dot animation; the same form serves as the
// about box, where its button shows and the form can be dragged.
#pragma once
#include <QDialog>
#include <QPoint>
#include <QTimer>
#include <memory>

namespace Ui {
class frmSplash;
}

namespace tav::client {

class FrmSplash : public QDialog {
  Q_OBJECT
 public:
  // `product` is the program's name, `startText` the start-up line.
  FrmSplash(const QString& product, const QString& startText, QWidget* parent = nullptr);
  ~FrmSplash() override;

  // One step of the dots: ".", "..", ... "......." and round again.
  void step();
  QString dots() const;
  int stepIndex() const { return step_; }
  void resetSteps() { step_ = 0; }
  // clsTimer: while enabled the dots move every 300 ms.
  void setTimerEnabled(bool on);
  // Turns the form into the about box: no dots, no start-up line, the button.
  void makeAbout();

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  std::unique_ptr<Ui::frmSplash> ui;
  QTimer clsTimer_;
  int step_ = 0;
  QPoint grab_;
  bool dragging_ = false;
};

}  // namespace tav::client
