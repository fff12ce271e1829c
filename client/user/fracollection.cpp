// The collection panel: "GETCOL", showing one collection, "COLADD",
// "COLALT", "COLDEL", the picker's "ALLCOL", and the ways back to the
// preventive panel.
#include "client/user/fracollection.h"

#include <QCoreApplication>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/equipment.h"
#include "client/user/fraprewo.h"
#include "client/user/frmlocat.h"
#include "client/user/frmmain.h"
#include "client/user/gradereply.h"
#include "client/user/usertables.h"
#include "ui_fracollection.h"

namespace tav::user {

using namespace tav::client;

namespace {

const QString kNameMissing = QStringLiteral("“集合名称”是必填项。");
const QString kDescrMissing = QStringLiteral("“简要描述”是必填项。");
const QString kPlacesMissing = QStringLiteral("“所有功能位置列表”是必填项，要求至少选择一个功能位置。");

QString me() { return tables().myID + QLatin1Char('(') + tables().myName + QLatin1Char(')'); }

}  // namespace

FraCollection::FraCollection(FrmMain* main, QWidget* parent)
    : Panel(main, parent), ui(std::make_unique<Ui::FraCollection>()) {
  ui->setupUi(this);
  limitLength(ui->ColDescr, 40);
  auto edited = [this] {
    st_.colDirty = true;
    st_.colSynced = false;
  };
  connect(ui->ColName, &QLineEdit::textChanged, this, edited);
  connect(ui->ColDescr, &QPlainTextEdit::textChanged, this, edited);
  onDoubleClick(ui->Colallcols, [this] { Colallcols_DblClick(); });
  connect(ui->ColGetcols, &QPushButton::clicked, this, &FraCollection::ColGetcols_Click);
  connect(ui->ColNewone, &QPushButton::clicked, this, &FraCollection::ColNewone_Click);
  connect(ui->ColReplace, &QPushButton::clicked, this, &FraCollection::ColReplace_Click);
  connect(ui->ColDelete, &QPushButton::clicked, this, &FraCollection::ColDelete_Click);
  connect(ui->altcolle, &QPushButton::clicked, this, &FraCollection::altcolle_Click);
  connect(ui->Colchoo, &QPushButton::clicked, this, &FraCollection::Colchoo_Click);
  connect(ui->Colretu, &QPushButton::clicked, this, &FraCollection::Colretu_Click);
}

FraCollection::~FraCollection() = default;

void FraCollection::shown() {
  ui->Colchoo->setEnabled(false);
  ui->Colretu->setEnabled(false);
}

void FraCollection::openForChoice() {
  main_->showPanel(this, QStringLiteral("预备工单"), true);
  ui->Colchoo->setEnabled(true);
  ui->Colretu->setEnabled(true);
}

void FraCollection::logoff() {
  for (QLineEdit* box : {ui->ColNumber, ui->ColName, ui->ColDay, ui->ColPerson}) box->clear();
  ui->ColDescr->clear();
  ui->Colallloc->clear();
  ui->Colallcols->clear();
  st_.colList.clear();
  st_.locatList.clear();
  st_.colLoaded = st_.locatListLoaded = st_.colDirty = false;
}

void FraCollection::ColGetcols_Click() {
  Exchange ex(session(), familyTexts());
  if (!ex.start(u"GETCOL")) return;
  auto reply = ex.list();
  if (!reply) return;
  ui->Colallcols->clear();
  st_.colList = parseCollections(*reply);
  st_.colLoaded = !st_.colList.empty();
  for (const auto& c : st_.colList) ui->Colallcols->addItem(collectionRow(c.autonum, c.name));
}

void FraCollection::Colallcols_DblClick() {
  if (st_.colList.empty()) return;
  if (st_.colDirty && ask(QStringLiteral("左边集合的内容已被更改，你需要保存它吗？"))) {
    ColReplace_Click();
    if (!st_.colSynced) return;
  }
  const int k = static_cast<int>(maxOf(selectedRow(ui->Colallcols), 0));
  if (k >= static_cast<int>(st_.colList.size())) return;
  const ColItem& c = st_.colList[static_cast<std::size_t>(k)];
  ui->ColNumber->setText(c.autonum);
  ui->ColName->setText(c.name);
  ui->ColDescr->setPlainText(c.descr);
  ui->ColDay->setText(c.iday);
  ui->ColPerson->setText(c.person);
  // Every used place is shown, also those after a free one.
  st_.colLocat = packedPlaces(c.places);
  showPlaces();
  QCoreApplication::processEvents();
  st_.colDirty = false;
  st_.colSynced = true;
}

void FraCollection::showPlaces() {
  ui->Colallloc->clear();
  for (const auto& p : st_.colLocat)
    if (!p.locat.isEmpty()) ui->Colallloc->addItem(locationRow(p));
}

void FraCollection::markSynced() {
  st_.colDirty = false;
  st_.colSynced = true;
}

int FraCollection::entryOf(const QString& number) const {
  const int32_t n = numberOf(us(number));
  for (std::size_t i = 0; i < st_.colList.size(); ++i)
    if (numberOf(us(st_.colList[i].autonum)) == n) return static_cast<int>(i);
  return -1;
}

bool FraCollection::fieldChecks() {
  if (ui->ColName->text().isEmpty()) {
    inform(kNameMissing);
    ui->ColName->setFocus();
    return false;
  }
  if (ui->ColDescr->toPlainText().isEmpty()) {
    inform(kDescrMissing);
    ui->ColDescr->setFocus();
    return false;
  }
  if (ui->Colallloc->count() == 0) {
    inform(kPlacesMissing);
    ui->altcolle->setFocus();
    return false;
  }
  return true;
}

std::vector<std::u16string> FraCollection::collectionFields() {
  if (ui->ColName->text().size() > 20) ui->ColName->setText(ui->ColName->text().left(20));
  if (ui->ColDescr->toPlainText().size() > 40) ui->ColDescr->setPlainText(ui->ColDescr->toPlainText().left(40));
  std::vector<std::u16string> f{cleanField(ui->ColName->text()), cleanField(ui->ColDescr->toPlainText())};
  for (const auto& p : st_.colLocat) {
    f.push_back(cleanField(p.locat));
    f.push_back(cleanField(p.equName));
  }
  return f;
}

void FraCollection::ColNewone_Click() {
  if (!session().idle() || !fieldChecks()) return;
  Exchange ex(session(), familyTexts());
  if (!ex.begin() || !ex.knock()) return;
  if (!ex.send(requestBody(u"COLADD", collectionFields()))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"WRONGN"}, {u"TOLONG"}});
  if (r.index == 1) {
    inform(QStringLiteral("集合名称有重复，请使用另一个名称。"));
    ui->ColName->setFocus();
    return;
  }
  if (r.index == 2) {
    inform(QStringLiteral("集合的总量已达到系统允许的最大值，添加不成功"));
    return;
  }
  if (r.index != 0) return;
  const QString reply = qs(r.text);
  ui->ColPerson->setText(me());
  ui->ColNumber->setText(reply.mid(6, 4));
  ui->ColDay->setText(dayTimeText(numberIn(us(reply.mid(10)))));
  ui->Colallcols->addItem(collectionRow(ui->ColNumber->text(), ui->ColName->text()));
  ColItem c;
  c.autonum = ui->ColNumber->text();
  c.name = ui->ColName->text();
  c.descr = ui->ColDescr->toPlainText();
  c.iday = ui->ColDay->text();
  c.person = ui->ColPerson->text();
  c.places = st_.colLocat;
  st_.colList.push_back(std::move(c));
  st_.colLoaded = true;
  inform(QStringLiteral("新集合添加成功，它的编号是：") + ui->ColNumber->text());
  markSynced();
}

void FraCollection::ColReplace_Click() {
  if (!session().idle()) return;
  if (ui->ColNumber->text().isEmpty()) {
    inform(QStringLiteral("更改集合必须从集合清单中选择，如果希望增加一个集合，请点击“新增一个集合”。"));
    return;
  }
  if (!fieldChecks()) return;
  const int k = st_.colLoaded ? entryOf(ui->ColNumber->text()) : -1;
  if (k >= 0 && st_.colList[static_cast<std::size_t>(k)].refer != 0 &&
      !ask(QStringLiteral("本个集合已有引用，保存修改将令原先的引用失效，真的继续吗？")))
    return;
  Exchange ex(session(), familyTexts());
  if (!ex.begin() || !ex.knock()) return;
  std::vector<std::u16string> f = collectionFields();
  f.insert(f.begin(), cleanField(ui->ColNumber->text()));
  if (!ex.send(requestBody(u"COLALT", f))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"NOTHIS"}, {u"WRONGN"}});
  if (r.index == 1) return inform(QStringLiteral("数据库找不到这个集合，它可能已被删除"));
  if (r.index == 2) return inform(QStringLiteral("该集合名称已被占用，请换一个再试。"));
  if (r.index != 0) return;
  ui->ColDay->setText(dayTimeText(numberIn(r.text.substr(6))));
  ui->ColPerson->setText(me());
  if (k >= 0) {
    ColItem& c = st_.colList[static_cast<std::size_t>(k)];
    c.name = ui->ColName->text();
    c.descr = ui->ColDescr->toPlainText();
    c.iday = ui->ColDay->text();
    c.person = ui->ColPerson->text();
    c.places = st_.colLocat;
    c.refer = 0;
    ui->Colallcols->item(k)->setText(collectionRow(ui->ColNumber->text(), c.name));
  }
  markSynced();
  inform(QStringLiteral("设备集合“%1”修改成功。").arg(ui->ColNumber->text()));
}

void FraCollection::ColDelete_Click() {
  if (!session().idle()) return;
  Exchange ex(session(), familyTexts());
  if (!ex.start(requestBody(u"COLDEL", {cleanField(ui->ColNumber->text())}))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"NOTHIS"}});
  if (r.index == 1) return inform(QStringLiteral("没有这个集合，可能它已被删除了"));
  if (r.index != 0) return;
  inform(QStringLiteral("集合已成功删除"));
  markSynced();
}

void FraCollection::altcolle_Click() {
  if (!session().idle()) return;
  if (!st_.locatListLoaded) {
    std::vector<LocatPair> located;
    {
      Exchange ex(session(), familyTexts());
      if (!ex.start(u"ALLCOL")) return;
      auto reply = ex.list();
      if (!reply) return;
      // Equipment without a function location cannot stand in a collection.
      for (auto& p : parseLocations(*reply))
        if (!p.locat.isEmpty()) located.push_back(std::move(p));
    }
    if (located.empty()) return inform(QStringLiteral("还没有设备"));
    sortLocations(located);
    st_.locatList = std::move(located);
    st_.locatListLoaded = true;
  }
  Frmlocat picker(st_.locatList, st_.colLocat, main_);
  if (picker.exec() != QDialog::Accepted) return;
  st_.colLocat = picker.selection();
  showPlaces();
  st_.colDirty = true;
  st_.colSynced = false;
}

void FraCollection::Colchoo_Click() {
  const int row = selectedRow(ui->Colallcols);
  if (row < 0 || row >= static_cast<int>(st_.colList.size())) return inform(QStringLiteral("请先选定一个条目"));
  const ColItem& c = st_.colList[static_cast<std::size_t>(row)];
  FrapreWO* orders = main_->fraPreWO();
  main_->showPanel(orders, QStringLiteral("预备工单"), true);
  orders->takeCollection(c.autonum, c.name);
}

void FraCollection::Colretu_Click() { main_->showPanel(main_->fraPreWO(), QStringLiteral("预备工单"), true); }

}  // namespace tav::user
