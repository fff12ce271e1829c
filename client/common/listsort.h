// The three-key sort both lists use: each row's keys are computed once,
// numbers compare by value and texts through one collator of the system's
// locale that ignores case, and a stable sort keeps rows with equal keys in
// their order (the order a selection sort over the keys would give).
#pragma once
#include <QCollator>
#include <QVariant>
#include <array>
#include <vector>

namespace tav::client {

struct SortKey {
  bool used = false;
  bool ascending = true;
};

// keys[i] holds row i's (up to three) key values: a number (any integer or
// floating QVariant) or a text. Returns the new order of row indexes.
std::vector<int> stableOrder(const std::vector<std::array<QVariant, 3>>& keys, const std::array<SortKey, 3>& how);

// The one collator: the system locale, case ignored, digits as numbers off.
const QCollator& textCollator();

// Reorders `rows` by `order` (as stableOrder returns it).
template <class Row>
void applyOrder(std::vector<Row>& rows, const std::vector<int>& order) {
  std::vector<Row> sorted;
  sorted.reserve(rows.size());
  for (int i : order) sorted.push_back(std::move(rows[static_cast<std::size_t>(i)]));
  rows = std::move(sorted);
}

}  // namespace tav::client
