// The three-key sort of the client's two lists (frmMain's datasort): the
// key each column sorts by, the reordering of the records while selection
// marks keep their places, and the whole call with its question and status.
#pragma once
#include <QString>
#include <QVariant>
#include <array>
#include <vector>

#include "client/user/rows.h"

namespace tav::user {

class FrmMain;

// What column k (1-18) of a work order sorts by: the stored number where
// the grid shows a name or a date (status, the four days), else Props(k).
QVariant woSortKey(const WOList& w, int column);
// Column k (1-10) of an equipment: the day numbers behind the two dates.
QVariant equSortKey(const EquList& e, int column);

// Reorders the records by up to three columns (numbered from 1), each
// ascending or not; equal keys keep their order. The selection marks stay
// with the positions, so the record now at a marked place is the marked one.
void sortRecords(std::vector<WOList>& rows, const std::array<int, 3>& columns, const std::array<bool, 3>& ascending);
void sortRecords(std::vector<EquList>& rows, const std::array<int, 3>& columns, const std::array<bool, 3>& ascending);

// The sort of one list of `main` ("WORKO" or "ASSET", case ignored) with its
// question above 1000 records, its status texts and the repaint from record 1.
void datasort(FrmMain& main, const QString& eow, const std::array<int, 3>& columns,
              const std::array<bool, 3>& ascending);

}  // namespace tav::user
