// Stable three-key sort over precomputed keys.
#include "client/common/listsort.h"

#include <QLocale>
#include <algorithm>
#include <numeric>

namespace tav::client {

const QCollator& textCollator() {
  static const QCollator c = [] {
    QCollator col{QLocale::system()};
    col.setCaseSensitivity(Qt::CaseInsensitive);
    col.setNumericMode(false);
    return col;
  }();
  return c;
}

namespace {

bool isNumber(const QVariant& v) {
  switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
      return true;
    default:
      return false;
  }
}

// <0, 0, >0. Numbers before texts when the kinds differ.
int compareKey(const QVariant& a, const QVariant& b) {
  bool na = isNumber(a), nb = isNumber(b);
  if (na && nb) {
    double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (na != nb) return na ? -1 : 1;
  return textCollator().compare(a.toString(), b.toString());
}

}  // namespace

std::vector<int> stableOrder(const std::vector<std::array<QVariant, 3>>& keys, const std::array<SortKey, 3>& how) {
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int i, int j) {
    for (std::size_t k = 0; k < 3; ++k) {
      if (!how[k].used) continue;
      int c = compareKey(keys[static_cast<std::size_t>(i)][k], keys[static_cast<std::size_t>(j)][k]);
      if (c != 0) return how[k].ascending ? c < 0 : c > 0;
    }
    return false;
  });
  return order;
}

}  // namespace tav::client
