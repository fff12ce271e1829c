// The list of a work order's status history ("工单状态详表") or of its
// used-time records ("工作耗时详表"): three columns under a bold header,
// one row of 24 pixels a record, scrolling when taller than the screen.
#pragma once
#include <QDialog>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "client/user/requests.h"

namespace tav::user {

// The three column texts of one row.
using DetailRow = std::array<QString, 3>;

// The rows of a list reply (the text before its terminator): status rows
// named through the status table and ordered newest first, used-time rows
// with their trade names in the order received.
std::vector<DetailRow> detailRows(DetailKind kind, std::u16string_view list);

class FrmStatus : public QDialog {
  Q_OBJECT
 public:
  FrmStatus(DetailKind kind, const QString& billId, std::u16string_view list, QWidget* parent);

  int rowCount() const { return rows_; }
  void Command1_Click() { accept(); }

 private:
  int rows_ = 0;
};

}  // namespace tav::user
