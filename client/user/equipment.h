// What the equipment, collection and preventive panels share: the
// quick-search request of the ten boxes, the messages of an unreadable date,
// the date boxes that take today's date on Space, and list and text boxes.
#pragma once
#include <QString>
#include <array>
#include <functional>
#include <string>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace tav::user {

// "“购买日期”..." / "“报废日期”...": a date box whose text is no date. The
// adding form writes the format "yyyy-m-d", the others "yyyy-M-d".
QString badDateMessage(bool scrapDay, bool addingForm = false);

struct QuickSearch {
  std::u16string body;  // "QUICKYASSET" and the pairs of the boxes that hold text
  int badBox = 0;       // 4 or 9: that date box holds no date (nothing to send)
  bool anyBox = false;  // some box holds text
};
// The quick equipment search of the ten boxes' texts (box i is element i - 1).
QuickSearch quickSearch(const std::array<QString, 10>& boxes);

// Space typed into `box` is swallowed and the box shows the client's today
// as "yyyy-M-d", the caret at its end.
void takeTodayOnSpace(QLineEdit* box);
// The client's today as "yyyy-M-d".
QString todayText();

// A left double-click anywhere in `list` (rows or the empty area) runs
// `act` once the click has selected what it selects.
void onDoubleClick(QListWidget* list, std::function<void()> act);
// The selected row of a single-selection list, -1 for none.
int selectedRow(const QListWidget* list);
// Typing into `box` stops at `limit` characters, as a line box's maximum
// length does.
void limitLength(QPlainTextEdit* box, int limit);

}  // namespace tav::user
