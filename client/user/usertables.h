// The user client's module state: the name tables filled at start-up, the
// tables the login delivers, and the small procedures every panel uses
// (parseDate, the code-to-name lookups, maxOf and minOf).
#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

#include "client/common/session.h"

namespace tav::user {

struct CodeName {
  int32_t code = 0;
  QString name;
};
struct BillType {
  QString code, name;
};
struct FieldRight {
  QString Fields;
  int32_t states = 0, powers = 0, tostas = 0;
};

// One condition of a saved search.
struct SearchCond {
  bool leftBracket = false;
  int32_t field = 0;  // position 0-17 in the work-order column list
  int32_t crit = 0;   // comparison code 0-7
  QString value;
  bool rightBracket = false;
  bool andNext = true;  // "T": and; "F": or
};
struct SortKey {
  int32_t column = 0;
  bool ascending = true;
};
struct WOPreset {
  bool set = false;
  std::vector<SearchCond> conds;
  std::array<SortKey, 3> sort{};
  QString name;
};

struct UserTables {
  QString myID, myName;
  int32_t myRight = 0, myImpRight = 0, myType = 0, allRight = 0;
  std::vector<CodeName> rightList, statusList, typeList, impBits;
  std::vector<FieldRight> fieldRights;
  std::vector<BillType> billTypeList;
  std::array<int32_t, 10> gradNo{};  // gradNo1..gradNo10 are gradNo[0..9]
  std::array<WOPreset, 4> woPreset{};

  int32_t arrangedSta() const { return gradNo[4]; }
  int32_t oldWORight() const { return gradNo[6]; }
  int32_t rights() const { return myRight | myImpRight; }
};

// The one set of tables of the running client.
UserTables& tables();

// Name tables, filled at start-up: column k of a list is entry k - 1.
const QStringList& equCaption();
const QStringList& equField();
const QStringList& woCaption();
const QStringList& woField();
const QStringList& dateName();
const QStringList& critText();

// The client's one connection and request exchange.
tav::client::Session& session();
// Days to add to the local clock for the server's (set at login).
double& timeDiff();
// The client's now (local time plus timeDiff), days.
double clientNow();
int32_t clientToday();

double maxOf(double a, double b);
double minOf(double a, double b);

// "y-M-d" or "M-d" (the server's current year); 0 when not an accepted date.
int32_t parseDate(const QString& text);

QString statusNameOf(int32_t code);
QString typeNameOf(int32_t code);
QString billTypeNameOf(const QString& code);

}  // namespace tav::user
