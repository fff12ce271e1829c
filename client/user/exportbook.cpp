// Workbook files through libxlsxwriter.
#include "client/user/exportbook.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "protocol/wire.h"

namespace tav::user {

void appendUtf8(std::string& out, QStringView text) {
  tav::appendUtf8(out, std::u16string_view(text.utf16(), static_cast<std::size_t>(text.size())), U'?');
}

Book::Book(const QString& prefix, bool rowsInOrder) {
  QTemporaryFile file(QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation))
                          .filePath(prefix + QStringLiteral("-XXXXXX.xlsx")));
  file.setAutoRemove(false);
  if (!file.open()) {
    error_ = file.errorString();
    return;
  }
  path_ = file.fileName();
  file.close();
  lxw_workbook_options options{};
  options.constant_memory = rowsInOrder ? LXW_TRUE : LXW_FALSE;
  book_ = workbook_new_opt(QFile::encodeName(path_).constData(), &options);
  if (!book_) error_ = QString::fromUtf8(lxw_strerror(LXW_ERROR_MEMORY_MALLOC_FAILED));
}

Book::~Book() {
  if (book_) workbook_close(book_);
}

void Book::fail(int lxwError) {
  if (lxwError != LXW_NO_ERROR && error_.isEmpty())
    error_ = QString::fromUtf8(lxw_strerror(static_cast<lxw_error>(lxwError)));
}

int Book::addSheet(const QString& name) {
  lxw_worksheet* ws = book_ ? workbook_add_worksheet(book_, name.toUtf8().constData()) : nullptr;
  if (!ws && error_.isEmpty()) error_ = QStringLiteral("不能增加工作表：") + name;
  sheets_.push_back(ws);
  return static_cast<int>(sheets_.size()) - 1;
}

void Book::write(int sheet, int row, int col, const QVariant& value) {
  lxw_worksheet* ws = sheets_.at(static_cast<std::size_t>(sheet));
  if (!ws || !error_.isEmpty()) return;
  const auto r = static_cast<lxw_row_t>(row);
  const auto c = static_cast<lxw_col_t>(col);
  // The lists and the report hold numbers and texts only.
  const int type = value.typeId();
  if (type != QMetaType::QString && type != QMetaType::UnknownType && value.canConvert<double>()) {
    fail(worksheet_write_number(ws, r, c, value.toDouble(), nullptr));
    return;
  }
  const QString text = value.toString();
  if (text.isEmpty()) return;
  fail(worksheet_write_string(ws, r, c, text.toUtf8().constData(), nullptr));
}

void Book::number(int sheet, int row, int col, double value) {
  lxw_worksheet* ws = sheets_.at(static_cast<std::size_t>(sheet));
  if (!ws || !error_.isEmpty()) return;
  fail(worksheet_write_number(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), value, nullptr));
}

void Book::text(int sheet, int row, int col, const char* utf8) {
  lxw_worksheet* ws = sheets_.at(static_cast<std::size_t>(sheet));
  if (!ws || !error_.isEmpty() || !*utf8) return;
  fail(worksheet_write_string(ws, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(col), utf8, nullptr));
}

void Book::writeRows(int sheet, int row, int col, const std::vector<std::vector<QVariant>>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::size_t j = 0; j < rows[i].size(); ++j)
      write(sheet, row + static_cast<int>(i), col + static_cast<int>(j), rows[i][j]);
}

void Book::hide(int sheet) {
  if (lxw_worksheet* ws = sheets_.at(static_cast<std::size_t>(sheet))) worksheet_hide(ws);
}

void Book::activate(int sheet) {
  if (lxw_worksheet* ws = sheets_.at(static_cast<std::size_t>(sheet))) worksheet_activate(ws);
}

void Book::readOnlyRecommended() {
  if (book_) workbook_read_only_recommended(book_);
}

bool Book::close() {
  if (!book_) return false;
  lxw_error e = workbook_close(book_);
  book_ = nullptr;
  fail(e);
  return error_.isEmpty();
}

}  // namespace tav::user
