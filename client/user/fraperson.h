// The panel of personal settings: the own password ("RENAME"), the
// authorisations the user grants to others (list "LISIMP" with its browser,
// "IMPADD", "ALTIMP", "REJECT"), the user picker for the grantee, and the
// rights others have granted to the user.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "client/common/userpicker.h"
#include "client/user/panel.h"

namespace Ui {
class FraPerson;
}

namespace tav::client {
class Exchange;
}

namespace tav::user {

// One authorisation of the last "LISIMP" reply.
struct ImpItem {
  int32_t autonum = 0;
  int32_t right_id = 0;
  QString to_user_id, to_user_name;
  int32_t to_user_cancel = 0;  // 1: ends after its end day; 2: at the grantee's next login
  int32_t usedate = 0, uselessdate = 0;
};

class FraPerson : public Panel {
  Q_OBJECT
 public:
  FraPerson(FrmMain* main, QWidget* parent);
  ~FraPerson() override;

  void afterLogin() override;
  void logoff() override;
  QScrollBar* vBar() const override;

  void PerCmdPw_Click();
  void perImp_Click();
  // Shows the authorisation VScper stands at.
  void VScper_Change();
  void percmdadd_Click();
  void PerCmdPoi_Click();
  void PerCmdEnd_Click();
  void PerImage1_Click();

  // The grantee "ALTIMP" and "IMPADD" send: PerUser's Tag (ID, name).
  const QString& granteeId() const { return granteeId_; }
  const QString& granteeName() const { return granteeName_; }
  const std::vector<ImpItem>& impList() const { return impList_; }
  const std::vector<tav::client::PickUser>& userList() const { return userList_; }
  bool userListLoaded() const { return userListLoaded_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // "LISUSE" into userList within a running exchange; false after a failure.
  bool fetchUsers(tav::client::Exchange& ex);
  // Shows record 1 of a new list.
  void showFirst();
  void setGrantee(const QString& id, const QString& name);
  // VScper and the change and end buttons.
  void browserEnabled(bool on);
  void showRights(int32_t mask);
  void Lisend_ItemCheck();
  // The six fields of a grant as the panel describes it.
  std::vector<std::u16string> grantFields() const;
  // Connected and idle, with rights to lend (else the message).
  bool canLend() const;
  // Item 0 of Lisend checked and the end day before today.
  bool endDayPassed() const;
  int32_t shownNumber() const;

  std::unique_ptr<Ui::FraPerson> ui;
  std::vector<ImpItem> impList_;
  std::vector<tav::client::PickUser> userList_;
  bool userListLoaded_ = false;
  QString granteeId_, granteeName_;
};

}  // namespace tav::user
