// The user picker "用户框" both clients open to choose one user: a line per
// user (ID, rights and trades as hexadecimal masks, name), the rights and
// trades of the selected line on request, and the choice.
#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QListWidgetItem;

namespace Ui {
class frmuser;
}

namespace tav::client {

// One user as a picker shows it.
struct PickUser {
  QString id, name;
  int32_t rights = 0;  // bits of the rights table
  int32_t trades = 0;  // bits of the trades table
};

// One entry of a rights or trades table: its bit and its name.
struct PickCode {
  int32_t bit = 0;
  QString name;
};

enum class PickOrder {
  Given,   // the order the records came in
  ById,    // login ID ascending, case ignored
  ByName,  // display name ascending, case ignored
};

// Puts `users` in `order`; users with equal keys keep their order.
void orderUsers(std::vector<PickUser>& users, PickOrder order);

// The names of the table entries whose bits are set in `mask`, in table order.
QStringList namesOfBits(int32_t mask, const std::vector<PickCode>& table);

// A line of the list: the ID padded to 18, the two masks in upper-case
// hexadecimal each padded (or cut) to 8, the name; one blank between.
QString pickerLine(const PickUser& u);

class UserPicker : public QDialog {
  Q_OBJECT
 public:
  // `users` are shown in `order`; `rights` and `trades` name their bits.
  UserPicker(std::vector<PickUser> users, PickOrder order, std::vector<PickCode> rights,
             std::vector<PickCode> trades, QWidget* parent = nullptr);
  ~UserPicker() override;

  // The users in the order shown: line i is users()[i].
  const std::vector<PickUser>& users() const { return users_; }
  // The user taken by 选定 or a double click; empty after 取消, a close, or
  // while nothing was taken.
  const std::optional<PickUser>& chosen() const { return chosen_; }

  // 看一下: the rights and trades of the selected line.
  void Lookonedown_Click();
  // 选定 (and a double click): takes the selected line and closes.
  void select_Click();

 private:
  int selectedRow() const;

  std::unique_ptr<Ui::frmuser> ui;
  std::vector<PickUser> users_;
  std::vector<PickCode> rights_, trades_;
  std::optional<PickUser> chosen_;
};

}  // namespace tav::client
