// The panel of equipment collections: the listing, one collection in the
// edit fields, its function locations chosen in the picker, the add, save
// and delete requests, and the choice handed to the preventive panel.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "client/user/collections.h"
#include "client/user/panel.h"

namespace Ui {
class FraCollection;
}

namespace tav::user {

class FraCollection : public Panel {
  Q_OBJECT
 public:
  FraCollection(FrmMain* main, QWidget* parent);
  ~FraCollection() override;

  CollectionState& state() { return st_; }

  // The option button "设备集合": the choice buttons are off.
  void shown() override;
  void logoff() override;
  // The preventive panel's collection choice: the panel with both choice buttons on.
  void openForChoice();

  void ColGetcols_Click();
  void Colallcols_DblClick();
  void ColNewone_Click();
  void ColReplace_Click();
  void ColDelete_Click();
  void altcolle_Click();
  void Colchoo_Click();
  void Colretu_Click();

 private:
  // The common checks of add and save; false when one failed.
  bool fieldChecks();
  // Name and description cut to their limits, then the 20 pairs.
  std::vector<std::u16string> collectionFields();
  // The edit fields match the server now.
  void markSynced();
  // Fills the locations list from colLocat.
  void showPlaces();
  // Index in colList of the collection whose number has the value of
  // `number`; -1 for none.
  int entryOf(const QString& number) const;

  std::unique_ptr<Ui::FraCollection> ui;
  CollectionState st_;
};

}  // namespace tav::user
