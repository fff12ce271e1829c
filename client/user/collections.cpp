// Reading the collection and location list replies, and the order of the
// locations the picker offers.
#include "client/user/collections.h"

#include <algorithm>
#include <cmath>

#include "client/common/listsort.h"
#include "client/common/session.h"
#include "client/user/gradereply.h"
#include "protocol/daynum.h"
#include "protocol/wire.h"

namespace tav::user {

using tav::client::qs;

std::vector<std::vector<std::u16string_view>> listRecords(std::u16string_view reply) {
  std::vector<std::vector<std::u16string_view>> out;
  std::size_t from = 0;
  for (std::size_t i = 0; i < reply.size(); ++i) {
    if (reply[i] != RecordSep) continue;
    out.push_back(splitFields(reply.substr(from, i - from)));
    from = i + 1;
  }
  return out;
}

double numberIn(std::u16string_view field) {
  double v = leadingNumber(field);
  return std::isfinite(v) ? v : 0;
}

QString dayTimeText(double days) {
  // Beyond the calendar's range (about 5.8 million years) there is no date to show.
  if (!(days > 0) || days > 2e9) return {};
  return QString::fromStdString(formatLogTime(fromDayTime(days)));
}

namespace {

QString field(const std::vector<std::u16string_view>& f, std::size_t i) {
  return i < f.size() ? qs(f[i]) : QString();
}

}  // namespace

std::vector<ColItem> parseCollections(std::u16string_view reply) {
  std::vector<ColItem> out;
  for (const auto& f : listRecords(reply)) {
    ColItem c;
    c.autonum = field(f, 0);
    c.name = field(f, 1);
    c.descr = field(f, 2);
    c.iday = f.size() > 3 ? dayTimeText(numberIn(f[3])) : QString();
    c.person = field(f, 4);
    for (std::size_t k = 0; k < CollectionPlaces; ++k)
      c.places[k] = {field(f, 5 + 2 * k), field(f, 6 + 2 * k)};
    c.refer = f.size() > 45 ? numberOf(f[45]) : 0;
    out.push_back(std::move(c));
  }
  return out;
}

std::vector<LocatPair> parseLocations(std::u16string_view reply) {
  std::vector<LocatPair> out;
  for (const auto& f : listRecords(reply)) out.push_back({field(f, 0), field(f, 1)});
  return out;
}

void sortLocations(std::vector<LocatPair>& list) {
  const QCollator& c = tav::client::textCollator();
  std::stable_sort(list.begin(), list.end(),
                   [&c](const LocatPair& a, const LocatPair& b) { return c.compare(a.locat, b.locat) < 0; });
}

LocatTable packedPlaces(const LocatTable& places) {
  LocatTable out;
  std::size_t k = 0;
  for (const auto& p : places)
    if (!p.locat.isEmpty()) out[k++] = p;
  return out;
}

QString collectionRow(const QString& number, const QString& name) {
  return QLatin1Char(' ') + number + QLatin1Char(' ') + name;
}

QString locationRow(const LocatPair& p) { return p.locat + QLatin1Char(' ') + p.equName; }

}  // namespace tav::user
