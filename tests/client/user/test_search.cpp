// The searches' requests and replies byte for byte against a scripted peer:
// the advanced search's conditions and value conversions, the quick
// search's pairs and its refused date, the saved search's save and
// deletion with every reply, the replies that leave the lists alone, and
// the forms that stay while their own request waits.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QtTest>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

#include "client/common/session.h"
#include "client/user/condrow.h"
#include "client/user/fraperson.h"
#include "client/user/fraworko.h"
#include "client/user/frmadvance.h"
#include "client/user/frmsave.h"
#include "client/user/grid.h"
#include "client/user/listreply.h"
#include "protocol/daynum.h"
#include "tests/client/user/searchpeer.h"

using namespace tavtest;
using namespace tav::user;

namespace {

// A row of conditions: field position, comparison, value, and the flags
// "(", ")" and "F" (or).
struct Cond {
  int field, crit;
  QString value, flags;
};

void fillRows(CondRows* rows, QWidget* form, const QList<Cond>& conds) {
  for (int i = 0; i < conds.size(); ++i) {
    if (i > 0) form->findChild<QToolButton*>("addone")->click();
    const Cond& c = conds[i];
    rows->fieldBox(i)->setCurrentIndex(c.field);
    form->findChild<QComboBox*>(QStringLiteral("Critc_%1").arg(i))->setCurrentIndex(c.crit);
    rows->valueBox(i)->setEditText(c.value);
    if (c.flags.contains('(')) form->findChild<QToolButton*>(QStringLiteral("breL_%1").arg(i))->click();
    if (c.flags.contains(')')) form->findChild<QToolButton*>(QStringLiteral("breR_%1").arg(i))->click();
    if (c.flags.contains('F')) form->findChild<QToolButton*>(QStringLiteral("aoa_%1").arg(i))->click();
  }
}

}  // namespace

Q_DECLARE_METATYPE(Cond)

class TestSearch : public QObject {
  Q_OBJECT
 private slots:
  void advancedRequest_data();
  void advancedRequest();
  void advancedReplies_data();
  void advancedReplies();
  void quickRequest_data();
  void quickRequest();
  void quickDateRefused_data();
  void quickDateRefused();
  void presetRequest_data();
  void presetRequest();
  void saveRequestAndReplies_data();
  void saveRequestAndReplies();
  void deletion_data();
  void deletion();
  void deletionOnlyWhileIdle();
  void advancedFormStaysWhileItsSearchRuns();
  void saveFormStaysWhileItsRequestRuns();
  void rowLimitsAndWindow();
  void valueListsFollowTheField();
  void connectorNamesItsState();
};

void TestSearch::advancedRequest_data() {
  QTest::addColumn<bool>("workOrders");
  QTest::addColumn<bool>("old");
  QTest::addColumn<QList<Cond>>("conds");
  QTest::addColumn<QString>("request");
  auto wo = [](const char* name, QList<Cond> c, const QString& r, bool old = false) {
    QTest::newRow(name) << true << old << c << r;
  };
  wo("工单编号 = 5", {{0, 0, "5", ""}}, "ADVAWO0|bill_id|0|5||T#");
  wo("old orders too", {{0, 0, "5", ""}}, "ADVAWO1|bill_id|0|5||T#", true);
  wo("3-15 in 描述 as typed", {{2, 6, "3-15", ""}}, "ADVAWO0|description|6|3-15||T#");
  wo("3-15 in 创建日期 as its day", {{9, 3, "3-15", ""}}, "ADVAWO0|created_date|3|" + day(Year, 3, 15) + "||T#");
  wo("2004-13-1 is no date", {{13, 0, "2004-13-1", ""}}, "ADVAWO0|compl_date|0|2004-13-1||T#");
  wo("known status", {{3, 0, "维修中", ""}}, "ADVAWO0|Status|0|4||T#");
  wo("unknown status", {{3, 0, "无此状态", ""}}, "ADVAWO0|Status|0|0||T#");
  wo("known type", {{4, 5, "预防性维修", ""}}, "ADVAWO0|bill_type|5|PM||T#");
  wo("unknown type", {{4, 0, "XX", ""}}, "ADVAWO0|bill_type|0|OO||T#");
  wo("urgency word", {{5, 0, "请尽快", ""}}, "ADVAWO0|em_level|0|2||T#");
  wo("urgency 2.4", {{5, 1, "2.4", ""}}, "ADVAWO0|em_level|1|2||T#");
  wo("urgency 2.5 to even", {{5, 1, "2.5", ""}}, "ADVAWO0|em_level|1|2||T#");
  wo("urgency 3.5 to even", {{5, 1, "3.5", ""}}, "ADVAWO0|em_level|1|4||T#");
  wo("urgency neither word nor number", {{5, 0, "很急", ""}}, "ADVAWO0|em_level|0|-1||T#");
  wo("urgency beyond 32 bits", {{5, 0, "99999999999", ""}}, "ADVAWO0|em_level|0|-1||T#");
  wo("separators typed are dropped", {{2, 6, QStringLiteral("a") + QChar(24) + "b" + QChar(25), ""}},
     "ADVAWO0|description|6|ab||T#");
  wo("brackets and or", {{0, 1, "5", "(F"}, {1, 6, "泵", ")"}, {14, 0, "", ""}},
     "ADVAWO0(|bill_id|1|5||F#|comofequip|6|泵|)|T#|pointto|0|||T#");
  QTest::newRow("equipment without a flag") << false << false << QList<Cond>{{1, 6, "泵", ""}}
                                            << "ADVASS|equip_name|6|泵||T#";
  QTest::newRow("equipment level and state") << false << false
                                             << QList<Cond>{{4, 0, "重要", ""}, {7, 5, "已报废", ""}}
                                             << "ADVASS|equip_imp|0|2||T#|equip_use|5|4||T#";
  QTest::newRow("equipment dates") << false << false
                                   << QList<Cond>{{3, 3, "2020-1-2", ""}, {8, 0, "1-2", ""}, {9, 6, "1-2", ""}}
                                   << "ADVASS|buied_date|3|" + day(2020, 1, 2) + "||T#|uselessday|0|" +
                                          day(Year, 1, 2) + "||T#|memo|6|1-2||T#";
}

void TestSearch::advancedRequest() {
  QFETCH(bool, workOrders);
  QFETCH(bool, old);
  QFETCH(QList<Cond>, conds);
  QFETCH(QString, request);
  Logged s(1 | 32);
  FrmAdvance* f =
      FrmAdvance::open(&s.main(), workOrders ? FrmAdvance::Mode::WorkOrders : FrmAdvance::Mode::Equipment);
  fillRows(f->rows(), f, conds);
  auto* inc = f->findChild<QCheckBox*>("IncHis");
  QCOMPARE(inc->isEnabled(), workOrders);
  inc->setChecked(old);
  f->findChild<QPushButton*>("CmdOK")->click();
  QCOMPARE(s.w.got(), std::vector<std::string>{bytes(request) + End});
  QVERIFY(s.note.shown.empty());
  QVERIFY(session().idle());
  QCOMPARE(s.main().LabStat()->text(), QStringLiteral(" TAVuser - 就绪"));
  QVERIFY(f->isVisible());  // the form stays for the next search
}

void TestSearch::advancedReplies_data() {
  QTest::addColumn<bool>("workOrders");
  QTest::addColumn<bool>("old");
  QTest::addColumn<QByteArray>("reply");
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("woAfter");
  QTest::addColumn<int>("equAfter");
  auto raw = [](const QString& s) { return QByteArray::fromStdString(bytes(s) + End); };
  QTest::newRow("NLEGAL, 14 bytes") << true << false << raw("NLEGAL") << "表达式有错。比如括号是不可以嵌套的" << 3 << 2;
  QTest::newRow("nlegal in small letters") << true << false << raw("nlegal") << "表达式有错。比如括号是不可以嵌套的" << 3
                                           << 2;
  QTest::newRow("NLEGAL for equipment") << false << false << raw("NLEGAL") << "表达式有错。比如括号是不可以嵌套的" << 3
                                        << 2;
  QTest::newRow("longer text beginning NLEGAL is a list") << true << false << raw("NLEGAL|") << "" << 0 << 2;
  QTest::newRow("WROPOW to the old orders") << true << true << raw("WROPOW") << "你没有这权限" << 3 << 2;
  QTest::newRow("old orders carry their store") << true << true << raw(orderRecord(7, 1) + orderRecord(8, 0)) << ""
                                                << 2 << 2;
  QTest::newRow("equipment list") << false << false << raw(equipmentRecord(1) + equipmentRecord(2) + equipmentRecord(3))
                                  << "" << 3 << 3;
  QTest::newRow("no equipment matches") << false << false << raw("") << "" << 3 << 0;
}

void TestSearch::advancedReplies() {
  QFETCH(bool, workOrders);
  QFETCH(bool, old);
  QFETCH(QByteArray, reply);
  QFETCH(QString, message);
  QFETCH(int, woAfter);
  QFETCH(int, equAfter);
  Logged s(1 | 32);
  showWoList(s.main(), readWoRecords(wire(orderRecord(1) + orderRecord(2) + orderRecord(3)), WoFieldsWithStore));
  showEquList(s.main(), readEquRecords(wire(equipmentRecord(1) + equipmentRecord(2))));
  s.main().fraWorkO()->grid()->vBar()->setValue(1);
  s.w.reply(reply.toStdString());
  FrmAdvance* f =
      FrmAdvance::open(&s.main(), workOrders ? FrmAdvance::Mode::WorkOrders : FrmAdvance::Mode::Equipment);
  f->findChild<QCheckBox*>("IncHis")->setChecked(old);
  f->CmdOK_Click();
  QCOMPARE(s.note.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
  if (!message.isEmpty()) QCOMPARE(s.note.shown[0].icon, tav::client::Icon::Information);
  const Lists& l = s.main().lists();
  QCOMPARE(int(l.woRecords.size()), woAfter);
  QCOMPARE(int(l.equRecords.size()), equAfter);
  if (old && woAfter == 2) {
    QCOMPARE(l.woRecords[0].isNew, int16_t(1));
    QCOMPARE(l.woRecords[1].isNew, int16_t(0));
    QCOMPARE(l.woRecords[1].bill_id, 8);
  }
  QCOMPARE(s.main().fraWorkO()->findChild<QPushButton*>("WO_Detail")->isEnabled(), woAfter > 0);
  QVERIFY(session().idle());
}

void TestSearch::quickRequest_data() {
  QTest::addColumn<QVariantMap>("boxes");  // column -> text ("4": status entry)
  QTest::addColumn<QString>("request");
  QTest::newRow("工单编号 12") << QVariantMap{{"1", "12"}} << "QUICKYWORKObill_id|12|";
  QTest::newRow("status and a date") << QVariantMap{{"4", 3}, {"10", "2005-3-1"}}
                                     << "QUICKYWORKOStatus|4|created_date|" + day(2005, 3, 1) + "|";
  QTest::newRow("in column order, month-day dates") << QVariantMap{{"15", "李"}, {"2", "泵"}, {"14", "3-1"}}
                                                    << "QUICKYWORKOcomofequip|泵|compl_date|" + day(Year, 3, 1) +
                                                           "|pointto|李|";
}

void TestSearch::quickRequest() {
  QFETCH(QVariantMap, boxes);
  QFETCH(QString, request);
  Logged s;
  ListGrid* g = s.main().fraWorkO()->grid();
  for (auto it = boxes.begin(); it != boxes.end(); ++it) {
    const int column = it.key().toInt();
    if (column == 4)
      g->comboBox()->setCurrentIndex(it.value().toInt());
    else
      g->box(column)->setText(it.value().toString());
  }
  QStringList quick;
  for (int i = 1; i <= 21; ++i) quick << QStringLiteral("%1|10001|泵|描述|4|CM|2|0|u|名|45000|0|45001|0|||||x|#").arg(i);
  s.w.reply(bytes(quick.join(QString())) + End);
  s.main().fraWorkO()->findChild<QPushButton*>("WO_Search")->click();
  QCOMPARE(s.w.got(), std::vector<std::string>{bytes(request) + End});
  QVERIFY(s.note.shown.empty());
  // The 19-field records: current orders, 21 of them.
  const Lists& l = s.main().lists();
  QCOMPARE(int(l.woRecords.size()), 21);
  QCOMPARE(l.woRecords[20].bill_id, 21);
  QCOMPARE(l.woRecords[20].isNew, int16_t(1));
  QCOMPARE(l.woRows, 20);
  QVERIFY(g->vBar()->isEnabled());
  QCOMPARE(g->vBar()->maximum(), 2);
  // The boxes keep their texts.
  if (boxes.contains("1")) QCOMPARE(g->box(1)->text(), QStringLiteral("12"));
}

void TestSearch::quickDateRefused_data() {
  QTest::addColumn<int>("column");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("caption");
  QTest::newRow("完成日期 month 13") << 11 << "2005-13-1" << "完成日期";
  QTest::newRow("要求开始日期 not a date") << 13 << "下周" << "要求开始日期";
  QTest::newRow("创建日期 day 32") << 10 << "3-32" << "创建日期";
}

void TestSearch::quickDateRefused() {
  QFETCH(int, column);
  QFETCH(QString, text);
  QFETCH(QString, caption);
  Logged s;
  ListGrid* g = s.main().fraWorkO()->grid();
  g->box(1)->setText("12");
  g->box(column)->setText(text);
  s.main().fraWorkO()->WO_Search_Click();
  QCOMPARE(s.note.texts(), QStringList{QStringLiteral("“%1”不是一个合法的日期格式，正确的格式应是“yyyy-M-d”。").arg(caption)});
  QCOMPARE(s.note.shown[0].icon, tav::client::Icon::Information);
  QCOMPARE(s.main().focusWidget(), g->box(column));
  QVERIFY(s.w.got().empty());
  QVERIFY(session().idle());
}

void TestSearch::presetRequest_data() {
  QTest::addColumn<QString>("conds");  // stored conditions text
  QTest::addColumn<QString>("request");
  QTest::addColumn<QString>("message");
  QTest::newRow("names turned into codes")
      << "|3|0|维修中||T|(|4|0|预防性维修||F||5|0|请尽快|)|T|"
      << "ADVAWO0|Status|0|4||T#(|bill_type|0|PM||F#|em_level|0|2|)|T#" << "";
  QTest::newRow("names that name nothing")
      << "|3|0|无||T||4|0|无||T||5|0|很急||T||12|0|乱写||T|"
      << "ADVAWO0|Status|0|0||T#|bill_type|0|OO||T#|em_level|0|0||T#|begin_date|0|OO||T#" << "";
  QTest::newRow("a date and a named date")
      << "|9|3|3-15||T||10|4|今天||T|" << "ADVAWO0|created_date|3|" + day(Year, 3, 15) + "||T#|done_date|4|" +
                                                 day(Year, 3, 15) + "||T#"
      << "";
  QTest::newRow("a position beyond the list names no field") << "|20|0|5||T|" << "ADVAWO0||0|5||T#" << "";
  QTest::newRow("unbalanced brackets are refused first")
      << "(|0|0|5||T||1|0|x||T|" << "" << "括号的设定有错误，请到“个人设定”→“工单快搜设定”处重写";
}

void TestSearch::presetRequest() {
  QFETCH(QString, conds);
  QFETCH(QString, request);
  QFETCH(QString, message);
  Logged s(1, conds + "#0|True|0|True|0|True|#名#" + QString(9, QLatin1Char('#')));
  auto* run = s.main().fraWorkO()->findChild<QPushButton*>("WO_Presave_1");
  QVERIFY(run->isEnabled());
  QCOMPARE(run->text(), QStringLiteral("名"));
  run->click();
  QCOMPARE(s.note.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
  QCOMPARE(s.w.got(), request.isEmpty() ? std::vector<std::string>{} : std::vector<std::string>{bytes(request) + End});
  QVERIFY(session().idle());
}

void TestSearch::saveRequestAndReplies_data() {
  QTest::addColumn<QString>("reply");
  QTest::addColumn<QString>("message");
  QTest::addColumn<bool>("stored");
  QTest::addColumn<bool>("stays");
  QTest::newRow("IGOTIT") << "IGOTIT" << "已经按设定的内容保存在用户信息里" << true << false;
  QTest::newRow("SEARCH") << "SEARCH" << "设定的搜索条件内容太长，请删减部分内容再试" << false << false;
  QTest::newRow("NAMETO keeps the form") << "NAMETO" << "命名太长，请使用较短的名称" << false << true;
  QTest::newRow("NOTHIS") << "NOTHIS" << "服务器响应错误：NOTHIS" << false << false;
  QTest::newRow("UWRONG") << "UWRONG" << "服务器响应错误：UWRONG" << false << false;
}

void TestSearch::saveRequestAndReplies() {
  QFETCH(QString, reply);
  QFETCH(QString, message);
  QFETCH(bool, stored);
  QFETCH(bool, stays);
  Logged s;
  s.w.reply(tav::toUtf16le(wire(reply)));
  FrmSave form(&s.main(), 2);
  form.show();
  QCOMPARE(form.windowTitle(), QStringLiteral("工单快搜设定 2"));
  form.rows()->valueBox(0)->setEditText("5");
  form.CmdOK_Click();
  // The example: one row 工单编号 = 5, the default keys, no name.
  QCOMPARE(s.w.got(), std::vector<std::string>{bytes("WOSAVE2||0|0|5||T|#0|True|3|True|8|True|#") + End});
  QCOMPARE(s.note.texts(), QStringList{message});
  QCOMPARE(s.note.shown[0].icon, message.startsWith("服务器") ? tav::client::Icon::Critical
                                                              : tav::client::Icon::Information);
  QCOMPARE(form.isVisible(), stays);
  const WOPreset& p = tables().woPreset[1];
  QCOMPARE(p.set, stored);
  auto* run = s.main().fraWorkO()->findChild<QPushButton*>("WO_Presave_2");
  auto* edit = s.main().fraPerson()->findChild<QPushButton*>("WO_save_2");
  QCOMPARE(run->isEnabled(), stored);
  QCOMPARE(run->text(), stored ? QString() : QStringLiteral("未设定"));
  QCOMPARE(edit->font().italic(), !stored);
  if (stored) {
    QCOMPARE(int(p.conds.size()), 1);
    QCOMPARE(p.conds[0].value, QStringLiteral("5"));
    QCOMPARE(p.sort[1].column, 3);
  }
  if (stays) QCOMPARE(form.focusWidget(), form.findChild<QLineEdit*>("sName"));
  QVERIFY(session().idle());
}

void TestSearch::deletion_data() {
  QTest::addColumn<QString>("reply");
  QTest::addColumn<QString>("message");
  QTest::addColumn<bool>("cleared");
  QTest::newRow("IGOTIT") << "IGOTIT" << "本设定已经清除" << true;
  QTest::newRow("UWRONG") << "UWRONG" << "服务器响应错误：UWRONG" << false;
}

void TestSearch::deletion() {
  QFETCH(QString, reply);
  QFETCH(QString, message);
  QFETCH(bool, cleared);
  Logged s(1, "###|0|0|5||T|#0|True|3|True|8|True|#二号#" + QString(6, QLatin1Char('#')));
  QVERIFY(tables().woPreset[1].set);
  QCOMPARE(s.main().fraPerson()->findChild<QPushButton*>("WO_save_2")->text(), QStringLiteral("二号"));
  s.w.reply(tav::toUtf16le(wire(reply)));
  s.note.answers = {true};
  FrmSave form(&s.main(), 2);
  form.show();
  QCOMPARE(form.findChild<QLineEdit*>("sName")->text(), QStringLiteral("二号"));
  const QString status = s.main().LabStat()->text();
  form.canDel_Click();
  QCOMPARE(s.note.questions, QStringList{QStringLiteral("这将删除本条设定，真的要继续吗？")});
  const std::vector<std::string> sent{bytes("WODELE2") + End};
  QCOMPARE(s.w.got(), sent);
  QCOMPARE(int(sent[0].size()), 16);
  QCOMPARE(s.note.texts().last(), message);
  QCOMPARE(form.isVisible(), !cleared);
  QCOMPARE(tables().woPreset[1].set, !cleared);
  auto* run = s.main().fraWorkO()->findChild<QPushButton*>("WO_Presave_2");
  auto* edit = s.main().fraPerson()->findChild<QPushButton*>("WO_save_2");
  QCOMPARE(run->text(), cleared ? QStringLiteral("未设定") : QStringLiteral("二号"));
  QCOMPARE(run->isEnabled(), !cleared);
  QCOMPARE(edit->text(), cleared ? QStringLiteral("(未设定)") : QStringLiteral("二号"));
  QCOMPARE(edit->font().italic(), cleared);
  QCOMPARE(s.main().LabStat()->text(), status);
  QVERIFY(session().idle());
}

void TestSearch::deletionOnlyWhileIdle() {
  Logged s;
  FrmSave form(&s.main(), 1);
  s.note.answers = {true};
  session().setTimerEnabled(false);
  form.canDel_Click();
  form.CmdOK_Click();
  QVERIFY(s.note.shown.empty());
  QVERIFY(s.w.got().empty());
  session().setTimerEnabled(true);
}

void TestSearch::advancedFormStaysWhileItsSearchRuns() {
  Logged s;
  s.w.hold = true;
  QPointer<FrmAdvance> f = FrmAdvance::open(&s.main(), FrmAdvance::Mode::WorkOrders);
  bool tried = false;
  whenRequestHeld(s.w, [&] {
    f->findChild<QPushButton*>("cmdcan")->click();
    f->close();
    QVERIFY(!FrmAdvance::open(&s.main(), FrmAdvance::Mode::WorkOrders));
    QVERIFY(!FrmAdvance::open(&s.main(), FrmAdvance::Mode::Equipment));
    tried = true;
    s.w.hold = false;
  });
  f->CmdOK_Click();
  QVERIFY(tried);
  QVERIFY(f);
  QVERIFY(f->isVisible());
  QCOMPARE(s.main().frmAdvance.data(), f.data());
  // Once the search is over the openers start afresh.
  QPointer<FrmAdvance> fresh = FrmAdvance::open(&s.main(), FrmAdvance::Mode::Equipment);
  QVERIFY(fresh && fresh != f);
  QVERIFY(waitFor([&] { return !f; }));
}

void TestSearch::saveFormStaysWhileItsRequestRuns() {
  Logged s;
  s.w.hold = true;
  s.w.reply(tav::toUtf16le(u"IGOTIT"));
  FrmSave form(&s.main(), 3);
  form.show();
  bool tried = false;
  whenRequestHeld(s.w, [&] {
    form.findChild<QPushButton*>("cmdcan")->click();
    form.close();
    form.reject();
    tried = form.isVisible();
    s.w.hold = false;
  });
  form.CmdOK_Click();
  QVERIFY(tried);
  QVERIFY(!form.isVisible());  // closed by its own reply
  QVERIFY(tables().woPreset[2].set);
}

void TestSearch::rowLimitsAndWindow() {
  RecordingNotifier note;
  FrmMain main;
  FrmAdvance* f = FrmAdvance::open(&main, FrmAdvance::Mode::WorkOrders);
  const int height = f->height();
  auto* ok = f->findChild<QPushButton*>("CmdOK");
  const int okY = ok->y();
  f->findChild<QToolButton*>("subone")->click();  // one row: nothing
  QCOMPARE(f->rows()->rowCount(), 1);
  for (int i = 0; i < 45; ++i) f->addone_Click();
  QCOMPARE(f->rows()->rowCount(), 43);
  QCOMPARE(f->height(), height + 42 * 48);
  QCOMPARE(ok->y(), okY + 42 * 48);
  QVERIFY(note.shown.empty());
  QVERIFY(f->findChild<QToolButton*>("aoa_41")->isVisibleTo(f));
  QVERIFY(!f->findChild<QToolButton*>("aoa_42")->isVisibleTo(f));
  for (int i = 0; i < 42; ++i) f->subone_Click();
  QCOMPARE(f->height(), height);
  QCOMPARE(ok->y(), okY);
  QVERIFY(!f->findChild<QToolButton*>("aoa_0")->isVisibleTo(f));

  FrmSave save(&main, 1);
  const QSize size = save.size();
  for (int i = 0; i < 7; ++i) save.findChild<QToolButton*>("addone")->click();
  QCOMPARE(save.rows()->rowCount(), 8);
  QVERIFY(note.shown.empty());
  save.findChild<QToolButton*>("addone")->click();
  QCOMPARE(save.rows()->rowCount(), 8);
  QCOMPARE(note.texts(), QStringList{QStringLiteral("最多只能有八个条件")});
  QCOMPARE(save.size(), size);
}

void TestSearch::valueListsFollowTheField() {
  RecordingNotifier note;
  FrmMain main;
  FrmAdvance* f = FrmAdvance::open(&main, FrmAdvance::Mode::Equipment);
  QCOMPARE(f->windowTitle(), QStringLiteral("高级搜索(设备专用)"));
  CondRows* rows = f->rows();
  auto entries = [](QComboBox* b) {
    QStringList l;
    for (int i = 0; i < b->count(); ++i) l << b->itemText(i);
    return l;
  };
  rows->fieldBox(0)->setCurrentIndex(4);  // 级别
  rows->valueBox(0)->setEditText("typed");
  QCOMPARE(entries(rows->valueBox(0)), (QStringList{"核心", "重要", "普通", "辅助"}));
  rows->fieldBox(0)->setCurrentIndex(7);  // 状态
  QCOMPARE(entries(rows->valueBox(0)), (QStringList{"正常在用", "正常备用", "故障在修", "已报废"}));
  QCOMPARE(rows->valueBox(0)->currentText(), QStringLiteral("typed"));
  rows->fieldBox(0)->setCurrentIndex(1);
  QVERIFY(entries(rows->valueBox(0)).isEmpty());
  QCOMPARE(rows->valueBox(0)->currentText(), QStringLiteral("typed"));

  // A bracket that is off takes the button face's colour.
  auto* left = f->findChild<QToolButton*>("breL_0");
  QCOMPARE(left->palette().color(QPalette::ButtonText), f->palette().color(QPalette::Button));
  left->click();
  QCOMPARE(left->palette().color(QPalette::ButtonText), QColor(Qt::black));
  QVERIFY(!rows->bracketsBalanced());
  f->CmdOK_Click();
  QCOMPARE(note.texts(), QStringList{QStringLiteral("括号有错误，请重写")});

  FrmSave save(&main, 1);
  CondRows* srows = save.rows();
  srows->fieldBox(0)->setCurrentIndex(3);
  srows->valueBox(0)->setEditText("kept");
  srows->fieldBox(0)->setCurrentIndex(12);  // 要求开始日期
  QCOMPARE(entries(srows->valueBox(0)), dateName());
  QCOMPARE(srows->valueBox(0)->currentText(), QStringLiteral("kept"));
  srows->fieldBox(0)->setCurrentIndex(2);
  QVERIFY(entries(srows->valueBox(0)).isEmpty());
  QCOMPARE(srows->valueBox(0)->currentText(), QStringLiteral("kept"));
}


void TestSearch::connectorNamesItsState() {
  RecordingNotifier note;
  FrmMain main;
  auto heard = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
  FrmAdvance* f = FrmAdvance::open(&main, FrmAdvance::Mode::WorkOrders);
  QVERIFY(QTest::qWaitForWindowExposed(f));
  f->findChild<QToolButton*>("addone")->click();
  f->findChild<QToolButton*>("addone")->click();
  auto* first = f->findChild<QToolButton*>("aoa_0");
  auto* second = f->findChild<QToolButton*>("aoa_1");
  QCOMPARE(heard(first), QStringLiteral("连接 0 和"));
  QTest::mouseClick(first, Qt::LeftButton);
  QCOMPARE(first->text(), QStringLiteral("或"));
  QCOMPARE(heard(first), QStringLiteral("连接 0 或"));
  QCOMPARE(heard(second), QStringLiteral("连接 1 和"));
  QTest::mouseClick(first, Qt::LeftButton);
  QCOMPARE(heard(first), QStringLiteral("连接 0 和"));
  // The brackets still say whether they are on.
  auto* left = f->findChild<QToolButton*>("breL_1");
  QTest::mouseClick(left, Qt::LeftButton);
  QVERIFY(QAccessible::queryAccessibleInterface(left)->state().checked);

  // A saved search stored with "or" after its first row is heard as such.
  const WOPreset kept = tables().woPreset[0];
  WOPreset p;
  p.set = true;
  p.name = QStringLiteral("或者");
  SearchCond a, b;
  a.andNext = false;
  b.field = 3;
  p.conds = {a, b};
  tables().woPreset[0] = p;
  FrmSave save(&main, 1);
  tables().woPreset[0] = kept;
  QCOMPARE(save.rows()->rowCount(), 2);
  QCOMPARE(heard(save.findChild<QToolButton*>("aoa_0")), QStringLiteral("连接 0 或"));
  QCOMPARE(heard(save.findChild<QToolButton*>("aoa_1")), QStringLiteral("连接 1 和"));
}

QTEST_MAIN(TestSearch)
#include "test_search.moc"
