// The one-equipment form: showing a listed equipment, the empty form, the
// add and alter requests, and the row of the list an alter brings up to date.
#include "client/user/fraoneequ.h"

#include <QGroupBox>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/equipment.h"
#include "client/user/fraequip.h"
#include "client/user/frmmain.h"
#include "client/user/rows.h"
#include "client/user/usertables.h"
#include "ui_fraoneequ.h"

namespace tav::user {

using namespace tav::client;

namespace {

constexpr int Scrapped = 4;  // "已报废"
constexpr int InUse = 1;     // "正常在用"

void refuse(const QString& text, QWidget* focus) {
  inform(text);
  focus->setFocus();
}

void cut(QLineEdit* box, int limit) {
  if (box->text().size() > limit) box->setText(box->text().left(limit));
}

}  // namespace

FraOneEqu::FraOneEqu(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraOneEqu>()) {
  ui->setupUi(this);
  ui->oelevel->setCurrentIndex(0);
  ui->oeuse->setCurrentIndex(0);
  takeTodayOnSpace(ui->oebuyday);
  takeTodayOnSpace(ui->oeulday);
  struct Counter {
    QLineEdit* box;
    QLabel* label;
    int limit;
  };
  for (Counter c : {Counter{ui->oepara, ui->Labpara, 50}, Counter{ui->oemade, ui->Labmade, 50},
                    Counter{ui->oecomm, ui->Labcomm, 100}})
    connect(c.box, &QLineEdit::textChanged, this, [c](const QString& text) {
      c.label->setText(QStringLiteral("还有%1字").arg(c.limit - text.size()));
    });
  connect(ui->oeAdd, &QPushButton::clicked, this, &FraOneEqu::oeAdd_Click);
  connect(ui->oealter, &QPushButton::clicked, this, &FraOneEqu::oealter_Click);
  connect(ui->oereturn, &QPushButton::clicked, this, &FraOneEqu::oereturn_Click);
}

FraOneEqu::~FraOneEqu() = default;

void FraOneEqu::showRecord(const EquList& e) {
  ui->oeid->setText(QString::number(e.equip_id));
  ui->oename->setText(e.equip_name);
  ui->oelocat->setText(e.equip_locate);
  ui->oelevel->setCurrentIndex(e.equip_imp >= 1 && e.equip_imp <= 4 ? e.equip_imp - 1 : -1);
  ui->oeuse->setCurrentIndex(e.equip_use >= 1 && e.equip_use <= 4 ? e.equip_use - 1 : -1);
  ui->oebuyday->setText(e.Sbuy);
  ui->oeulday->setText(e.Suld);
  ui->oepara->setText(e.parameter);
  ui->oemade->setText(e.madeby);
  ui->oecomm->setText(e.memo);
  fromList_ = true;
  main_->bringPanel(this);
  ui->oereturn->setEnabled(true);
}

void FraOneEqu::shown() {
  for (QLineEdit* box : {ui->oeid, ui->oename, ui->oelocat, ui->oebuyday, ui->oeulday, ui->oepara, ui->oemade,
                         ui->oecomm})
    box->clear();
  ui->oelevel->setCurrentIndex(-1);
  ui->oeuse->setCurrentIndex(-1);
  fromList_ = false;
  ui->oereturn->setEnabled(false);
}

void FraOneEqu::oereturn_Click() {
  FraEquip* list = main_->fraEquip();
  main_->bringPanel(list, list->vBar(), list->hBar());
  ui->oereturn->setEnabled(false);
}

std::vector<std::u16string> FraOneEqu::fields() const {
  auto position = [](const QComboBox* c) { return us(QString::number(c->currentIndex() + 1)); };
  const QString buy = ui->oebuyday->text(), useless = ui->oeulday->text();
  return {cleanField(ui->oename->text()),
          cleanField(ui->oelocat->text()),
          position(ui->oelevel),
          position(ui->oeuse),
          us(QString::number(buy.isEmpty() ? 0 : parseDate(buy))),
          useless.isEmpty() ? std::u16string() : us(QString::number(parseDate(useless))),
          cleanField(ui->oepara->text()),
          cleanField(ui->oemade->text()),
          cleanField(ui->oecomm->text())};
}

void FraOneEqu::cutBoxes() {
  cut(ui->oename, 20);
  cut(ui->oelocat, 20);
  cut(ui->oepara, 50);
  cut(ui->oemade, 50);
  cut(ui->oecomm, 100);
}

bool FraOneEqu::dateChecks(bool addingForm) {
  if (!ui->oebuyday->text().isEmpty() && parseDate(ui->oebuyday->text()) == 0) {
    refuse(badDateMessage(false, addingForm), ui->oebuyday);
    return false;
  }
  if (!ui->oeulday->text().isEmpty() && parseDate(ui->oeulday->text()) == 0) {
    refuse(badDateMessage(true, addingForm), ui->oeulday);
    return false;
  }
  return true;
}

void FraOneEqu::oeAdd_Click() {
  if (!session().idle()) return;
  if (ui->oename->text().isEmpty()) return refuse(QStringLiteral("设备名称不可空"), ui->oename);
  if (ui->oelevel->currentIndex() < 0) return refuse(QStringLiteral("设备级别是必选项"), ui->oelevel);
  const int use = ui->oeuse->currentIndex() + 1;
  if (use == 0) return refuse(QStringLiteral("服役状态是必选项"), ui->oeuse);
  if (use == Scrapped && !ask(QStringLiteral("真的要增加一台“已报废”的设备吗？"))) return;
  if (use == InUse && ui->oelocat->text().isEmpty())
    return refuse(QStringLiteral("在用的设备功能位置不可空"), ui->oelocat);
  if (!dateChecks(true)) return;

  Exchange ex(session(), familyTexts());
  if (!ex.begin() || !ex.knock()) return;
  cutBoxes();
  if (!ex.send(requestBody(u"EQUADD", fields()))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"WLOCAT"}});
  if (r.index == 0) {
    fromList_ = false;
    inform(QStringLiteral("新设备添加成功。"));
  } else if (r.index == 1) {
    inform(QStringLiteral("每个功能位置只能有一台设备，但该位置已被占用，请另使用一个位置。"));
  }
}

void FraOneEqu::oealter_Click() {
  if (!session().idle()) return;
  if (ui->oeid->text().isEmpty()) {
    inform(QStringLiteral("更改设备必须从设备列表里选择，如果希望增加新设备，请点击“增加新设备”。"));
    return;
  }
  const int use = ui->oeuse->currentIndex() + 1;
  if (use == Scrapped && !ask(QStringLiteral("服役状态设定为“已报废”将是不可恢复的，你确定吗？"))) return;
  if (!dateChecks(false)) return;
  if (ui->oename->text().isEmpty()) return refuse(QStringLiteral("设备名称不可空"), ui->oename);
  if (use == InUse && ui->oelocat->text().isEmpty())
    return refuse(QStringLiteral("在用的设备功能位置不可空"), ui->oelocat);

  Exchange ex(session(), familyTexts());
  if (!ex.begin() || !ex.knock()) return;
  cutBoxes();
  std::vector<std::u16string> f = fields();
  f.insert(f.begin(), cleanField(ui->oeid->text()));
  if (!ex.send(requestBody(u"EQUALT", f))) return;
  auto r = ex.word({{u"IGOTIT"}, {u"USELES"}, {u"NOTHIS"}, {u"WLOCAT"}});
  switch (r.index) {
    case 0:
      // The server stores its own today as the scrap day in this case.
      if (use == Scrapped && ui->oeulday->text().isEmpty()) ui->oeulday->setText(todayText());
      if (fromList_) updateListRow();
      inform(QStringLiteral("设备“%1”修改成功。").arg(ui->oeid->text()));
      break;
    case 1: inform(QStringLiteral("已经报废的设备不能更改!")); break;
    case 2: inform(QStringLiteral("数据库找不到这台设备。")); break;
    case 3: inform(QStringLiteral("每个功能位置只能有一台设备，但该位置已被占用，请另使用一个位置。")); break;
    default: break;
  }
}

// The row is found by its number: a sort or a search since the form was
// filled may have moved it, or taken it off the list.
void FraOneEqu::updateListRow() {
  auto& rows = main_->lists().equRecords;
  const QString id = ui->oeid->text();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EquList& e = rows[i];
    if (QString::number(e.equip_id) != id) continue;
    e.equip_name = ui->oename->text();
    e.equip_locate = ui->oelocat->text();
    e.equip_imp = ui->oelevel->currentIndex() + 1;
    e.equip_use = ui->oeuse->currentIndex() + 1;
    e.Sbuy = ui->oebuyday->text();
    e.Suld = ui->oeulday->text();
    e.buied_date = e.Sbuy.isEmpty() ? 0 : parseDate(e.Sbuy);
    e.uselessday = e.Suld.isEmpty() ? 0 : parseDate(e.Suld);
    e.parameter = ui->oepara->text();
    e.madeby = ui->oemade->text();
    e.memo = ui->oecomm->text();
    main_->fraEquip()->repaintRecord(static_cast<int>(i) + 1);
    return;
  }
}

}  // namespace tav::user
