// The information panel FraShow: the server's information text, its log of
// logins and disconnections, and its ten connection places.
#pragma once
#include <memory>

#include "client/manage/managepanel.h"

namespace Ui {
class FraShow;
}

class QPlainTextEdit;

namespace tav::manage {

class InfoPanel : public ManagePanel {
  Q_OBJECT
 public:
  explicit InfoPanel(QWidget* parent = nullptr);
  ~InfoPanel() override;

  void frashows_Click();  // "AUTHOR" into Text1
  void frashowu_Click();  // "SHOWTX" into Text2
  void frashowo_Click();  // "SHOWLB" into Text3
  void logoff() override;

 private:
  void fetchText(std::u16string_view word, QPlainTextEdit* box);

  std::unique_ptr<Ui::FraShow> ui;
};

}  // namespace tav::manage
