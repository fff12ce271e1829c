// What the tests of the equipment, collection and preventive panels share:
// finding a panel's controls by name, clicking and double-clicking them as
// a person would, answering the location picker, and seeding equipment and
// collections into the server's database before it starts.
#pragma once
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "client/user/frmlocat.h"
#include "tests/client/user/userfixture.h"

namespace tavtest {

// The control `name` under `root`; fails the test when there is none.
template <class T = QWidget>
T* control(QWidget* root, const char* name) {
  T* w = root->findChild<T*>(QLatin1String(name));
  if (!w) qFatal("no control %s", name);
  return w;
}

inline void click(QWidget* root, const char* name) { control<QAbstractButton>(root, name)->click(); }

inline QString text(QWidget* root, const char* name) {
  QWidget* w = control(root, name);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
  qFatal("%s holds no text", name);
}

inline void type(QWidget* root, const char* name, const QString& value) {
  QWidget* w = control(root, name);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->setText(value);
  if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->setPlainText(value);
  qFatal("%s takes no text", name);
}

inline QStringList lines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

// A left double-click on `row` of the list, or below its rows for -1.
inline void doubleClickRow(QListWidget* list, int row) {
  QPoint at = row >= 0 ? list->visualItemRect(list->item(row)).center()
                       : QPoint(10, list->viewport()->height() - 5);
  // Through the window: press, release, press (Qt adds the double click), release.
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Answers the next location picker from inside its modal loop: `act` runs
// on the open dialog (select rows, click its buttons); `seen` receives its
// rows as they were when it opened. The watch polls (the picker opens only
// after the request that fills it) and ends once it has acted; the caller
// may delete it when no picker is to come.
inline QPointer<QTimer> answerPicker(std::function<void(tav::user::Frmlocat&, QListWidget&)> act,
                                     QStringList* seen = nullptr) {
  auto* watch = new QTimer(qApp);
  watch->setInterval(10);
  QObject::connect(watch, &QTimer::timeout, watch, [watch, act, seen] {
    auto* d = qobject_cast<tav::user::Frmlocat*>(QApplication::activeModalWidget());
    if (!d) return;
    watch->stop();
    watch->deleteLater();
    auto* rows = d->findChild<QListWidget*>(QStringLiteral("Allcols"));
    if (seen) *seen = lines(rows);
    act(*d, *rows);
  });
  watch->start();
  return watch;
}

// Picks rows `which` of the picker and takes them.
inline void pickRows(const std::vector<int>& which) {
  answerPicker([which](tav::user::Frmlocat& d, QListWidget& rows) {
    for (int r : which) rows.item(r)->setSelected(true);
    d.CmdOK_Click();
  });
}

// A fresh server seeded by `seed` and a window logged on as "keeper" (the
// seed makes that user) that shows the panel of the option button `option`.
struct KeeperSession {
  std::unique_ptr<UserServer> srv;
  std::unique_ptr<UserWindow> w;
  bool start(const std::function<void(ServerDir&)>& seed, const char* option) {
    srv = std::make_unique<UserServer>(seed);
    w = std::make_unique<UserWindow>(srv->port());
    if (!w->login(QStringLiteral("keeper"), QStringLiteral("pw"))) return false;
    QApplication::setActiveWindow(w->main.get());
    w->main->optionButton(option)->click();
    return true;
  }
  void stop() {
    w.reset();
    srv.reset();
  }
  int port() const { return srv->port(); }
};

// The records of the list request `word` as the server answers "keeper" now.
inline std::vector<std::vector<std::u16string>> serverList(int port, const std::u16string& word) {
  Client c(port);
  startSession(c, u"keeper");
  auto list = records(c.callList(word));
  leave(c);
  return list;
}

// The word reply to one request of another client of "keeper".
inline std::u16string serverCall(int port, const std::u16string& word, const std::vector<std::u16string>& fields) {
  Client c(port);
  startSession(c, u"keeper");
  auto reply = c.call(word, fields);
  leave(c);
  return reply;
}

// Equipment rows straight into the register: id, name, location (empty:
// none) and state.
struct Equip {
  int id;
  std::string name, locate;
  int use = 1;
};
inline void addEquipment(ServerDir& d, const std::vector<Equip>& rows) {
  for (const auto& e : rows)
    d.sql("TAVequipment.mdb",
          "INSERT INTO equipment(equip_id, equip_name, equip_locate, buied_date, equip_imp, madeby, Parameter, "
          "equip_use, Memo) VALUES(" +
              std::to_string(e.id) + ", '" + e.name + "', " + (e.locate.empty() ? "NULL" : "'" + e.locate + "'") +
              ", 45000, 2, 'maker', 'param', " + std::to_string(e.use) + ", 'memo')");
}

// Pool record 2000 + k becomes the live collection 1000 + k.
inline void addCollection(ServerDir& d, int k, const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& places, int refer = 0) {
  std::string set = "autonum=" + std::to_string(1000 + k) + ", name='" + name + "', descr='说明" + name +
                    "', iday=45000.5, person='keeper(管理员)', refer=" + std::to_string(refer);
  for (std::size_t i = 0; i < places.size(); ++i)
    set += ", loccode" + std::to_string(i + 1) + "='" + places[i].first + "', locname" + std::to_string(i + 1) +
           "='" + places[i].second + "'";
  d.sql("TAVequipment.mdb", "UPDATE collection SET " + set + " WHERE autonum=" + std::to_string(2000 + k));
}

}  // namespace tavtest
