// Test fixture for black-box server tests: a temp folder holding a copy of
// TAVserver, libTAVbusy.so, fresh databases from TAVmkdb and an ini file;
// the real server started there on 127.0.0.1 and stopped by its pid; and a
// small protocol client.
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/process.h"

namespace tavtest {

using Env = std::map<std::string, std::string>;

// A folder the server can run from; it goes away with the test process
// however that ends (see tav::support::ScratchDir).
class ServerDir {
 public:
  // demo: TAVmkdb --demo. env: passed to TAVmkdb (TAV_NOW for adacess).
  explicit ServerDir(bool demo = false, const Env& mkdbEnv = {});
  ServerDir(const ServerDir&) = delete;
  ServerDir& operator=(const ServerDir&) = delete;

  const std::string& path() const { return scratch_.path(); }
  std::string file(const std::string& name) const { return path() + "/" + name; }
  int port() const { return port_; }
  // Moves the ini file to another free port (another program took this one).
  void newPort();
  void writeIni(const std::string& text);
  // Runs SQL against one of the database files (server must not be running).
  void sql(const std::string& dbFile, const std::string& statement);
  // First column of the first row of a query, as text ("" for none/NULL).
  std::string query(const std::string& dbFile, const std::string& statement);

 private:
  tav::support::ScratchDir scratch_{"tavtest-"};
  int port_ = 0;
};

struct RunResult {
  int exitCode = -1;  // -1 when killed by a signal or timed out
  std::string out, err;
};

// Runs the server's copy in `dir` to its end (start-up failures, /pswd).
RunResult runServerToEnd(const ServerDir& dir, const std::vector<std::string>& args,
                         const Env& env = {}, double timeoutSeconds = 20);

// A running server, stopped by its pid when destroyed.
class ServerProcess {
 public:
  // Starts the server; should another program take the port first, the
  // folder moves to a new port and the server is started again.
  ServerProcess(ServerDir& dir, const Env& env = {}, const std::vector<std::string>& args = {});
  ~ServerProcess();
  pid_t pid() const { return pid_; }
  bool alive();
  // Waits for the process to end by itself; its exit code or -1.
  int waitExit(double timeoutSeconds);
  void stop();
  std::string stderrText() const;

 private:
  pid_t pid_ = -1;
  std::string errFile_;
  int status_ = -1;
  bool reaped_ = false;
};

// One client connection speaking the wire protocol.
//
// Replies are read by their framing wherever it exists: a knock answer is
// 12 bytes, a word the test knows has that word's length, a list or text
// ends at its terminator (one zero code unit at an even offset), a refusal
// that closes the connection ends there. Only a word of unknown length
// (a refusal or a value glued to "IGOTIT") has no framing; it ends after a
// quiet period, counted from its first byte.
class Client {
 public:
  // A person at the real client meets the busy word now and then: the
  // server has sent the last byte of another session's reply but not yet
  // ended that request. They knock again a moment later, and so does this.
  static constexpr int KnockTries = 50;
  static constexpr int KnockPauseMs = 20;

  explicit Client(int port);
  ~Client();
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool connected() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // Reads exactly n bytes (or fewer when the peer closes / the wait ends).
  std::string readExactly(std::size_t n, double timeoutSeconds = 15);
  // Reads what arrives until `quietSeconds` pass without more.
  std::string readAvailable(double quietSeconds = 0.5, double timeoutSeconds = 15);
  // Reads up to and including the first zero code unit at an even offset,
  // and not a byte further.
  std::string readList(double timeoutSeconds = 15);
  // Reads a word of `units` code units, then whatever has already come
  // behind it (a longer word arrives in the same piece), without waiting.
  std::u16string readWord(std::size_t units, double timeoutSeconds = 15);
  // Reads until the server closes the connection.
  std::string readToEnd(double timeoutSeconds = 15);
  void sendBytes(const std::string& bytes);
  void sendText(const std::u16string& text);
  // True when the server closed the connection (EOF) within the wait.
  bool waitClosed(double timeoutSeconds = 15);

  std::string greeting;  // the 30 bytes of the login greeting
  // Reads the greeting, sends the login record, returns the reply decoded.
  std::u16string login(const std::u16string& id, const std::u16string& password,
                       const std::u16string& tag = u"user001");
  std::u16string loginAdmin(const std::u16string& name = u"admino",
                            const std::u16string& password = u"8526");

  // Knocks "CLIENT" once and returns the 12-byte answer decoded.
  std::u16string knock();
  // Knocks until "APPROV": the busy word is knocked at again, up to
  // KnockTries times, KnockPauseMs apart. Any other answer fails at once;
  // the failure names the word that came.
  ::testing::AssertionResult knockApproved();
  // The request body: word + fields each followed by FieldSep, then MsgEnd.
  void sendBody(const std::u16string& word, const std::vector<std::u16string>& fields = {});
  // knockApproved, then the body.
  ::testing::AssertionResult request(const std::u16string& word, const std::vector<std::u16string>& fields = {});
  // Word reply of unknown length (see above).
  std::u16string replyWord(double quietSeconds = 0.3);
  // Knock + request + word reply. When the knock is not approved the text
  // is "<" + why + ">", which names the answer that came.
  std::u16string call(const std::u16string& word, const std::vector<std::u16string>& fields = {});
  // Knock + request + list reply (terminator cut off), as text.
  std::u16string callList(const std::u16string& word, const std::vector<std::u16string>& fields = {});

 private:
  int fd_ = -1;
  bool admin_ = false;
};

// Asks `done` again and again, a short pause apart, until it is true or
// `timeoutSeconds` have passed; its last answer. For events the tests can
// only see by asking the server.
bool eventually(const std::function<bool()>& done, double timeoutSeconds = 20);

// A user account made straight in the users database (server not running):
// password "pw" unless given, display name "用户" + id unless given.
void addUser(ServerDir& dir, const std::string& id, int rights, int trades = 0,
             const std::u16string& password = u"pw", const std::string& name = "");

// One authorisation record as the grant commands would have written it;
// an empty `from` makes a free record.
void addGrant(ServerDir& dir, int autonum, const std::string& from, long long rights, const std::string& to,
              int cancel, int32_t useDay, int32_t uselessDay);

// Logs in and asks for the session's rights with "MYGRAD", as the user
// client does; fails the test when either is refused.
void startSession(Client& c, const std::u16string& id, const std::u16string& password = u"pw");

// Splits a list reply into records of fields.
std::vector<std::vector<std::u16string>> records(const std::u16string& list);
std::string utf8(const std::u16string& s);

}  // namespace tavtest
