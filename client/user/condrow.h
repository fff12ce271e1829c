// The condition rows of the advanced-search form and of the saved-search
// settings form: per row a left bracket, a field, a comparison, a value box
// whose list follows the field, a right bracket and the connector to the
// next row, rows 48 pixels apart.
#pragma once
#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

#include "client/user/usertables.h"

class QComboBox;
class QToolButton;

namespace tav::user {

// Which list a row's value box offers.
enum class ValueList { None, Status, BillType, Urgency, Level, State, NamedDates };

// The entries of a value list, in order.
QStringList valueListEntries(ValueList list);

struct CondRowsOptions {
  QStringList fields;                    // the field box's entries
  std::function<ValueList(int)> listOf;  // the value list of a field position
  int maxRows = 1;
  QString tooMany;  // shown by an add beyond maxRows; empty: the add does nothing
};

class CondRows : public QWidget {
  Q_OBJECT
 public:
  static constexpr int RowStep = 48;
  static constexpr int RowHeight = 26;

  CondRows(CondRowsOptions options, QWidget* parent);

  int rowCount() const { return static_cast<int>(rows_.size()); }
  // A row at the end; false when the limit stands (its message shown).
  bool addRow();
  // The last row removed; nothing while only row 0 stands.
  void removeRow();
  // Rows rebuilt from stored conditions (at least one row stays).
  void setRows(const std::vector<SearchCond>& conds);

  // Row i as it stands: brackets, field position, comparison, value text, connector.
  SearchCond row(int i) const;
  // As many rows open a bracket as close one.
  bool bracketsBalanced() const;

  void toggleLeft(int i);
  void toggleRight(int i);
  void toggleConnector(int i);
  ValueList valueList(int i) const { return rows_[static_cast<std::size_t>(i)].list; }
  QComboBox* fieldBox(int i) const { return rows_[static_cast<std::size_t>(i)].fiel; }
  QComboBox* valueBox(int i) const { return rows_[static_cast<std::size_t>(i)].valu; }

 signals:
  void rowsChanged(int count);

 private:
  struct Row {
    QToolButton* breL;
    QComboBox* fiel;
    QComboBox* critc;
    QComboBox* valu;
    QToolButton* breR;
    QToolButton* aoa;
    bool left = false, right = false, andNext = true;
    ValueList list = ValueList::None;
  };
  void makeRow();
  void chooseField(int i);
  void paintBracket(QToolButton* b, bool on);
  void paintConnector(QToolButton* b, int i, bool andNext);
  void layoutHeight();

  CondRowsOptions options_;
  std::vector<Row> rows_;
};

// What the two condition forms share: the "+" and "-" beside the first
// row, and a form that stays while its own request waits for its reply.
class CondForm : public QDialog {
  Q_OBJECT
 public:
  using QDialog::QDialog;
  bool busy() const { return busy_; }
  // Escape and the close box: refused while the form's own request runs.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* e) override;
  // "+" (objectName addone) at `at` and "-" (subone) beside it.
  void addRowButtons(CondRows* rows, QPoint at, const QString& plus, const QString& minus);
  // The form's cancel button.
  void cancel();

  bool busy_ = false;
};

}  // namespace tav::user
