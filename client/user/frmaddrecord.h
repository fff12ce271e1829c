// "添加用时记录": the minutes a worker spent on the shown work order, one
// box per trade the worker holds, sent as one used-time request.
#pragma once
#include <QDialog>
#include <cstdint>
#include <vector>

#include "client/user/requests.h"

class QLineEdit;

namespace tav::user {

class FraRequ;

class FrmAddRecord : public QDialog {
  Q_OBJECT
 public:
  FrmAddRecord(FraRequ& panel, QWidget* parent);

  // "提交": sends the typed minutes; the form closes once the reply is in.
  void Command1_Click();
  // "取消": nothing is sent.
  void Command2_Click() { reject(); }

  int rowCount() const { return static_cast<int>(rows_.size()); }

 private:
  struct Row {
    int32_t trade;
    QLineEdit* box;
  };
  FraRequ& panel_;
  std::vector<Row> rows_;
};

}  // namespace tav::user
