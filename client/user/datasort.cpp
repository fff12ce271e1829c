// The list sort: keys taken once per record, the shared stable three-key
// order, the records moved while the selection marks stay in place.
#include "client/user/datasort.h"

#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>

#include "client/common/clientsocket.h"
#include "client/common/listsort.h"
#include "client/common/notifier.h"
#include "client/user/fraequip.h"
#include "client/user/frmmain.h"
#include "client/user/frmsort.h"
#include "client/user/fraworko.h"

namespace tav::user {

using namespace tav::client;

QVariant woSortKey(const WOList& w, int column) {
  switch (column) {
    case 4: return w.Status;
    case 10: return w.created_date;
    case 11: return w.done_date;
    case 13: return w.begin_date;
    case 14: return w.compl_date;
    default: return w.Props(column);
  }
}

QVariant equSortKey(const EquList& e, int column) {
  switch (column) {
    case 4: return e.buied_date;
    case 9: return e.uselessday;
    default: return e.Props(column);
  }
}

namespace {

template <class Row, class KeyOf>
void sortRows(std::vector<Row>& rows, const std::array<int, 3>& columns, const std::array<bool, 3>& ascending,
              KeyOf keyOf) {
  std::vector<std::array<QVariant, 3>> keys;
  keys.reserve(rows.size());
  for (const Row& r : rows) keys.push_back({keyOf(r, columns[0]), keyOf(r, columns[1]), keyOf(r, columns[2])});
  std::array<SortKey, 3> how;
  for (std::size_t k = 0; k < 3; ++k) how[k] = {true, ascending[k]};

  std::vector<bool> marks;
  marks.reserve(rows.size());
  for (const Row& r : rows) marks.push_back(r.checked);
  applyOrder(rows, stableOrder(keys, how));
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].checked = marks[i];
}

// The list's bar back at 1 and the grid repainted from record 1, once.
void showFromTop(QWidget* panel, const char* barName, int32_t& top) {
  if (auto* bar = panel->findChild<QScrollBar*>(QLatin1String(barName))) {
    QSignalBlocker quiet(bar);
    bar->setValue(1);
  }
  top = 1;
}

}  // namespace

void sortRecords(std::vector<WOList>& rows, const std::array<int, 3>& columns, const std::array<bool, 3>& ascending) {
  sortRows(rows, columns, ascending, woSortKey);
}

void sortRecords(std::vector<EquList>& rows, const std::array<int, 3>& columns,
                 const std::array<bool, 3>& ascending) {
  sortRows(rows, columns, ascending, equSortKey);
}

void datasort(FrmMain& main, const QString& eow, const std::array<int, 3>& columns,
              const std::array<bool, 3>& ascending) {
  const bool workOrders = eow.compare(QLatin1String("WORKO"), Qt::CaseInsensitive) == 0;
  if (!workOrders && eow.compare(QLatin1String("ASSET"), Qt::CaseInsensitive) != 0) {
    main.LabStat()->setText(QStringLiteral(" TAVuser - 就绪"));
    return;
  }
  Lists& l = main.lists();
  auto count = [&] { return workOrders ? l.woRecords.size() : l.equRecords.size(); };
  if (count() == 0) return;

  if (count() <= 1000) {
    main.LabStat()->setText(QStringLiteral(" TAVuser - 正在处理排序请求，请稍候"));
  } else {
    if (!ask(workOrders ? QStringLiteral("将要排序的工单已超过1000条记录，可能会占用较长时间，你确定要继续吗？")
                        : QStringLiteral("将要排序的设备已超过1000条记录，可能会占用较长时间，你确定要继续吗？")))
      return;
    main.LabStat()->setText(QStringLiteral(" TAVuser - 正在处理排序请求，请耐心等待..."));
  }
  pumpEvents();
  // The question and the paint let a logoff ("CLOSE!") run, which empties
  // both lists: nothing is left to sort then.
  if (count() == 0) {
    main.LabStat()->setText(QStringLiteral(" TAVuser - 就绪"));
    return;
  }

  if (workOrders) {
    sortRecords(l.woRecords, columns, ascending);
    showFromTop(main.fraWorkO(), "VScWO", l.woTop);
    main.fraWorkO()->VScWO_Change();
  } else {
    sortRecords(l.equRecords, columns, ascending);
    showFromTop(main.fraEquip(), "VScEqu", l.equTop);
    main.fraEquip()->VScEqu_Change();
  }
  main.LabStat()->setText(QStringLiteral(" TAVuser - 就绪"));
}

void FrmMain::datasort(const QString& eow, bool boo0, bool boo1, bool boo2) {
  auto* dialog = qobject_cast<FrmSort*>(frmSort.data());
  if (!dialog) return;
  tav::user::datasort(*this, eow, dialog->keyColumns(), {boo0, boo1, boo2});
}

}  // namespace tav::user
