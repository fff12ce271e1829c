// The user client's main window: the option bar on the left, the titled
// frame whose caption names the function in use, eight panels of which one
// shows at a time, the status line, the message poll Timer1 and the menus.
// It assembles the panels and routes the switches; what a panel does lives
// in the panel's own class.
#pragma once
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>

#include "client/common/startup.h"
#include "client/common/windowfilters.h"
#include "client/user/rows.h"

class QLabel;
class QMenu;
class QAction;
class QScrollBar;
class QPushButton;

namespace Ui {
class frmMain;
}

namespace tav::user {

class Panel;
class FraRequ;
class FraWorkO;
class FraOneEqu;
class FraEquip;
class FraCollection;
class FrapreWO;
class FraBb;
class FraPerson;
class FrmLogin;

class FrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit FrmMain(QWidget* parent = nullptr);
  ~FrmMain() override;

  // The server the login connects to (from TAVclient.ini).
  tav::client::ServerAddress serverAddr;

  // Centres the window in the free desktop; false when it does not fit.
  bool placeOnScreen(const QRect& available);

  Lists& lists() { return lists_; }
  QTimer* Timer1() { return &timer1_; }
  QLabel* LabStat() const;
  QMenu* popmn() const { return popmn_; }
  QAction* pop1() const { return pop1_; }

  FraRequ* fraRequ() const { return fraRequ_; }
  FraWorkO* fraWorkO() const { return fraWorkO_; }
  FraOneEqu* fraOneEqu() const { return fraOneEqu_; }
  FraEquip* fraEquip() const { return fraEquip_; }
  FraCollection* fraCollection() const { return fraCollection_; }
  FrapreWO* fraPreWO() const { return fraPreWO_; }
  FraBb* fraBb() const { return fraBb_; }
  FraPerson* fraPerson() const { return fraPerson_; }
  Panel* OFrame() const { return oFrame_; }
  QPushButton* optionButton(const char* name) const;

  // The common steps of every panel switch: hide OFrame, show `p`, name it in
  // FraAlls, make it OFrame and point the wheel at its bars. `endsPicking`
  // ends the equipment pick mode of the work request.
  void showPanel(Panel* p, const QString& caption, bool endsPicking);
  // A panel shown as a step of another function (not by an option button):
  // OFrame is hidden and `p` takes its place, the caption of FraAlls stays,
  // the panel's own steps do not run, and the wheel moves `v` and `h`
  // (nothing when null).
  void bringPanel(Panel* p, QScrollBar* v = nullptr, QScrollBar* h = nullptr);

  // Connect and log in: the login form's OK.
  void login(FrmLogin* form, const QString& id, const QString& password);
  void LinkSer_Click();
  void Unlink_Click();
  void resetLogoff();
  void Timer1_Timer();

  // The sort dialog's OK: sorts the list `eow` ("WORKO", "ASSET") by the
  // dialog's three key columns, ascending where booN is true.
  void datasort(const QString& eow, bool boo0, bool boo1, bool boo2);

  // Forms that the return to the logged-off state closes when open.
  QPointer<QWidget> frmAdvance, frmSort;

  tav::client::WheelRouter* wheel() const { return wheel_; }

 signals:
  void loggedOn();
  void loggedOff();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void setLoggedOnIcon(bool on);
  void afterLogin();

  std::unique_ptr<Ui::frmMain> ui;
  Lists lists_;
  QTimer timer1_;
  QMenu* popmn_ = nullptr;
  QAction* pop1_ = nullptr;
  tav::client::WheelRouter* wheel_ = nullptr;
  Panel* oFrame_ = nullptr;
  FraRequ* fraRequ_ = nullptr;
  FraWorkO* fraWorkO_ = nullptr;
  FraOneEqu* fraOneEqu_ = nullptr;
  FraEquip* fraEquip_ = nullptr;
  FraCollection* fraCollection_ = nullptr;
  FrapreWO* fraPreWO_ = nullptr;
  FraBb* fraBb_ = nullptr;
  FraPerson* fraPerson_ = nullptr;
};

}  // namespace tav::user
