// The panel of the used-time report: the range, the kind of day that must
// lie in it, the two order filters and 报表, which asks the server for the
// report and hands the workbook it makes to the spreadsheet application.
#pragma once
#include <memory>

#include "client/user/panel.h"

namespace Ui {
class FraBb;
}

namespace tav::user {

class FraBb : public Panel {
  Q_OBJECT
 public:
  FraBb(FrmMain* main, QWidget* parent);
  ~FraBb() override;

  void shown() override;
  // Position 3 (按实际结束日期) disables repcompl, its mark unchanged.
  void repdaytype_Click();
  void repcmdok_Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<Ui::FraBb> ui;
};

}  // namespace tav::user
