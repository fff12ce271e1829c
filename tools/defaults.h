// The default constant set of a new installation (rights, statuses, trades,
// request types, field rules, the ten settings) and the demonstration data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tav::defaults {

struct CodeName {
    std::int32_t code;
    std::u16string_view name;
};

struct TextCodeName {
    std::u16string_view code;
    std::u16string_view name;
};

struct FieldRule {
    std::u16string_view field;
    std::int32_t states, powers, tostas;
};

// Rights bits. kRightRequest doubles as status kStaDraft and kRightDispatch as
// status kStaArranged: the settings at positions 8 and 9 are tested both ways.
inline constexpr std::int32_t kRightRequest = 1;
inline constexpr std::int32_t kRightDispatch = 2;
inline constexpr std::int32_t kRightRepair = 4;
inline constexpr std::int32_t kRightEquipment = 8;
inline constexpr std::int32_t kRightPlans = 16;
inline constexpr std::int32_t kRightReport = 32;

inline constexpr CodeName kRights[] = {
    {kRightRequest, u"提交工作请求"},
    {kRightDispatch, u"安排工单及批准预防性工单"},
    {kRightRepair, u"维修处理"},
    {kRightEquipment, u"设备登记"},
    {kRightPlans, u"设备集合与预防性工单"},
    {kRightReport, u"工时报表与旧单查询"},
};

// Status codes are single bits so that masks can name several of them.
inline constexpr std::int32_t kStaDraft = 1;
inline constexpr std::int32_t kStaArranged = 2;
inline constexpr std::int32_t kStaRepairing = 4;
inline constexpr std::int32_t kStaWaiting = 8;
inline constexpr std::int32_t kStaDone = 16;
inline constexpr std::int32_t kStaCancelled = 32;

// The clients offer "未生效" and "已安排" by these very names.
inline constexpr CodeName kStatuses[] = {
    {kStaDraft, u"未生效"},
    {kStaArranged, u"已安排"},
    {kStaRepairing, u"维修中"},
    {kStaWaiting, u"等待备件"},
    {kStaDone, u"已完成"},
    {kStaCancelled, u"已撤销"},
};

inline constexpr CodeName kTrades[] = {
    {1, u"机修"}, {2, u"电气"}, {4, u"仪表"}, {8, u"焊工"}, {16, u"管工"},
};

// "PS" is what the daily job gives the orders it makes from preventive plans.
inline constexpr TextCodeName kRequestTypes[] = {
    {u"CM", u"故障维修"}, {u"PS", u"预防性维护"}, {u"IM", u"设备改造"},
    {u"IN", u"安装调试"}, {u"OT", u"其它"},
};

inline constexpr std::int32_t kStaOpen = kStaArranged | kStaRepairing | kStaWaiting;

// Tried in this order, the first passing rule per field wins; field names are
// matched exactly against the lower-case names the user client sends.
inline constexpr FieldRule kFieldRules[] = {
    {u"status", kStaDraft, kRightDispatch, kStaArranged | kStaCancelled},
    {u"status", kStaOpen, kRightDispatch, kStaArranged | kStaCancelled},
    {u"status", kStaOpen, kRightRepair, kStaRepairing | kStaWaiting | kStaDone},
    {u"pointto", kStaDraft | kStaOpen, kRightDispatch, 0},
    {u"reason", kStaOpen, kRightRepair, 0},
    {u"solute", kStaOpen, kRightRepair, 0},
    {u"scribebyeng", kStaDraft | kStaOpen, kRightDispatch | kRightRepair, 0},
    // Only the user client reads this one: it opens the used-time entry.
    {u"usetime", kStaRepairing | kStaWaiting | kStaDone, kRightRepair, 0},
};

inline constexpr std::size_t kDonePos = 2;
inline constexpr std::size_t kDone2Pos = 3;
inline constexpr std::size_t kScrapUsePos = 5;
inline constexpr std::size_t kNewWoPos = 8;

// The fourth entry of the user client's use-state list is "已报废".
inline constexpr std::int32_t kUseScrapped = 4;

inline constexpr std::array<std::int32_t, 10> kManage = {
    kRightEquipment,  // 0 EQUADD, EQUALT
    0,                // 1 read by nobody
    kStaDone,         // 2 finished status: sets done_date
    kStaCancelled,    // 3 finished status: sets done_date
    kStaArranged,     // 4 "已安排"; the client also offers it only to holders of this bit
    kUseScrapped,     // 5 equip_use of scrapped equipment
    kRightReport,     // 6 REPORT and the archive search
    kRightPlans,      // 7 collections and preventive plans
    kRightRequest,    // 8 raising requests; also the status its writer may still change
    kRightDispatch,   // 9 approving plans; also the status of the orders they create
};

inline constexpr std::u16string_view kAdminPassword = u"8526";

struct Admin {
    std::u16string_view id, name;
};
inline constexpr Admin kAdmins[] = {
    {u"admino", u"管理员甲"},
    {u"adminm", u"管理员乙"},
    {u"admint", u"管理员丙"},
};

// Pool numbers of free collection and preventive-plan records.
inline constexpr int kPoolFirst = 2001;
inline constexpr int kPoolLast = 2999;

// ---- demonstration data ------------------------------------------------------

struct DemoUser {
    std::u16string_view id, password, name;
    std::int32_t rights, trades;
};

inline constexpr DemoUser kDemoUsers[] = {
    {u"zhangsan", u"zs2024", u"张三", kRightRequest, 0},
    {u"lisi", u"ls2024", u"李四", kRightRequest | kRightRepair, 1 | 2},
    {u"wangwu", u"ww2024", u"王五",
     kRightRequest | kRightDispatch | kRightRepair | kRightReport, 1},
    {u"zhaoliu", u"zl2024", u"赵六", kRightRequest | kRightEquipment | kRightPlans, 0},
};
inline constexpr std::size_t kDemoRequester = 0;
inline constexpr std::size_t kDemoEngineer = 1;
inline constexpr std::size_t kDemoDispatcher = 2;
inline constexpr std::size_t kDemoEquipAdmin = 3;

struct DemoEquipment {
    std::int32_t id;
    std::u16string_view name, locate;  // an empty location is stored as none
    int boughtDaysAgo;
    std::int32_t importance;
    std::u16string_view maker, parameter;
    std::int32_t use;
    std::u16string_view memo;
};

// Numbers stay clear of the 1001..2999 pool numbers, which a work order made
// from a preventive plan carries in its equip_id.
inline constexpr DemoEquipment kDemoEquipment[] = {
    {10001, u"空气压缩机", u"A-01-001", 2100, 1, u"上海压缩机厂", u"排气量 10 m³/min，0.8 MPa", 1, u""},
    {10002, u"冷却水泵", u"A-02-001", 1500, 2, u"南方泵业", u"流量 80 m³/h，扬程 32 m", 1, u""},
    {10003, u"冷却水泵", u"A-02-002", 1500, 2, u"南方泵业", u"流量 80 m³/h，扬程 32 m", 2, u"与 A-02-001 互为备用"},
    {10004, u"注塑机", u"B-01-001", 900, 1, u"海天机械", u"锁模力 2800 kN", 1, u""},
    {10005, u"电动单梁起重机", u"C-01-001", 3000, 2, u"河南起重机厂", u"起重量 5 t，跨度 16.5 m", 1, u"每年检验一次"},
    {10006, u"交流电焊机", u"", 4200, 4, u"佛山焊机厂", u"BX1-400", kUseScrapped, u"线圈烧毁，已报废"},
};

struct DemoCollection {
    std::u16string_view name, descr;
    std::array<std::size_t, 2> members;  // indexes into kDemoEquipment
};
inline constexpr DemoCollection kDemoCollection = {u"冷却水系统", u"一号车间冷却水泵组", {1, 2}};

struct DemoPlan {
    std::u16string_view name, discr;
};
inline constexpr DemoPlan kDemoPlan = {u"冷却泵月检", u"检查冷却水泵轴承温度、机械密封和电机电流，补充润滑脂"};

struct StatusStep {
    std::int32_t status = 0;
    std::size_t by = 0;  // index into kDemoUsers
    int dayOffset = 0;   // days after the order was raised
    double timeOfDay = 0;
};

struct TimeEntry {
    std::int32_t trade;
    int minutes;
};

struct DemoOrder {
    std::size_t equipment, creator;
    int createdDaysAgo, daysAllowed;
    std::u16string_view description, billType;
    std::int32_t level;
    std::u16string_view reason, solution;
    std::span<const StatusStep> history;
    std::span<const TimeEntry> times;
};

inline constexpr StatusStep kHistPumpDone[] = {
    {kStaArranged, kDemoDispatcher, 0, 0.40},
    {kStaRepairing, kDemoEngineer, 0, 0.45},
    {kStaWaiting, kDemoEngineer, 0, 0.60},
    {kStaRepairing, kDemoEngineer, 2, 0.35},
    {kStaDone, kDemoEngineer, 2, 0.70},
};
inline constexpr TimeEntry kTimePumpDone[] = {{1, 150}, {2, 30}};

inline constexpr StatusStep kHistMoulding[] = {
    {kStaArranged, kDemoDispatcher, 0, 0.42},
    {kStaRepairing, kDemoEngineer, 1, 0.38},
};
inline constexpr TimeEntry kTimeMoulding[] = {{2, 45}};

inline constexpr StatusStep kHistCompressor[] = {
    {kStaArranged, kDemoDispatcher, 0, 0.55},
};

inline constexpr DemoOrder kDemoOrders[] = {
    {1, kDemoRequester, 12, 3, u"冷却水泵运行时噪音明显增大，轴承部位发热烫手", u"CM", 2,
     u"轴承磨损，润滑脂干涸", u"更换 6308 轴承并加注润滑脂，试运行正常", kHistPumpDone, kTimePumpDone},
    {3, kDemoRequester, 2, 2, u"注塑机合模时液压系统压力波动，制品飞边", u"CM", 1,
     u"", u"", kHistMoulding, kTimeMoulding},
    {0, kDemoEquipAdmin, 1, 7, u"空压机后处理干燥机需要加装自动排水阀", u"IM", 3,
     u"", u"", kHistCompressor, {}},
    {4, kDemoRequester, 0, 5, u"起重机行走时有异响，请安排检查车轮和减速机", u"CM", 2,
     u"", u"", {}, {}},
};

}  // namespace tav::defaults
