// Equipment collections as the user client holds them: the function
// locations, the collections of the last listing, and the reading of the
// "GETCOL" and "ALLCOL" replies.
#pragma once
#include <QString>
#include <array>
#include <string_view>
#include <vector>

namespace tav::user {

// One function location and the name of the equipment standing there; an
// empty `locat` marks a free place.
struct LocatPair {
  QString locat, equName;
  bool operator==(const LocatPair&) const = default;
};

inline constexpr int CollectionPlaces = 20;
using LocatTable = std::array<LocatPair, CollectionPlaces>;

// One collection of the listing.
struct ColItem {
  QString autonum, name, descr;
  QString iday;    // "yyyy-M-d H:m:s"
  QString person;  // ID "(" name ")"
  int refer = 0;   // approved preventive orders that count it
  LocatTable places;
};

// The collections panel's state and the locations the picker offers.
struct CollectionState {
  std::vector<ColItem> colList;  // element i is row i of Colallcols
  bool colLoaded = false;
  LocatTable colLocat;  // the locations of the collection being edited, packed
  bool colDirty = false;   // edits not saved
  bool colSynced = false;  // the fields show what the server holds
  std::vector<LocatPair> locatList;  // sorted by location
  bool locatListLoaded = false;
};

// A list reply cut into records of fields (text after the last separator of
// a record or of the reply is no field).
std::vector<std::vector<std::u16string_view>> listRecords(std::u16string_view reply);

// A date-time value in days as "yyyy-M-d H:m:s"; empty at or below 0 and
// for values no calendar holds.
QString dayTimeText(double days);
// The leading number of a field's text, 0 for none.
double numberIn(std::u16string_view field);

// The records of a "GETCOL" reply.
std::vector<ColItem> parseCollections(std::u16string_view reply);
// The records of an "ALLCOL" reply, in reply order.
std::vector<LocatPair> parseLocations(std::u16string_view reply);
// Ascending by location under the shared case-blind collator; equal
// locations keep their order.
void sortLocations(std::vector<LocatPair>& list);

// The used places of a collection, packed in their order, the rest free.
LocatTable packedPlaces(const LocatTable& places);
// Row texts: " " number " " name; location " " equipment name.
QString collectionRow(const QString& number, const QString& name);
QString locationRow(const LocatPair& p);

}  // namespace tav::user
