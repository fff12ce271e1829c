// The function-location picker against the real server: what it offers and
// in which order, the limit of twenty, the copy button, the list kept for
// the connection, and a register without located equipment.
#include <QLabel>
#include <QtTest>

#include "client/user/fracollection.h"
#include "tests/client/user/equiptest.h"

using namespace tavtest;
using tav::user::FraCollection;
using tav::user::Frmlocat;

namespace {

// The two locations that differ only in case are full-width letters: the
// register's own uniqueness folds ASCII letters only, and they sort last
// under any collation.
void seed(ServerDir& d) {
  addUser(d, "keeper", 8 | 16, 0, u"pw", "管理员");
  std::vector<Equip> rows{{10001, "泵甲", "ｚ-02"}, {10002, "泵乙", "A-01"}, {10003, "无位置", ""}, {10004, "泵丙", "Ｚ-02"}};
  for (int i = 1; i <= 20; ++i) rows.push_back({10100 + i, "机" + std::to_string(i), QString("L-%1").arg(i, 2, 10, QChar('0')).toStdString()});
  addEquipment(d, rows);
  addCollection(d, 1, "一组", {{"Ｚ-02", "泵丙"}, {"L-03", "机3"}, {"X-09", "已移走"}});
}

QStringList selectedRows(QListWidget& rows) {
  QStringList out;
  for (int i = 0; i < rows.count(); ++i)
    if (rows.item(i)->isSelected()) out << rows.item(i)->text();
  return out;
}

}  // namespace

class TestLocat : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    QVERIFY(s.start(seed, "Routes"));
    panel = s.w->main->fraCollection();
  }
  void cleanup() { s.stop(); }
  void offersLocatedEquipmentInLocationOrder();
  void twentyAreTakenTwentyOneAreNot();
  void copySelectsExactlyTheChosenLocations();
  void aSecondOpeningShowsTheKeptList();
  void noSelectionEmptiesThePlaces();
  void registerWithoutLocations();

 private:
  QListWidget* places() { return control<QListWidget>(panel, "Colallloc"); }
  KeeperSession s;
  FraCollection* panel = nullptr;
};

void TestLocat::offersLocatedEquipmentInLocationOrder() {
  RecordingNotifier note;
  QStringList seen;
  answerPicker([](Frmlocat&, QListWidget& rows) {
    rows.item(0)->setSelected(true);
    rows.item(1)->setSelected(true);
    control<QAbstractButton>(rows.window(), "CmdCan")->click();
  }, &seen);
  click(panel, "altcolle");
  QCOMPARE(seen.size(), 23);
  // Locations equal but for case keep the reply's order.
  QCOMPARE(seen.mid(0, 2), (QStringList{"A-01 泵乙", "L-01 机1"}));
  QCOMPARE(seen.mid(20), (QStringList{"L-20 机20", "ｚ-02 泵甲", "Ｚ-02 泵丙"}));
  QVERIFY(!seen.join('|').contains(QStringLiteral("无位置")));
  // Cancel changes nothing.
  QCOMPARE(places()->count(), 0);
  QVERIFY(!panel->state().colDirty);
  QVERIFY(note.shown.empty());
  QVERIFY(s.w->main->Timer1()->isActive());
}

void TestLocat::twentyAreTakenTwentyOneAreNot() {
  RecordingNotifier note;
  bool stayedOpen = false;
  answerPicker([&](Frmlocat& d, QListWidget& rows) {
    for (int i = 0; i < 21; ++i) rows.item(i)->setSelected(true);
    d.CmdOK_Click();
    stayedOpen = d.isVisible() && selectedRows(rows).size() == 21;
    rows.item(1)->setSelected(false);  // L-01
    d.CmdOK_Click();
  });
  click(panel, "altcolle");
  QVERIFY(stayedOpen);
  QCOMPARE(note.texts(), QStringList{"每个设备集合最多只能包含20个设备！"});
  QCOMPARE(places()->count(), 20);
  QCOMPARE(places()->item(0)->text(), QStringLiteral("A-01 泵乙"));
  QCOMPARE(places()->item(1)->text(), QStringLiteral("L-02 机2"));
  QCOMPARE(places()->item(19)->text(), QStringLiteral("L-20 机20"));
  QCOMPARE(panel->state().colLocat[19], (tav::user::LocatPair{"L-20", "机20"}));
  QVERIFY(panel->state().colDirty);
  QVERIFY(!panel->state().colSynced);
}

void TestLocat::copySelectsExactlyTheChosenLocations() {
  RecordingNotifier note;
  QStringList copied;
  auto copy = [&copied](Frmlocat& d, QListWidget& rows) {
    d.CmdCopy_Click();
    copied = selectedRows(rows);
    control<QAbstractButton>(&d, "CmdCan")->click();
  };
  // Nothing chosen yet: nothing selected.
  answerPicker(copy);
  click(panel, "altcolle");
  QCOMPARE(copied, QStringList{});

  click(panel, "ColGetcols");
  doubleClickRow(control<QListWidget>(panel, "Colallcols"), 0);
  answerPicker(copy);
  click(panel, "altcolle");
  // "ｚ-02" differs in case and stays unselected; "X-09" is not offered.
  QCOMPARE(copied, (QStringList{"L-03 机3", "Ｚ-02 泵丙"}));

  // Copy keeps what the user selected before.
  answerPicker([&copied](Frmlocat& d, QListWidget& rows) {
    rows.item(0)->setSelected(true);
    d.CmdCopy_Click();
    copied = selectedRows(rows);
    d.CmdOK_Click();
  });
  click(panel, "altcolle");
  QCOMPARE(copied, (QStringList{"A-01 泵乙", "L-03 机3", "Ｚ-02 泵丙"}));
  QCOMPARE(lines(places()), copied);
}

void TestLocat::aSecondOpeningShowsTheKeptList() {
  RecordingNotifier note;
  auto cancel = [](Frmlocat& d, QListWidget&) { d.reject(); };
  QStringList first, second;
  answerPicker(cancel, &first);
  click(panel, "altcolle");

  QCOMPARE(serverCall(s.port(), u"EQUADD", {u"新泵", u"A-00", u"1", u"1", u"0", u"", u"", u"", u""}),
           std::u16string(u"IGOTIT"));
  // A fresh dialog without the earlier selection, from the kept list.
  answerPicker(cancel, &second);
  click(panel, "altcolle");
  QCOMPARE(second, first);

  // Logged off and on again, the list is fetched anew.
  s.w->main->resetLogoff();
  QVERIFY(s.w->login("keeper", "pw"));
  s.w->main->optionButton("Routes")->click();
  answerPicker(cancel, &second);
  click(panel, "altcolle");
  QCOMPARE(second.first(), QStringLiteral("A-00 新泵"));
}

void TestLocat::noSelectionEmptiesThePlaces() {
  RecordingNotifier note;
  pickRows({0, 1});
  click(panel, "altcolle");
  QCOMPARE(places()->count(), 2);
  pickRows({});
  click(panel, "altcolle");
  QCOMPARE(places()->count(), 0);
  QCOMPARE(panel->state().colLocat[0], tav::user::LocatPair{});
  QVERIFY(panel->state().colDirty);
  type(panel, "ColName", QStringLiteral("空组"));
  type(panel, "ColDescr", QStringLiteral("没有位置"));
  click(panel, "ColNewone");
  QCOMPARE(note.texts(), QStringList{"“所有功能位置列表”是必填项，要求至少选择一个功能位置。"});
}

void TestLocat::registerWithoutLocations() {
  RecordingNotifier note;
  UserServer bare([](ServerDir& d) {
    addUser(d, "keeper", 16);
    addEquipment(d, {{10001, "无位置", ""}});
  });
  UserWindow other(bare.port());
  QVERIFY(other.login("keeper", "pw"));
  FraCollection* p = other.main->fraCollection();
  bool opened = false;
  QPointer<QTimer> watch = answerPicker([&opened](Frmlocat& d, QListWidget&) {
    opened = true;
    d.reject();
  });
  click(p, "altcolle");
  QCOMPARE(note.texts(), QStringList{"还没有设备"});
  QCOMPARE(other.main->LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(other.main->Timer1()->isActive());
  QVERIFY(!p->state().locatListLoaded);
  // Asked again at the next press.
  click(p, "altcolle");
  QCOMPARE(note.texts(), (QStringList{"还没有设备", "还没有设备"}));
  QVERIFY(!opened);
  delete watch.data();
}

QTEST_MAIN(TestLocat)
#include "test_locat.moc"
