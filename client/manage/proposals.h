// The three proposal browsers (a new user, a change to a user, a new holder
// of an administrator identity): each shows the open proposals of its kind
// one at a time and sends this administrator's answer to the one shown.
#pragma once
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "client/manage/browser.h"
#include "client/manage/managepanel.h"
#include "client/manage/managestate.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace Ui {
class frmSugnU;
class frmSugcU;
class frmSugMan;
}  // namespace Ui

namespace tav::manage {

// What tells the three kinds apart on the wire.
struct ProposalKind {
  std::u16string listWord;    // "LISUNU", "FRMSGU", "SUNAME"
  std::u16string answerWord;  // "SUNUOK", "SUUSOK", "SUNAOK"
  std::size_t fields;         // fields of one record
  QString noRecordText;       // the message for "NORECO"
  bool createsUser;           // "EXSING" is one of its answers
};

class ProposalPanel : public ManagePanel {
  Q_OBJECT
 public:
  ~ProposalPanel() override;

  void refresh_Click();  // the list of open proposals
  void answer_Click();   // agree or disagree with the one shown
  // Shows the record at the scroll bar's value.
  void bar_Change();
  void logoff() override;

  int recordCount() const { return browser_ ? browser_->count() : 0; }

 protected:
  struct Controls {
    QPushButton* refresh;
    QPushButton* answer;
    QScrollBar* bar;
    QLabel* position;
    QRadioButton* yes;
  };
  // Called once the family's controls exist.
  ProposalPanel(ProposalKind kind, QWidget* parent);
  void wire(const Controls& c);
  // The record's own controls, and their emptying.
  virtual void showFields(const Fields& f) = 0;
  virtual void clearFields() = 0;
  // Who agreed so far: ID "(" name ")", or "(无)".
  static QString agreedText(std::u16string_view id, std::u16string_view name);

 private:
  void showNone();

  ProposalKind kind_;
  QRadioButton* yes_ = nullptr;
  std::unique_ptr<Browser> browser_;
};

class SugnUPanel : public ProposalPanel {
  Q_OBJECT
 public:
  explicit SugnUPanel(QWidget* parent = nullptr);
  ~SugnUPanel() override;

 protected:
  void showFields(const Fields& f) override;
  void clearFields() override;

 private:
  std::unique_ptr<Ui::frmSugnU> ui;
};

class SugcUPanel : public ProposalPanel {
  Q_OBJECT
 public:
  explicit SugcUPanel(QWidget* parent = nullptr);
  ~SugcUPanel() override;

 protected:
  void showFields(const Fields& f) override;
  void clearFields() override;

 private:
  std::unique_ptr<Ui::frmSugcU> ui;
};

class SugManPanel : public ProposalPanel {
  Q_OBJECT
 public:
  explicit SugManPanel(QWidget* parent = nullptr);
  ~SugManPanel() override;

 protected:
  void showFields(const Fields& f) override;
  void clearFields() override;

 private:
  std::unique_ptr<Ui::frmSugMan> ui;
};

}  // namespace tav::manage
