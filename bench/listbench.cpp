// TAVbenchlist: the user client's cutting of a list reply into work-order
// rows, on the whole-list reply ("QUICKYWORKO" without a pair) of the bench
// data. The real server is started on DIR (made by TAVmkdb and TAVbenchgen),
// the client logs on as the measuring account and fetches the whole list
// once; the reader then cuts the first 1/8, 1/4, 1/2 and all of its records.
// Goals: all of them under 1 s (median), and the time per record of the
// whole within twice that of the eighth (it grows linearly).
//
//   TAVbenchlist DIR [--reps R]
//
// Runs offscreen unless QT_QPA_PLATFORM says otherwise. Exits 1 when a goal
// is missed.
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench/benchio.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/frmlogin.h"
#include "client/user/frmmain.h"
#include "client/user/listreply.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"
#include "tests/support/qprocess_end.h"

using namespace tav::user;
namespace fs = std::filesystem;

namespace {

constexpr double GoalMs = 1000;

class PrintingNotifier : public tav::client::Notifier {
 public:
  void show(tav::client::Icon, const QString&, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
  }
  bool ask(const QString&, const QString&) override { return true; }
};

int freePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// The text of the first `records` records of `all`.
std::u16string_view firstRecords(std::u16string_view all, std::size_t records) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i] == tav::RecordSep && ++seen == records) return all.substr(0, i + 1);
  return all;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: TAVbenchlist DIR [--reps R]\n");
    return 2;
  }
  const std::string dir = fs::absolute(argv[1]).string();
  int reps = 11;
  for (int i = 2; i + 1 < argc; i += 2)
    if (!std::strcmp(argv[i], "--reps")) reps = std::max(1, std::atoi(argv[i + 1]));
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  PrintingNotifier printing;
  tav::client::setNotifier(&printing);

  // The server on the bench data.
  fs::copy_file(TAV_SERVER_BIN, dir + "/TAVserver", fs::copy_options::overwrite_existing);
  fs::copy_file(TAV_BUSY_LIB, dir + "/libTAVbusy.so", fs::copy_options::overwrite_existing);
  const int port = freePort();
  std::ofstream(dir + "/TAVserver.ini", std::ios::trunc) << "ipaddr=127.0.0.1\nhostport=" << port << "\n";
  QProcess server;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("TAV_LOCK_FILE", QString::fromStdString(dir + "/server.lock"));
  server.setProcessEnvironment(env);
  server.setWorkingDirectory(QString::fromStdString(dir));
  tav::support::endWithThisProcess(server);
  server.start(QString::fromStdString(dir + "/TAVserver"), {QStringLiteral("noecho")});
  if (!server.waitForStarted(10000)) {
    std::fprintf(stderr, "the server did not start\n");
    return 2;
  }

  FrmMain main;
  main.serverAddr = {"127.0.0.1", port};
  bool logged = false;
  for (int tries = 0; tries < 200 && !logged; ++tries) {
    FrmLogin form(&main);
    form.findChild<QLineEdit*>(QStringLiteral("txtUserName"))
        ->setText(QString::fromStdU16String(std::u16string(tav::bench::kBenchUser)));
    form.findChild<QLineEdit*>(QStringLiteral("txtPassword"))
        ->setText(QString::fromStdU16String(std::u16string(tav::bench::kBenchPassword)));
    form.CmdOK_Click();
    logged = session().idle();
    if (!logged) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!logged) {
    std::fprintf(stderr, "no login to the server on %s\n", dir.c_str());
    server.kill();
    return 2;
  }
  std::u16string all;
  {
    tav::client::Exchange x(session(), tav::client::coreTexts());
    if (x.start(u"QUICKYWORKO"))
      if (auto reply = x.list()) all = std::move(*reply);
  }
  session().setTimerEnabled(false);
  session().sock.close();
  server.kill();
  server.waitForFinished(5000);

  std::size_t total = 0;
  for (char16_t c : all) total += c == tav::RecordSep;
  if (total == 0) {
    std::fprintf(stderr, "the whole list came back empty\n");
    return 2;
  }
  std::printf("cutting the whole-list reply (%zu orders, %.1f MB as UTF-16) into rows, median of %d runs\n", total,
              static_cast<double>(all.size()) * 2 / 1e6, reps);
  bool met = true;
  double firstPerRecord = 0;
  for (std::size_t part : {8u, 4u, 2u, 1u}) {
    const std::size_t n = total / part;
    const std::u16string_view text = firstRecords(all, n);
    std::vector<double> ms;
    for (int r = 0; r < reps; ++r) {
      const auto t0 = std::chrono::steady_clock::now();
      std::vector<WOList> rows = readWoRecords(text, WoFieldsQuick);
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      if (rows.size() != n) {
        std::fprintf(stderr, "%zu rows from %zu records\n", rows.size(), n);
        return 1;
      }
    }
    const double m = tav::bench::median(ms);
    const double perRecord = m * 1000 / static_cast<double>(n);  // microseconds
    if (part == 8) firstPerRecord = perRecord;
    met = met && m < GoalMs;
    std::printf("  %7zu orders  %8.2f ms  (%.3f us an order; min %.2f, max %.2f)\n", n, m, perRecord,
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()));
    if (part == 1 && perRecord > 2 * firstPerRecord) {
      std::printf("  not linear: %.3f us an order for all against %.3f for an eighth\n", perRecord, firstPerRecord);
      met = false;
    }
  }
  return met ? 0 : 1;
}
