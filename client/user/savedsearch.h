// The saved work-order searches: the texts a slot is stored as, the named
// dates and the other stored words turned into what a search sends, the
// run of a slot, and the captions of the slot's two buttons.
#pragma once
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "client/user/rows.h"
#include "client/user/usertables.h"

namespace tav::user {

class FrmMain;

// The stored conditions text: six fields per condition, each followed by
// FieldSep (field position, comparison and value as stored).
std::u16string conditionsText(const std::vector<SearchCond>& conds);
// The stored sort text: column position and "True"/"False" for each key.
std::u16string sortText(const std::array<SortKey, 3>& keys);

// The day number of a named date ("今天" ... "今年7月1日") at the client's
// moment `now` (days since 1899-12-30); 0 when `name` names none.
int32_t namedDay(const QString& name, double now);

// What a stored condition sends for its value at `now`.
std::u16string presetValue(const SearchCond& c, double now);
// The "ADVAWO0" request of a slot's conditions at `now`.
std::u16string presetRequest(const WOPreset& p, double now);

// The rows ordered by the slot's three keys (stored column positions 0-17;
// numbers, day numbers and status codes by value, texts ignoring case),
// rows with equal keys in their received order; selection marks stay in place.
void sortByPreset(std::vector<WOList>& rows, const WOPreset& p);

// WO_Presave(slot): the slot's search over the current orders, its list
// sorted by the slot's keys and shown from the first record.
void runPreset(FrmMain& main, int slot);

// The captions of WO_Presave(slot) and WO_save(slot) from woPreset(slot).
void showPresetCaptions(FrmMain& main, int slot);

// Wires the slots' buttons of both panels and their captions at login.
void connectSavedSearches(FrmMain* main);

}  // namespace tav::user
