// Cutting the start-of-session reply ("MYGRAD") into the login tables.
#pragma once
#include <optional>
#include <string_view>

#include "client/user/usertables.h"

namespace tav::user {

// The tables of one GradeReply (myID and allRight are the login's own).
// nullopt when the reply lacks what the cutting needs: fewer than 19
// RecordSep, a header under four fields or fewer than ten numbers.
std::optional<UserTables> parseGradeReply(std::u16string_view reply);

// The whole number a field's text begins with (0 for none or beyond 32 bits).
int32_t numberOf(std::u16string_view text);

// One saved search's three stored texts as a slot (unset without conditions).
WOPreset parsePreset(std::u16string_view conds, std::u16string_view sorts, std::u16string_view name);

}  // namespace tav::user
