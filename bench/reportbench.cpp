// TAVbenchreport: the user client's used-time report from the server's reply
// to the workbook on disk, against libxlsxwriter writing the same cells alone.
//
// A reply of N orders is made in the server's wire form ("REPORT": the
// orders, SectionSep, their used-time rows, SectionSep, their further
// equipment; each field followed by FieldSep, each record by RecordSep) from
// a plant of 3,000 pieces of equipment. The client's path is timed as the
// report button runs it after the reply is in: parseReport, then writeReport
// (summary, blocks, the workbook written and closed, made read-only). The
// floor is the same cells, prepared beforehand as numbers and UTF-8 texts,
// written with bare libxlsxwriter calls in its fastest mode (constant_memory,
// rows in order, sheet by sheet) with the same hidden sheet, active sheet and
// read-only flag. Each is run R times, alternating, and the best kept.
// Goal: the client's path within 1.3x the floor.
//
//   TAVbenchreport [--orders N] [--times T] [--extras E] [--reps R] [--check]
//                  [--only client|bare]
//
// T used-time rows (default N) and E further-equipment rows (default 0) are
// spread over the orders. --check reads both workbooks back with
// tests/support/xlsx_dump.py (python3-openpyxl) and compares them cell by
// cell, sheet states and active sheet included. --only runs one side alone
// (for perf stat or perf record; no ratio then). Exits 1 when the goal is
// missed or the check fails.
#include <xlsxwriter.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "client/user/report.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"
#include "tests/support/qprocess_end.h"
#include "tools/defaults.h"

using namespace tav::user;

namespace {

constexpr double Goal = 1.3;
constexpr int EquipmentCount = 3000;
constexpr int EquipmentFirstId = 10001;

const char16_t* const Kinds[] = {u"离心泵",   u"螺杆空压机", u"冷却塔风机",   u"皮带输送机", u"搅拌机",
                                 u"注塑机",   u"数控车床",   u"立式加工中心", u"液压机",     u"桥式起重机",
                                 u"变频器柜", u"低压配电柜", u"锅炉给水泵",   u"真空泵",     u"冷冻式干燥机"};

double msSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

std::string utf8(std::u16string_view s) { return QString::fromStdU16String(std::u16string(s)).toStdString(); }

// One cell as a workbook holds it: a number, or a text (never empty).
struct Cell {
  int row, col;
  bool text;
  double number;
  std::string str;
};
struct Sheet {
  std::string name;
  std::vector<Cell> cells;  // row by row, in order
};

// The reply and, beside it, the cells the report must show, worked out from
// the generated values on their own.
struct Made {
  std::u16string reply;
  std::vector<Sheet> sheets;
  std::size_t cellCount() const {
    std::size_t n = 0;
    for (const Sheet& s : sheets) n += s.cells.size();
    return n;
  }
};

struct Row3 {
  double a;
  std::string b;
  double c;
};

void fill(Sheet& s, int row, int col, const Row3& r) {
  s.cells.push_back({row, col, false, r.a, {}});
  if (!r.b.empty()) s.cells.push_back({row, col + 1, true, 0, r.b});
  s.cells.push_back({row, col + 2, false, r.c, {}});
}

void heads(Sheet& s, int col, const char* a, const char* b, const char* c) {
  s.cells.push_back({0, col, true, 0, a});
  s.cells.push_back({0, col + 1, true, 0, b});
  s.cells.push_back({0, col + 2, true, 0, c});
}

const ReportTexts Texts{QStringLiteral("2023-4-1"), QStringLiteral("2024-3-31"), QStringLiteral("按填单日期")};

Made make(int orders, int times, int extras) {
  std::mt19937_64 rng(20262);
  auto below = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
  const auto& types = tav::defaults::kRequestTypes;
  const auto& trades = tav::defaults::kTrades;
  std::vector<std::u16string> equipNames;
  for (int i = 0; i < EquipmentCount; ++i)
    equipNames.push_back(tav::fromUtf8(std::to_string(i % 20 + 1) + "号") + Kinds[below(15)]);

  Made m;
  std::vector<Row3> ords, people, trade;
  struct Eq {
    int id;
    std::string name;
    int time;
  };
  std::vector<Eq> eq;
  std::vector<std::string> firstName(EquipmentCount);
  std::vector<long long> perEquip(EquipmentCount, 0);
  std::vector<int> firstSeen;  // equipment in the order of its first order

  auto record = [&](tav::ListRecord& r) {
    m.reply += r.text();
    m.reply += tav::RecordSep;
  };
  std::vector<int> billIds;
  for (int i = 0; i < orders; ++i) {
    const int bill = 100001 + i;
    const int e = below(EquipmentCount);
    const auto& type = types[below(10) < 7 ? 0 : static_cast<std::size_t>(below(std::size(types)))];
    const int usetime = below(600);
    tav::ListRecord r;
    r.addNumber(bill).addText(type.code).addNumber(EquipmentFirstId + e).addText(equipNames[e]).addNumber(usetime);
    record(r);
    billIds.push_back(bill);
    ords.push_back({double(bill), utf8(type.name), double(usetime)});
    eq.push_back({EquipmentFirstId + e, utf8(equipNames[e]), usetime});
    if (firstName[e].empty()) {
      firstName[e] = utf8(equipNames[e]);
      firstSeen.push_back(e);
    }
    perEquip[e] += usetime;
  }
  m.reply += tav::SectionSep;
  for (int k = 0; k < times; ++k) {
    // Rows of one order lie scattered, as the server walks its history.
    const int bill = billIds[static_cast<std::size_t>(below(orders))];
    char user[16];
    std::snprintf(user, sizeof user, "eng%02d", below(30) + 1);
    const auto& t = trades[static_cast<std::size_t>(below(std::size(trades)))];
    const double used = below(33) * 0.25;  // quarter hours, exact in binary
    tav::ListRecord r;
    r.addNumber(bill).addText(tav::fromUtf8(user)).addNumber(t.code).addText(tav::decimalText(used));
    record(r);
    people.push_back({double(bill), user, used});
    trade.push_back({double(bill), utf8(t.name), used});
  }
  m.reply += tav::SectionSep;
  for (int k = 0; k < extras; ++k) {
    const int bill = billIds[static_cast<std::size_t>(below(orders))];
    const int e = below(EquipmentCount);
    const int usetime = below(200);
    const std::u16string name = u"W1-L01-" + tav::fromUtf8(std::to_string(e)) + equipNames[e];
    tav::ListRecord r;
    r.addNumber(bill).addNumber(EquipmentFirstId + e).addText(name).addNumber(usetime);
    record(r);
    eq.push_back({EquipmentFirstId + e, utf8(name), usetime});
  }
  std::stable_sort(eq.begin(), eq.end(),
                   [](const Eq& a, const Eq& b) { return a.id != b.id ? a.id < b.id : a.time < b.time; });

  std::vector<Row3> equip;
  for (const Eq& e : eq) equip.push_back({double(e.id), e.name, double(e.time)});

  // The four sheets, DATA with the four blocks side by side and the panel's
  // texts in Q1:Q3, and the summary.
  const char* oh[] = {"工单编号", "类型", "耗时"};
  const char* ph[] = {"工单编号", "帐号ID", "耗时"};
  const char* th[] = {"工单编号", "工种", "耗时"};
  const char* eh[] = {"设备编号", "设备名称", "耗时"};
  const std::vector<Row3>* blocks[] = {&ords, &people, &trade, &equip};
  const char* const* headings[] = {oh, ph, th, eh};
  const char* names[] = {"工单耗时", "人员耗时", "工种耗时", "设备耗时"};
  for (int b = 0; b < 4; ++b) {
    Sheet s{names[b], {}};
    heads(s, 0, headings[b][0], headings[b][1], headings[b][2]);
    for (std::size_t i = 0; i < blocks[b]->size(); ++i) fill(s, int(i) + 1, 0, (*blocks[b])[i]);
    m.sheets.push_back(std::move(s));
  }
  Sheet data{"DATA", {}};
  const std::string q[] = {Texts.start.toStdString(), Texts.end.toStdString(), Texts.dayType.toStdString()};
  std::size_t longest = 0;
  for (auto* b : blocks) longest = std::max(longest, b->size());
  for (std::size_t row = 0; row <= std::max<std::size_t>(longest, 2); ++row) {
    for (int b = 0; b < 4; ++b) {
      if (row == 0)
        heads(data, 4 * b, headings[b][0], headings[b][1], headings[b][2]);
      else if (row - 1 < blocks[b]->size())
        fill(data, int(row), 4 * b, (*blocks[b])[row - 1]);
    }
    if (row < 3) data.cells.push_back({int(row), 16, true, 0, q[row]});
  }
  m.sheets.push_back(std::move(data));

  Sheet sum{"设备汇总", {}};
  sum.cells.push_back({0, 0, true, 0, "设备耗时汇总"});
  const char* labels[] = {"开始日期", "结束日期", "日期类型"};
  for (int i = 0; i < 3; ++i) {
    sum.cells.push_back({1 + i, 0, true, 0, labels[i]});
    sum.cells.push_back({1 + i, 1, true, 0, q[i]});
  }
  sum.cells.push_back({5, 0, true, 0, "设备名称"});
  sum.cells.push_back({5, 1, true, 0, "耗时"});
  if (orders > 0) {
    // Greatest first, the earliest seen on ties; at most eight, the rest 其它.
    std::vector<int> order = firstSeen;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return perEquip[a] > perEquip[b]; });
    long long others = 0;
    for (std::size_t i = 8; i < order.size(); ++i) others += perEquip[order[i]];
    int row = 6;
    for (std::size_t i = 0; i < std::min<std::size_t>(8, order.size()); ++i, ++row) {
      sum.cells.push_back({row, 0, true, 0, firstName[order[i]]});
      sum.cells.push_back({row, 1, false, double(perEquip[order[i]]), {}});
    }
    sum.cells.push_back({row, 0, true, 0, "其它"});
    sum.cells.push_back({row, 1, false, double(others), {}});
  }
  m.sheets.push_back(std::move(sum));
  return m;
}

// The floor: the prepared cells through libxlsxwriter alone. Kept out of
// line so that callgrind can collect it alone (--toggle-collect=*writeBare*).
[[gnu::noinline]] bool writeBare(const Made& m, const std::string& path) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
  if (!book) return false;
  std::vector<lxw_worksheet*> ws;
  for (const Sheet& s : m.sheets) ws.push_back(workbook_add_worksheet(book, s.name.c_str()));
  bool ok = true;
  for (std::size_t k = 0; k < m.sheets.size(); ++k)
    for (const Cell& c : m.sheets[k].cells)
      ok = ok && (c.text ? worksheet_write_string(ws[k], lxw_row_t(c.row), lxw_col_t(c.col), c.str.c_str(), nullptr)
                         : worksheet_write_number(ws[k], lxw_row_t(c.row), lxw_col_t(c.col), c.number, nullptr)) ==
                     LXW_NO_ERROR;
  worksheet_hide(ws[4]);
  worksheet_activate(ws[5]);
  workbook_read_only_recommended(book);
  return workbook_close(book) == LXW_NO_ERROR && ok;
}

QByteArray dump(const QString& path) {
  QProcess p;
  tav::support::endWithThisProcess(p);
  p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(TAV_SOURCE_DIR "/tests/support/xlsx_dump.py"), path});
  if (!p.waitForFinished(-1) || p.exitCode() != 0) {
    std::fprintf(stderr, "xlsx_dump.py failed on %s: %s\n", qPrintable(path), p.readAllStandardError().constData());
    return {};
  }
  return p.readAllStandardOutput();
}

}  // namespace

int main(int argc, char** argv) {
  int orders = 100000, times = -1, extras = 0, reps = 5;
  bool check = false;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const bool more = i + 1 < argc;
    if (!std::strcmp(argv[i], "--orders") && more)
      orders = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--times") && more)
      times = std::max(0, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--extras") && more)
      extras = std::max(0, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--reps") && more)
      reps = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--check"))
      check = true;
    else if (!std::strcmp(argv[i], "--only") && more &&
             (!std::strcmp(argv[i + 1], "client") || !std::strcmp(argv[i + 1], "bare")))
      only = argv[++i];
    else {
      std::fprintf(stderr,
                   "usage: TAVbenchreport [--orders N] [--times T] [--extras E] [--reps R] [--check] "
                   "[--only client|bare]\n");
      return 2;
    }
  }
  const bool runClient = only != "bare", runBare = only != "client";
  check = check && only.empty();
  if (times < 0) times = orders;
  QCoreApplication app(argc, argv);

  // The names the login would have delivered.
  UserTables& t = tables();
  for (const auto& b : tav::defaults::kRequestTypes)
    t.billTypeList.push_back(
        {QString::fromStdU16String(std::u16string(b.code)), QString::fromStdU16String(std::u16string(b.name))});
  for (const auto& c : tav::defaults::kTrades)
    t.typeList.push_back({c.code, QString::fromStdU16String(std::u16string(c.name))});

  const Made m = make(orders, times, extras);
  const QString tmp = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
  const std::string barePath = QDir(tmp).filePath(QStringLiteral("TAVbenchreport-bare.xlsx")).toStdString();
  std::printf(
      "report of %d orders, %d used-time rows, %d further equipment: reply %.1f MB as UTF-16, %zu cells; "
      "best of %d runs\n",
      orders, times, extras, static_cast<double>(m.reply.size()) * 2 / 1e6, m.cellCount(), reps);

  double bestParse = 1e300, bestWrite = 1e300, bestClient = 1e300, bestBare = 1e300;
  QString clientPath;
  for (int r = 0; r < reps; ++r) {
    if (runClient) {
      if (!clientPath.isEmpty()) QFile::remove(clientPath);
      auto t0 = std::chrono::steady_clock::now();
      const ReportData data = parseReport(m.reply);
      const double parse = msSince(t0);
      auto t1 = std::chrono::steady_clock::now();
      QString error;
      if (!writeReport(data, Texts, clientPath, error)) {
        std::fprintf(stderr, "writeReport: %s\n", qPrintable(error));
        return 1;
      }
      const double write = msSince(t1);
      bestParse = std::min(bestParse, parse);
      bestWrite = std::min(bestWrite, write);
      bestClient = std::min(bestClient, parse + write);
    }
    if (!runBare) continue;
    std::remove(barePath.c_str());
    auto t2 = std::chrono::steady_clock::now();
    if (!writeBare(m, barePath)) {
      std::fprintf(stderr, "the bare write failed\n");
      return 1;
    }
    bestBare = std::min(bestBare, msSince(t2));
  }
  if (runClient)
    std::printf("  client: %8.1f ms  (parseReport %.1f, writeReport %.1f; %.1f MB)\n", bestClient, bestParse, bestWrite,
                static_cast<double>(QFile(clientPath).size()) / 1e6);
  if (runBare)
    std::printf("  bare:   %8.1f ms  (libxlsxwriter constant_memory; %.1f MB)\n", bestBare,
                static_cast<double>(QFile(QString::fromStdString(barePath)).size()) / 1e6);
  const double ratio = bestClient / bestBare;
  if (runClient && runBare)
    std::printf("  ratio %.2f (goal at most %.1f): %s\n", ratio, Goal, ratio <= Goal ? "met" : "MISSED");

  bool same = true;
  if (check) {
    const QByteArray a = dump(clientPath), b = dump(QString::fromStdString(barePath));
    same = !a.isEmpty() && a == b;
    std::printf("  read back with openpyxl: %s\n", same ? "the same cells, states and active sheet" : "DIFFERENT");
  }
  if (runClient) QFile::remove(clientPath);
  std::remove(barePath.c_str());
  return (!runClient || !runBare || ratio <= Goal) && same ? 0 : 1;
}
