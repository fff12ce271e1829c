// A new workbook file written through libxlsxwriter: a name of its own in
// the temporary folder, sheets of numbers and texts, hidden sheets, the
// sheet shown on opening. The report and the list export write with it.
#pragma once
#include <QString>
#include <QStringView>
#include <QVariant>
#include <string>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;

namespace tav::user {

// Appends `text` in UTF-8 as QString::toUtf8 gives it (a lone surrogate
// becomes '?'), without a buffer of its own.
void appendUtf8(std::string& out, QStringView text);

class Book {
 public:
  // A new file "<prefix>-XXXXXX.xlsx" in the temporary folder. With
  // `rowsInOrder` each sheet is written from its top row down (sheets one
  // after another or side by side): a row goes out to disk as soon as a
  // later one is begun, so the book never holds all its cells, and a cell
  // above the row in hand fails the book (libxlsxwriter's constant_memory).
  explicit Book(const QString& prefix, bool rowsInOrder = false);
  ~Book();
  Book(const Book&) = delete;
  Book& operator=(const Book&) = delete;

  // Adds a sheet at the end; its index.
  int addSheet(const QString& name);
  // Cell (row, col), counted from 0. Integer and floating values go as
  // numbers, everything else as text; an empty text leaves the cell empty.
  void write(int sheet, int row, int col, const QVariant& value);
  // The same for a number, and for a text already in UTF-8 (up to its NUL):
  // no QVariant and no copy on the way.
  void number(int sheet, int row, int col, double value);
  void text(int sheet, int row, int col, const char* utf8);
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
