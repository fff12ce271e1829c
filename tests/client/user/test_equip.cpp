// The one-equipment form against the real server: the empty form of
// "增加设备", the checks and replies of an add, the counters and the date
// key.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>
#include <cmath>

#include "client/common/clock.h"
#include "client/user/fraoneequ.h"
#include "client/user/rows.h"
#include "client/user/usertables.h"
#include "protocol/daynum.h"
#include "tests/client/user/equiptest.h"

using namespace tavtest;
using tav::user::FraOneEqu;

namespace {

void seed(ServerDir& d) {
  addUser(d, "keeper", 8 | 16 | 2, 0, u"pw", "管理员");
  addEquipment(d, {{10001, "泵", "A-01"}, {10002, "旧泵", "A-09", 4}});
}

// The register's row of equipment `name` as the server lists it.
std::vector<std::u16string> storedRow(int port, const std::u16string& name) {
  std::vector<std::u16string> row;
  for (const auto& r : serverList(port, u"QUICKYASSET"))
    if (r[1] == name) row = r;
  return row;
}

}  // namespace

class TestEquip : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    QVERIFY(s.start(seed, "report"));
    form = s.w->main->fraOneEqu();
  }
  void cleanup() { s.stop(); }
  void newEquipmentFormIsEmpty();
  void addChecks_data();
  void addChecks();
  void scrappedAddIsAskedFirst();
  void addSendsTheCutTexts();
  void aLocationTakenInAnotherCaseIsRefused();
  void countersAndTheDateKey();

 private:
  void fill(const QString& name, const QString& locat, int level, int use) {
    type(form, "oename", name);
    type(form, "oelocat", locat);
    control<QComboBox>(form, "oelevel")->setCurrentIndex(level);
    control<QComboBox>(form, "oeuse")->setCurrentIndex(use);
  }
  KeeperSession s;
  FraOneEqu* form = nullptr;
};

void TestEquip::newEquipmentFormIsEmpty() {
  QVERIFY(s.w->main->OFrame() == form);
  QCOMPARE(s.w->main->findChild<QGroupBox*>("FraAlls")->title(), QStringLiteral("增加设备"));
  QCOMPARE(control<QComboBox>(form, "oelevel")->currentIndex(), -1);
  QCOMPARE(control<QComboBox>(form, "oeuse")->currentIndex(), -1);
  QVERIFY(!control<QWidget>(form, "oereturn")->isEnabled());
  QVERIFY(!form->fromList());
  type(form, "oename", QStringLiteral("残留"));
  s.w->main->optionButton("PreOrder")->click();
  s.w->main->optionButton("report")->click();
  QCOMPARE(text(form, "oename"), QString());
}

void TestEquip::addChecks_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("locat");
  QTest::addColumn<int>("level");
  QTest::addColumn<int>("use");
  QTest::addColumn<QString>("buy");
  QTest::addColumn<QString>("scrap");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("focus");
  QTest::newRow("no name") << "" << "B-01" << 0 << 0 << "" << "" << "设备名称不可空" << "oename";
  QTest::newRow("no level") << "泵" << "B-01" << -1 << 0 << "" << "" << "设备级别是必选项" << "oelevel";
  QTest::newRow("no state") << "泵" << "B-01" << 0 << -1 << "" << "" << "服役状态是必选项" << "oeuse";
  QTest::newRow("in use, no location") << "泵" << "" << 0 << 0 << "" << "" << "在用的设备功能位置不可空"
                                       << "oelocat";
  QTest::newRow("purchase date 15.3") << "泵" << "B-01" << 0 << 1 << "15.3" << ""
                                      << "“购买日期”不是一个合法的日期格式，正确的格式应是“yyyy-m-d”。"
                                      << "oebuyday";
  QTest::newRow("scrap date 2024-2-32") << "泵" << "B-01" << 0 << 1 << "" << "2024-2-32"
                                        << "“报废日期”不是一个合法的日期格式，正确的格式应是“yyyy-m-d”。"
                                        << "oeulday";
}

void TestEquip::addChecks() {
  QFETCH(QString, name);
  QFETCH(QString, locat);
  QFETCH(int, level);
  QFETCH(int, use);
  QFETCH(QString, buy);
  QFETCH(QString, scrap);
  QFETCH(QString, message);
  QFETCH(QString, focus);
  RecordingNotifier note;
  fill(name, locat, level, use);
  type(form, "oebuyday", buy);
  type(form, "oeulday", scrap);
  click(form, "oeAdd");
  QCOMPARE(note.texts(), QStringList{message});
  QCOMPARE(note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(QApplication::focusWidget(), control(form, focus.toLatin1().constData()));
  QCOMPARE(serverList(s.port(), u"QUICKYASSET").size(), size_t(2));  // nothing was added
}

void TestEquip::scrappedAddIsAskedFirst() {
  RecordingNotifier note;
  fill(QStringLiteral("报废泵"), QString(), 1, 3);
  note.answers = {false};
  click(form, "oeAdd");
  QCOMPARE(note.texts(), QStringList{"真的要增加一台“已报废”的设备吗？"});
  QVERIFY(storedRow(s.port(), u"报废泵").empty());

  note.clear();
  note.answers = {true};
  click(form, "oeAdd");
  QCOMPARE(note.texts(), (QStringList{"真的要增加一台“已报废”的设备吗？", "新设备添加成功。"}));
  auto row = storedRow(s.port(), u"报废泵");
  QCOMPARE(row.size(), size_t(10));
  QCOMPARE(QString::fromStdU16String(row[3]), QStringLiteral("0"));  // empty purchase date
  QCOMPARE(QString::fromStdU16String(row[7]), QStringLiteral("4"));
  QVERIFY(!row[8].empty());  // the server's today as scrap day
  QCOMPARE(text(form, "oename"), QStringLiteral("报废泵"));  // the form keeps its content
}

void TestEquip::addSendsTheCutTexts() {
  RecordingNotifier note;
  const QString name25 = QStringLiteral("一二三四五六七八九十一二三四五六七八九十甲乙丙丁戊");
  fill(name25, QString(), 2, 1);  // 正常备用 needs no location
  type(form, "oebuyday", QStringLiteral("3-15"));
  type(form, "oecomm", QString(105, QChar(u'注')));
  click(form, "oeAdd");
  QCOMPARE(note.texts(), QStringList{"新设备添加成功。"});
  QCOMPARE(text(form, "oename"), name25.left(20));
  QCOMPARE(text(form, "oecomm"), QString(100, QChar(u'注')));
  auto row = storedRow(s.port(), name25.left(20).toStdU16String());
  QCOMPARE(row.size(), size_t(10));
  const int year = tav::civilFromDay(tav::user::clientToday()).y;
  QCOMPARE(QString::fromStdU16String(row[3]), QString::number(tav::dayFromCivil(year, 3, 15)));
  QCOMPARE(QString::fromStdU16String(row[2]), QString());
  QCOMPARE(QString::fromStdU16String(row[4]), QStringLiteral("3"));
  QCOMPARE(QString::fromStdU16String(row[7]), QStringLiteral("2"));
  QCOMPARE(QString::fromStdU16String(row[8]), QString());
  QCOMPARE(row[9].size(), size_t(100));
}

void TestEquip::aLocationTakenInAnotherCaseIsRefused() {
  RecordingNotifier note;
  fill(QStringLiteral("新泵"), QStringLiteral("a-01"), 0, 0);
  click(form, "oeAdd");
  QCOMPARE(note.texts(), QStringList{"每个功能位置只能有一台设备，但该位置已被占用，请另使用一个位置。"});
  QVERIFY(storedRow(s.port(), u"新泵").empty());
}

void TestEquip::countersAndTheDateKey() {
  QCOMPARE(control<QLabel>(form, "Labpara")->text(), QStringLiteral("还有50字"));
  type(form, "oecomm", QString(105, QChar(u'x')));
  QCOMPARE(control<QLabel>(form, "Labcomm")->text(), QStringLiteral("还有-5字"));
  type(form, "oemade", QStringLiteral("厂"));
  QCOMPARE(control<QLabel>(form, "Labmade")->text(), QStringLiteral("还有49字"));

  for (const char* name : {"oebuyday", "oeulday"}) {
    auto* box = control<QLineEdit>(form, name);
    box->setText(QStringLiteral("2020-1-1"));
    const double now = tav::client::localNow() + tav::user::timeDiff();
    QTest::keyClick(box, Qt::Key_Space);
    QCOMPARE(box->text(), tav::user::dayText(static_cast<int32_t>(std::floor(now))));
    QTest::keyClick(box, Qt::Key_A);
    QVERIFY(box->text().endsWith('a'));
  }
}

QTEST_MAIN(TestEquip)
#include "test_equip.moc"
