// Module state and shared procedures of the user client.
#include "client/user/usertables.h"

#include <cmath>

#include "client/common/clock.h"
#include "protocol/daynum.h"

namespace tav::user {

UserTables& tables() {
  static UserTables t;
  return t;
}

const QStringList& equCaption() {
  static const QStringList l = {"设备编号", "设备名称", "功能位置", "购买日期", "级别",
                                "制造商", "主要参数", "状态", "报废日期", "备注"};
  return l;
}
const QStringList& equField() {
  static const QStringList l = {"equip_id", "equip_name", "equip_locate", "buied_date", "equip_imp",
                                "madeby", "parameter", "equip_use", "uselessday", "memo"};
  return l;
}
const QStringList& woCaption() {
  static const QStringList l = {"工单编号", "设备名称", "描述", "状态", "类型", "级别",
                                "耗时", "帐号ID", "姓名", "创建日期", "完成日期", "设备编号",
                                "要求开始日期", "要求完成日期", "指派给", "故障原因", "解决办法", "其它描述"};
  return l;
}
const QStringList& woField() {
  static const QStringList l = {"bill_id", "comofequip", "description", "Status", "bill_type", "em_level",
                                "usetime", "createid", "createname", "created_date", "done_date", "equip_id",
                                "begin_date", "compl_date", "pointto", "reason", "solute", "scribebyeng"};
  return l;
}
const QStringList& dateName() {
  static const QStringList l = {"今天", "本月1日", "上月1日", "上月今日", "六月前之今日",
                                "去年今日", "今年元月1日", "今年7月1日"};
  return l;
}
const QStringList& critText() {
  static const QStringList l = {"=", ">", "<", ">=", "<=", "<>", "包含", "不包含"};
  return l;
}

tav::client::Session& session() {
  static tav::client::Session s(QStringLiteral("TAVuser"));
  return s;
}

double& timeDiff() { return session().timeDiff; }

double clientNow() { return tav::client::localNow() + timeDiff(); }
int32_t clientToday() { return static_cast<int32_t>(std::floor(clientNow())); }

double maxOf(double a, double b) { return a > b ? a : b; }
double minOf(double a, double b) { return a > b ? b : a; }

namespace {

// A decimal number, blanks around it allowed, whose value is whole.
bool wholePart(const QString& part, int& out) {
  QString t = part.trimmed();
  if (t.isEmpty()) return false;
  bool ok = false;
  double v = t.toDouble(&ok);  // "C" locale: "." is the decimal point
  if (!ok || !std::isfinite(v) || v != std::floor(v) || std::fabs(v) > 1e9) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int32_t parseDate(const QString& text) {
  QStringList parts = text.split(QLatin1Char('-'));
  int y = 0, m = 0, d = 0;
  QString yp, mp, dp;
  if (parts.size() == 2) {
    y = civilFromDay(clientToday()).y;
    mp = parts[0];
    dp = parts[1];
  } else if (parts.size() == 3) {
    yp = parts[0];
    mp = parts[1];
    dp = parts[2];
    if (!wholePart(yp, y) || y <= 1900 || y >= 2900) return 0;
  } else {
    return 0;
  }
  if (!wholePart(mp, m) || m < 1 || m > 12) return 0;
  if (!wholePart(dp, d) || d < 1 || d > 31) return 0;
  return dayFromCivil(y, m, d);
}

QString statusNameOf(int32_t code) {
  for (const auto& e : tables().statusList)
    if (e.code == code) return e.name;
  return {};
}
QString typeNameOf(int32_t code) {
  for (const auto& e : tables().typeList)
    if (e.code == code) return e.name;
  return {};
}
QString billTypeNameOf(const QString& code) {
  for (const auto& e : tables().billTypeList)
    if (e.code == code) return e.name;
  return {};
}

}  // namespace tav::user
