// The advanced-search form: condition rows over the fields of work orders
// or of equipment, sent as one "ADVAWO" or "ADVASS" request whose reply
// replaces the list of its kind. At most one exists; it is modeless.
#pragma once
#include <string>

#include "client/user/condrow.h"

namespace tav::user {

class FrmMain;

class FrmAdvance : public CondForm {
  Q_OBJECT
 public:
  enum class Mode { WorkOrders, Equipment };

  // Replaces any open form by a fresh one for `mode` and shows it; while
  // the open form's search runs nothing happens and null is returned.
  static FrmAdvance* open(FrmMain* main, Mode mode);

  Mode mode() const { return mode_; }
  CondRows* rows() const { return rows_; }

  void addone_Click();
  void subone_Click();
  void CmdOK_Click();
  void cmdcan_Click();

  // The request the rows make now ("ADVAWO" with its flag, or "ADVASS").
  std::u16string request() const;

 private:
  FrmAdvance(FrmMain* main, Mode mode);
  void placeButtons(int rows);

  FrmMain* main_;
  Mode mode_;
  CondRows* rows_;
};

// The value a row sends for its field (position in the field list of `mode`).
std::u16string advancedValue(FrmAdvance::Mode mode, int field, const QString& typed);

}  // namespace tav::user
