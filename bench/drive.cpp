// TAVbenchdrive DIR [DIR...] [--reps R] [--out PREFIX] [--server PATH]
//               [--busy PATH] [--sqlite3 PATH] [--only KEY,KEY...]
//               [--wrap "PROGRAM ARGS"]
//
// Times the real server on the databases that TAVbenchgen filled in each DIR.
//
// 1. The floor, while no server holds the files: the sqlite3 shell runs the
//    same scans with the same predicates on the same file, output thrown
//    away; each R times, median of the wall time of the whole run. The same
//    shell counts the rows each search must return.
// 2. The servers: in each DIR a copy of the server and libTAVbusy.so, an ini
//    naming 127.0.0.1 and a free port, TAV_LOCK_FILE inside DIR.
// 3. Each request is measured in a session of its own, which logs in as the
//    measuring account and sends "MYGRAD" first, as the client does. It is
//    sent once to warm up and then R times; its service time runs from the
//    arrival of "APPROV" to the arrival of the reply's last byte, so the main
//    loop's pause before it answers a knock is not counted. The median is
//    reported; every reply is checked (record counts against the shell's
//    counts, the expected words). With several DIRs the requests alternate
//    between their servers, so a busy moment of the machine weighs on every
//    size alike.
// 4. While the whole of `list` streams out ("QUICKYWORKO" with no pair) the
//    server's VmRSS is sampled every millisecond; VmHWM is read afterwards.
//
// Results go to stdout as a table per DIR and, with --out, as tab-separated
// lines in PREFIX<orders>.tsv, which scripts/bench.sh turns into the
// performance table.
//
// --only measures just the named requests (keys as in the .tsv lines);
// --wrap starts the servers under another program, e.g. to count their
// instructions: --wrap "valgrind --tool=callgrind --callgrind-out-file=cg.out
// --toggle-collect=*handleWODetail*" (service times are then meaningless).
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/benchio.h"
#include "protocol/login.h"
#include "protocol/wire.h"
#include "tests/support/process.h"

namespace fs = std::filesystem;
using tav::bench::median;
using tav::bench::nowSeconds;

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- processes ------------------------------------------------------------------------

using tav::support::Env;
using tav::support::reap;
using tav::support::slurp;
using tav::support::spawn;

// The sqlite3 shell on one file.
class Shell {
public:
    Shell(std::string exe, std::string scratch) : exe_(std::move(exe)), scratch_(std::move(scratch)) {}

    // Wall time of one whole run, output discarded.
    double timed(const std::string& db, const std::string& sql) const {
        const double t0 = nowSeconds();
        pid_t pid = spawn(exe_, {db, sql}, {}, "/dev/null", scratch_ + ".err");
        const int rc = reap(pid);
        const double t = nowSeconds() - t0;
        if (rc != 0) throw Failure("sqlite3 failed on: " + sql + "\n" + slurp(scratch_ + ".err"));
        return t;
    }

    long long count(const std::string& db, const std::string& sql) const {
        pid_t pid = spawn(exe_, {db, "SELECT count(*) FROM (" + sql + ")"}, {}, scratch_ + ".out",
                          scratch_ + ".err");
        if (reap(pid) != 0) throw Failure("sqlite3 failed on: " + sql + "\n" + slurp(scratch_ + ".err"));
        return std::stoll(slurp(scratch_ + ".out"));
    }

private:
    std::string exe_, scratch_;
};

// ---- the server ---------------------------------------------------------------------------

using tav::support::freePort;

int connectTo(int port) { return tav::support::connectLoopback(port); }

class Server {
public:
    Server(const std::string& dir, const std::string& serverBin, const std::string& busyLib,
           const std::vector<std::string>& wrap)
        : dir_(dir) {
        fs::copy_file(serverBin, dir + "/TAVserver", fs::copy_options::overwrite_existing);
        fs::copy_file(busyLib, dir + "/libTAVbusy.so", fs::copy_options::overwrite_existing);
        port_ = freePort();
        std::ofstream(dir + "/TAVserver.ini", std::ios::binary | std::ios::trunc)
            << "ipaddr=127.0.0.1\nhostport=" << port_ << "\n";
        ::unlink((dir + "/server.err").c_str());
        std::vector<std::string> args(wrap.begin() + (wrap.empty() ? 0 : 1), wrap.end());
        if (!wrap.empty()) args.push_back(dir + "/TAVserver");
        pid_ = spawn(wrap.empty() ? dir + "/TAVserver" : wrap.front(), args,
                     {{"TAV_LOCK_FILE", dir + "/server.lock"}}, dir + "/server.out", dir + "/server.err");
        // Ready once the port takes a connection; the probe is closed at
        // once and the server gives that login up.
        const double start = nowSeconds();
        while (nowSeconds() - start < 120) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw Failure("the server ended at start-up: " + slurp(dir + "/server.err"));
            }
            int fd = connectTo(port_);
            if (fd >= 0) {
                ::close(fd);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        throw Failure("the server did not start listening");
    }
    ~Server() { stop(); }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int port() const { return port_; }
    pid_t pid() const { return pid_; }

    // Stops our own server process: a polite signal, then a hard one.
    void stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        const double start = nowSeconds();
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) != pid_) {
            if (nowSeconds() - start > 30) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }

private:
    std::string dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

// A field of /proc/PID/status in kB; -1 when it cannot be read.
long procStatusKb(pid_t pid, const char* field) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(f, line))
        if (line.compare(0, key.size(), key) == 0) return std::atol(line.c_str() + key.size());
    return -1;
}

// ---- the client ---------------------------------------------------------------------------

enum class Shape { List, Word };

struct Reply {
    std::string bytes;
    double service = 0;  // seconds from "APPROV" to the last byte
};

class Session {
public:
    explicit Session(int port) : fd_(connectTo(port)) {
        if (fd_ < 0) throw Failure("cannot connect to the server");
        int big = 4 << 20;
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    }
    // Ends the session as the client does ("CLOSE!" gets no reply), so its
    // slot is free at once.
    ~Session() {
        if (fd_ < 0) return;
        try {
            send(tav::toUtf16le(tav::KnockClient));
            if (tav::fromUtf16le(readExactly(tav::KnockBytes, 5)) == tav::KnockApproved)
                send(tav::toUtf16le(u"CLOSE!") + std::string(tav::MsgEnd));
        } catch (const std::exception&) {
        }
        ::close(fd_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void login(std::u16string_view id, std::u16string_view password) {
        const std::string greeting = readExactly(tav::GreetingSize, 15);
        if (greeting.size() != tav::GreetingSize) throw Failure("no login greeting");
        auto rec = tav::buildLoginRecord(greeting, tav::TagUser, id, password);
        if (!rec) throw Failure("cannot build the login record");
        send(*rec);
        const std::u16string word = tav::fromUtf16le(readExactly(16, 15));
        if (word != tav::ReplyAccepted) throw Failure("login refused: " + tav::toUtf8(word));
    }

    // One request: knock, body, reply. The reply is complete at its list
    // terminator (Shape::List) or after `wordBytes` bytes (Shape::Word).
    Reply request(std::u16string_view body, Shape shape, std::size_t wordBytes = 12) {
        for (int attempt = 0;; ++attempt) {
            send(tav::toUtf16le(tav::KnockClient));
            const std::string answer = readExactly(tav::KnockBytes, 15);
            const std::u16string word = tav::fromUtf16le(answer);
            if (word == tav::KnockApproved) break;
            if (word != tav::KnockBusy || attempt > 50) throw Failure("knock answered \"" + tav::toUtf8(word) + "\"");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Reply r;
        const double t0 = nowSeconds();
        send(tav::toUtf16le(body) + std::string(tav::MsgEnd));
        double last = t0;
        std::vector<char> buf(1 << 20);
        for (;;) {
            if (shape == Shape::List && r.bytes.size() >= 2 && r.bytes.size() % 2 == 0 &&
                r.bytes[r.bytes.size() - 1] == 0 && r.bytes[r.bytes.size() - 2] == 0)
                break;
            if (shape == Shape::Word && r.bytes.size() >= wordBytes) break;
            pollfd p{fd_, POLLIN, 0};
            // A word shorter than expected (a refusal) ends after a quiet second.
            if (::poll(&p, 1, shape == Shape::Word && !r.bytes.empty() ? 1000 : 60000) <= 0) break;
            ssize_t got = ::recv(fd_, buf.data(), buf.size(), 0);
            if (got <= 0) break;
            last = nowSeconds();
            r.bytes.append(buf.data(), static_cast<std::size_t>(got));
        }
        r.service = last - t0;
        return r;
    }

private:
    std::string readExactly(std::size_t n, double timeoutSeconds) {
        std::string out;
        const double start = nowSeconds();
        while (out.size() < n) {
            const double left = timeoutSeconds - (nowSeconds() - start);
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left * 1000) + 1) <= 0) break;
            char b[4096];
            ssize_t got = ::recv(fd_, b, std::min(sizeof b, n - out.size()), 0);
            if (got <= 0) break;
            out.append(b, static_cast<std::size_t>(got));
        }
        return out;
    }

    void send(const std::string& bytes) {
        std::size_t off = 0;
        while (off < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
            if (n <= 0) throw Failure("the server closed the connection");
            off += static_cast<std::size_t>(n);
        }
    }

    int fd_ = -1;
};

// Records of a list reply: RecordSep code units.
long long recordCount(const std::string& bytes) {
    long long n = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (bytes[i] == char(tav::RecordSep) && bytes[i + 1] == 0) ++n;
    return n;
}

long long codeUnitCount(const std::string& bytes, char16_t c) {
    long long n = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (static_cast<unsigned char>(bytes[i]) == (c & 0xff) && static_cast<unsigned char>(bytes[i + 1]) == (c >> 8))
            ++n;
    return n;
}

bool endsList(const std::string& b) {
    return b.size() >= 2 && b.size() % 2 == 0 && b[b.size() - 1] == 0 && b[b.size() - 2] == 0;
}

std::u16string u16(long long v) { return tav::fromUtf8(std::to_string(v)); }

// ---- the measurements -------------------------------------------------------------------------

struct Measured {
    std::string key, label;
    std::vector<double> times;
    long long records = -1;
    std::size_t bytes = 0;
    std::string floorKey;  // the floor this command is compared with, if any
};

struct Floor {
    std::string key, label, sql;
    std::vector<double> times;
};

struct Options {
    std::vector<std::string> dirs;
    int reps = 7;
    std::string out;  // prefix of the result files
    std::string serverBin = TAV_SERVER_BIN;
    std::string busyLib = TAV_BUSY_LIB;
    std::string sqlite3 = "sqlite3";
    std::vector<std::string> only;  // empty: every request
    std::vector<std::string> wrap;  // the program and arguments the server runs under
};

std::vector<std::string> splitOn(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, sep))
        if (!part.empty()) out.push_back(part);
    return out;
}

int usage() {
    std::cerr << "usage: TAVbenchdrive DIR [DIR...] [--reps R] [--out PREFIX] [--server PATH] [--busy PATH]\n"
                 "                     [--sqlite3 PATH] [--only KEY,KEY...] [--wrap \"PROGRAM ARGS\"]\n";
    return 2;
}

std::string ms(double seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", seconds * 1000);
    return buf;
}

std::string machine() {
    std::string cpu;
    std::ifstream f("/proc/cpuinfo");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    long memKb = 0;
    std::ifstream m("/proc/meminfo");
    while (std::getline(m, line))
        if (line.rfind("MemTotal:", 0) == 0) memKb = std::atol(line.c_str() + 9);
    utsname u{};
    ::uname(&u);
    return cpu + ", " + std::to_string(std::thread::hardware_concurrency()) + " cores, " +
           std::to_string((memKb + 512 * 1024) / (1024 * 1024)) + " GiB, " + u.sysname + " " + u.release;
}

void check(bool ok, const std::string& what) {
    if (!ok) throw Failure("unexpected reply to " + what);
}

const std::u16string fs16(1, tav::FieldSep), rs16(1, tav::RecordSep);

struct Command {
    std::string key, label;
    std::u16string body;
    Shape shape;
    std::size_t wordBytes;
    std::function<void(const Reply&)> verify;
    std::string floorKey;
};

std::function<void(const Reply&)> listOf(long long expected, const std::string& what) {
    return [expected, what](const Reply& r) {
        check(endsList(r.bytes) && (expected < 0 || recordCount(r.bytes) == expected),
              what + " (" + std::to_string(recordCount(r.bytes)) + " records, " + std::to_string(expected) +
                  " expected)");
    };
}

std::function<void(const Reply&)> wordIs(std::u16string word, const std::string& what) {
    return [word, what](const Reply& r) { check(tav::fromUtf16le(r.bytes) == word, what); };
}

// One data folder: what its manifest and the shell say about it, its
// floor, its server, its requests and what they measured.
struct Setup {
    std::string dir, records;
    tav::bench::Manifest m;
    long long orders = 0, target = 0, planOrder = 0, today = 0;
    long long quickExpected = 0, advExpected = 0, detailExpected = 0;
    std::vector<Floor> floors;
    std::unique_ptr<Server> server;
    std::vector<Command> commands;
    std::vector<Measured> results;
    long rssBefore = -1, rssAfter = -1, hwm = -1;
    long rssPeak = -1;

    Setup(const std::string& d, const Shell& shell) : dir(fs::absolute(d).lexically_normal().string()) {
        records = dir + "/TAVrecords.mdb";
        m = tav::bench::readManifest(dir + "/" + std::string(tav::bench::kManifestName));
        orders = tav::bench::manifestInt(m, "orders");
        target = tav::bench::manifestInt(m, "target_bill");
        planOrder = tav::bench::manifestInt(m, "plan_bill");
        today = tav::bench::manifestInt(m, "today");

        const std::string quickSql = "SELECT * FROM list WHERE " + tav::bench::quickPredicateSql();
        const std::string advSql = "SELECT *, 1 FROM list WHERE " + tav::bench::advancedPredicateSql() +
                                   " UNION ALL SELECT *, 0 FROM list_o WHERE " + tav::bench::advancedPredicateSql();
        const std::string detailSql = "SELECT Status, User, Time FROM status WHERE bill_id = " +
                                      std::to_string(target) + " ORDER BY rowid DESC";
        floors = {
            {"floor_quick", "sqlite3: list, instr(Description)", quickSql, {}},
            {"floor_advanced", "sqlite3: list + list_o, five conditions", advSql, {}},
            {"floor_detail", "sqlite3: status rows of one order (index)", detailSql, {}},
            {"floor_all", "sqlite3: SELECT * FROM list", "SELECT * FROM list", {}},
        };
        quickExpected = shell.count(records, quickSql);
        advExpected = shell.count(records, advSql);
        detailExpected = shell.count(records, detailSql);
        makeCommands();
    }

    void makeCommands() {
        // Each condition: five fields, then its one-character connector and RecordSep.
        std::u16string advanced = u"ADVAWO1";
        for (const auto& c : tav::bench::kAdvancedConditions) {
            for (std::u16string_view part : {c.open, c.field, c.op, c.value, c.close})
                advanced += std::u16string(part) + fs16;
            advanced += std::u16string(c.connector) + rs16;
        }
        const std::u16string bill = u16(target);
        commands = {
            {"quick", "QUICKYWORKO, Description contains the ~1% phrase",
             u"QUICKYWORKO" + std::u16string(u"Description") + fs16 + std::u16string(tav::bench::kQuickNeedle) + fs16,
             Shape::List, 0, listOf(quickExpected, "QUICKYWORKO"), "floor_quick"},
            {"advanced", "ADVAWO1, five conditions with brackets, list + list_o", advanced, Shape::List, 0,
             listOf(advExpected, "ADVAWO1"), "floor_advanced"},
            {"detail", "DETAIL1STATUS, one order", u"DETAIL1STATUS" + bill + fs16, Shape::List, 0,
             listOf(detailExpected, "DETAIL1STATUS"), "floor_detail"},
            {"adtime", "ADTIME, one ordinary order", u"ADTIME1" + bill + fs16 + u"2" + fs16 + u"30" + fs16,
             Shape::Word, 12, wordIs(u"IGOTIT", "ADTIME"), ""},
            {"adtime_plan", "ADTIME, one preventive order (5 equipment rows)",
             u"ADTIME1" + u16(planOrder) + fs16 + u"1" + fs16 + u"30" + fs16, Shape::Word, 12,
             wordIs(u"IGOTIT", "ADTIME on a preventive order"), ""},
            {"write", "WRITE:1OLDWO, one order (status, cause, solution, remark)",
             u"WRITE:1OLDWO" + std::u16string(u"bill_id") + fs16 + bill + fs16 + u"pointto" + fs16 + u"王强" +
                 fs16 + u"status" + fs16 + u"4" + fs16 + u"reason" + fs16 + u"轴承缺油磨损" + fs16 + u"solute" +
                 fs16 + u"更换轴承并加注润滑脂" + fs16 + u"scribebyeng" + fs16 + u"备件已申请" + fs16,
             Shape::Word, 16, wordIs(u"WRITE,OK", "WRITE:1OLDWO"), ""},
            {"report", "REPORT, created_date over 370 days, current orders",
             u"REPORT00" + fs16 + u"created_date" + fs16 + u16(today - 370) + fs16 + u16(today) + fs16,
             Shape::List, 0,
             [](const Reply& r) {
                 check(endsList(r.bytes) && codeUnitCount(r.bytes, tav::SectionSep) >= 2, "REPORT");
             },
             ""},
            {"mygrad", "MYGRAD", u"MYGRAD", Shape::List, 0, listOf(-1, "MYGRAD"), ""},
            {"all", "QUICKYWORKO, no pair: the whole list", u"QUICKYWORKO", Shape::List, 0,
             listOf(orders, "QUICKYWORKO with no pair"), "floor_all"},
        };
    }

    // Each request is measured in a session of its own, so that nothing one
    // request leaves on the connection (socket options, say) favours another.
    // As in the client, "MYGRAD" comes first: it sets the session's rights.
    std::unique_ptr<Session> openSession() const {
        auto s = std::make_unique<Session>(server->port());
        s->login(tav::bench::kBenchUser, tav::bench::kBenchPassword);
        Reply r = s->request(u"MYGRAD", Shape::List);
        const std::u16string head =
            std::u16string(tav::bench::kBenchName) + fs16 + u16(tav::bench::kBenchRights) + fs16;
        check(endsList(r.bytes) && tav::fromUtf16le(r.bytes).rfind(head, 0) == 0, "MYGRAD");
        return s;
    }

    const Floor* floorOf(const std::string& key) const {
        for (const Floor& f : floors)
            if (f.key == key) return &f;
        return nullptr;
    }

    std::string table(int reps) const {
        std::ostringstream t;
        t << "orders in list: " << orders << "  (archive " << m.at("archived") << ", quick matches "
          << quickExpected << ", advanced matches " << advExpected << ")\n";
        t << "median service time of " << reps << " runs after one warm-up\n";
        char line[512];
        std::snprintf(line, sizeof line, "%-62s %10s %10s %10s %9s %10s %8s\n", "request", "median ms", "min ms",
                      "max ms", "records", "reply kB", "x floor");
        t << line;
        for (const Measured& r : results) {
            const Floor* f = floorOf(r.floorKey);
            char ratio[32] = "";
            if (f) std::snprintf(ratio, sizeof ratio, "%.2f", median(r.times) / median(f->times));
            std::snprintf(line, sizeof line, "%-62s %10s %10s %10s %9lld %10.1f %8s\n", r.label.c_str(),
                          ms(median(r.times)).c_str(), ms(*std::min_element(r.times.begin(), r.times.end())).c_str(),
                          ms(*std::max_element(r.times.begin(), r.times.end())).c_str(), r.records,
                          r.bytes / 1024.0, ratio);
            t << line;
        }
        for (const Floor& f : floors) {
            std::snprintf(line, sizeof line, "%-62s %10s %10s %10s\n", f.label.c_str(), ms(median(f.times)).c_str(),
                          ms(*std::min_element(f.times.begin(), f.times.end())).c_str(),
                          ms(*std::max_element(f.times.begin(), f.times.end())).c_str());
            t << line;
        }
        if (hwm >= 0)
            t << "server memory: VmRSS " << rssBefore << " kB before the full list, peak " << rssPeak
              << " kB while it streamed, " << rssAfter << " kB after; VmHWM " << hwm << " kB\n";
        return t.str();
    }

    void write(const std::string& path, int reps) const {
        std::ofstream out(path, std::ios::trunc);
        out << "orders\t" << orders << "\n";
        out << "machine\t" << machine() << "\n";
        out << "reps\t" << reps << "\n";
        for (const Measured& r : results)
            out << "cmd\t" << r.key << "\t" << ms(median(r.times)) << "\t" << r.records << "\t" << r.floorKey << "\t"
                << r.label << "\n";
        for (const Floor& f : floors)
            out << "floor\t" << f.key << "\t" << ms(median(f.times)) << "\t" << f.label << "\n";
        if (hwm >= 0) out << "memory\t" << rssBefore << "\t" << rssPeak << "\t" << rssAfter << "\t" << hwm << "\n";
        if (!out) throw Failure("cannot write " + path);
    }
};

// Samples a process's VmRSS every millisecond while switched on.
class RssSampler {
public:
    explicit RssSampler(pid_t pid)
        : pid_(pid), thread_([this] {
              while (!quit_.load()) {
                  if (on_.load()) {
                      const long v = procStatusKb(pid_, "VmRSS");
                      if (v > peak_.load()) peak_.store(v);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~RssSampler() {
        quit_.store(true);
        thread_.join();
    }
    RssSampler(const RssSampler&) = delete;
    RssSampler& operator=(const RssSampler&) = delete;
    void on(bool v) { on_.store(v); }
    long peak() const { return peak_.load(); }

private:
    pid_t pid_;
    std::atomic<bool> on_{false}, quit_{false};
    std::atomic<long> peak_{-1};
    std::thread thread_;
};

// With several folders every step alternates between them, request by
// request, so that whatever else the machine does at a moment weighs on
// every size alike and the ratios between sizes stay fair.
int run(const Options& o) {
    const Shell shell(o.sqlite3, fs::absolute(o.dirs.front()).string() + "/bench.sqlite3");
    std::vector<std::unique_ptr<Setup>> setups;
    for (const std::string& d : o.dirs) setups.push_back(std::make_unique<Setup>(d, shell));

    // ---- 1. the floor, before the servers lock the files; the first run
    // only warms the page cache
    for (int r = 0; r < o.reps + 1; ++r)
        for (auto& s : setups)
            for (Floor& f : s->floors) {
                const double t = shell.timed(s->records, f.sql);
                if (r > 0) f.times.push_back(t);
            }

    // ---- 2. the servers
    for (auto& s : setups) s->server = std::make_unique<Server>(s->dir, o.serverBin, o.busyLib, o.wrap);

    // ---- 3. the requests; 4. memory while the whole list streams out
    auto wanted = [&](const std::string& key) {
        return o.only.empty() || std::find(o.only.begin(), o.only.end(), key) != o.only.end();
    };
    const std::size_t commandCount = setups.front()->commands.size();
    for (std::size_t ci = 0; ci < commandCount; ++ci) {
        const std::string key = setups.front()->commands[ci].key;
        if (!wanted(key)) continue;
        const bool memory = key == "all";
        std::vector<std::unique_ptr<Session>> sessions;
        std::vector<std::unique_ptr<RssSampler>> samplers;
        for (auto& s : setups) {
            const Command& c = s->commands[ci];
            s->results.push_back(Measured{c.key, c.label, {}, -1, 0, c.floorKey});
            sessions.push_back(s->openSession());
            if (memory) {
                s->rssBefore = procStatusKb(s->server->pid(), "VmRSS");
                samplers.push_back(std::make_unique<RssSampler>(s->server->pid()));
            }
        }
        for (int r = 0; r < o.reps + 1; ++r)
            for (std::size_t si = 0; si < setups.size(); ++si) {
                Setup& s = *setups[si];
                const Command& c = s.commands[ci];
                if (memory) samplers[si]->on(true);
                Reply reply = sessions[si]->request(c.body, c.shape, c.wordBytes);
                if (memory) samplers[si]->on(false);
                c.verify(reply);
                if (r == 0) continue;  // warm-up
                Measured& mm = s.results.back();
                mm.times.push_back(reply.service);
                mm.records = c.shape == Shape::List ? recordCount(reply.bytes) : -1;
                mm.bytes = reply.bytes.size();
            }
        for (std::size_t si = 0; si < setups.size(); ++si) {
            Setup& s = *setups[si];
            if (memory) {
                s.rssPeak = samplers[si]->peak();
                s.hwm = procStatusKb(s.server->pid(), "VmHWM");
                s.rssAfter = procStatusKb(s.server->pid(), "VmRSS");
            }
            std::cerr << "  " << s.orders << " " << key << ": " << ms(median(s.results.back().times)) << " ms\n";
        }
    }
    for (auto& s : setups) s->server->stop();

    for (auto& s : setups) {
        std::cout << s->table(o.reps) << "\n";
        if (!o.out.empty()) s->write(o.out + std::to_string(s->orders) + ".tsv", o.reps);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            o.dirs.push_back(a);
            continue;
        }
        if (i + 1 >= argc) return usage();
        if (a == "--reps") o.reps = std::max(1, std::atoi(argv[++i]));
        else if (a == "--out") o.out = argv[++i];
        else if (a == "--server") o.serverBin = argv[++i];
        else if (a == "--busy") o.busyLib = argv[++i];
        else if (a == "--sqlite3") o.sqlite3 = argv[++i];
        else if (a == "--only") o.only = splitOn(argv[++i], ',');
        else if (a == "--wrap") o.wrap = splitOn(argv[++i], ' ');
        else return usage();
    }
    if (o.dirs.empty()) return usage();
    try {
        return run(o);
    } catch (const std::exception& e) {
        std::cerr << "TAVbenchdrive: " << e.what() << "\n";
        return 1;
    }
}
