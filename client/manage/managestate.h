// The administration client's module state: its one connection, the rights
// and trades tables of the login, the user list, and the reading of the
// list replies its panels receive.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/common/session.h"
#include "client/common/userpicker.h"

namespace tav::manage {

// One user of "LISUSE" as an administrator session receives it.
struct UseRecord {
  QString id, name;
  int32_t rights = 0;
  int32_t trades = 0;
  int16_t frozen = 0;  // 1 frozen
};

struct ManageTables {
  std::vector<tav::client::PickCode> rightList, typeList;
  std::vector<UseRecord> userList;
  bool userListLoaded = false;  // userList holds this connection's "LISUSE"
  int userPicked = 0;           // position in userList (from 1) of the picked user; 0 none
};

// The one set of tables of the running client.
ManageTables& tables();

// The client's one connection and request exchange ("TAVsuper").
tav::client::Session& session();

// What every request handler of this client shares: the word reply is
// taken as soon as it equals a word, times out with "服务器超时未回", and
// "UWRONG" is the server's unknown failure.
tav::client::ExchangeTexts manageTexts();

// Shown when the server has filed a proposal.
QString proposalFiledText();

// Shown for a list reply that is not made the way its command's records are.
QString badReplyText();

using Fields = std::vector<std::u16string>;

// The records of a list reply (one per RecordSep), each cut at its
// FieldSeps; nullopt when a record does not hold exactly `fields` fields.
std::optional<std::vector<Fields>> listRecords(std::u16string_view text, std::size_t fields);

// A field's numeric value (0 when it holds no number or one beyond 32 bits).
int32_t numberOf(std::u16string_view field);

// "LISUSE" to an administrator: five fields a user.
std::optional<std::vector<UseRecord>> parseUsers(std::u16string_view text);
// By name, case ignored; users of equal names keep the order received.
void sortByName(std::vector<UseRecord>& users);

// "ALLGAT": the rights table, then the trades table, each a section of
// (bit, name) pairs; nullopt unless both are there and well made.
struct ConstTables {
  std::vector<tav::client::PickCode> rights, trades;
};
std::optional<ConstTables> parseConstList(std::u16string_view text);

// "yyyy-M-d"; a day number below 1 is an empty text.
QString dayText(int32_t day);
// A user ID as the lists compare and show it.
QString withoutTrailingBlanks(QString id);
// A person as shown: ID "(" name ")".
QString idAndName(std::u16string_view id, std::u16string_view name);

}  // namespace tav::manage
