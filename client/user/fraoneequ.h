// The panel of one piece of equipment: shown from the equipment list and
// altered there ("EQUALT"), or empty for a new one ("EQUADD").
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "client/user/panel.h"

namespace Ui {
class FraOneEqu;
}

namespace tav::user {

struct EquList;

class FraOneEqu : public Panel {
  Q_OBJECT
 public:
  FraOneEqu(FrmMain* main, QWidget* parent);
  ~FraOneEqu() override;

  // EquipDetail: the form shows `e` of the list and replaces the list panel.
  void showRecord(const EquList& e);
  // The option button "增加设备": the empty form for a new equipment.
  void shown() override;

  void oeAdd_Click();
  void oealter_Click();
  void oereturn_Click();

  // The form shows an equipment of the list (oealter's Tag "1").
  bool fromList() const { return fromList_; }

 private:
  // The nine fields after the number, from the boxes as they are now.
  std::vector<std::u16string> fields() const;
  // The limits applied to the boxes themselves before a request.
  void cutBoxes();
  // The checks the add and the alter share from the state on; false when
  // one failed (its message shown, the focus set).
  bool dateChecks(bool addingForm);
  void updateListRow();

  std::unique_ptr<Ui::FraOneEqu> ui;
  bool fromList_ = false;
};

}  // namespace tav::user
