// TAVmkdb: creates the four database files of a new installation with their
// pools, administrator accounts, default constants and optional demo data.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "TAVserver/store/schema.h"
#include "TAVserver/store/store.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "tools/defaults.h"

namespace fs = std::filesystem;
using tav::schema::FileId;
using tav::store::Database;
using tav::store::Table;
using tav::store::Transaction;
using tav::store::Value;

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Clock {
    double now;           // day number with fraction
    std::int32_t today;   // whole day
    int year;
};

Clock readClock() {
    tav::LocalDateTime t{};
    if (const char* env = std::getenv("TAV_NOW"); env && *env) {
        auto parsed = tav::parseDateTime(env);
        if (!parsed)
            throw Failure(std::string("环境变量 TAV_NOW 的值 \"") + env +
                          "\" 不是 yyyy-MM-dd HH:mm:ss 格式的时间");
        t = *parsed;
    } else {
        t = tav::localFromTimeT(std::time(nullptr));
    }
    const double now = tav::toDayTime(t);
    return Clock{now, tav::dayFromCivil(t.y, t.m, t.d), t.y};
}

std::string sysError(const std::string& what, const fs::path& p) {
    return what + " " + p.string() + "：" + std::strerror(errno);
}

bool pathExists(const fs::path& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

void removeWithCompanions(const fs::path& p) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        ::unlink((p.string() + suffix).c_str());
}

// Puts a finished file in place without ever overwriting one that appeared
// meanwhile; file systems without renameat2 fall back to link + unlink.
void publish(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
    if (errno == EINVAL || errno == ENOSYS) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return;
        }
    }
    throw Failure(sysError("无法生成", to));
}

void syncDirectory(const fs::path& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// ---- filling -----------------------------------------------------------------

void addRow(Table& t, std::initializer_list<std::pair<std::string_view, Value>> fields) {
    t.addNew();
    for (const auto& [name, value] : fields) t.set(name, value);
    t.update();
}

void createTables(Database& db, FileId file) {
    // Every text the clients see travels as UTF-16LE; keeping the files in the
    // same encoding spares a conversion on each read.
    db.exec("PRAGMA encoding='UTF-16le'");
    for (const std::string& sql : tav::schema::createStatements(file)) db.exec(sql);
}

void fillUsers(Database& db, const Clock& clock) {
    Table admins = db.table("admins");
    const std::u16string pswd = tav::encodePswd(tav::defaults::kAdminPassword);
    for (const auto& a : tav::defaults::kAdmins)
        addRow(admins, {{"adID", Value(a.id)},
                        {"adPswd", Value(pswd)},
                        {"adName", Value(a.name)},
                        {"times", Value(0)},
                        {"doub", Value(0.0)},
                        {"newstitu", Value(0)}});

    // The yearly archive first runs on the next 1 January, even when the
    // installation is made on a 1 January.
    Table acess = db.table("adacess");
    addRow(acess, {{"autonum", Value(1)},
                   {"archday", Value(tav::dayFromCivil(clock.year + 1, 1, 1))}});
}

void fillPools(Database& db) {
    // Free records carry only their number and no name; the commands that
    // take one write every other field.
    Table col = db.table("collection");
    Table pwo = db.table("prewo");
    for (int n = tav::defaults::kPoolFirst; n <= tav::defaults::kPoolLast; ++n) {
        addRow(col, {{"autonum", Value(n)}, {"name", Value::null()}, {"refer", Value(0)}});
        addRow(pwo, {{"Number", Value(n)},
                     {"name", Value::null()},
                     {"isusing", Value(0)},
                     {"statu", Value(0)}});
    }
}

void fillConst(Database& db) {
    using namespace tav::defaults;
    Table rights = db.table("rights");
    for (const auto& r : kRights)
        addRow(rights, {{"right_id", Value(r.code)}, {"right_name", Value(r.name)}});

    Table status = db.table("status");
    for (const auto& s : kStatuses)
        addRow(status, {{"right_id", Value(s.code)}, {"right_name", Value(s.name)}});

    Table special = db.table("special");
    for (const auto& s : kTrades)
        addRow(special, {{"type_id", Value(s.code)}, {"type_name", Value(s.name)}});

    Table type = db.table("type");
    for (const auto& t : kRequestTypes)
        addRow(type, {{"type_id", Value(t.code)}, {"type_name", Value(t.name)}});

    Table rules = db.table("rightscribe");
    for (const auto& r : kFieldRules)
        addRow(rules, {{"Fields", Value(r.field)},
                       {"states", Value(r.states)},
                       {"powers", Value(r.powers)},
                       {"tostas", Value(r.tostas)}});

    Table manage = db.table("manage");
    manage.addNew();
    for (int i = 0; i < static_cast<int>(kManage.size()); ++i)
        manage.set(i, Value(kManage[static_cast<std::size_t>(i)]));
    manage.update();
}

// ---- demonstration data --------------------------------------------------------

std::u16string who(const tav::defaults::DemoUser& u) {
    return std::u16string(u.id) + u"(" + std::u16string(u.name) + u")";
}

void demoUsers(Database& db) {
    Table users = db.table("users");
    for (const auto& u : tav::defaults::kDemoUsers)
        addRow(users, {{"user_id", Value(u.id)},
                       {"Password", Value(tav::encodePswd(u.password))},
                       {"user_name", Value(u.name)},
                       {"Right", Value(u.rights)},
                       {"Type", Value(u.trades)},
                       {"canceled", Value(0)},
                       {"times", Value(0)},
                       {"doub", Value(0.0)},
                       {"newimpw", Value(0)}});
}

void demoEquipment(Database& db, const Clock& clock) {
    using namespace tav::defaults;
    Table equ = db.table("equipment");
    for (const auto& e : kDemoEquipment) {
        const bool scrapped = e.use == kManage[kScrapUsePos];
        addRow(equ, {{"equip_id", Value(e.id)},
                     {"equip_name", Value(e.name)},
                     {"equip_locate", e.locate.empty() ? Value::null() : Value(e.locate)},
                     {"buied_date", Value(clock.today - e.boughtDaysAgo)},
                     {"equip_imp", Value(e.importance)},
                     {"madeby", Value(e.maker)},
                     {"Parameter", Value(e.parameter)},
                     {"equip_use", Value(e.use)},
                     {"uselessday", scrapped ? Value(clock.today - 30) : Value::null()},
                     {"Memo", Value(e.memo)}});
    }

    // The collection and the preventive order take the first pool records, as
    // the commands would: number 2001 becomes 1001.
    const auto& boss = kDemoUsers[kDemoDispatcher];
    const double colTime = clock.today - 3 + 0.40;
    Table col = db.table("collection");
    col.moveFirst();
    col.edit();
    col.set("autonum", Value(kPoolFirst - 1000));
    col.set("name", Value(kDemoCollection.name));
    col.set("descr", Value(kDemoCollection.descr));
    col.set("iday", Value(colTime));
    col.set("person", Value(who(boss)));
    for (std::size_t k = 0; k < 20; ++k) {
        const bool used = k < kDemoCollection.members.size();
        const auto* e = used ? &kDemoEquipment[kDemoCollection.members[k]] : nullptr;
        col.set(static_cast<int>(5 + k), Value(used ? std::u16string(e->locate) : u""));
        col.set(static_cast<int>(25 + k), Value(used ? std::u16string(e->name) : u""));
    }
    col.set("refer", Value(1));  // the approval below counts for it
    col.update();

    // First due day a week ahead: no stepping is needed, so the creation day
    // is simply the day before it.
    const std::int32_t begday = clock.today + 7;
    Table pwo = db.table("prewo");
    pwo.moveFirst();
    pwo.edit();
    pwo.set("Number", Value(kPoolFirst - 1000));
    pwo.set("name", Value(kDemoPlan.name));
    pwo.set("discr", Value(kDemoPlan.discr));
    pwo.set("colnum", Value(kPoolFirst - 1000));
    pwo.set("colnam", Value(kDemoCollection.name));
    pwo.set("pointto", Value(kDemoUsers[kDemoEngineer].name));
    pwo.set("begday", Value(begday));
    pwo.set("every", Value(1));
    pwo.set("perio", Value(3));
    pwo.set("isusing", Value(1));
    pwo.set("sperson", Value(kDemoUsers[kDemoEquipAdmin].name));
    pwo.set("spersid", Value(kDemoUsers[kDemoEquipAdmin].id));
    pwo.set("sday", Value(colTime + 0.05));
    pwo.set("aperson", Value(who(boss)));
    pwo.set("aday", Value(colTime + 0.10));
    pwo.set("statu", Value(1));
    pwo.set("autocreate", Value(begday - 1));
    pwo.update();
}

void demoRecords(Database& db, const Clock& clock) {
    using namespace tav::defaults;
    Table list = db.table("list");
    Table status = db.table("status");
    Table detail = db.table("detail");
    for (const auto& o : kDemoOrders) {
        const auto& eq = kDemoEquipment[o.equipment];
        const auto& creator = kDemoUsers[o.creator];
        const std::int32_t created = clock.today - o.createdDaysAgo;
        std::int32_t usetime = 0;
        for (const auto& t : o.times) usetime += t.minutes;
        const StatusStep last = o.history.empty() ? StatusStep{} : o.history.back();
        const std::int32_t finalStatus = o.history.empty() ? kManage[kNewWoPos] : last.status;
        const bool done = (finalStatus & (kManage[kDonePos] | kManage[kDone2Pos])) != 0;

        list.addNew();
        list.set("equip_id", Value(eq.id));
        list.set("comofequip", Value(std::u16string(eq.locate) + std::u16string(eq.name)));
        list.set("Description", Value(o.description));
        list.set("Status", Value(finalStatus));
        list.set("bill_type", Value(o.billType));
        list.set("em_level", Value(o.level));
        list.set("usetime", Value(usetime));
        list.set("createid", Value(creator.id));
        list.set("createname", Value(creator.name));
        list.set("created_date", Value(created));
        list.set("begin_date", Value(created));
        list.set("compl_date", Value(created + o.daysAllowed));
        list.set("done_date", done ? Value(created + last.dayOffset) : Value::null());
        list.set("pointto", o.history.empty() ? Value(u"") : Value(kDemoUsers[kDemoEngineer].name));
        list.set("reason", Value(o.reason));
        list.set("solute", Value(o.solution));
        list.set("scribebyeng", Value(u""));
        list.set("equs", Value(0));
        list.update();
        const Value billId = list.get("bill_id");

        for (const auto& h : o.history)
            addRow(status, {{"bill_id", billId},
                            {"Status", Value(h.status)},
                            {"User", Value(who(kDemoUsers[h.by]))},
                            {"Time", Value(created + h.dayOffset + h.timeOfDay)}});
        for (const auto& t : o.times)
            addRow(detail, {{"bill_id", billId},
                            {"user_id", Value(kDemoUsers[kDemoEngineer].name)},
                            {"Type", Value(t.trade)},
                            {"used_time", Value(static_cast<double>(t.minutes))}});
    }
}

// ---- building -------------------------------------------------------------------

void buildFile(const fs::path& tmp, FileId file, const Clock& clock, bool demo) {
    Database db(tmp.string(), tav::store::OpenMode::Create);
    createTables(db, file);
    {
        Transaction tx(db);
        switch (file) {
            case FileId::Users:
                fillUsers(db, clock);
                if (demo) demoUsers(db);
                break;
            case FileId::Equipment:
                fillPools(db);
                if (demo) demoEquipment(db, clock);
                break;
            case FileId::Records:
                if (demo) demoRecords(db, clock);
                break;
            case FileId::Const:
                fillConst(db);
                break;
        }
        tx.commit();
    }
    const std::string check = db.integrityCheck();
    if (check != "ok") throw Failure("新建的 " + tmp.string() + " 未通过完整性检查：" + check);
    db.close();
    if (::chmod(tmp.c_str(), 0600) != 0) throw Failure(sysError("无法设置权限", tmp));
}

std::string utf8(std::u16string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < s.size()) c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

int usage() {
    std::cerr << "用法：TAVmkdb 目录 [--demo]\n"
                 "  在目录中新建 TAVusers.mdb、TAVequipment.mdb、TAVrecords.mdb 和 TAVconst.mdb；\n"
                 "  目录不存在时新建该目录（其上级目录必须存在）；\n"
                 "  --demo 另外加入演示用的用户、设备、设备集合和工单。\n";
    return 2;
}

int run(const fs::path& dir, bool demo) {
    const Clock clock = readClock();

    bool madeDir = false;
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) throw Failure(dir.string() + " 不是目录");
    } else if (errno == ENOENT) {
        if (::mkdir(dir.c_str(), 0700) != 0) throw Failure(sysError("无法新建目录", dir));
        madeDir = true;
    } else {
        throw Failure(sysError("无法访问目录", dir));
    }

    for (FileId f : tav::schema::kAllFiles) {
        const fs::path target = dir / tav::schema::fileName(f);
        if (pathExists(target))
            throw Failure("目录 " + dir.string() + " 中已有 " + std::string(tav::schema::fileName(f)) +
                          "，TAVmkdb 不改动已有的数据库，未做任何更改。");
    }

    std::vector<fs::path> temps, published;
    auto undo = [&] {
        for (const auto& p : published) ::unlink(p.c_str());
        for (const auto& p : temps) removeWithCompanions(p);
        if (madeDir) ::rmdir(dir.c_str());
    };
    try {
        const std::string prefix = ".TAVmkdb-" + std::to_string(::getpid()) + "-";
        for (FileId f : tav::schema::kAllFiles) {
            const fs::path tmp = dir / (prefix + std::string(tav::schema::fileName(f)));
            if (pathExists(tmp)) throw Failure(tmp.string() + " 已存在，请删除后重试");
            temps.push_back(tmp);
            try {
                buildFile(tmp, f, clock, demo);
            } catch (const Failure&) {
                throw;
            } catch (const std::exception& e) {
                throw Failure("建立 " + std::string(tav::schema::fileName(f)) + " 时出错：" + e.what());
            }
        }
        std::size_t i = 0;
        for (FileId f : tav::schema::kAllFiles) {
            const fs::path target = dir / tav::schema::fileName(f);
            publish(temps[i++], target);
            published.push_back(target);
        }
    } catch (...) {
        undo();
        throw;
    }
    syncDirectory(dir);

    std::cout << "已在 " << dir.string() << " 中建立 TAVusers.mdb、TAVequipment.mdb、TAVrecords.mdb 和 TAVconst.mdb。\n"
              << "管理员账号 admino、adminm、admint 的初始密码均为 "
              << utf8(tav::defaults::kAdminPassword) << "，请尽快更改。\n";
    if (demo) {
        std::cout << "演示用户（账号 / 密码 / 姓名）：\n";
        for (const auto& u : tav::defaults::kDemoUsers)
            std::cout << "  " << utf8(u.id) << " / " << utf8(u.password) << " / " << utf8(u.name) << "\n";
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<fs::path> dir;
    bool demo = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--demo") {
            demo = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "TAVmkdb：未知选项 " << arg << "\n";
            return usage();
        } else if (dir) {
            return usage();
        } else {
            dir = arg;
        }
    }
    if (!dir || dir->empty()) return usage();
    try {
        return run(*dir, demo);
    } catch (const std::exception& e) {
        std::cerr << "TAVmkdb：" << e.what() << "\n";
        return 1;
    }
}
