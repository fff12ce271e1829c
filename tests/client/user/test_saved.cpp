// Saved searches: the named dates on the days where months differ in
// length, the values a stored condition sends, the order of the slot's
// three keys, and a slot saved, kept across logins, run, refused when too
// long and deleted against the real server.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include "client/user/condrow.h"
#include "client/user/fraperson.h"
#include "client/user/fraworko.h"
#include "client/user/frmsave.h"
#include "client/user/grid.h"
#include "client/user/savedsearch.h"
#include "protocol/daynum.h"
#include "tests/client/user/requestsupport.h"
#include "tests/client/user/searchpeer.h"

using namespace tavtest;
using namespace tav::user;

namespace {

const char* const ClockNow = "2024-03-31 10:00:00";

double noonOf(const QString& date) {
  const QDate d = QDate::fromString(date, "yyyy-M-d");
  return tav::dayFromCivil(d.year(), d.month(), d.day()) + 0.5;
}

QString dayName(int32_t day) { return day == 0 ? QStringLiteral("none") : dayText(day); }

void seed(ServerDir& d) {
  addUser(d, "saver", 1, 0, u"pw", "存");
  struct Row {
    int id;
    int y, m, day;
    const char* description;
    int level, status;
  };
  for (const Row& r : {Row{301, 2024, 3, 31, "b", 2, 4}, Row{302, 2024, 2, 29, "a", 1, 4},
                       Row{303, 2024, 2, 28, "c", 2, 4}, Row{304, 2024, 3, 1, "B", 2, 4},
                       Row{305, 2024, 3, 5, "d", 3, 16}}) {
    OrderSeed o;
    o.billId = r.id;
    o.created = tav::dayFromCivil(r.y, r.m, r.day);
    o.description = r.description;
    o.emLevel = r.level;
    o.status = r.status;
    insertOrder(d, o);
  }
}

struct SortRow {
  int id;
  QString name;
  int level = 0;
  int status = 0;
  int begin = 0;
};

}  // namespace

Q_DECLARE_METATYPE(QList<SortRow>)

class TestSaved : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase();
  void cleanupTestCase() { srv.reset(); }
  void namedDates_data();
  void namedDates();
  void storedValues_data();
  void storedValues();
  void sortByTheSlotsKeys_data();
  void sortByTheSlotsKeys();
  void storedTexts();
  void savedKeptRunAndDeleted();

 private:
  std::unique_ptr<UserServer> srv;
};

void TestSaved::initTestCase() {
  // The client's clock and the server's stand at the same moment.
  qputenv("TAV_NOW", ClockNow);
  srv = std::make_unique<UserServer>(seed, Env{{"TAV_NOW", ClockNow}});
}

void TestSaved::namedDates_data() {
  QTest::addColumn<QString>("today");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("day");
  auto row = [](const char* today, const char* name, const char* day) {
    QTest::addRow("%s %s", today, name) << today << QString::fromUtf8(name) << day;
  };
  row("2024-3-31", "今天", "2024-3-31");
  row("2024-3-31", "本月1日", "2024-3-1");
  row("2024-3-31", "上月1日", "2024-2-1");
  row("2024-3-31", "上月今日", "2024-2-29");
  row("2023-3-31", "上月今日", "2023-2-28");
  row("2024-3-31", "六月前之今日", "2023-9-30");
  row("2023-8-31", "六月前之今日", "2023-2-28");
  row("2024-8-31", "六月前之今日", "2024-2-29");
  row("2024-2-29", "去年今日", "2023-2-28");
  row("2024-2-29", "上月今日", "2024-1-29");
  row("2024-1-15", "上月1日", "2023-12-1");
  row("2024-1-15", "上月今日", "2023-12-15");
  row("2024-1-31", "上月今日", "2023-12-31");
  row("2024-1-31", "六月前之今日", "2023-7-31");
  row("2024-1-15", "去年今日", "2023-1-15");
  row("2024-1-15", "今年元月1日", "2024-1-1");
  row("2024-1-15", "今年7月1日", "2024-7-1");
  row("2024-1-15", "明天", "none");
}

void TestSaved::namedDates() {
  QFETCH(QString, today);
  QFETCH(QString, name);
  QFETCH(QString, day);
  QCOMPARE(dayName(namedDay(name, noonOf(today))), day);
  // At the fixed clock of this run the client's today is 2024-3-31.
  if (today == "2024-3-31") QCOMPARE(dayName(namedDay(name, clientNow())), day);
}

void TestSaved::storedValues_data() {
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("value");
  QTest::addColumn<QString>("sent");
  const auto d = [](int y, int m, int dd) { return QString::number(tav::dayFromCivil(y, m, dd)); };
  QTest::newRow("status name") << 3 << "维修中" << "4";
  QTest::newRow("status name, letter case ignored") << 3 << "done" << "16";
  QTest::newRow("no such status") << 3 << "维修" << "0";
  QTest::newRow("request type name") << 4 << "pm 维修" << "PM";
  QTest::newRow("no such type") << 4 << "CM" << "OO";
  QTest::newRow("urgency word") << 5 << "排计划" << "4";
  QTest::newRow("urgency as a number") << 5 << "2" << "0";
  QTest::newRow("a date wins over the names") << 12 << "3-15" << d(2024, 3, 15);
  QTest::newRow("named date") << 13 << "上月今日" << d(2024, 2, 29);
  QTest::newRow("neither date nor name") << 10 << "上个月" << "OO";
  QTest::newRow("empty date") << 9 << "" << "OO";
  QTest::newRow("other fields as stored") << 2 << "3-15" << "3-15";
}

void TestSaved::storedValues() {
  QFETCH(int, field);
  QFETCH(QString, value);
  QFETCH(QString, sent);
  UserTables& t = tables();
  t.statusList = {{1, "未生效"}, {4, "维修中"}, {16, "DONE"}};
  t.billTypeList = {{"CM", "纠正 维修"}, {"PM", "PM 维修"}};
  SearchCond c;
  c.field = field;
  c.value = value;
  QCOMPARE(QString::fromStdU16String(presetValue(c, noonOf("2024-3-31"))), sent);
}

void TestSaved::sortByTheSlotsKeys_data() {
  QTest::addColumn<QList<SortRow>>("rows");
  QTest::addColumn<QList<int>>("keys");  // three column positions
  QTest::addColumn<QList<bool>>("ascending");
  QTest::addColumn<QList<int>>("order");
  const QList<bool> up{true, true, true};
  QTest::newRow("numbers: 9 before 10") << QList<SortRow>{{10, ""}, {9, ""}, {100, ""}} << QList<int>{0, 0, 0} << up
                                        << QList<int>{9, 10, 100};
  QTest::newRow("names equal but for case keep their order")
      << QList<SortRow>{{1, "pump"}, {2, "Pump"}, {3, "apple"}, {4, "PUMP"}} << QList<int>{1, 1, 1} << up
      << QList<int>{3, 1, 2, 4};
  QTest::newRow("dates by day number")
      << QList<SortRow>{{1, "", 0, 0, tav::dayFromCivil(2024, 10, 5)}, {2, "", 0, 0, tav::dayFromCivil(2024, 9, 30)}}
      << QList<int>{12, 0, 0} << up << QList<int>{2, 1};
  QTest::newRow("status by code, not by name")
      << QList<SortRow>{{1, "", 0, 16}, {2, "", 0, 2}, {3, "", 0, 4}} << QList<int>{3, 0, 0} << up
      << QList<int>{2, 3, 1};
  QTest::newRow("key 1 descending, key 2 ascending")
      << QList<SortRow>{{1, "b", 1}, {2, "a", 2}, {3, "c", 2}, {4, "a", 1}, {5, "B", 2}} << QList<int>{5, 1, 0}
      << QList<bool>{false, true, true} << QList<int>{2, 5, 3, 4, 1};
  QTest::newRow("all equal: received order") << QList<SortRow>{{3, "x", 1}, {1, "x", 1}, {2, "x", 1}}
                                             << QList<int>{1, 5, 2} << QList<bool>{false, true, false}
                                             << QList<int>{3, 1, 2};
  QTest::newRow("a position beyond the list sorts nothing") << QList<SortRow>{{3, "b"}, {1, "a"}}
                                                            << QList<int>{25, 25, 25} << up << QList<int>{3, 1};
}

void TestSaved::sortByTheSlotsKeys() {
  QFETCH(QList<SortRow>, rows);
  QFETCH(QList<int>, keys);
  QFETCH(QList<bool>, ascending);
  QFETCH(QList<int>, order);
  UserTables& t = tables();
  t.statusList = {{2, "已安排"}, {4, "维修中"}, {16, "一已完成"}};
  std::vector<WOList> list;
  for (const SortRow& r : rows) {
    WOList w;
    w.bill_id = r.id;
    w.comofequip = w.description = r.name;
    w.em_level = r.level;
    w.Status = r.status;
    w.begin_date = r.begin;
    deriveTexts(w);
    list.push_back(w);
  }
  list.front().checked = true;
  WOPreset p;
  for (std::size_t k = 0; k < 3; ++k) p.sort[k] = {keys[int(k)], ascending[int(k)]};
  sortByPreset(list, p);
  QCOMPARE(billIds(list), order);
  QVERIFY(list.front().checked);
  for (std::size_t i = 1; i < list.size(); ++i) QVERIFY(!list[i].checked);
}

void TestSaved::storedTexts() {
  std::vector<SearchCond> conds{{true, 9, 3, "今天", false, false}, {false, 3, 0, "维修中", true, true}};
  QCOMPARE(QString::fromStdU16String(conditionsText(conds)),
           QStringLiteral("(\x18" "9\x18" "3\x18今天\x18\x18" "F\x18\x18" "3\x18" "0\x18维修中\x18)\x18T\x18"));
  QCOMPARE(QString::fromStdU16String(sortText({SortKey{5, false}, SortKey{2, true}, SortKey{0, true}})),
           QStringLiteral("5\x18" "False\x18" "2\x18" "True\x18" "0\x18" "True\x18"));
}

void TestSaved::savedKeptRunAndDeleted() {
  RecordingNotifier note;
  auto w = std::make_unique<UserWindow>(srv->port());
  QVERIFY(w->login("saver", "pw"));
  FrmMain& m = *w->main;
  auto* run = m.fraWorkO()->findChild<QPushButton*>("WO_Presave_2");
  auto* edit = m.fraPerson()->findChild<QPushButton*>("WO_save_2");
  QCOMPARE(run->text(), QStringLiteral("未设定"));
  QVERIFY(!run->isEnabled());
  QCOMPARE(edit->text(), QStringLiteral("(未设定)"));
  QVERIFY(edit->font().italic());

  // Slot 2: created on or after 上月今日 and not finished; 级别 descending,
  // then 描述, then 工单编号.
  auto watch = whenModal<FrmSave>([](FrmSave* f) {
    QCOMPARE(f->windowTitle(), QStringLiteral("工单快搜设定 2"));
    CondRows* rows = f->rows();
    rows->fieldBox(0)->setCurrentIndex(9);
    f->findChild<QComboBox*>("Critc_0")->setCurrentIndex(3);
    rows->valueBox(0)->setCurrentIndex(3);  // 上月今日, from the field's list
    f->findChild<QToolButton*>("addone")->click();
    rows->fieldBox(1)->setCurrentIndex(3);
    f->findChild<QComboBox*>("Critc_1")->setCurrentIndex(5);
    rows->valueBox(1)->setEditText(QStringLiteral("已完成"));
    f->findChild<QComboBox*>("Combo1_0")->setCurrentIndex(5);
    f->findChild<QRadioButton*>("OptJ_0")->setChecked(true);
    f->findChild<QComboBox*>("Combo1_1")->setCurrentIndex(2);
    f->findChild<QComboBox*>("Combo1_2")->setCurrentIndex(0);
    f->findChild<QLineEdit*>("sName")->setText(QStringLiteral("本月单"));
    f->CmdOK_Click();
  });
  edit->click();
  QCOMPARE(note.texts(), QStringList{QStringLiteral("已经按设定的内容保存在用户信息里")});
  QCOMPARE(run->text(), QStringLiteral("本月单"));
  QVERIFY(run->isEnabled());
  QCOMPARE(edit->text(), QStringLiteral("本月单"));
  QVERIFY(!edit->font().italic());

  // Kept by the server across logging off and on.
  m.Unlink_Click();
  QVERIFY(w->login("saver", "pw"));
  QCOMPARE(run->text(), QStringLiteral("本月单"));
  QCOMPARE(int(tables().woPreset[1].conds.size()), 2);
  QCOMPARE(tables().woPreset[1].conds[0].value, QStringLiteral("上月今日"));

  note.clear();
  run->click();
  QVERIFY(note.shown.empty());
  const Lists& l = m.lists();
  QCOMPARE(billIds(l.woRecords), (QList<int>{301, 304, 302}));
  QVERIFY(l.woRecords[0].checked && !l.woRecords[1].checked);
  QCOMPARE(l.woSel, 1);
  QCOMPARE(m.fraWorkO()->grid()->cell(1, 1).Text, QStringLiteral("301"));
  QCOMPARE(m.LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));

  // Conditions over 200 characters: refused, the slot as it was.
  auto watchLong = whenModal<FrmSave>([](FrmSave* f) {
    QCOMPARE(f->rows()->rowCount(), 2);
    QVERIFY(f->findChild<QRadioButton*>("OptJ_0")->isChecked());
    for (int i = 2; i < 8; ++i) {
      f->findChild<QToolButton*>("addone")->click();
      f->rows()->valueBox(i)->setEditText(QString(30, QChar(u'长')));
    }
    f->CmdOK_Click();
  });
  edit->click();
  QCOMPARE(note.texts(), QStringList{QStringLiteral("设定的搜索条件内容太长，请删减部分内容再试")});
  QCOMPARE(int(tables().woPreset[1].conds.size()), 2);
  QCOMPARE(run->text(), QStringLiteral("本月单"));
  m.Unlink_Click();
  QVERIFY(w->login("saver", "pw"));
  QCOMPARE(int(tables().woPreset[1].conds.size()), 2);

  // Deleted.
  note.clear();
  note.answers = {true};
  auto watchDelete = whenModal<FrmSave>([](FrmSave* f) { f->canDel_Click(); });
  edit->click();
  QCOMPARE(note.texts(), (QStringList{QStringLiteral("这将删除本条设定，真的要继续吗？"), QStringLiteral("本设定已经清除")}));
  QCOMPARE(run->text(), QStringLiteral("未设定"));
  QVERIFY(!run->isEnabled());
  QCOMPARE(edit->text(), QStringLiteral("(未设定)"));
  QVERIFY(edit->font().italic());
  m.Unlink_Click();
  QVERIFY(w->login("saver", "pw"));
  QVERIFY(!tables().woPreset[1].set);
  QVERIFY(!run->isEnabled());
}

QTEST_MAIN(TestSaved)
#include "test_saved.moc"
