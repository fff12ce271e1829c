// One record at a time of a list reply, chosen by a vertical scroll bar
// from 1 to the record count, with its position label ("2 / 5", or the
// panel's text for none) and the button that acts on the record shown.
// The proposal and authorisation panels browse their lists with it.
#pragma once
#include <QString>
#include <vector>

#include "client/manage/managestate.h"

class QLabel;
class QPushButton;
class QScrollBar;

namespace tav::manage {

class Browser {
 public:
  Browser(QScrollBar* bar, QLabel* position, QPushButton* action, QString noneText);

  // Runs `word` and keeps its records of `fields` fields, the first one at
  // the bar. False, the records as they were, when the exchange failed or
  // the reply is not such records (the message has been shown).
  bool fetch(tav::client::Exchange& x, std::u16string_view word, std::size_t fields);
  // No records: the text for none, the bar and the button disabled.
  void clear();

  int count() const { return static_cast<int>(records_.size()); }
  // The record at the bar's value, its position shown; nullptr for none.
  const Fields* showPosition();
  // The record at the bar's value; nullptr for none.
  const Fields* shown() const;
  // The number the server gave the record shown (its first field).
  std::u16string shownNumber() const;

 private:
  QScrollBar* bar_;
  QLabel* position_;
  QPushButton* action_;
  QString noneText_;
  std::vector<Fields> records_;
};

}  // namespace tav::manage
