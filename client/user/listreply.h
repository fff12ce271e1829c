// List replies of work orders and equipment cut into the row objects of the
// two lists, the lists replaced and shown from their first record, and the
// reading of an advanced search's reply.
#pragma once
#include <QString>
#include <string_view>
#include <vector>

#include "client/user/rows.h"

namespace tav::user {

class FrmMain;

// Field counts of the records the searches receive.
inline constexpr int WoFieldsWithStore = 20;  // advanced and saved searches: field 20 the store flag
inline constexpr int WoFieldsQuick = 19;      // quick search: current orders only
inline constexpr int EquFields = 10;

// The records of a list reply's text (the bytes before its terminator, as
// UTF-16): one per RecordSep, each cut at its FieldSeps. A field missing at
// the end of a record reads as empty; numbers are the whole number the field
// begins with (0 when there is none or it is beyond 32 bits). With 20 fields
// the 20th is the store flag; with fewer every order is a current one.
std::vector<WOList> readWoRecords(std::u16string_view text, int fields);
std::vector<EquList> readEquRecords(std::u16string_view text);

// The list replaced by `rows` and shown from record 1, record 1 selected;
// an empty list blanks the grid and disables its bar and list buttons.
void showWoList(FrmMain& main, std::vector<WOList> rows);
void showEquList(FrmMain& main, std::vector<EquList> rows);

// The reply to "ADVAWO" (`dbtb0` "AWO") or "ADVASS" ("ASS"), case ignored:
// the bracket refusal and the refused right leave both lists as they were,
// a list replaces the list of its kind.
void advanced(FrmMain& main, const QString& dbtb0, std::u16string_view reply);

}  // namespace tav::user
