// The request bodies about one work order (new request, engineer's update,
// requester's change, history lists, used time) and the field rules and
// minute sums the work-request panel decides by. Pure: no window, no socket.
#pragma once
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "client/user/usertables.h"

namespace tav::user {

// What a work request says, as the new request and the requester's change
// send it. Typed texts are cleaned by the builders.
struct RequestFields {
  QString equipId, equipName, description;
  QString billType;  // code of the request type; empty when none is chosen
  int32_t emLevel = 0;  // 1 to 4; 0 none
  int32_t beginDay = 0, complDay = 0;
  int32_t status = 0;
  QString pointto;
};

// What the engineer's update sends besides the order number.
struct OrderUpdate {
  QString pointto;
  int32_t status = 0;
  QString reason, solute, remark;
};

// Minutes typed for one trade.
struct TimeEntry {
  int32_t trade = 0;
  QString minutes;
};

enum class DetailKind { Status, UsedTime };

// Bodies without the terminator (the send adds it). `store` is the order's
// flag: 1 the current tables, 0 the archive.
std::u16string newOrderBody(const RequestFields& f);
std::u16string orderUpdateBody(int store, int32_t billId, const OrderUpdate& u);
std::u16string ownChangeBody(int store, int32_t billId, const RequestFields& f);
std::u16string detailBody(int store, DetailKind kind, int32_t billId);
std::u16string addTimeBody(int store, int32_t billId, const std::vector<TimeEntry>& entries);

// The longest minutes text a box holds and the server takes.
inline constexpr int MinutesChars = 4;
// Digits with at most one "." and at least one digit.
bool isMinutes(const QString& text);
// The whole minutes the server adds for these entries: their exact sum,
// rounded once, a half to the even neighbour. Entries that are not minutes
// count nothing.
int64_t roundedMinutes(const std::vector<TimeEntry>& entries);

// A field rule applies to field `name` of an order in status `status` for a
// user with rights `rights`.
bool ruleApplies(const FieldRight& r, const QString& name, int32_t status, int32_t rights);
// Some rule for `name` applies (the user's rights from the login tables).
bool anyRule(const QString& name, int32_t status);
// The union of the next statuses of every applying "status" rule.
int32_t nextStatusMask(int32_t status);

}  // namespace tav::user
