// Helpers every command family uses on records: finding a row by ID,
// turning stored values into list-reply text, cleaning text before it is
// stored, and the "who did it" text.
#pragma once
#include <optional>
#include <string>
#include <vector>
#include <string_view>

#include "TAVserver/server.h"
#include "TAVserver/store/store.h"
#include "protocol/wire.h"

namespace tav::server {

// Walks `t` from its first record to the first whose `field` equals `id`
// ignoring (ASCII) letter case; false when the walk reaches the end.
bool findNoCase(store::Table& t, const char* field, std::u16string_view id);

// Walks `t` from its first record to the first whose whole-number `field`
// equals `number`; false at the end.
bool findNumber(store::Table& t, const char* field, int64_t number);

// Stands `list` (current) or `list_o` (archive) on the order numbered `id`
// without walking the table: by key in `list`, through the number's index
// in `list_o`. False when there is no such order (or no number).
bool findOrder(store::Table& t, bool current, std::optional<int32_t> id);

// The rowids of one order's rows in a history table (`status`, `detail`,
// `sublist` or a twin), in stored order, through the index on `bill_id`.
std::vector<int64_t> rowsOfOrder(store::Table& t, int32_t billId);

// A stored value as list replies carry it: no value as empty text, whole
// numbers in decimal, date-times as decimal with "." (never an exponent).
std::u16string fieldText(const store::Value& v);

// Appends fields from..to-1 (positions) of the current record.
void addFields(ListRecord& rec, store::Table& t, int from, int to);

// Text from a client loses Chr(0), Chr(23) and Chr(25) before it is stored,
// so later list replies stay well formed.
std::u16string storableText(std::u16string_view text);

// Who did something: login ID, "(", display name, ")".
std::u16string whoText(const Slot& s);

// A list reply goes out in pieces of up to 32 KiB: records gather until a
// piece is full, and the terminator leaves with the last of them, so a short
// list is one send and a long one never waits in memory as a whole. Once a
// piece cannot be delivered nothing more of the list is sent; both return
// false from then on.
bool sendRecord(Server& S, int n, const ListRecord& rec);
bool sendListEnd(Server& S, int n);

}  // namespace tav::server
