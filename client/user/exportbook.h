// A new workbook file written through libxlsxwriter: a name of its own in
// the temporary folder, sheets of numbers and texts, hidden sheets, the
// sheet shown on opening. The report and the list export write with it.
#pragma once
#include <QString>
#include <QVariant>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;

namespace tav::user {

class Book {
 public:
  // A new file "<prefix>-XXXXXX.xlsx" in the temporary folder.
  explicit Book(const QString& prefix);
  ~Book();
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

  // Adds a sheet at the end; its index.
  int addSheet(const QString& name);
  // Cell (row, col), counted from 0. Integer and floating values go as
  // numbers, everything else as text; an empty text leaves the cell empty.
  void write(int sheet, int row, int col, const QVariant& value);
  // A block of rows from (row, col) on.
  void writeRows(int sheet, int row, int col, const std::vector<std::vector<QVariant>>& rows);
  void hide(int sheet);
  // The sheet shown when the file opens.
  void activate(int sheet);
  // Opening the file suggests read-only.
  void readOnlyRecommended();

  // Writes the file. False, with error(), on the first failure of any step.
  bool close();
  const QString& path() const { return path_; }
  const QString& error() const { return error_; }

 private:
  void fail(int lxwError);

  QString path_, error_;
  lxw_workbook* book_ = nullptr;
  std::vector<lxw_worksheet*> sheets_;
};

}  // namespace tav::user
