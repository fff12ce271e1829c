// What the work-request tests share: orders seeded into the server's tables,
// the list filled by a real advanced search through the window's session,
// an order read back from the server, and acting on a modal form once it
// is open.
#pragma once
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>

#include "client/common/session.h"
#include "client/user/frarequ.h"
#include "client/user/listreply.h"
#include "client/user/rows.h"
#include "protocol/daynum.h"
#include "protocol/wire.h"
#include "tests/client/user/userfixture.h"

namespace tavtest {

// The server's clock in the tests that count days: 2030-5-6.
inline const char* const ServerNow = "2030-05-06 10:00:00";
inline const int32_t ServerToday = tav::dayFromCivil(2030, 5, 6);
inline const QString ServerTodayText = QStringLiteral("2030-5-6");

// A window logged on to `srv` as `id` (password "pw").
inline std::unique_ptr<UserWindow> logIn(const UserServer& srv, const QString& id) {
  auto w = std::make_unique<UserWindow>(srv.port());
  if (!w->login(id, QStringLiteral("pw"))) qFatal("login of %s failed", qPrintable(id));
  return w;
}

// The entries of a choice box, in order.
inline QStringList items(const QComboBox* c) {
  QStringList l;
  for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
  return l;
}

struct OrderSeed {
  int billId = 0;
  int status = 1;
  std::string creator = "req", creatorName = "张三";
  int equip = 10001;
  std::string equipName = "冷却泵", description = "泵体漏水需要检修处理", billType = "CM";
  int emLevel = 2, usetime = 0;
  int created = 47000, begin = 47001, compl_ = 47003, done = 0;
  std::string pointto, reason, solute, remark;
  bool archive = false;
};

inline std::string quoted(const std::string& s) { return "'" + s + "'"; }

inline void insertOrder(ServerDir& d, const OrderSeed& o) {
  auto n = [](int v) { return std::to_string(v); };
  d.sql("TAVrecords.mdb",
        std::string("INSERT INTO ") + (o.archive ? "list_o" : "list") +
            "(bill_id, equip_id, comofequip, Description, Status, bill_type, em_level, usetime, createid, "
            "createname, created_date, begin_date, compl_date, done_date, pointto, reason, solute, scribebyeng) "
            "VALUES(" + n(o.billId) + "," + n(o.equip) + "," + quoted(o.equipName) + "," + quoted(o.description) +
            "," + n(o.status) + "," + quoted(o.billType) + "," + n(o.emLevel) + "," + n(o.usetime) + "," +
            quoted(o.creator) + "," + quoted(o.creatorName) + "," + n(o.created) + "," + n(o.begin) + "," +
            n(o.compl_) + "," + n(o.done) + "," + quoted(o.pointto) + "," + quoted(o.reason) + "," +
            quoted(o.solute) + "," + quoted(o.remark) + ")");
}

// One condition of an advanced search: field = value (crit 0) or another comparison.
inline std::u16string condition(const std::u16string& field, const std::u16string& value, int crit = 0) {
  const std::u16string fs(1, tav::FieldSep);
  return fs + field + fs + tav::fromUtf8(std::to_string(crit)) + fs + value + fs + fs + u"T" +
         std::u16string(1, tav::RecordSep);
}

// The reply text of an "ADVAWO" over the current orders, through the
// window's session; no conditions: every order.
inline std::u16string searchReply(const std::u16string& conds) {
  tav::client::Exchange x(tav::user::session(), tav::client::coreTexts());
  if (!x.start(u"ADVAWO0" + (conds.empty() ? condition(u"bill_id", u"0", 1) : conds))) return {};
  return x.list().value_or(std::u16string());
}

// An advanced search replaces the work-order list, read and shown as the
// search form's reply is; the number of rows.
inline int searchOrders(tav::user::FrmMain& m, const std::u16string& conds = {}) {
  tav::user::advanced(m, QStringLiteral("AWO"), searchReply(conds));
  return static_cast<int>(m.lists().woRecords.size());
}

// The list record (from 1) of an order; 0 when the list lacks it.
inline int recordOf(tav::user::FrmMain& m, int billId) {
  const auto& r = m.lists().woRecords;
  for (std::size_t i = 0; i < r.size(); ++i)
    if (r[i].bill_id == billId) return static_cast<int>(i) + 1;
  return 0;
}

// The order as the server holds it now.
inline tav::user::WOList serverOrder(int billId) {
  auto rows = tav::user::readWoRecords(searchReply(condition(u"bill_id", tav::fromUtf8(std::to_string(billId)))),
                                       tav::user::WoFieldsWithStore);
  return rows.empty() ? tav::user::WOList{} : rows.front();
}

template <class W>
W* on(QWidget* parent, const char* name) {
  W* w = parent->findChild<W*>(QLatin1String(name));
  if (!w) qFatal("no control %s", name);
  return w;
}

// Runs `act` on the modal form of type T as soon as it is open; a form
// that `act` left open (a failed check returns early) is closed after it.
// Watching for a modal form ends when its guard goes: a form that never
// opened leaves no poll behind to act on a later test's forms.
class ModalWatch {
 public:
  explicit ModalWatch(QTimer* poll) : poll_(poll) {}
  ModalWatch(ModalWatch&& o) noexcept : poll_(o.poll_) { o.poll_ = nullptr; }
  ModalWatch(const ModalWatch&) = delete;
  ModalWatch& operator=(const ModalWatch&) = delete;
  ~ModalWatch() { delete poll_.data(); }

 private:
  QPointer<QTimer> poll_;
};

template <class T>
[[nodiscard]] ModalWatch whenModal(std::function<void(T*)> act) {
  auto* poll = new QTimer;
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    if (auto* form = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      QPointer<T> open(form);
      act(form);
      if (open && open->isVisible()) open->reject();
    }
  });
  poll->start();
  return ModalWatch(poll);
}

}  // namespace tavtest
