// The panel of preventive work orders: the listing, one order in the
// fields, the choice of its collection, adding and changing it, and its
// approval, rejection and deletion.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "client/user/panel.h"
#include "client/user/preventive.h"

namespace Ui {
class FrapreWO;
}

namespace tav::user {

class FrapreWO : public Panel {
  Q_OBJECT
 public:
  FrapreWO(FrmMain* main, QWidget* parent);
  ~FrapreWO() override;

  const std::vector<PwoItem>& pwoList() const { return pwoList_; }
  bool pwoLoaded() const { return !pwoList_.empty(); }

  void logoff() override;
  // The collection panel's choice.
  void takeCollection(const QString& number, const QString& name);

  void prepWOGet_Click();
  void pWOlist_DblClick();
  void pWOfin_Click();
  void pWOnew_Click();
  void pWOsav_Click();
  void pWOapp_Click();
  void pWOcan_Click();
  void pWOdel_Click();

 private:
  // The checks of an add (`adding`) or a change; false when one failed.
  bool fieldChecks(bool adding);
  // The boxes cut to their limits, then the nine fields.
  std::vector<std::u16string> orderFields();
  // The fields as an entry of the list (its Number aside).
  void copyFieldsTo(PwoItem& p) const;
  void showUnapproved();
  // The approval, rejection and deletion's common start; false when no
  // order is shown (message given).
  bool orderShown();
  // The entry of the shown number, or null.
  PwoItem* shownEntry(int* index = nullptr);

  std::unique_ptr<Ui::FrapreWO> ui;
  std::vector<PwoItem> pwoList_;  // element i is row i of pWOlist
};

}  // namespace tav::user
