// The administration client's main window Form1: the menus, the panel
// chooser with its proposal sub-options, the captioned frame behind the
// panels, the status line, the message poll Timer1, the disconnect, the
// stop command and the return to the logged-out state.
#pragma once
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "client/common/startup.h"

class QLabel;
class QCloseEvent;

namespace Ui {
class Form1;
}

namespace tav::manage {

class ManagePanel;
class InfoPanel;
class OwnAccount;
class UsersPanel;
class SugnUPanel;
class SugcUPanel;
class SugManPanel;
class GrantsPanel;
class FrmLogin;

class Form1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit Form1(QWidget* parent = nullptr);
  ~Form1() override;

  // The server the login connects to (from TAVclient.ini).
  tav::client::ServerAddress serverAddr;
  // Where the help document is looked for (the program's folder).
  QString appFolder;

  // Centres the window in the free desktop; false when it does not fit.
  bool placeOnScreen(const QRect& available);

  QTimer* Timer1() { return &timer1_; }
  QLabel* LabSta() const;
  ManagePanel* frmtem() const { return frmtem_; }

  InfoPanel* FraShow() const { return fraShow_; }
  OwnAccount* frmPer() const { return frmPer_; }
  UsersPanel* frmUse() const { return frmUse_; }
  SugnUPanel* frmSugnU() const { return frmSugnU_; }
  SugcUPanel* frmSugcU() const { return frmSugcU_; }
  SugManPanel* frmSugMan() const { return frmSugMan_; }
  GrantsPanel* frmImp() const { return frmImp_; }

  // The login form's OK: connect, log in, fetch the tables.
  void login(FrmLogin* form, const QString& id, const QString& password);
  void LinkSer_Click();
  void Unlink_Click();
  void unloadsv_Click();
  void Timer1_Timer();
  void pispla_Click();
  void abouts_Click();
  void resetLogoff();

 signals:
  void loggedOn();
  void loggedOff();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void showPanel(ManagePanel* p, const QString& caption);
  void chooseProposals();
  void setLoggedOnIcon(bool on);
  // The knock of the disconnect and of the stop, only while logged in and
  // idle: false, the session going on as it was, unless it was approved.
  bool knockToLeave();

  std::unique_ptr<Ui::Form1> ui;
  QTimer timer1_;
  ManagePanel* frmtem_ = nullptr;
  InfoPanel* fraShow_ = nullptr;
  OwnAccount* frmPer_ = nullptr;
  UsersPanel* frmUse_ = nullptr;
  SugnUPanel* frmSugnU_ = nullptr;
  SugcUPanel* frmSugcU_ = nullptr;
  SugManPanel* frmSugMan_ = nullptr;
  GrantsPanel* frmImp_ = nullptr;
};

}  // namespace tav::manage
