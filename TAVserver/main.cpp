// TAVserver: start-up in a fixed order (single instance, command line,
// configuration, databases, constants, busy library, listener, log, plans,
// counters), then the main loop until "UNLOAD".
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "TAVserver/config.h"
#include "TAVserver/dailyjob.h"
#include "TAVserver/dispatcher.h"
#include "TAVserver/instance.h"
#include "TAVserver/login.h"
#include "TAVserver/mainloop.h"
#include "TAVserver/server.h"
#include "protocol/daynum.h"
#include "protocol/netio.h"
#include "protocol/password.h"
#include "protocol/text.h"
#include "protocol/wire.h"

using namespace tav;
using namespace tav::server;

namespace {

// A message box of a windowless server: one line on stderr.
int fail(const char* message) {
  std::fprintf(stderr, "%s\n", message);
  return 1;
}

std::string programDir() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

std::string joinArgs(int argc, char** argv) {
  std::string s;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) s += ' ';
    s += argv[i];
  }
  return s;
}

// "/pswd ID": the administrator's password goes back to "8526".
int resetRun(const std::string& dir, const std::string& cmdline) {
  std::u16string id(trimBlanks(fromUtf8(cmdline.substr(5))));
  try {
    store::Database db(dir + "/TAVusers.mdb", store::OpenMode::ReadWriteExclusive);
    store::Table admins = db.table("admins");
    store::Transaction tx(db);
    for (bool on = admins.moveFirst(); on; on = admins.moveNext()) {
      if (!equalsNoCase(admins.get("adID").asText(), id)) continue;
      admins.edit();
      admins.set("adPswd", store::Value(encodePswd(u"8526")));
      admins.update();
      tx.commit();
      std::printf("用户 %s 的密码已恢复成8526，请通知该用户尽快更改。\n", toUtf8(id).c_str());
      return 0;
    }
  } catch (const std::exception&) {
    return fail("数据库出错");
  }
  std::fprintf(stderr, "用户 %s 不存在，请检查并重试。\n", toUtf8(id).c_str());
  return 1;
}

// The highest `autonum` of a table; 0 for an empty one.
int32_t highestAutonum(store::Table& t) {
  int64_t best = 0;
  for (bool on = t.moveFirst(); on; on = t.moveNext()) best = std::max(best, t.get("autonum").asInt());
  return static_cast<int32_t>(std::min<int64_t>(best, INT32_MAX));
}

// The archive day kept in `adacess`; nullopt when the record or its value
// is missing.
std::optional<int32_t> readArchiveDate(store::Table& adacess) {
  if (!adacess.moveFirst() || adacess.fieldCount() < 2) return std::nullopt;
  store::Value v = adacess.get(1);
  if (v.isNull() || v.type() == store::Value::Type::Text) return std::nullopt;
  double d = v.asDouble();
  if (!std::isfinite(d) || d < INT32_MIN || d > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(std::nearbyint(d));
}

int openListener(const ServerConfig& cfg, const char*& error) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = "不能开启socket";
    return -1;
  }
  int one = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(cfg.port);
  if (::inet_pton(AF_INET, cfg.ipaddr.c_str(), &addr.sin_addr) != 1 ||
      ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    error = "不能绑定端口";
    return -1;
  }
  if (::listen(fd, 1) != 0) {
    ::close(fd);
    error = "不能开启监听";
    return -1;
  }
  ::fcntl(fd, F_SETFL, O_NONBLOCK);
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  // Databases, journals and backups hold accounts and passwords: owner only.
  ::umask(077);
  Server S;
  S.serverPath = programDir();
  if (!initClock()) return fail("TAV_NOW 格式应为 yyyy-MM-dd HH:mm:ss");

  const std::string cmdline = joinArgs(argc, argv);
  InstanceLock lock;
  if (!lock.acquire(InstanceLock::defaultPath())) {
    if (toUtf8(lowerAscii(trimBlanks(fromUtf8(cmdline)))) == "noecho") return 1;
    return fail("程序已经在运行");
  }
  if (toUtf8(lowerAscii(fromUtf8(cmdline.substr(0, 5)))) == "/pswd") return resetRun(S.serverPath, cmdline);

  auto cfg = readConfig(S.serverPath + "/TAVserver.ini");
  if (!cfg) return fail("配置文件TAVserver.ini出错");

  std::optional<int32_t> storedArchive;
  try {
    S.db.open(S.serverPath);
    storedArchive = readArchiveDate(S.db.t().rsAcess);
  } catch (const std::exception&) {
    return fail("数据库出错");
  }
  if (!storedArchive) return fail("数据库出错");
  if (!loadConst(S.serverPath + "/TAVconst.mdb", S.consts)) return fail("数据库TAVconst.mdb出错");
  if (!loadBusyLibrary(S.serverPath)) return fail("不能加载libTAVbusy.so");

  const char* error = nullptr;
  S.listenSock = openListener(*cfg, error);
  if (S.listenSock < 0) return fail(error);

  for (int n = 1; n <= SlotCount; ++n) {
    S.slotSock[static_cast<std::size_t>(n - 1)] = -1;
    S.clearSlot(n);
  }

  const double started = now();
  S.serverLog.start(u"Server Started    " + logTime(started));
  S.startText = u"Server started at " + fromUtf8(formatDateTime(fromDayTime(started)));
  S.busyState.store(3);

  // The next archive day stands in `adacess`. One more than a year back
  // means a database that was not in use; otherwise it is kept, so a
  // restart early in January still runs that year's archive.
  const int32_t today = static_cast<int32_t>(std::floor(started));
  const CivilDate c = civilFromDay(today);
  S.archiveDate = *storedArchive;
  if (S.archiveDate < dayFromCivil(c.y - 1, c.m, c.d)) S.archiveDate = dayFromCivil(c.y + 1, 1, 1);

  if (auto first = timeOuts().firstJobSeconds) {
    S.nextJobTime = started + secondsToDays(*first);
    S.nextJobSteady = steadyAfter(*first);
  } else {
    scheduleNextJob(S);
  }
  seedChallenges();

  try {
    startupPlanPass(S);
    TableHandles& t = S.db.t();
    S.nextChangeNo = highestAutonum(t.rsChange);
    S.nextImpNo = highestAutonum(t.rsImp);
    S.nextNameNo = highestAutonum(t.rsManName);
    S.nextNewUserNo = highestAutonum(t.rsNewUser);
  } catch (const std::exception&) {
    return fail("数据库出错");
  }

  runMainLoop(S);

  // "UNLOAD": the busy thread has ended with the request; now tell every
  // session, then close sockets and databases and give up the lock.
  for (int n = 1; n <= SlotCount; ++n) {
    if (!S.inUse(n)) continue;
    sendAll(S.sock(n), wordReply(CLOSE), ioSeconds());
    ::close(S.sock(n));
  }
  ::close(S.listenSock);
  S.db.close();
  lock.release();
  return 0;
}
