// The spreadsheet application the report and the export hand their
// workbooks to: whether the desktop has one, and opening a file in it (in
// front, where the desktop allows). Tests put their own in its place, as
// they do with the notifier.
#pragma once
#include <QString>

namespace tav::user {

class Spreadsheet {
 public:
  virtual ~Spreadsheet() = default;
  // True when an application is registered for .xlsx workbooks.
  virtual bool available() = 0;
  // Opens the workbook; empty on success, else what went wrong.
  virtual QString open(const QString& path) = 0;
};

// The one in use: the desktop's unless a test installed another.
Spreadsheet& spreadsheet();
// Installs `s` (not owned); nullptr goes back to the desktop's.
void setSpreadsheet(Spreadsheet* s);

// The message when there is none.
QString noSpreadsheetText();

}  // namespace tav::user
