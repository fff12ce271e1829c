// The constant tables of "TAVconst.mdb", copied once at start-up: rights,
// statuses, trades, work-request types, field rules and the ten settings.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tav::server {

struct CodeName {
  int32_t code = 0;
  std::u16string name;
};

struct TextCodeName {
  std::u16string code;
  std::u16string name;
};

// Who may change which work-order field in which status.
struct FieldRight {
  std::u16string Fields;  // the work-order field the rule is about
  int32_t states = 0;     // statuses in which it may be changed
  int32_t powers = 0;     // rights of those who may change it
  int32_t tostas = 0;     // statuses that may follow (for the status rule)
};

// Positions of `manageSet`.
enum ManagePos {
  ManEquipment = 0,      // rights mask: add and alter equipment
  ManDoneStatusA = 2,    // statuses that set a work order's done_date
  ManDoneStatusB = 3,
  ManScrapped = 5,       // equip_use of scrapped equipment
  ManReportArchive = 6,  // rights mask: used-time report and the archived orders
  ManCollections = 7,    // rights mask: collections and preventive plans
  ManNewRequest = 8,     // rights mask of a new request; also the status its creator may still change
  ManApprovePlans = 9,   // rights mask: approve plans; also the status of created orders
};

struct ConstTables {
  std::vector<FieldRight> fieldRuleTab;
  std::vector<CodeName> rightsTab;
  std::vector<CodeName> statusTab;
  std::vector<TextCodeName> typeTab;
  std::vector<CodeName> specialTab;
  std::array<int32_t, 10> manageSet{};

  bool isStatusCode(int32_t code) const;
};

// Copies the constants of the database at `path`; false when the file, a
// table or the `manage` record cannot be read (missing, short, or holding
// a value that is not a 32-bit number).
bool loadConst(const std::string& path, ConstTables& out);

}  // namespace tav::server
