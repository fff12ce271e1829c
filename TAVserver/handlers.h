// Every command handler the dispatcher's table names, by family.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav::store {
class Table;
}

namespace tav::server {
struct Server;

// Server information and control (control.cpp).
void handleUnload(Server& S, int n, std::u16string_view body);
void handleShowLog(Server& S, int n, std::u16string_view body);
void handleShowSlots(Server& S, int n, std::u16string_view body);
void handleAuthor(Server& S, int n, std::u16string_view body);

// Own password (ownpassword.cpp).
void handleRename(Server& S, int n, std::u16string_view body);

// The equipment register (equipment.cpp).
void handleAddEquipment(Server& S, int n, std::u16string_view body);
void handleAlterEquipment(Server& S, int n, std::u16string_view body);
void handleAllLocations(Server& S, int n, std::u16string_view body);

// Advanced and quick searches (searches.cpp).
void handleSearchEquAdvanced(Server& S, int n, std::u16string_view body);
void handleSearchWOAdvanced(Server& S, int n, std::u16string_view body);
void handleQuickSearch(Server& S, int n, std::u16string_view body);

// Equipment collections and the record pools (collections.cpp).
void handleGetCollections(Server& S, int n, std::u16string_view body);
void handleAddCollection(Server& S, int n, std::u16string_view body);
void handleAlterCollection(Server& S, int n, std::u16string_view body);
void handleDeleteCollection(Server& S, int n, std::u16string_view body);

// Collections and plans are pre-made records: a take moves a free number
// (2001-2999) down by PoolOffset into the live range, a return moves it back.
inline constexpr int32_t PoolLiveFirst = 1001, PoolLiveLast = 1999, PoolOffset = 1000;
bool isLiveNumber(int64_t number);
// Stands `t` on the first record whose `field` holds `number`, which must be
// a live number; false for a free, unknown or missing number.
bool findLive(store::Table& t, const char* field, std::optional<int64_t> number);
// Stands `t` on the first free record in stored order; false when none is left.
bool findFree(store::Table& t, const char* field);
// The final save of an add or change: nothing when it was written, else the
// refusal ("WRONGN" for a name already taken, "UWRONG" otherwise).
std::optional<std::u16string> guardedSave(store::Table& t);
std::u16string numberText(int64_t number);

// Preventive plans (preventive.cpp).
void handleGetPlans(Server& S, int n, std::u16string_view body);
void handleNewPlan(Server& S, int n, std::u16string_view body);
void handleAlterPlan(Server& S, int n, std::u16string_view body);
void handleDeletePlan(Server& S, int n, std::u16string_view body);
void handleApprovePlan(Server& S, int n, std::u16string_view body);
void handleCancelPlan(Server& S, int n, std::u16string_view body);

// Work-order history (workorders.cpp).
void handleWODetail(Server& S, int n, std::u16string_view body);

// Work-order writing (wowriting.cpp), used time (usedtime.cpp) and the
// used-time report (report.cpp).
void handleWriteWO(Server& S, int n, std::u16string_view body);
void handleChangeOwnWO(Server& S, int n, std::u16string_view body);
void handleAddUsedTime(Server& S, int n, std::u16string_view body);
void handleReport(Server& S, int n, std::u16string_view body);

// User list (accounts.cpp).
void handleListUsers(Server& S, int n, std::u16string_view body);

// Authorisations (authorisations.cpp).
void handleAddGrant(Server& S, int n, std::u16string_view body);
void handleAlterGrant(Server& S, int n, std::u16string_view body);
void handleRejectGrant(Server& S, int n, std::u16string_view body);
void handleListGrants(Server& S, int n, std::u16string_view body);

// Saved work-order searches (savedsearches.cpp).
void handleSaveSearch(Server& S, int n, std::u16string_view body);
void handleDeleteSearch(Server& S, int n, std::u16string_view body);

// Start-of-session replies (session.cpp).
void handleMyGrade(Server& S, int n, std::u16string_view body);
void handleAllConsts(Server& S, int n, std::u16string_view body);

// Administrator proposals (proposals.cpp) and their approval (approvals.cpp).
void handleProposeNewUser(Server& S, int n, std::u16string_view body);
void handleProposeUserSet(Server& S, int n, std::u16string_view body);
void handleProposeAdName(Server& S, int n, std::u16string_view body);
void handleListNewUserProposals(Server& S, int n, std::u16string_view body);
void handleListUserSetProposals(Server& S, int n, std::u16string_view body);
void handleListAdNameProposals(Server& S, int n, std::u16string_view body);
void handleAnswerNewUser(Server& S, int n, std::u16string_view body);
void handleAnswerUserSet(Server& S, int n, std::u16string_view body);
void handleAnswerAdName(Server& S, int n, std::u16string_view body);
// A proposal lives on its day and the next (`dayed` carries no time of day);
// after that it is neither listed nor answered, and its record is free.
inline constexpr double ProposalLifeDays = 2;
bool proposalLapsed(double dayed, double at);

}  // namespace tav::server
