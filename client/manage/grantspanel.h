// The authorisation panel frmImp: every authorisation in force, one at a
// time, with the grantee's own rights beside the rights granted, and the
// veto of the one shown.
#pragma once
#include <memory>
#include <vector>

#include "client/manage/browser.h"
#include "client/manage/managepanel.h"
#include "client/manage/managestate.h"

namespace Ui {
class frmImp;
}

namespace tav::manage {

class GrantsPanel : public ManagePanel {
  Q_OBJECT
 public:
  explicit GrantsPanel(QWidget* parent = nullptr);
  ~GrantsPanel() override;

  void cmdImp_Click();     // "LISIMP", and "LISUSE" when the user list is not held
  void VScImp_Change();    // shows the record at the scroll bar's value
  void cmdreject_Click();  // "REJECT" for the record shown
  void logoff() override;

  int recordCount() const { return browser_->count(); }

 private:
  void showNone();

  std::unique_ptr<Ui::frmImp> ui;
  std::unique_ptr<Browser> browser_;
};

}  // namespace tav::manage
