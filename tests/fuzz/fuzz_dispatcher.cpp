// Fuzz target: the whole dispatcher over a scratch copy of a demo database.
// The first input byte picks the session (an administrator or a user with
// every right), the rest is a request body. After each input the reply must
// be a known word, a well-formed list or text, or the log, the busy word
// must be back at idle and every database must pass its integrity check.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TAVserver/constants.h"
#include "TAVserver/dispatcher.h"
#include "TAVserver/server.h"
#include "fuzz_check.h"
#include "protocol/password.h"
#include "protocol/wire.h"
#include "tests/support/process.h"

using namespace tav;
using namespace tav::server;

namespace {

// Words a handler may answer with; a word may carry a value after it.
const std::u16string_view kWords[] = {
    u"IGOTIT", u"WROPOW", u"NOTHIS", u"TOLONG", u"WRONGN", u"UWRONG", u"RECV,ERR", u"UNKNOWNS",
    u"WRONGPW", u"CHANGED", u"WLOCAT", u"USELES", u"UNLDAY", u"NOCOLE", u"NLEGAL", u"SEARCH",
    u"NAMETO", u"WRONGU", u"CHANGE", u"NOPWER", u"WRONGW", u"LEITON", u"TWICES", u"NORECO",
    u"EXSING", u"WRITE,OK", u"WRONGI", u"NOUSER", u"NOIMPW", u"CLOSE!"};

std::string scratchDir;  // removed when the program ends

struct Harness {
  Server S;
  std::string dir;
  int peer[SlotCount + 1] = {};

  Harness() {
    ::setenv("TAV_IO_SECONDS", "0.05", 1);
    char tmpl[] = "/tmp/tavfuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(tmpl) != nullptr);
    dir = tmpl;
    scratchDir = dir;
    const pid_t pid = support::spawn(TAV_MKDB_BIN, {dir, "--demo"}, {}, "/dev/null", dir + "/mkdb.err");
    const int mkdb = support::reap(pid);
    if (mkdb != 0) std::fputs(support::slurp(dir + "/mkdb.err").c_str(), stderr);
    FUZZ_CHECK(mkdb == 0);
    std::atexit([] { std::filesystem::remove_all(scratchDir); });

    S.serverPath = dir;
    FUZZ_CHECK(initClock());
    S.db.open(dir);
    FUZZ_CHECK(loadConst(dir + "/TAVconst.mdb", S.consts));
    FUZZ_CHECK(loadBusyLibrary(TAV_BUSY_DIR));
    for (int n = 1; n <= SlotCount; ++n) {
      S.slotSock[static_cast<std::size_t>(n - 1)] = -1;
      S.clearSlot(n);
    }
    S.startText = u"Server started at 2030-01-01 00:00:00";
    S.serverLog.start(u"Server Started    2030-1-1 0:0:0");
  }

  static Harness& instance() {
    static Harness h;
    return h;
  }

  // A fresh connection for slot n, logged in as it would be after a login.
  void session(int n, bool admin) {
    const std::size_t i = static_cast<std::size_t>(n - 1);
    if (S.slotSock[i] >= 0) ::close(S.slotSock[i]);
    if (peer[n] > 0) ::close(peer[n]);
    int sv[2];
    FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, sv) == 0);
    int big = 4 << 20;
    for (int fd : sv) {
      ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
      ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    }
    S.slotSock[i] = sv[0];
    peer[n] = sv[1];
    S.clearSlot(n);
    Slot& s = S.slot(n);
    s.slotIsAdmin = admin;
    s.slotID = admin ? u"admino" : u"zhangsan";
    s.slotTag = admin ? u"supe" : u"user";
    s.slotName = admin ? u"管理员" : u"张三";
    s.slotPswd = encodePswd(admin ? u"8526" : u"zs2024");
    s.slotRight = admin ? 0 : 0x7FFFFFFF;
    s.slotStatus = fromUtf8(std::to_string(n)) + u": " + s.slotID;
    S.setInUse(n, true);
    S.renewSession(n);
  }

  std::string drain(int n) {
    std::string out;
    char buf[65536];
    for (;;) {
      ssize_t r = ::recv(peer[n], buf, sizeof buf, MSG_DONTWAIT);
      if (r <= 0) break;
      out.append(buf, static_cast<std::size_t>(r));
    }
    return out;
  }
};

bool knownWord(std::u16string_view reply) {
  for (auto w : kWords)
    if (reply.substr(0, w.size()) == w) return true;
  return false;
}

bool isLogReply(const std::string& bytes) {
  if (bytes.size() < 8) return false;
  std::string hex = toUtf8(fromUtf16le(bytes.substr(0, 8)));
  char* end = nullptr;
  unsigned long len = std::strtoul(hex.c_str(), &end, 16);
  return end == hex.c_str() + 4 && len == bytes.size() - 8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1 || size > 60000) return 0;
  Harness& H = Harness::instance();
  const int n = (data[0] & 1) ? 1 : 2;
  H.session(n, n == 1);

  std::string wire = toUtf16le(u"CLIENT");
  wire.append(reinterpret_cast<const char*>(data + 1), size - 1);
  wire.append(MsgEnd);
  FUZZ_CHECK(::send(H.peer[n], wire.data(), wire.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(wire.size()));

  serveRequest(H.S, n);
  H.S.stopRequested = false;

  std::string out = H.drain(n);
  FUZZ_CHECK(out.substr(0, 12) == toUtf16le(u"APPROV"));
  const std::string reply = out.substr(12);
  FUZZ_CHECK(reply.size() % 2 == 0);
  if (!reply.empty()) {
    const bool terminated = reply[reply.size() - 1] == 0 && reply[reply.size() - 2] == 0;
    if (!terminated && !isLogReply(reply) && !knownWord(fromUtf16le(reply))) {
      std::fprintf(stderr, "reply: %s\n", toUtf8(fromUtf16le(reply)).c_str());
      FUZZ_CHECK(!"a reply that is no word, list or log");
    }
  }
  FUZZ_CHECK(H.S.busyState.load() == 3);
  FUZZ_CHECK(H.S.db.db().integrityCheck() == "ok");
  return 0;
}
