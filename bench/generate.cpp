// TAVbenchgen DIR N [--seed S]
//
// Fills the fresh databases that `TAVmkdb DIR` made with a plant's history,
// through the storage layer, in one transaction per file:
//   - users who raise, dispatch and repair orders, and the measuring account;
//   - 3,000 pieces of equipment with unique locations, 20 collections of 5;
//   - N current work orders created since 1 January two years back, each
//     with 6 status moves and 3 used-time rows; one order in five is a
//     preventive order of a collection with its 5 equipment rows (so 10
//     history rows per order on average);
//   - N/2 older orders in the archive tables with the same history.
// History rows are written in the order in which they happened, so the rows
// of one order lie scattered between those of others, as in a live system.
// About 1% of the orders carry kQuickNeedle in their description. The
// numbers the driver needs (orders to address, expected counts, the day the
// data was made) are left in DIR/bench.manifest.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "TAVserver/store/store.h"
#include "bench/benchio.h"
#include "protocol/daynum.h"
#include "protocol/password.h"
#include "protocol/wire.h"

namespace fs = std::filesystem;
using tav::store::Database;
using tav::store::OpenMode;
using tav::store::Table;
using tav::store::Transaction;
using tav::store::Value;
using std::u16string;
using std::u16string_view;

namespace {

constexpr int kEquipmentCount = 3000;
constexpr int kEquipmentFirstId = 10001;
constexpr int kCollectionCount = 20;
constexpr int kCollectionSize = 5;
constexpr int kCollectionFirstNo = 1001;
constexpr int kStatusMoves = 6;
constexpr int kTimeRows = 3;
constexpr double kPlanShare = 0.2;
constexpr double kNeedleShare = 0.01;
constexpr int kOpenDays = 20;  // orders younger than this are still being worked on

// ---- randomness ------------------------------------------------------------------

class Rng {
public:
    explicit Rng(std::uint64_t seed) : g_(seed) {}
    double real() { return std::uniform_real_distribution<double>(0, 1)(g_); }
    double real(double lo, double hi) { return lo + (hi - lo) * real(); }
    int below(int n) { return static_cast<int>(real() * n) % n; }
    bool chance(double p) { return real() < p; }
    template <class T, std::size_t K>
    const T& pick(const std::array<T, K>& a) { return a[static_cast<std::size_t>(below(int(K)))]; }

private:
    std::mt19937_64 g_;
};

// ---- vocabulary --------------------------------------------------------------------

constexpr std::array<u16string_view, 24> kKinds = {
    u"离心泵", u"螺杆空压机", u"冷却塔风机", u"皮带输送机", u"搅拌机", u"注塑机",
    u"数控车床", u"立式加工中心", u"液压机", u"桥式起重机", u"变频器柜", u"低压配电柜",
    u"锅炉给水泵", u"真空泵", u"冷冻式干燥机", u"自动包装机", u"贴标机", u"冷水机组",
    u"循环水泵", u"电动葫芦", u"脉冲除尘器", u"引风机", u"焊接机器人", u"灌装机"};
constexpr std::array<u16string_view, 10> kMakers = {
    u"南方泵业", u"上海压缩机厂", u"海天机械", u"沈阳机床", u"大连起重", u"汇川技术",
    u"正泰电器", u"杭州制氧", u"济南二机床", u"无锡风机厂"};
constexpr std::array<u16string_view, 6> kParameters = {
    u"功率 15 kW，转速 1450 r/min", u"功率 37 kW，0.8 MPa", u"流量 80 m³/h，扬程 32 m",
    u"锁模力 2800 kN", u"起重量 5 t，跨度 16.5 m", u"额定电流 630 A"};
constexpr std::array<u16string_view, 20> kParts = {
    u"主电机", u"轴承", u"减速箱", u"联轴器", u"传动皮带", u"链条", u"液压站", u"气缸",
    u"电磁阀", u"温度传感器", u"变频器", u"接触器", u"冷却风扇", u"机械密封", u"压力表",
    u"控制面板", u"限位开关", u"制动器", u"润滑系统", u"进水管路"};
constexpr std::array<u16string_view, 16> kSymptoms = {
    u"异响", u"振动偏大", u"温度过高", u"漏油", u"无法启动", u"频繁跳闸", u"压力不足", u"转速不稳",
    u"报警停机", u"磨损严重", u"松动", u"卡死", u"读数异常", u"漏气", u"噪音大", u"电流偏高"};
constexpr std::array<u16string_view, 8> kAsides = {
    u"，影响生产，请尽快处理", u"，已临时停机", u"，夜班巡检发现", u"，请安排检修",
    u"，操作工反映", u"", u"，间歇出现", u"，上次维修后复发"};
constexpr std::array<u16string_view, 4> kNeedleAsides = {
    u"，地面有大量油迹", u"，已关闭油泵", u"，需更换高压软管", u"，停机待修"};
constexpr std::array<u16string_view, 12> kReasons = {
    u"轴承缺油磨损", u"密封圈老化", u"接线端子松动", u"过滤器堵塞", u"操作不当",
    u"电容老化", u"传感器脏污", u"皮带张紧力不足", u"冷却水量不足", u"螺栓松动",
    u"控制板元件损坏", u"润滑油变质"};
constexpr std::array<u16string_view, 10> kSolutions = {
    u"更换轴承并加注润滑脂", u"紧固接线端子", u"清洗过滤器", u"更换密封件",
    u"重新调整张紧力", u"更换电容", u"清洁并校准传感器", u"更换润滑油",
    u"更换控制板", u"紧固地脚螺栓"};
constexpr std::array<u16string_view, 4> kRemarks = {
    u"已通知工艺部门", u"建议列入年度大修", u"备件已申请", u"请操作工注意日常点检"};
constexpr std::array<u16string_view, 4> kPlanTexts = {
    u"月度预防性维护：检查润滑、紧固、清洁", u"季度点检：电机绝缘与轴承温度",
    u"检查机械密封和电机电流，补充润滑脂", u"年度保养：更换易损件并校验仪表"};
constexpr std::array<u16string_view, 16> kSurnames = {
    u"王", u"李", u"张", u"刘", u"陈", u"杨", u"黄", u"赵",
    u"吴", u"周", u"徐", u"孙", u"马", u"朱", u"胡", u"郭"};
constexpr std::array<u16string_view, 12> kGiven = {
    u"伟", u"芳", u"强", u"敏", u"军", u"磊", u"洋", u"勇", u"杰", u"涛", u"明", u"超"};
constexpr std::array<u16string_view, 4> kOtherTypes = {u"IM", u"IN", u"OT", u"CM"};

// ---- people -------------------------------------------------------------------------

struct Person {
    u16string id, name, password;
    std::int32_t rights, trades;
    u16string who;  // id(name), as status moves record it
};

u16string numbered(u16string_view prefix, int k) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", k);
    return u16string(prefix) + tav::fromUtf8(buf);
}

struct Staff {
    std::vector<Person> all;
    std::vector<int> operators, engineers, dispatchers;
};

Staff makeStaff() {
    Staff s;
    int nameNo = 0;
    auto add = [&](u16string id, std::int32_t rights, std::int32_t trades) {
        const u16string name = u16string(kSurnames[std::size_t(nameNo % 16)]) +
                               u16string(kGiven[std::size_t((nameNo / 16 + nameNo * 5) % 12)]);
        ++nameNo;
        s.all.push_back({id, name, u"pw" + id, rights, trades, id + u"(" + name + u")"});
        return int(s.all.size()) - 1;
    };
    for (int k = 1; k <= 20; ++k) s.operators.push_back(add(numbered(u"op", k), 1, 0));
    for (int k = 1; k <= 16; ++k)
        s.engineers.push_back(add(numbered(u"eng", k), 1 | 4, (k % 3 == 0) ? 1 : (k % 3 == 1 ? 2 : 1 | 4)));
    for (int k = 1; k <= 4; ++k) s.dispatchers.push_back(add(numbered(u"disp", k), 1 | 2 | 4 | 32, 1));
    const u16string bench(tav::bench::kBenchUser), benchName(tav::bench::kBenchName);
    s.all.push_back({bench, benchName, u16string(tav::bench::kBenchPassword), tav::bench::kBenchRights,
                     tav::bench::kBenchTrades, bench + u"(" + benchName + u")"});
    return s;
}

// ---- equipment ----------------------------------------------------------------------

struct Equipment {
    std::int32_t id;
    u16string name, locate;
};

struct Collection {
    std::int32_t number;
    u16string name, person;
    std::array<int, kCollectionSize> members;  // indexes into the equipment list
};

u16string locationOf(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "W%d-L%02d-%03d", i / 500 + 1, (i / 20) % 25 + 1, i % 20 + 1);
    return tav::fromUtf8(buf);
}

std::vector<Equipment> makeEquipment(Rng& rng) {
    std::vector<Equipment> out;
    for (int i = 0; i < kEquipmentCount; ++i) {
        char no[16];
        std::snprintf(no, sizeof no, "%d号", i % 20 + 1);
        out.push_back({kEquipmentFirstId + i, tav::fromUtf8(no) + u16string(rng.pick(kKinds)), locationOf(i)});
    }
    return out;
}

void writeEquipment(Database& db, const std::vector<Equipment>& equipment, std::vector<Collection>& collections,
                    const Staff& staff, std::int32_t today, Rng& rng) {
    Table t = db.table("equipment");
    for (const Equipment& e : equipment) {
        const bool scrapped = rng.chance(0.02);
        t.addNew();
        t.set(0, Value(e.id));
        t.set(1, Value(e.name));
        t.set(2, Value(e.locate));
        t.set(3, Value(today - 300 - rng.below(5000)));
        t.set(4, Value(1 + rng.below(3)));
        t.set(5, Value(rng.pick(kMakers)));
        t.set(6, Value(rng.pick(kParameters)));
        t.set(7, Value(scrapped ? 4 : 1 + rng.below(3)));
        t.set(8, scrapped ? Value(today - rng.below(700)) : Value::null());
        t.set(9, Value(rng.chance(0.1) ? u16string(u"备用设备") : u16string()));
        t.update();
    }

    // Collections take the first free pool records, as "COLADD" would.
    Table col = db.table("collection");
    bool on = col.moveFirst();
    for (int c = 0; c < kCollectionCount; ++c, on = col.moveNext()) {
        if (!on) throw std::runtime_error("the collection pool is exhausted");
        Collection k;
        k.number = kCollectionFirstNo + c;
        k.name = locationOf(c * kCollectionSize).substr(0, 6) + u" 巡检组" + tav::fromUtf8(std::to_string(c % 4 + 1));
        k.person = staff.all[std::size_t(staff.dispatchers[0])].who;
        for (int m = 0; m < kCollectionSize; ++m) k.members[std::size_t(m)] = c * kCollectionSize + m;
        col.edit();
        col.set("autonum", Value(k.number));
        col.set("name", Value(k.name));
        col.set("descr", Value(u"预防性维护设备组"));
        col.set("iday", Value(today - 2000 + 0.4));
        col.set("person", Value(k.person));
        for (int p = 0; p < 20; ++p) {
            const bool used = p < kCollectionSize;
            const Equipment* e = used ? &equipment[std::size_t(k.members[std::size_t(p)])] : nullptr;
            col.set(5 + p, Value(used ? e->locate : u16string()));
            col.set(25 + p, Value(used ? e->name : u16string()));
        }
        col.set("refer", Value(1));
        col.update();
        collections.push_back(std::move(k));
    }
}

// ---- work orders --------------------------------------------------------------------

struct StatusRow {
    double time;
    std::int32_t bill;
    std::int32_t status;
    int who;
};
struct TimeRow {
    double time;
    std::int32_t bill;
    int who;
    std::int32_t trade;
    int minutes;
};
struct EquipRow {
    double time;
    std::int32_t bill;
    int equipment;
    double usetime;
};

struct History {
    std::vector<StatusRow> status;
    std::vector<TimeRow> times;
    std::vector<EquipRow> equipment;
};

struct OrderSet {
    std::int32_t firstBill = 0;
    std::int32_t count = 0;
    std::int32_t fromDay = 0, toDay = 0;
    int needles = 0;
    int plans = 0;
    bool live = false;            // the current tables: the driver addresses orders here
    std::int32_t target = 0;      // an open, ordinary order in the middle
    std::int32_t planTarget = 0;  // a preventive order in the middle
};

constexpr std::array<std::int32_t, kStatusMoves> kFinished = {2, 2, 4, 8, 4, 16};
constexpr std::array<std::int32_t, kStatusMoves> kCancelled = {2, 4, 8, 4, 2, 32};
constexpr std::array<std::int32_t, kStatusMoves> kWaiting = {2, 2, 4, 8, 4, 8};
constexpr std::array<std::int32_t, kStatusMoves> kRepairing = {2, 4, 8, 4, 8, 4};

std::int32_t tradeOf(const Person& p, Rng& rng) {
    std::vector<std::int32_t> bits;
    for (std::int32_t b = 1; b <= 16; b <<= 1)
        if (p.trades & b) bits.push_back(b);
    if (bits.empty()) return 1;
    return bits[std::size_t(rng.below(int(bits.size())))];
}

// Writes the orders of one list table (`list` or `list_o`) and collects
// their history; `set` says which numbers and days they get.
void writeOrders(Table& list, OrderSet& set, History& h, const Staff& staff,
                 const std::vector<Equipment>& equipment, const std::vector<Collection>& collections,
                 double now, Rng& rng) {
    const double span = double(set.toDay - set.fromDay + 1);
    const std::int32_t middle = set.firstBill + set.count / 2;
    for (std::int32_t k = 0; k < set.count; ++k) {
        const std::int32_t bill = set.firstBill + k;
        const std::int32_t created = set.fromDay + std::int32_t(std::floor(k * span / set.count));
        const double createdAt = std::min(created + rng.real(0.33, 0.71), now - 0.02);
        const bool isTarget = set.live && bill == middle;
        const bool plan = !isTarget && rng.chance(kPlanShare);
        const int engineerIndex = staff.engineers[std::size_t(rng.below(int(staff.engineers.size())))];
        const int dispatcherIndex = staff.dispatchers[std::size_t(rng.below(int(staff.dispatchers.size())))];
        const Person& engineer = staff.all[std::size_t(engineerIndex)];

        // The status flow: finished or cancelled when old enough, else open.
        const std::array<std::int32_t, kStatusMoves>* flow;
        if (isTarget)
            flow = &kRepairing;
        else if (now - createdAt < kOpenDays)
            flow = rng.chance(0.5) ? &kWaiting : &kRepairing;
        else
            flow = rng.chance(0.04) ? &kCancelled : &kFinished;
        const bool ended = flow == &kFinished || flow == &kCancelled;

        // Moves spread over up to twelve days, never past now.
        const double duration = std::min(rng.real(0.3, 12.0), (now - createdAt) * 0.95);
        std::array<double, kStatusMoves> at{};
        double sum = 0;
        for (auto& a : at) sum += (a = rng.real(0.2, 1.0));
        double t = createdAt;
        for (std::size_t i = 0; i < at.size(); ++i) at[i] = (t += duration * at[i] / sum);
        for (std::size_t i = 0; i < at.size(); ++i) {
            const std::int32_t s = (*flow)[i];
            // The dispatcher arranges and cancels; the engineer does the rest.
            h.status.push_back({at[i], bill, s, (s == 2 || s == 32) ? dispatcherIndex : engineerIndex});
        }

        // Used time is entered after the engineer's moves.
        int usetime = 0;
        for (std::size_t i : {std::size_t(2), std::size_t(4), std::size_t(5)}) {
            static constexpr std::array<int, 7> minutes = {30, 45, 60, 90, 120, 180, 240};
            const int m = rng.pick(minutes);
            h.times.push_back({at[i] + 0.001, bill, engineerIndex, tradeOf(engineer, rng), m});
            usetime += m;
        }

        list.addNew();
        list.set(0, Value(bill));
        std::int32_t level;
        if (plan) {
            const Collection& c = collections[std::size_t(rng.below(kCollectionCount))];
            const Person& planner = staff.all[std::size_t(staff.dispatchers[0])];
            level = 4;
            list.set(1, Value(c.number));
            list.set(2, Value(c.name));
            list.set(3, Value(rng.pick(kPlanTexts)));
            list.set(5, Value(u"PS"));
            list.set(8, Value(planner.id));
            list.set(9, Value(planner.name));
            for (int m : c.members)
                h.equipment.push_back({createdAt, bill, m, double(usetime) / kCollectionSize});
            ++set.plans;
            if (set.live && !set.planTarget && bill > middle) set.planTarget = bill;
        } else {
            const Equipment& e = equipment[std::size_t(rng.below(kEquipmentCount))];
            const Person& creator =
                staff.all[std::size_t(staff.operators[std::size_t(rng.below(int(staff.operators.size())))])];
            level = isTarget ? 2 : 1 + rng.below(3);
            u16string text;
            if (!isTarget && rng.chance(kNeedleShare / (1 - kPlanShare))) {
                text = u16string(rng.pick(kParts)) + u"旁" + u16string(tav::bench::kQuickNeedle) +
                       u16string(rng.pick(kNeedleAsides));
                ++set.needles;
            } else {
                text = u16string(rng.pick(kParts)) + u16string(rng.pick(kSymptoms)) + u16string(rng.pick(kAsides));
            }
            list.set(1, Value(e.id));
            list.set(2, Value(e.locate + e.name));
            list.set(3, Value(text));
            list.set(5, Value(isTarget ? u16string_view(u"CM") : rng.chance(0.8) ? u"CM" : rng.pick(kOtherTypes)));
            list.set(8, Value(creator.id));
            list.set(9, Value(creator.name));
        }
        list.set(4, Value((*flow)[kStatusMoves - 1]));
        list.set(6, Value(level));
        list.set(7, Value(usetime));
        list.set(10, Value(created));
        list.set(11, Value(plan ? created + 1 : created));
        list.set(12, Value(created + (plan ? 1 : level == 3 ? 1 : level == 2 ? 3 : 7)));
        list.set(13, ended ? Value(std::int32_t(std::floor(at[kStatusMoves - 1]))) : Value::null());
        list.set(14, Value(engineer.name));
        if (ended) {
            list.set(15, Value(rng.chance(0.01) ? u16string(tav::bench::kReasonNeedle)
                                                : u16string(rng.pick(kReasons))));
            list.set(16, Value(rng.pick(kSolutions)));
        }
        if (rng.chance(0.15)) list.set(17, Value(rng.pick(kRemarks)));
        list.set(18, Value(plan ? kCollectionSize : 0));
        list.update();
        if (isTarget) set.target = bill;
    }
}

// History rows go in in the order they happened.
void writeHistory(Database& db, const char* status, const char* detail, const char* sublist, History& h,
                  const Staff& staff, const std::vector<Equipment>& equipment) {
    auto byTime = [](const auto& a, const auto& b) { return a.time < b.time; };
    std::stable_sort(h.status.begin(), h.status.end(), byTime);
    std::stable_sort(h.times.begin(), h.times.end(), byTime);
    std::stable_sort(h.equipment.begin(), h.equipment.end(), byTime);

    Table st = db.table(status);
    for (const StatusRow& r : h.status) {
        st.addNew();
        st.set(0, Value(r.bill));
        st.set(1, Value(r.status));
        st.set(2, Value(staff.all[std::size_t(r.who)].who));
        st.set(3, Value(r.time));
        st.update();
    }
    Table dt = db.table(detail);
    for (const TimeRow& r : h.times) {
        dt.addNew();
        dt.set(0, Value(r.bill));
        dt.set(1, Value(staff.all[std::size_t(r.who)].name));
        dt.set(2, Value(r.trade));
        dt.set(3, Value(double(r.minutes)));
        dt.update();
    }
    Table sb = db.table(sublist);
    for (const EquipRow& r : h.equipment) {
        const Equipment& e = equipment[std::size_t(r.equipment)];
        sb.addNew();
        sb.set(0, Value(r.bill));
        sb.set(1, Value(e.id));
        sb.set(2, Value(e.locate + e.name));
        sb.set(3, Value(r.usetime));
        sb.update();
    }
}

void writeUsers(Database& db, const Staff& staff, std::int32_t today, Rng& rng) {
    Table users = db.table("users");
    for (const Person& p : staff.all) {
        users.addNew();
        users.set("user_id", Value(p.id));
        users.set("Password", Value(tav::encodePswd(p.password)));
        users.set("user_name", Value(p.name));
        users.set("Right", Value(p.rights));
        users.set("Type", Value(p.trades));
        users.set("canceled", Value(0));
        users.set("times", Value(0));
        users.set("doub", Value(0.0));
        users.set("newimpw", Value(0));
        users.update();
    }
    // Grants between engineers, most of them run out long ago.
    Table imp = db.table("impower");
    for (int k = 1; k <= 30; ++k) {
        const Person& from = staff.all[std::size_t(staff.engineers[std::size_t(rng.below(16))])];
        const Person& to = staff.all[std::size_t(staff.operators[std::size_t(rng.below(20))])];
        const std::int32_t start = today - 30 * k;
        imp.addNew();
        imp.set("autonum", Value(k));
        imp.set("user_id", Value(from.id));
        imp.set("user_name", Value(from.name));
        imp.set("right_id", Value(4));
        imp.set("to_user_id", Value(to.id));
        imp.set("to_user_name", Value(to.name));
        imp.set("to_user_cancel", Value(1));
        imp.set("usedate", Value(start));
        imp.set("uselessdate", Value(start + 14));
        imp.update();
    }
}

std::string num(long long v) { return std::to_string(v); }

int usage() {
    std::cerr << "usage: TAVbenchgen DIR N [--seed S]\n"
                 "  DIR holds the four empty databases of `TAVmkdb DIR`; N work orders are added.\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const fs::path dir = argv[1];
    const long long n = std::atoll(argv[2]);
    std::uint64_t seed = 20261;
    for (int i = 3; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--seed" && i + 1 < argc) seed = std::strtoull(argv[++i], nullptr, 10);
        else return usage();
    }
    if (n < 100 || n > 2'000'000) {
        std::cerr << "N must lie between 100 and 2000000\n";
        return 2;
    }
    try {
        const double started = tav::bench::nowSeconds();
        Rng rng(seed);
        const tav::LocalDateTime nowLocal = tav::localFromTimeT(std::time(nullptr));
        const double now = tav::toDayTime(nowLocal);
        const std::int32_t today = tav::dayFromCivil(nowLocal.y, nowLocal.m, nowLocal.d);

        const Staff staff = makeStaff();
        const std::vector<Equipment> equipment = makeEquipment(rng);
        std::vector<Collection> collections;

        {
            Database db((dir / "TAVusers.mdb").string(), OpenMode::ReadWriteExclusive);
            Transaction tx(db);
            if (db.table("users").recordCount() != 0) throw std::runtime_error("TAVusers.mdb already holds users");
            writeUsers(db, staff, today, rng);
            tx.commit();
        }
        {
            Database db((dir / "TAVequipment.mdb").string(), OpenMode::ReadWriteExclusive);
            Transaction tx(db);
            if (db.table("equipment").recordCount() != 0)
                throw std::runtime_error("TAVequipment.mdb already holds equipment");
            writeEquipment(db, equipment, collections, staff, today, rng);
            tx.commit();
        }

        // The yearly archive keeps orders created since 1 January two years
        // back in the current tables; older ones lie in the archive.
        const tav::CivilDate c = tav::civilFromDay(today);
        OrderSet archived, current;
        archived.count = std::int32_t(n / 2);
        archived.firstBill = 1;
        archived.fromDay = tav::dayFromCivil(c.y - 5, 1, 1);
        archived.toDay = tav::dayFromCivil(c.y - 2, 1, 1) - 1;
        current.live = true;
        current.count = std::int32_t(n);
        current.firstBill = archived.count + 1;
        current.fromDay = tav::dayFromCivil(c.y - 2, 1, 1);
        current.toDay = today;

        History oldHistory, newHistory;
        {
            Database db((dir / "TAVrecords.mdb").string(), OpenMode::ReadWriteExclusive);
            Transaction tx(db);
            Table list = db.table("list");
            if (list.recordCount() != 0) throw std::runtime_error("TAVrecords.mdb already holds work orders");
            Table listO = db.table("list_o");
            writeOrders(listO, archived, oldHistory, staff, equipment, collections, now, rng);
            writeOrders(list, current, newHistory, staff, equipment, collections, now, rng);
            writeHistory(db, "status_o", "detail_o", "sublist_o", oldHistory, staff, equipment);
            writeHistory(db, "status", "detail", "sublist", newHistory, staff, equipment);
            tx.commit();
            if (list.recordCount() != n) throw std::runtime_error("list does not hold N orders");
        }

        tav::bench::Manifest m;
        m["orders"] = num(n);
        m["archived"] = num(archived.count);
        m["first_bill"] = num(current.firstBill);
        m["target_bill"] = num(current.target);
        m["plan_bill"] = num(current.planTarget);
        m["archive_middle_bill"] = num(archived.firstBill + archived.count / 2);
        m["quick_matches"] = num(current.needles);
        m["plan_orders"] = num(current.plans);
        m["status_rows"] = num(long(newHistory.status.size()));
        m["detail_rows"] = num(long(newHistory.times.size()));
        m["sublist_rows"] = num(long(newHistory.equipment.size()));
        m["archive_history_rows"] =
            num(long(oldHistory.status.size() + oldHistory.times.size() + oldHistory.equipment.size()));
        m["equipment"] = num(kEquipmentCount);
        m["users"] = num(long(staff.all.size()));
        m["today"] = num(today);
        m["seed"] = std::to_string(seed);
        tav::bench::writeManifest((dir / std::string(tav::bench::kManifestName)).string(), m);

        std::cerr << "TAVbenchgen: " << n << " orders (+" << archived.count << " archived), "
                  << newHistory.status.size() + newHistory.times.size() + newHistory.equipment.size()
                  << " history rows, " << current.needles << " with the searched phrase, in "
                  << tav::bench::nowSeconds() - started << " s\n";
    } catch (const std::exception& e) {
        std::cerr << "TAVbenchgen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
