// Server test fixture: folders, processes and a protocol client.
#include "fixture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "protocol/login.h"
#include "tests/support/process.h"
#include "protocol/password.h"
#include "protocol/wire.h"

namespace fs = std::filesystem;

namespace tavtest {
namespace support = tav::support;
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

using support::slurp;

// fork + exec with stdout/stderr to files and extra environment.
pid_t spawn(const std::string& exe, const std::vector<std::string>& args, const Env& env,
            const std::string& outFile, const std::string& errFile) {
  return support::spawn(exe, args, support::Env(env.begin(), env.end()), outFile, errFile);
}

int waitFor(pid_t pid, double timeoutSeconds, bool& reaped) { return support::waitExit(pid, timeoutSeconds, reaped); }

}  // namespace

std::string utf8(const std::u16string& s) { return tav::toUtf8(s); }

ServerDir::ServerDir(bool demo, const Env& mkdbEnv) {
  fs::copy_file(TAV_SERVER_BIN, file("TAVserver"));
  fs::copy_file(TAV_BUSY_LIB, file("libTAVbusy.so"));
  std::vector<std::string> args{path()};
  if (demo) args.push_back("--demo");
  pid_t pid = spawn(TAV_MKDB_BIN, args, mkdbEnv, file("mkdb.out"), file("mkdb.err"));
  bool reaped = false;
  if (waitFor(pid, 60, reaped) != 0) throw std::runtime_error("TAVmkdb failed: " + slurp(file("mkdb.err")));
  port_ = support::freePort();
  writeIni("ipaddr=127.0.0.1\nhostport=" + std::to_string(port_) + "\n");
}

void ServerDir::newPort() {
  port_ = support::freePort();
  writeIni("ipaddr=127.0.0.1\nhostport=" + std::to_string(port_) + "\n");
}

void ServerDir::writeIni(const std::string& text) {
  std::ofstream(file("TAVserver.ini"), std::ios::binary | std::ios::trunc) << text;
}

void ServerDir::sql(const std::string& dbFile, const std::string& statement) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file(dbFile).c_str(), &db) != SQLITE_OK) throw std::runtime_error("open " + dbFile);
  char* msg = nullptr;
  int rc = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &msg);
  std::string err = msg ? msg : "";
  sqlite3_free(msg);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("sql: " + err);
}

std::string ServerDir::query(const std::string& dbFile, const std::string& statement) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file(dbFile).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    throw std::runtime_error("open " + dbFile);
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, statement.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    std::string err = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error("query: " + err);
  }
  if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL)
    out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return out;
}

RunResult runServerToEnd(const ServerDir& dir, const std::vector<std::string>& args, const Env& env,
                         double timeoutSeconds) {
  Env e = env;
  e.emplace("TAV_LOCK_FILE", dir.file("server.lock"));
  pid_t pid = spawn(dir.file("TAVserver"), args, e, dir.file("run.out"), dir.file("run.err"));
  bool reaped = false;
  RunResult r;
  r.exitCode = waitFor(pid, timeoutSeconds, reaped);
  if (!reaped) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  r.out = slurp(dir.file("run.out"));
  r.err = slurp(dir.file("run.err"));
  return r;
}

ServerProcess::ServerProcess(ServerDir& dir, const Env& env, const std::vector<std::string>& args) {
  Env e = env;
  e.emplace("TAV_LOCK_FILE", dir.file("server.lock"));
  errFile_ = dir.file("server.err");
  for (int attempt = 0; attempt < 5; ++attempt) {
    reaped_ = false;
    pid_ = spawn(dir.file("TAVserver"), args, e, dir.file("server.out"), errFile_);
    // Ready once this very process listens on the port.
    auto start = Clock::now();
    while (secondsSince(start) < 20) {
      if (!alive()) break;
      if (support::listensOn(pid_, dir.port())) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (alive()) break;
    if (stderrText().find("不能绑定端口") == std::string::npos)
      throw std::runtime_error("server ended at start-up: " + stderrText());
    dir.newPort();
  }
  throw std::runtime_error("server did not start listening");
}

ServerProcess::~ServerProcess() { stop(); }

bool ServerProcess::alive() {
  if (reaped_) return false;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) == pid_) {
    reaped_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  return true;
}

int ServerProcess::waitExit(double timeoutSeconds) {
  if (!reaped_) status_ = waitFor(pid_, timeoutSeconds, reaped_);
  return reaped_ ? status_ : -1;
}

void ServerProcess::stop() {
  if (!reaped_ && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    reaped_ = true;
  }
  // In a sanitizer build a report ends the server; make it a failure of
  // the test that ran it.
  std::string err = stderrText();
  for (const char* mark : {"ThreadSanitizer", "AddressSanitizer", "LeakSanitizer", "runtime error:"})
    if (err.find(mark) != std::string::npos) ADD_FAILURE() << err;
}

std::string ServerProcess::stderrText() const { return slurp(errFile_); }

Client::Client(int port) {
  fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

Client::~Client() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {

// True when `fd` turns readable (bytes or their end) within `seconds`;
// with 0, whether it is readable now.
bool readableWithin(int fd, double seconds) {
  if (seconds < 0) return false;
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, seconds == 0 ? 0 : static_cast<int>(seconds * 1000) + 1) > 0;
}

// Appends up to `max` bytes that have come; false at the end of the stream.
bool takeInto(int fd, std::string& out, std::size_t max) {
  char buf[65536];
  ssize_t r = ::recv(fd, buf, std::min(sizeof buf, max), 0);
  if (r <= 0) return false;
  out.append(buf, static_cast<std::size_t>(r));
  return true;
}

}  // namespace

std::string Client::readExactly(std::size_t n, double timeoutSeconds) {
  std::string out;
  const auto start = Clock::now();
  while (out.size() < n && readableWithin(fd_, timeoutSeconds - secondsSince(start)) &&
         takeInto(fd_, out, n - out.size())) {
  }
  return out;
}

std::string Client::readAvailable(double quietSeconds, double timeoutSeconds) {
  std::string out;
  const auto start = Clock::now();
  while (readableWithin(fd_, out.empty() ? timeoutSeconds - secondsSince(start) : quietSeconds) &&
         takeInto(fd_, out, SIZE_MAX)) {
  }
  return out;
}

std::string Client::readList(double timeoutSeconds) {
  std::string out;
  const auto start = Clock::now();
  while (readableWithin(fd_, timeoutSeconds - secondsSince(start))) {
    // Look before taking, so that nothing behind the terminator is consumed.
    char buf[65536];
    const ssize_t r = ::recv(fd_, buf, sizeof buf, MSG_PEEK);
    if (r <= 0) break;
    const std::size_t have = out.size(), total = have + static_cast<std::size_t>(r);
    auto at = [&](std::size_t k) { return k < have ? out[k] : buf[k - have]; };
    std::size_t end = 0;
    for (std::size_t k = have - have % 2; k + 1 < total && !end; k += 2)
      if (at(k) == 0 && at(k + 1) == 0) end = k + 2;
    if (!takeInto(fd_, out, end ? end - have : static_cast<std::size_t>(r))) break;
    if (end && out.size() == end) break;
  }
  return out;
}

std::u16string Client::readWord(std::size_t units, double timeoutSeconds) {
  std::string bytes = readExactly(units * 2, timeoutSeconds);
  while (readableWithin(fd_, 0) && takeInto(fd_, bytes, SIZE_MAX)) {
  }
  return tav::fromUtf16le(bytes);
}

std::string Client::readToEnd(double timeoutSeconds) {
  std::string out;
  const auto start = Clock::now();
  while (readableWithin(fd_, timeoutSeconds - secondsSince(start)) && takeInto(fd_, out, SIZE_MAX)) {
  }
  return out;
}

void Client::sendBytes(const std::string& bytes) {
  std::size_t off = 0;
  while (off < bytes.size()) {
    ssize_t r = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
    if (r <= 0) return;
    off += static_cast<std::size_t>(r);
  }
}

void Client::sendText(const std::u16string& text) { sendBytes(tav::toUtf16le(text)); }

bool Client::waitClosed(double timeoutSeconds) {
  auto start = Clock::now();
  while (secondsSince(start) < timeoutSeconds) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 100) > 0) {
      char buf[4096];
      ssize_t r = ::recv(fd_, buf, sizeof buf, 0);
      if (r <= 0) return true;
    }
  }
  return false;
}

std::u16string Client::login(const std::u16string& id, const std::u16string& password,
                             const std::u16string& tag) {
  greeting = readExactly(tav::GreetingSize);
  // All ten slots taken: the server's answer is "FULLUSES" and the names,
  // then it closes.
  if (greeting.rfind(tav::toUtf16le(u"FULLUSES"), 0) == 0) return tav::fromUtf16le(greeting + readToEnd());
  if (greeting.size() != tav::GreetingSize) return u"<no greeting>";
  auto rec = tav::buildLoginRecord(greeting, tag, id, password);
  if (!rec) return u"<bad record>";
  sendBytes(*rec);
  return tav::fromUtf16le(readAvailable(0.3));
}

std::u16string Client::loginAdmin(const std::u16string& name, const std::u16string& password) {
  admin_ = true;
  return login(std::u16string(1, tav::AdminPrefix) + name, password, u"supe001");
}

std::u16string Client::knock() {
  sendText(u"CLIENT");
  return tav::fromUtf16le(readExactly(12));
}

namespace {

// A word as a failure message shows it: control characters as \uXXXX.
std::string shown(const std::u16string& word) {
  std::u16string out;
  for (char16_t c : word) {
    if (c >= 0x20) {
      out += c;
      continue;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
    out += tav::fromUtf8(hex);
  }
  return "\"" + tav::toUtf8(out) + "\"";
}

// What a call returns when its knock was not approved.
std::u16string notApproved(const ::testing::AssertionResult& knock) {
  return u"<" + tav::fromUtf8(knock.message()) + u">";
}

}  // namespace

::testing::AssertionResult Client::knockApproved() {
  for (int tries = 1;; ++tries) {
    const std::u16string answer = knock();
    if (answer == tav::KnockApproved) return ::testing::AssertionSuccess();
    if (answer != tav::KnockBusy) {
      if (answer.empty()) return ::testing::AssertionFailure() << "knock not answered (connection closed or silent)";
      return ::testing::AssertionFailure() << "knock answered " << shown(answer);
    }
    if (tries == KnockTries)
      return ::testing::AssertionFailure() << "knock answered " << shown(answer) << " " << KnockTries << " times, "
                                           << KnockPauseMs << " ms apart";
    std::this_thread::sleep_for(std::chrono::milliseconds(KnockPauseMs));
  }
}

// With TAV_CORPUS_DIR set, every request the tests send is kept as a seed
// for the dispatcher's fuzz target: a byte for the session kind (1 for an
// administrator), then the body without its terminator; a few per word.
void keepSeed(bool admin, const std::u16string& body) {
  const char* dir = std::getenv("TAV_CORPUS_DIR");
  if (!dir) return;
  std::string word = tav::toUtf8(body.substr(0, 6));
  for (char& c : word)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  const std::string seed = std::string(1, admin ? '\1' : '\0') + tav::toUtf16le(body);
  const std::string name = std::string(dir) + "/" + word + "-" + std::to_string(std::hash<std::string>{}(seed) % 1000000);
  int kept = 0;
  for (const auto& e : fs::directory_iterator(dir)) kept += e.path().filename().string().rfind(word + "-", 0) == 0;
  if (kept >= 4 || fs::exists(name)) return;
  std::ofstream(name, std::ios::binary) << seed;
}

void Client::sendBody(const std::u16string& word, const std::vector<std::u16string>& fields) {
  std::u16string body = word;
  for (const auto& f : fields) {
    body += f;
    body += tav::FieldSep;
  }
  keepSeed(admin_, body);
  sendBytes(tav::toUtf16le(body) + std::string(tav::MsgEnd));
}

::testing::AssertionResult Client::request(const std::u16string& word, const std::vector<std::u16string>& fields) {
  ::testing::AssertionResult approved = knockApproved();
  if (approved) sendBody(word, fields);
  return approved;
}

std::u16string Client::replyWord(double quietSeconds) {
  return tav::fromUtf16le(readAvailable(quietSeconds));
}

std::u16string Client::call(const std::u16string& word, const std::vector<std::u16string>& fields) {
  ::testing::AssertionResult approved = request(word, fields);
  if (!approved) return notApproved(approved);
  return replyWord();
}

std::u16string Client::callList(const std::u16string& word, const std::vector<std::u16string>& fields) {
  ::testing::AssertionResult approved = request(word, fields);
  if (!approved) return notApproved(approved);
  std::u16string t = tav::fromUtf16le(readList());
  if (!t.empty() && t.back() == 0) t.pop_back();
  return t;
}

bool eventually(const std::function<bool()>& done, double timeoutSeconds) {
  const auto start = Clock::now();
  for (;;) {
    if (done()) return true;
    if (secondsSince(start) >= timeoutSeconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void addUser(ServerDir& dir, const std::string& id, int rights, int trades, const std::u16string& password,
             const std::string& name) {
  dir.sql("TAVusers.mdb", "INSERT INTO users(user_id, Password, user_name, \"Right\", Type, canceled) VALUES('" + id +
                              "', '" + tav::toUtf8(tav::encodePswd(password)) + "', '" +
                              (name.empty() ? "用户" + id : name) + "', " + std::to_string(rights) + ", " +
                              std::to_string(trades) + ", 0)");
}

void addGrant(ServerDir& dir, int autonum, const std::string& from, long long rights, const std::string& to,
              int cancel, int32_t useDay, int32_t uselessDay) {
  const std::string granter = from.empty() ? "NULL" : "'" + from + "'";
  dir.sql("TAVusers.mdb",
          "INSERT INTO impower(autonum, user_id, user_name, right_id, to_user_id, to_user_name, "
          "to_user_cancel, usedate, uselessdate) VALUES(" +
              std::to_string(autonum) + ", " + granter + ", 'x', " + std::to_string(rights) + ", '" + to +
              "', 'y', " + std::to_string(cancel) + ", " + std::to_string(useDay) + ", " +
              std::to_string(uselessDay) + ")");
}

void startSession(Client& c, const std::u16string& id, const std::u16string& password) {
  ASSERT_EQ(c.login(id, password), u"ACCEPTED");
  ASSERT_FALSE(c.callList(u"MYGRAD").empty());
}

std::vector<std::vector<std::u16string>> records(const std::u16string& list) {
  std::vector<std::vector<std::u16string>> out;
  std::vector<std::u16string> rec;
  std::u16string field;
  for (char16_t c : list) {
    if (c == tav::FieldSep) {
      rec.push_back(field);
      field.clear();
    } else if (c == tav::RecordSep) {
      out.push_back(rec);
      rec.clear();
    } else {
      field += c;
    }
  }
  return out;
}

}  // namespace tavtest
