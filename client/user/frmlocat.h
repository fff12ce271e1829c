// The function-location picker: a modal list of every located equipment of
// the register, of which up to twenty are chosen for a collection.
#pragma once
#include <QDialog>
#include <memory>
#include <vector>

#include "client/user/collections.h"

namespace Ui {
class Frmlocat;
}

namespace tav::user {

class Frmlocat : public QDialog {
  Q_OBJECT
 public:
  // `offered`: the locations in their shown order; `chosen`: the places of
  // the collection being edited (for the copy button).
  Frmlocat(const std::vector<LocatPair>& offered, const LocatTable& chosen, QWidget* parent);
  ~Frmlocat() override;

  // After OK: the selected locations in row order, packed.
  const LocatTable& selection() const { return selection_; }

  void CmdCopy_Click();
  void CmdOK_Click();

 private:
  std::unique_ptr<Ui::Frmlocat> ui;
  const std::vector<LocatPair>& offered_;
  const LocatTable& chosen_;
  LocatTable selection_;
};

}  // namespace tav::user
