// TAVbenchsort: the user client's list sort (frmMain's datasort) of 10,000
// work orders by three keys, one of them a text, timed from the call to its
// return, the grid's repaint included. Goal: under 50 ms (median).
//
//   TAVbenchsort [--orders N] [--reps R]
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. Prints one line per
// key set and exits 1 when a median misses the goal.
#include <QApplication>
#include <QLabel>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "client/common/notifier.h"
#include "client/user/datasort.h"
#include "client/user/frmmain.h"
#include "client/user/rows.h"

using namespace tav::user;

namespace {

constexpr double GoalMs = 50;

std::vector<WOList> orders(int n, std::mt19937& rng) {
  static const char* const words[] = {"液压油管爆裂", "Pump", "pump", "电机过热", "Valve leak", "皮带断裂",
                                      "轴承异响", "bearing", "控制柜跳闸", "减速机漏油"};
  static const char* const people[] = {"zhang", "Li", "wang", "ZHAO", "qian", "sun", "zhou", "wu"};
  std::uniform_int_distribution<int> word(0, 9), person(0, 7), status(0, 5), level(1, 4), day(44000, 46000);
  std::vector<WOList> rows(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    WOList& w = rows[static_cast<std::size_t>(i)];
    w.bill_id = i + 1;
    w.comofequip = QString::fromUtf8(words[word(rng)]) + QString::number(i % 300);
    w.description = QString::fromUtf8(words[word(rng)]);
    w.Status = 1 << status(rng);
    w.em_level = level(rng);
    w.usetime = static_cast<int32_t>(rng() % 100);
    w.createid = QString::fromUtf8(people[person(rng)]);
    w.created_date = day(rng);
    w.done_date = i % 5 ? w.created_date + 3 : 0;
    deriveTexts(w);
  }
  return rows;
}

// Answers the question above 1000 records with Yes at once.
class YesNotifier : public tav::client::Notifier {
 public:
  void show(tav::client::Icon, const QString&, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  bool ask(const QString&, const QString&) override { return true; }
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int n = 10000, reps = 21;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--orders")) n = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--reps")) reps = std::atoi(argv[i + 1]);
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  YesNotifier yes;
  tav::client::setNotifier(&yes);
  FrmMain main;
  std::mt19937 rng(20261);
  const std::vector<WOList> unsorted = orders(n, rng);

  struct Keys {
    const char* what;
    std::array<int, 3> columns;
    std::array<bool, 3> ascending;
  };
  const Keys sets[] = {
      {"设备名称 (text), 状态, 工单编号", {2, 4, 1}, {true, true, true}},
      {"帐号ID (text) desc, 创建日期, 耗时 desc", {8, 10, 7}, {false, true, false}},
      {"完成日期, 描述 (text), 级别", {11, 3, 6}, {true, true, true}},
  };
  bool met = true;
  std::printf("datasort of %d work orders, median of %d runs (goal under %.0f ms)\n", n, reps, GoalMs);
  for (const Keys& k : sets) {
    std::vector<double> ms;
    for (int r = 0; r < reps; ++r) {
      main.lists().woRecords = unsorted;
      const auto t0 = std::chrono::steady_clock::now();
      datasort(main, QStringLiteral("WORKO"), k.columns, k.ascending);
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    const double m = median(ms);
    met = met && m < GoalMs;
    std::printf("  %8.2f ms (min %.2f, max %.2f)  %s\n", m, *std::min_element(ms.begin(), ms.end()),
                *std::max_element(ms.begin(), ms.end()), k.what);
  }
  return met ? 0 : 1;
}
