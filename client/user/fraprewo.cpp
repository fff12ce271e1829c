// The preventive work-order panel: "GETPRE", showing one order, the
// collection choice, "PRENEW", "PREALT", "PWOAPP", "PWOCAN" and "PWODEL".
// The client's copy of an order is always found by its number: a listing
// between showing and acting may have moved it or taken it away.
#include "client/user/fraprewo.h"

#include <QCoreApplication>
#include <QStyle>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/collections.h"
#include "client/user/equipment.h"
#include "client/user/fracollection.h"
#include "client/user/frmmain.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"
#include "ui_fraprewo.h"

namespace tav::user {

using namespace tav::client;

namespace {

void refuse(const QString& text, QWidget* focus) {
  inform(text);
  focus->setFocus();
}

void cut(QLineEdit* box, int limit) {
  if (box->text().size() > limit) box->setText(box->text().left(limit));
}

QString me() { return tables().myID + QLatin1Char('(') + tables().myName + QLatin1Char(')'); }

const QString kBadInterval = QStringLiteral("格式不合法，要求是整数。");
const QString kNameTaken = QStringLiteral("该预备工单名称已被占用，请换一个再试。");
const QString kNumberGone = QStringLiteral("数据库找不到这个编号，可能已被删除");

}  // namespace

FrapreWO::FrapreWO(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FrapreWO>()) {
  ui->setupUi(this);
  ui->pWOpei->setCurrentIndex(0);
  ui->pWOfin->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  limitLength(ui->pWOdes, 100);
  takeTodayOnSpace(ui->pWOfro);
  onDoubleClick(ui->pWOlist, [this] { pWOlist_DblClick(); });
  connect(ui->prepWOGet, &QPushButton::clicked, this, &FrapreWO::prepWOGet_Click);
  connect(ui->pWOfin, &QToolButton::clicked, this, &FrapreWO::pWOfin_Click);
  connect(ui->pWOnew, &QPushButton::clicked, this, &FrapreWO::pWOnew_Click);
  connect(ui->pWOsav, &QPushButton::clicked, this, &FrapreWO::pWOsav_Click);
  connect(ui->pWOapp, &QPushButton::clicked, this, &FrapreWO::pWOapp_Click);
  connect(ui->pWOcan, &QPushButton::clicked, this, &FrapreWO::pWOcan_Click);
  connect(ui->pWOdel, &QPushButton::clicked, this, &FrapreWO::pWOdel_Click);
}

FrapreWO::~FrapreWO() = default;

void FrapreWO::logoff() {
  for (QLineEdit* box : findChildren<QLineEdit*>()) box->clear();
  ui->pWOdes->clear();
  ui->pWOpei->setCurrentIndex(-1);
  ui->pWOlist->clear();
  pwoList_.clear();
}

void FrapreWO::takeCollection(const QString& number, const QString& name) {
  ui->pWOcnu->setText(number);
  ui->pWOcna->setText(name);
}

void FrapreWO::pWOfin_Click() { main_->fraCollection()->openForChoice(); }

void FrapreWO::prepWOGet_Click() {
  Exchange ex(session(), familyTexts());
  if (!ex.start(u"GETPRE")) return;
  auto reply = ex.list();
  if (!reply) return;
  ui->pWOlist->clear();
  pwoList_ = parsePreventive(*reply);
  for (const auto& p : pwoList_) ui->pWOlist->addItem(collectionRow(p.Number, p.name));
}

void FrapreWO::pWOlist_DblClick() {
  const int k = static_cast<int>(maxOf(selectedRow(ui->pWOlist), 0));
  if (k >= static_cast<int>(pwoList_.size())) return;
  const PwoItem& p = pwoList_[static_cast<std::size_t>(k)];
  ui->pWOnum->setText(p.Number);
  ui->pWOnam->setText(p.name);
  ui->pWOdes->setPlainText(p.discr);
  ui->pWOcnu->setText(p.colnum);
  ui->pWOcna->setText(p.colnam);
  ui->pWOpoi->setText(p.pointto);
  ui->pWOfro->setText(p.begday);
  ui->pWOeve->setText(p.every);
  ui->pWOpei->setCurrentIndex(p.perio >= 1 && p.perio <= 4 ? p.perio - 1 : -1);
  (p.isusing ? ui->pWOopt_0 : ui->pWOopt_1)->setChecked(true);
  ui->pWOper->setText(p.spersid + QLatin1Char('(') + p.sperson + QLatin1Char(')'));
  ui->pWOday->setText(p.sday);
  ui->pWOapn->setText(p.aperson);
  ui->pWOapd->setText(p.aday);
  ui->pWOcan->setEnabled(p.statu);
  (p.statu ? ui->pWOopt_2 : ui->pWOopt_3)->setChecked(true);
  QCoreApplication::processEvents();
}

bool FrapreWO::fieldChecks(bool adding) {
  if (ui->pWOnam->text().isEmpty()) {
    refuse(QStringLiteral("“预单名称”是必填项。"), ui->pWOnam);
    return false;
  }
  const qsizetype described = ui->pWOdes->toPlainText().size();
  if (adding && described < 10) {
    refuse(QStringLiteral("“简要描述”不少于10字"), ui->pWOdes);
    return false;
  }
  if (!adding && described == 0) {
    refuse(QStringLiteral("“简要描述”是必填项。"), ui->pWOdes);
    return false;
  }
  if (ui->pWOcnu->text().isEmpty()) {
    refuse(QStringLiteral("“集合编号”是必填项。"), ui->pWOcnu);
    return false;
  }
  if (ui->pWOpoi->text().isEmpty()) {
    refuse(QStringLiteral("“工作指派给”是必填项。"), ui->pWOpoi);
    return false;
  }
  if (parseDate(ui->pWOfro->text()) == 0) {
    refuse(QStringLiteral("从哪天起是必填项。"), ui->pWOfro);
    return false;
  }
  if (ui->pWOeve->text().isEmpty()) {
    refuse(QStringLiteral("每次间隔是必填项。"), ui->pWOeve);
    return false;
  }
  if (adding && ui->pWOpei->currentIndex() < 0) {
    refuse(QStringLiteral("周期是必填项。"), ui->pWOpei);
    return false;
  }
  return true;
}

std::vector<std::u16string> FrapreWO::orderFields() {
  cut(ui->pWOnam, 20);
  if (ui->pWOdes->toPlainText().size() > 100) ui->pWOdes->setPlainText(ui->pWOdes->toPlainText().left(100));
  cut(ui->pWOpoi, 10);
  return {cleanField(ui->pWOnam->text()),
          cleanField(ui->pWOdes->toPlainText()),
          cleanField(ui->pWOcnu->text()),
          cleanField(ui->pWOcna->text()),
          cleanField(ui->pWOpoi->text()),
          us(QString::number(parseDate(ui->pWOfro->text()))),
          cleanField(ui->pWOeve->text()),
          us(QString::number(ui->pWOpei->currentIndex() + 1)),
          ui->pWOopt_0->isChecked() ? u"1" : u"0"};
}

void FrapreWO::copyFieldsTo(PwoItem& p) const {
  p.name = ui->pWOnam->text();
  p.discr = ui->pWOdes->toPlainText();
  p.colnum = ui->pWOcnu->text();
  p.colnam = ui->pWOcna->text();
  p.pointto = ui->pWOpoi->text();
  p.begday = ui->pWOfro->text();
  p.every = ui->pWOeve->text();
  p.perio = ui->pWOpei->currentIndex() + 1;
  p.isusing = ui->pWOopt_0->isChecked();
  p.spersid = tables().myID;
  p.sperson = tables().myName;
  p.sday = ui->pWOday->text();
  p.aperson.clear();
  p.aday.clear();
  p.statu = false;
}

// An added or changed order waits for its approval.
void FrapreWO::showUnapproved() {
  ui->pWOper->setText(me());
  ui->pWOopt_3->setChecked(true);
  ui->pWOapn->clear();
  ui->pWOapd->clear();
  ui->pWOapp->setEnabled(true);
  ui->pWOcan->setEnabled(false);
}

PwoItem* FrapreWO::shownEntry(int* index) {
  int k = findOrder(pwoList_, ui->pWOnum->text());
  if (index) *index = k;
  return k < 0 ? nullptr : &pwoList_[static_cast<std::size_t>(k)];
}

void FrapreWO::pWOnew_Click() {
  if (!session().idle() || !fieldChecks(true)) return;
  Exchange ex(session(), familyTexts());
  if (!ex.begin() || !ex.knock()) return;
  if (!ex.send(requestBody(u"PRENEW", orderFields()))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"UNLDAY"}, {u"NOTHIS"}, {u"WRONGN"}, {u"TOLONG"}});
  switch (r.index) {
    case 0: break;
    case 1: return refuse(kBadInterval, ui->pWOeve);
    case 2: return inform(kNumberGone);
    case 3: return inform(kNameTaken);
    case 4: return inform(QStringLiteral("预备工单的总量已达到系统允许的最大值，添加不成功"));
    default: return;
  }
  const QString reply = qs(r.text);
  ui->pWOnum->setText(reply.mid(6, 4));
  ui->pWOday->setText(dayTimeText(numberIn(us(reply.mid(10)))));
  showUnapproved();
  PwoItem p;
  p.Number = ui->pWOnum->text();
  copyFieldsTo(p);
  pwoList_.push_back(std::move(p));
  ui->pWOlist->addItem(collectionRow(ui->pWOnum->text(), ui->pWOnam->text()));
  inform(QStringLiteral("新的预备工单编号“%1”添加成功。").arg(ui->pWOnum->text()));
}

void FrapreWO::pWOsav_Click() {
  if (!session().idle()) return;
  if (ui->pWOnum->text().isEmpty())
    return inform(
        QStringLiteral("更改预单必须从预备工单清单中选择，如果希望增加预备工单，请点击“新增一个预单”。"));
  if (!fieldChecks(false)) return;
  Exchange ex(session(), familyTexts());
  if (!ex.begin() || !ex.knock()) return;
  std::vector<std::u16string> f = orderFields();
  if (!ex.send(requestBody(u"PREALT" + cleanField(ui->pWOnum->text()) + FieldSep, f))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"UNLDAY"}, {u"NOTHIS"}, {u"WRONGN"}});
  switch (r.index) {
    case 0: break;
    case 1: return refuse(kBadInterval, ui->pWOeve);
    case 2: return inform(kNumberGone);
    case 3: return inform(kNameTaken);
    default: return;
  }
  ui->pWOday->setText(dayTimeText(numberIn(r.text.substr(6))));
  showUnapproved();
  int k = -1;
  if (PwoItem* p = shownEntry(&k)) {
    copyFieldsTo(*p);
    ui->pWOlist->item(k)->setText(collectionRow(p->Number, p->name));
  }
  inform(QStringLiteral("预备工单“%1”修改成功。").arg(ui->pWOnum->text()));
}

bool FrapreWO::orderShown() {
  if (!session().idle()) return false;
  if (!ui->pWOnum->text().isEmpty()) return true;
  refuse(QStringLiteral("“预单编号”是空的，它必须从右边的清单里找双击选定。"), ui->pWOnum);
  return false;
}

void FrapreWO::pWOapp_Click() {
  if (!orderShown()) return;
  Exchange ex(session(), familyTexts());
  if (!ex.start(requestBody(u"PWOAPP", {cleanField(ui->pWOnum->text())}))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"NOCOLE"}, {u"NOTHIS"}, {u"UNLDAY"}});
  switch (r.index) {
    case 0: break;
    case 1: return inform(QStringLiteral("找不到该编号的集合，可能它已被删除了，批准不成功"));
    case 2: return inform(QStringLiteral("找不到这一编号，可能它已被删除了"));
    case 3: return inform(kBadInterval);
    default: return;
  }
  ui->pWOapn->setText(me());
  ui->pWOapd->setText(dayTimeText(numberIn(r.text.substr(6))));
  ui->pWOopt_2->setChecked(true);
  ui->pWOcan->setEnabled(true);
  if (PwoItem* p = shownEntry()) {
    p->statu = true;
    p->aperson = ui->pWOapn->text();
    p->aday = ui->pWOapd->text();
  }
  inform(QStringLiteral("预备工单“%1”已获批准").arg(ui->pWOnum->text()));
}

void FrapreWO::pWOcan_Click() {
  if (!orderShown()) return;
  Exchange ex(session(), familyTexts());
  if (!ex.start(requestBody(u"PWOCAN", {cleanField(ui->pWOnum->text())}))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"NOTHIS"}});
  if (r.index == 1) return inform(QStringLiteral("找不到这一编号，可能已被删除了"));
  if (r.index != 0) return;
  ui->pWOapn->clear();
  ui->pWOapd->clear();
  ui->pWOopt_3->setChecked(true);
  if (PwoItem* p = shownEntry()) {
    p->statu = false;
    p->aperson.clear();
    p->aday.clear();
  }
  ui->pWOapp->setEnabled(true);
  ui->pWOcan->setEnabled(false);
  inform(QStringLiteral("预备工单“%1”已经否决").arg(ui->pWOnum->text()));
}

void FrapreWO::pWOdel_Click() {
  if (!orderShown()) return;
  Exchange ex(session(), familyTexts());
  if (!ex.start(requestBody(u"PWODEL", {cleanField(ui->pWOnum->text())}))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"NOTHIS"}});
  if (r.index == 1) return inform(QStringLiteral("找不到这一编号，可能已被删除"));
  if (r.index != 0) return;
  const QString number = ui->pWOnum->text();
  int k = -1;
  if (shownEntry(&k)) {
    pwoList_.erase(pwoList_.begin() + k);
    delete ui->pWOlist->takeItem(k);
  }
  for (QLineEdit* box : {ui->pWOnum, ui->pWOnam, ui->pWOcnu, ui->pWOcna, ui->pWOpoi, ui->pWOfro, ui->pWOeve,
                         ui->pWOper, ui->pWOday, ui->pWOapn, ui->pWOapd})
    box->clear();
  ui->pWOdes->clear();
  ui->pWOpei->setCurrentIndex(-1);
  inform(QStringLiteral("预备工单“%1”已删除").arg(number));
}

}  // namespace tav::user
