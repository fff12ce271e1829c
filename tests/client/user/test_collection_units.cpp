// The readers of the collection, location and preventive-order listings,
// the date-time texts, the packing of a collection's places, the quick
// search request and the description boxes' limit, without a server.
#include <QPlainTextEdit>
#include <QTest>

#include "client/user/collections.h"
#include "client/user/equipment.h"
#include "client/user/preventive.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"

using namespace tav::user;

namespace {

// "a|b|" style text: '|' stands for FieldSep and '#' for RecordSep.
std::u16string wire(const QString& s) {
  std::u16string r = s.toStdU16String();
  for (auto& c : r) {
    if (c == u'|') c = tav::FieldSep;
    if (c == u'#') c = tav::RecordSep;
  }
  return r;
}

}  // namespace

class TestCollectionUnits : public QObject {
  Q_OBJECT
 private slots:
  void dayTimes_data();
  void dayTimes();
  void collectionRecords();
  void placesArePacked();
  void preventiveRecords_data();
  void preventiveRecords();
  void ordersFoundByNumber();
  void quickSearchRequest();
  void descriptionStopsAtItsLimit();
};

void TestCollectionUnits::dayTimes_data() {
  QTest::addColumn<double>("days");
  QTest::addColumn<QString>("text");
  QTest::newRow("noon") << 45000.5 << "2023-3-15 12:0:0";
  QTest::newRow("seconds") << 45000.0 + (3600 * 9 + 60 * 5 + 7) / 86400.0 << "2023-3-15 9:5:7";
  QTest::newRow("zero") << 0.0 << "";
  QTest::newRow("negative") << -3.25 << "";
  QTest::newRow("beyond the calendar") << 1e300 << "";
}

void TestCollectionUnits::dayTimes() {
  QFETCH(double, days);
  QFETCH(QString, text);
  QCOMPARE(dayTimeText(days), text);
}

void TestCollectionUnits::collectionRecords() {
  QString first = "1001|泵组|说明|45000.5|k(管)|";
  for (int i = 1; i <= 20; ++i) first += i <= 2 ? QString("L-%1|机%1|").arg(i) : QString("||");
  first += "2.5|#";
  // A short record: the fields it lacks read as empty.
  const QString second = "1002|阀组|#";
  auto cols = parseCollections(wire(first + second + "tail"));
  QCOMPARE(cols.size(), size_t(2));
  QCOMPARE(cols[0].autonum, QStringLiteral("1001"));
  QCOMPARE(cols[0].iday, QStringLiteral("2023-3-15 12:0:0"));
  QCOMPARE(cols[0].places[1], (LocatPair{"L-2", "机2"}));
  QCOMPARE(cols[0].places[2], LocatPair{});
  QCOMPARE(cols[0].refer, 2);  // the nearest whole number, a half to the even one
  QCOMPARE(cols[1].name, QStringLiteral("阀组"));
  QCOMPARE(cols[1].iday, QString());
  QCOMPARE(cols[1].refer, 0);
  QCOMPARE(collectionRow(cols[1].autonum, cols[1].name), QStringLiteral(" 1002 阀组"));

  auto places = parseLocations(wire("B|泵|#|无位置|#A|阀|#"));
  QCOMPARE(places.size(), size_t(3));
  QCOMPARE(places[1], (LocatPair{"", "无位置"}));
  sortLocations(places);
  QCOMPARE(locationRow(places[2]), QStringLiteral("B 泵"));
}

void TestCollectionUnits::placesArePacked() {
  LocatTable t;
  t[0] = {"A", "泵"};
  t[2] = {"C", "阀"};
  t[19] = {"T", "机"};
  t[5] = {"", "只有名称"};
  LocatTable p = packedPlaces(t);
  QCOMPARE(p[0], t[0]);
  QCOMPARE(p[1], t[2]);
  QCOMPARE(p[2], t[19]);
  for (int i = 3; i < CollectionPlaces; ++i) QCOMPARE(p[static_cast<std::size_t>(i)], LocatPair{});
}

void TestCollectionUnits::preventiveRecords_data() {
  QTest::addColumn<QString>("record");
  QTest::addColumn<QString>("begday");
  QTest::addColumn<int>("perio");
  QTest::addColumn<bool>("isusing");
  QTest::addColumn<QString>("sday");
  QTest::addColumn<bool>("statu");
  QTest::newRow("approved")
      << "1001|计划|描述|1001|泵组|li|45000|1|3|1|管理员|keeper|45000.25|boss(老板)|45001.5|1|#" << "2023-3-15" << 3
      << true << "2023-3-15 6:0:0" << true;
  QTest::newRow("day rounded") << "1002|计划|||||45000.6||2|0||||||0|#" << "2023-3-16" << 2 << false << "" << false;
  QTest::newRow("empty numbers") << "1003|计划|||||||||||||||#" << "" << 0 << false << "" << false;
  QTest::newRow("day 0, zero set-up time") << "1004|计划|||||0||4|2|||0|||7|#" << "" << 4 << true << "" << true;
}

void TestCollectionUnits::preventiveRecords() {
  QFETCH(QString, record);
  QFETCH(QString, begday);
  QFETCH(int, perio);
  QFETCH(bool, isusing);
  QFETCH(QString, sday);
  QFETCH(bool, statu);
  auto list = parsePreventive(wire(record));
  QCOMPARE(list.size(), size_t(1));
  QCOMPARE(list[0].begday, begday);
  QCOMPARE(list[0].perio, perio);
  QCOMPARE(list[0].isusing, isusing);
  QCOMPARE(list[0].sday, sday);
  QCOMPARE(list[0].statu, statu);
}

void TestCollectionUnits::ordersFoundByNumber() {
  std::vector<PwoItem> list(3);
  list[0].Number = "1001";
  list[1].Number = "A1002";
  list[2].Number = "1002";
  QCOMPARE(findOrder(list, "a1002"), 1);
  QCOMPARE(findOrder(list, "1002"), 2);
  QCOMPARE(findOrder(list, "1003"), -1);
}

void TestCollectionUnits::quickSearchRequest() {
  std::array<QString, 10> boxes;
  QuickSearch none = quickSearch(boxes);
  QVERIFY(!none.anyBox);
  QCOMPARE(none.body, std::u16string(u"QUICKYASSET"));

  boxes[1] = QString("泵") + QChar(tav::FieldSep);  // a typed separator cannot shift the pairs
  boxes[3] = "2023-3-15";
  QuickSearch q = quickSearch(boxes);
  QVERIFY(q.anyBox);
  QCOMPARE(q.badBox, 0);
  QCOMPARE(q.body, wire("QUICKYASSETequip_name|泵|buied_date|45000|"));

  boxes[8] = "2023/3/15";
  q = quickSearch(boxes);
  QCOMPARE(q.badBox, 9);
  QVERIFY(q.body.empty());
}

void TestCollectionUnits::descriptionStopsAtItsLimit() {
  QPlainTextEdit box;
  limitLength(&box, 10);
  box.setPlainText("一二三四五六七八");
  QTextCursor c = box.textCursor();
  c.setPosition(4);
  box.setTextCursor(c);
  box.insertPlainText("甲乙丙丁");  // only two fit, where they were typed
  QCOMPARE(box.toPlainText(), QStringLiteral("一二三四甲乙五六七八"));
  QCOMPARE(box.textCursor().position(), 6);
  box.setPlainText(QString(12, QChar(u'字')));
  QCOMPARE(box.toPlainText(), QString(10, QChar(u'字')));
}

QTEST_MAIN(TestCollectionUnits)
#include "test_collection_units.moc"
