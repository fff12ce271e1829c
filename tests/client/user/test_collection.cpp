// The collection panel against the real server: listing, showing one
// collection (all its places, also after a free one), adding, saving and
// deleting with their refusals, the two questions, and the choice buttons.
#include <QGroupBox>
#include <QRegularExpression>
#include <QtTest>

#include "client/user/collections.h"
#include "client/user/fracollection.h"
#include "client/user/fraprewo.h"
#include "protocol/wire.h"
#include "tests/client/user/equiptest.h"

using namespace tavtest;
using tav::user::FraCollection;

namespace {

void seed(ServerDir& d) {
  addUser(d, "keeper", 8 | 16 | 2, 0, u"pw", "管理员");
  addEquipment(d, {{10001, "泵", "A-01"}, {10002, "阀", "A-02"}, {10003, "电机", "B-04"}, {10004, "风机", "C-01"}});
  addCollection(d, 1, "乙组", {{"A-01", "泵"}, {"A-02", "阀"}});
  // Place 3 is free and places 4 and 5 are used.
  addCollection(d, 2, "甲组", {{"A-01", "泵"}, {"A-02", "阀"}, {"", ""}, {"B-04", "电机"}, {"C-01", "风机"}});
  addCollection(d, 3, "丙组", {{"C-01", "风机"}});
}

// The places of collection `number` as the server lists them.
std::vector<std::u16string> storedPlaces(int port, const std::u16string& number) {
  for (const auto& r : serverList(port, u"GETCOL"))
    if (r[0] == number) return std::vector<std::u16string>(r.begin() + 5, r.begin() + 45);
  return {};
}

}  // namespace

class TestCollection : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    QVERIFY(s.start(seed, "Routes"));
    panel = s.w->main->fraCollection();
  }
  void cleanup() { s.stop(); }
  void listingKeepsTheReplyOrderAndEmptiesQuietly();
  void showingPacksEveryPlaceAndSavesThemAll();
  void addShowsNumberAndTimeAndRefusesATakenName();
  void unsavedChangesAreAskedAbout();
  void referencedCollectionAsksBeforeSaving();
  void savingADeletedCollectionIsRefused();
  void choiceButtons();

 private:
  QListWidget* list(const char* name) { return control<QListWidget>(panel, name); }
  KeeperSession s;
  FraCollection* panel = nullptr;
};

void TestCollection::listingKeepsTheReplyOrderAndEmptiesQuietly() {
  RecordingNotifier note;
  click(panel, "ColGetcols");
  QCOMPARE(lines(list("Colallcols")), (QStringList{" 1001 乙组", " 1002 甲组", " 1003 丙组"}));
  const auto& cols = panel->state().colList;
  QVERIFY(panel->state().colLoaded);
  QCOMPARE(cols[1].iday, QStringLiteral("2023-3-15 12:0:0"));
  QCOMPARE(cols[1].person, QStringLiteral("keeper(管理员)"));
  QCOMPARE(cols[1].places[3], (tav::user::LocatPair{"B-04", "电机"}));

  for (auto n : {u"1001", u"1002", u"1003"}) QCOMPARE(serverCall(s.port(), u"COLDEL", {n}), std::u16string(u"IGOTIT"));
  click(panel, "ColGetcols");
  QCOMPARE(list("Colallcols")->count(), 0);
  QVERIFY(panel->state().colList.empty());
  QVERIFY(!panel->state().colLoaded);
  QVERIFY2(note.shown.empty(), qPrintable(note.texts().join('|')));
}

void TestCollection::showingPacksEveryPlaceAndSavesThemAll() {
  RecordingNotifier note;
  click(panel, "ColGetcols");
  doubleClickRow(list("Colallcols"), 1);
  QCOMPARE(text(panel, "ColNumber"), QStringLiteral("1002"));
  QCOMPARE(text(panel, "ColName"), QStringLiteral("甲组"));
  QCOMPARE(text(panel, "ColDescr"), QStringLiteral("说明甲组"));
  QCOMPARE(text(panel, "ColDay"), QStringLiteral("2023-3-15 12:0:0"));
  QCOMPARE(lines(list("Colallloc")), (QStringList{"A-01 泵", "A-02 阀", "B-04 电机", "C-01 风机"}));
  const auto& st = panel->state();
  QCOMPARE(st.colLocat[2], (tav::user::LocatPair{"B-04", "电机"}));
  QCOMPARE(st.colLocat[4], tav::user::LocatPair{});
  QVERIFY(!st.colDirty);
  QVERIFY(st.colSynced);

  click(panel, "ColReplace");
  QCOMPARE(note.texts(), QStringList{"设备集合“1002”修改成功。"});
  auto stored = storedPlaces(s.port(), u"1002");
  QCOMPARE(QString::fromStdU16String(stored[4]), QStringLiteral("B-04"));
  QCOMPARE(QString::fromStdU16String(stored[6]), QStringLiteral("C-01"));
  QCOMPARE(QString::fromStdU16String(stored[8]), QString());
  QCOMPARE(text(panel, "ColPerson"), QStringLiteral("keeper(管理员)"));
  QVERIFY(text(panel, "ColDay") != QStringLiteral("2023-3-15 12:0:0"));
}

void TestCollection::addShowsNumberAndTimeAndRefusesATakenName() {
  RecordingNotifier note;
  click(panel, "ColGetcols");
  type(panel, "ColName", QStringLiteral("一二三四五六七八九十一二三四五六七八九十"));
  type(panel, "ColDescr", QString(40, QChar(u'述')));
  pickRows({0, 3});
  click(panel, "altcolle");
  QCOMPARE(lines(list("Colallloc")), (QStringList{"A-01 泵", "C-01 风机"}));
  QVERIFY(panel->state().colDirty);

  click(panel, "ColNewone");
  QCOMPARE(note.texts(), QStringList{"新集合添加成功，它的编号是：1004"});
  QCOMPARE(text(panel, "ColNumber"), QStringLiteral("1004"));
  QVERIFY2(QRegularExpression("^\\d{4}-\\d{1,2}-\\d{1,2} \\d{1,2}:\\d{1,2}:\\d{1,2}$")
               .match(text(panel, "ColDay"))
               .hasMatch(),
           qPrintable(text(panel, "ColDay")));
  QCOMPARE(text(panel, "ColPerson"), QStringLiteral("keeper(管理员)"));
  QCOMPARE(lines(list("Colallcols")).last(), QStringLiteral(" 1004 一二三四五六七八九十一二三四五六七八九十"));
  QVERIFY(!panel->state().colDirty);
  auto stored = storedPlaces(s.port(), u"1004");
  QCOMPARE(QString::fromStdU16String(stored[2]), QStringLiteral("C-01"));

  // The new row shows what was sent.
  const QString day = text(panel, "ColDay");
  type(panel, "ColName", QString());
  type(panel, "ColDescr", QString());
  note.answers = {false};
  doubleClickRow(list("Colallcols"), 3);
  QCOMPARE(text(panel, "ColNumber"), QStringLiteral("1004"));
  QCOMPARE(text(panel, "ColDescr"), QString(40, QChar(u'述')));
  QCOMPARE(text(panel, "ColDay"), day);
  QCOMPARE(lines(list("Colallloc")), (QStringList{"A-01 泵", "C-01 风机"}));

  // Adding again under the same name makes no second collection.
  note.clear();
  click(panel, "ColNewone");
  QCOMPARE(note.texts(), QStringList{"集合名称有重复，请使用另一个名称。"});
  QCOMPARE(list("Colallcols")->count(), 4);
}

void TestCollection::unsavedChangesAreAskedAbout() {
  RecordingNotifier note;
  click(panel, "ColGetcols");
  // Without a shown number Yes runs the save, which refuses: the typing stays.
  type(panel, "ColName", QStringLiteral("正在输入"));
  note.answers = {true};
  doubleClickRow(list("Colallcols"), 0);
  QCOMPARE(note.texts(), (QStringList{"左边集合的内容已被更改，你需要保存它吗？",
                                      "更改集合必须从集合清单中选择，如果希望增加一个集合，请点击“新增一个集合”。"}));
  QCOMPARE(text(panel, "ColName"), QStringLiteral("正在输入"));
  QCOMPARE(text(panel, "ColNumber"), QString());

  // No drops the typing and shows the collection.
  note.clear();
  note.answers = {false};
  doubleClickRow(list("Colallcols"), 0);
  QCOMPARE(note.questions, QStringList{"左边集合的内容已被更改，你需要保存它吗？"});
  QCOMPARE(text(panel, "ColName"), QStringLiteral("乙组"));

  // Once shown, another double-click asks nothing.
  note.clear();
  doubleClickRow(list("Colallcols"), 2);
  QVERIFY(note.shown.empty());
  QCOMPARE(text(panel, "ColName"), QStringLiteral("丙组"));

  // A double-click below the rows with nothing selected shows the first.
  list("Colallcols")->clearSelection();
  doubleClickRow(list("Colallcols"), -1);
  QCOMPARE(text(panel, "ColName"), QStringLiteral("乙组"));
}

void TestCollection::referencedCollectionAsksBeforeSaving() {
  RecordingNotifier note;
  click(panel, "ColGetcols");
  auto added = serverCall(s.port(), u"PRENEW", {u"计划", u"每月检查一次泵组", u"1001", u"乙组", u"li", u"45000", u"1", u"3", u"1"});
  QVERIFY(added.starts_with(u"IGOTIT"));
  QVERIFY(serverCall(s.port(), u"PWOAPP", {added.substr(6, 4)}).starts_with(u"IGOTIT"));

  // The count of the last listing decides: none yet.
  doubleClickRow(list("Colallcols"), 0);
  QCOMPARE(panel->state().colList[0].refer, 0);

  click(panel, "ColGetcols");
  QCOMPARE(panel->state().colList[0].refer, 1);
  note.answers = {false};
  click(panel, "ColReplace");
  QCOMPARE(note.texts(), QStringList{"本个集合已有引用，保存修改将令原先的引用失效，真的继续吗？"});
  QVERIFY(s.w->main->Timer1()->isActive());
  QCOMPARE(text(panel, "ColDay"), QStringLiteral("2023-3-15 12:0:0"));

  note.clear();
  note.answers = {true};
  click(panel, "ColReplace");
  QCOMPARE(note.texts(), (QStringList{"本个集合已有引用，保存修改将令原先的引用失效，真的继续吗？",
                                      "设备集合“1001”修改成功。"}));
  QCOMPARE(panel->state().colList[0].refer, 0);
  QCOMPARE(panel->state().colList[0].iday, text(panel, "ColDay"));
  QVERIFY(text(panel, "ColDay") != QStringLiteral("2023-3-15 12:0:0"));
}

void TestCollection::savingADeletedCollectionIsRefused() {
  RecordingNotifier note;
  click(panel, "ColGetcols");
  doubleClickRow(list("Colallcols"), 2);
  click(panel, "ColDelete");
  QCOMPARE(note.texts(), QStringList{"集合已成功删除"});
  QCOMPARE(list("Colallcols")->count(), 3);  // until the next listing
  QCOMPARE(text(panel, "ColNumber"), QStringLiteral("1003"));

  note.clear();
  click(panel, "ColReplace");
  QCOMPARE(note.texts(), QStringList{"数据库找不到这个集合，它可能已被删除"});
  note.clear();
  click(panel, "ColDelete");
  QCOMPARE(note.texts(), QStringList{"没有这个集合，可能它已被删除了"});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);

  click(panel, "ColGetcols");
  QCOMPARE(list("Colallcols")->count(), 2);
}

void TestCollection::choiceButtons() {
  RecordingNotifier note;
  QVERIFY(!control<QAbstractButton>(panel, "Colchoo")->isEnabled());
  QVERIFY(!control<QAbstractButton>(panel, "Colretu")->isEnabled());

  auto* orders = s.w->main->fraPreWO();
  s.w->main->optionButton("PreOrder")->click();
  click(orders, "pWOfin");
  QVERIFY(s.w->main->OFrame() == panel);
  QCOMPARE(s.w->main->findChild<QGroupBox*>("FraAlls")->title(), QStringLiteral("预备工单"));
  QVERIFY(control<QAbstractButton>(panel, "Colchoo")->isEnabled());
  click(panel, "ColGetcols");
  click(panel, "Colchoo");
  QCOMPARE(note.texts(), QStringList{"请先选定一个条目"});
  QVERIFY(s.w->main->OFrame() == panel);

  click(panel, "Colretu");
  QVERIFY(s.w->main->OFrame() == orders);
  QCOMPARE(text(orders, "pWOcnu"), QString());

  click(orders, "pWOfin");
  list("Colallcols")->item(1)->setSelected(true);
  type(panel, "ColName", QStringLiteral("未保存的名称"));
  click(panel, "Colchoo");
  QVERIFY(s.w->main->OFrame() == orders);
  QCOMPARE(text(orders, "pWOcnu"), QStringLiteral("1002"));
  QCOMPARE(text(orders, "pWOcna"), QStringLiteral("甲组"));

  s.w->main->optionButton("Routes")->click();
  QVERIFY(!control<QAbstractButton>(panel, "Colchoo")->isEnabled());
  QCOMPARE(text(panel, "ColName"), QStringLiteral("未保存的名称"));
}

QTEST_MAIN(TestCollection)
#include "test_collection.moc"
