// The personal settings panel: password change, the authorisation browser,
// grant, change and end, and the user picker's hand-over.
#include "client/user/fraperson.h"

#include <QKeyEvent>
#include <QStyle>

#include "client/common/loginsteps.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/collections.h"
#include "client/user/frmmain.h"
#include "client/user/gradereply.h"
#include "client/user/rows.h"
#include "client/user/usertables.h"
#include "protocol/text.h"
#include "protocol/wire.h"
#include "ui_fraperson.h"

namespace tav::user {

using namespace tav::client;

namespace {

std::vector<PickCode> pickCodes(const std::vector<CodeName>& table) {
  std::vector<PickCode> out;
  for (const CodeName& c : table) out.push_back({c.code, c.name});
  return out;
}

QString fieldText(const std::vector<std::u16string_view>& f, std::size_t i) {
  return i < f.size() ? qs(f[i]) : QString();
}
int32_t fieldNumber(const std::vector<std::u16string_view>& f, std::size_t i) {
  return i < f.size() ? numberOf(f[i]) : 0;
}

std::u16string decimal(int32_t v) { return fromUtf8(std::to_string(v)); }

const QString notThisText = QStringLiteral("数据库找不到这个编号，可能已被删除");
const QString uwrongText = QStringLiteral("服务器报告不明错误，该请求未被执行。");

}  // namespace

FraPerson::FraPerson(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraPerson>()) {
  ui->setupUi(this);
  ui->PerImage1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  for (const char* t : {"按给定的日期", "在下次登录时"}) {
    auto* item = new QListWidgetItem(QString::fromUtf8(t), ui->Lisend);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  ui->PerUseday->installEventFilter(this);
  ui->perUlday->installEventFilter(this);
  connect(ui->PerCmdPw, &QPushButton::clicked, this, &FraPerson::PerCmdPw_Click);
  connect(ui->perImp, &QPushButton::clicked, this, &FraPerson::perImp_Click);
  connect(ui->VScper, &QScrollBar::valueChanged, this, &FraPerson::VScper_Change);
  connect(ui->percmdadd, &QPushButton::clicked, this, &FraPerson::percmdadd_Click);
  connect(ui->PerCmdPoi, &QPushButton::clicked, this, &FraPerson::PerCmdPoi_Click);
  connect(ui->PerCmdEnd, &QPushButton::clicked, this, &FraPerson::PerCmdEnd_Click);
  connect(ui->PerImage1, &QToolButton::clicked, this, &FraPerson::PerImage1_Click);
  connect(ui->Lisend, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (ui->Lisend->row(item) == 0) Lisend_ItemCheck();
  });
}

FraPerson::~FraPerson() = default;

QScrollBar* FraPerson::vBar() const { return ui->VScper; }

void FraPerson::afterLogin() {
  const UserTables& t = tables();
  ui->OrgRig->clear();
  for (const CodeName& c : t.impBits) {
    auto* item = new QListWidgetItem(c.name, ui->OrgRig);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  QStringList granted;
  for (const CodeName& c : t.rightList)
    if (t.myImpRight & c.code) granted << c.name;
  ui->Text4->setPlainText(granted.join(QStringLiteral("，")));
}

void FraPerson::logoff() {
  userListLoaded_ = false;
  userList_.clear();
  // Nothing of this user stays for the next one to see or send.
  for (QLineEdit* e : {ui->PerOpw, ui->PerNpw_0, ui->PerNpw_1, ui->PerUser, ui->PerUseday, ui->perUlday}) e->clear();
  granteeId_.clear();
  granteeName_.clear();
  impList_.clear();
  ui->LisRig->clear();
  ui->OrgRig->clear();
  ui->Text4->clear();
  ui->labper->setText(QStringLiteral("无授权"));
  browserEnabled(false);
}

void FraPerson::browserEnabled(bool on) {
  ui->VScper->setEnabled(on);
  ui->PerCmdPoi->setEnabled(on);
  ui->PerCmdEnd->setEnabled(on);
}

bool FraPerson::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
      (watched == ui->PerUseday || watched == ui->perUlday)) {
    const int32_t day = clientToday() + (watched == ui->perUlday ? 31 : 0);
    static_cast<QLineEdit*>(watched)->setText(dayText(day));
    return true;
  }
  return Panel::eventFilter(watched, event);
}

void FraPerson::PerCmdPw_Click() {
  if (!session().idle()) return;
  const QString newPw = ui->PerNpw_0->text();
  // Exactly equal: a Caps Lock slip would set a password nobody meant.
  if (newPw != ui->PerNpw_1->text()) {
    inform(QStringLiteral("两个新密码必须相同，请改正再写。"));
    return;
  }
  // The login sends only characters up to 127; any other would lock the account out.
  if (!passwordIsAscii(newPw)) {
    inform(QStringLiteral("密码含有非法符号"));
    ui->PerNpw_0->setFocus();
    return;
  }
  Exchange ex(session(), familyTexts());
  if (!ex.start(requestBody(u"RENAME", {cleanField(ui->PerOpw->text()), cleanField(newPw)}))) return;
  WordResult r = ex.word({{u"WRONGPW"}, {u"CHANGED"}});
  if (r.index == 0) {
    inform(QStringLiteral("原密码错，修改不成功。"));
  } else if (r.index == 1) {
    inform(QStringLiteral("密码修改成功，请牢记新密码。"));
    ui->PerOpw->clear();
    ui->PerNpw_0->clear();
    ui->PerNpw_1->clear();
  }
}

bool FraPerson::fetchUsers(Exchange& ex) {
  if (!ex.knock() || !ex.send(u"LISUSE")) return false;
  std::optional<std::u16string> text = ex.list();
  if (!text) return false;
  userList_.clear();
  for (const auto& f : listRecords(*text))
    userList_.push_back({fieldText(f, 0), fieldText(f, 1), fieldNumber(f, 2), fieldNumber(f, 3)});
  userListLoaded_ = true;
  return true;
}

void FraPerson::perImp_Click() {
  Exchange ex(session(), familyTexts());
  if (!ex.start(u"LISIMP")) return;
  std::optional<std::u16string> text = ex.list();
  if (!text) return;
  const auto records = listRecords(*text);
  if (records.empty()) {
    ui->labper->setText(QStringLiteral("无授权"));
    ui->PerUser->clear();
    granteeId_.clear();
    granteeName_.clear();
    ui->PerUseday->clear();
    ui->perUlday->clear();
    ui->LisRig->clear();
    browserEnabled(false);
    return;
  }
  impList_.clear();
  for (const auto& f : records)
    impList_.push_back({fieldNumber(f, 0), fieldNumber(f, 1), fieldText(f, 2), fieldText(f, 3), fieldNumber(f, 4),
                        fieldNumber(f, 5), fieldNumber(f, 6)});
  ui->VScper->setMaximum(static_cast<int>(impList_.size()));
  browserEnabled(true);
  // Record 1 shows at once, so the buttons act on what is shown even when
  // the user list below cannot be had.
  showFirst();
  if (!userListLoaded_ && fetchUsers(ex)) VScper_Change();
}

void FraPerson::showFirst() {
  if (ui->VScper->value() == 1)
    VScper_Change();
  else
    ui->VScper->setValue(1);
}

void FraPerson::showRights(int32_t mask) {
  ui->LisRig->clear();
  ui->LisRig->addItems(namesOfBits(mask, pickCodes(tables().rightList)));
}

void FraPerson::setGrantee(const QString& id, const QString& name) {
  ui->PerUser->setText(id + QLatin1Char('(') + name + QLatin1Char(')'));
  granteeId_ = id;
  granteeName_ = name;
}

void FraPerson::VScper_Change() {
  const int v = ui->VScper->value();
  if (v < 1 || v > static_cast<int>(impList_.size())) return;
  const ImpItem& g = impList_[static_cast<std::size_t>(v - 1)];
  ui->labper->setText(QStringLiteral("%1 / %2").arg(v).arg(ui->VScper->maximum()));
  setGrantee(g.to_user_id, g.to_user_name);
  int32_t held = 0;
  for (const PickUser& u : userList_)
    if (u.id.compare(g.to_user_id, Qt::CaseInsensitive) == 0) {
      held = u.rights;
      break;
    }
  showRights(held);
  const auto& bits = tables().impBits;
  for (int i = 0; i < ui->OrgRig->count() && i < static_cast<int>(bits.size()); ++i)
    ui->OrgRig->item(i)->setCheckState((g.right_id & bits[static_cast<std::size_t>(i)].code) ? Qt::Checked
                                                                                            : Qt::Unchecked);
  ui->Lisend->item(0)->setCheckState((g.to_user_cancel & 1) ? Qt::Checked : Qt::Unchecked);
  ui->Lisend->item(1)->setCheckState((g.to_user_cancel & 2) ? Qt::Checked : Qt::Unchecked);
  Lisend_ItemCheck();
  ui->PerUseday->setText(dayText(g.usedate));
  ui->perUlday->setText(g.uselessdate == 0 ? QString() : dayText(g.uselessdate));
}

void FraPerson::Lisend_ItemCheck() {
  // The end day counts only with the first end mode: its box says so.
  const bool byDate = ui->Lisend->item(0)->checkState() == Qt::Checked;
  ui->perUlday->setStyleSheet(byDate ? QStringLiteral("background-color: #FFE0C0;") : QString());
}

bool FraPerson::endDayPassed() const {
  return ui->Lisend->item(0)->checkState() == Qt::Checked && parseDate(ui->perUlday->text()) < clientToday();
}

std::vector<std::u16string> FraPerson::grantFields() const {
  int32_t mask = 0;
  const auto& bits = tables().impBits;
  for (int i = 0; i < ui->OrgRig->count() && i < static_cast<int>(bits.size()); ++i)
    if (ui->OrgRig->item(i)->checkState() == Qt::Checked) mask |= bits[static_cast<std::size_t>(i)].code;
  const int32_t endMode = (ui->Lisend->item(0)->checkState() == Qt::Checked ? 1 : 0) +
                          (ui->Lisend->item(1)->checkState() == Qt::Checked ? 2 : 0);
  const QString startText = ui->PerUseday->text();
  int32_t startDay = startText.isEmpty() ? 0 : parseDate(startText);
  if (startDay < 1) startDay = clientToday();
  return {decimal(mask),    cleanField(granteeId_), cleanField(granteeName_),
          decimal(endMode), decimal(startDay),      decimal(parseDate(ui->perUlday->text()))};
}

int32_t FraPerson::shownNumber() const {
  const int v = ui->VScper->value();
  if (v < 1 || v > static_cast<int>(impList_.size())) return 0;
  return impList_[static_cast<std::size_t>(v - 1)].autonum;
}

bool FraPerson::canLend() const {
  if (!session().idle()) return false;
  if (ui->OrgRig->count() == 0) {
    inform(QStringLiteral("你无权可授。"));
    return false;
  }
  return true;
}

void FraPerson::percmdadd_Click() {
  if (!canLend()) return;
  if (ui->PerUser->text().isEmpty()) {
    inform(QStringLiteral("受权人不可为空"));
    ui->PerUser->setFocus();
    return;
  }
  if (endDayPassed()) {
    inform(QStringLiteral("失效日期不是合法的日期格式，或者已经过时。"));
    ui->perUlday->setFocus();
    return;
  }
  Exchange ex(session(), familyTexts());
  if (!ex.start(requestBody(u"IMPADD", grantFields()))) return;
  // "TOLONG": the server has no authorisation number left.
  WordResult r = ex.word({{u"IGOTIT"}, {u"TOLONG"}});
  if (r.index == 0) inform(QStringLiteral("已经增加了。"));
  if (r.index == 1) critical(uwrongText);
}

void FraPerson::PerCmdPoi_Click() {
  if (!canLend()) return;
  if (endDayPassed()) {
    inform(QStringLiteral("失效日期已经过去了，请重写"));
    ui->perUlday->setFocus();
    return;
  }
  Exchange ex(session(), familyTexts());
  std::vector<std::u16string> fields = grantFields();
  fields.insert(fields.begin(), decimal(shownNumber()));
  if (!ex.start(requestBody(u"ALTIMP", fields))) return;
  WordResult r = ex.word({{u"IGOTIT"}, {u"NOTHIS"}, {u"TOLONG"}});
  if (r.index == 0) inform(QStringLiteral("已经改了。"));
  if (r.index == 1) inform(notThisText);
  if (r.index == 2) critical(uwrongText);
}

void FraPerson::PerCmdEnd_Click() {
  Exchange ex(session(), familyTexts());
  if (!ex.start(requestBody(u"REJECT", {decimal(shownNumber())}))) return;
  WordResult r = ex.word({{u"IGOTIT"}, {u"NOTHIS"}});
  if (r.index == 0) inform(QStringLiteral("做完了。"));
  if (r.index == 1) inform(notThisText);
}

void FraPerson::PerImage1_Click() {
  if (!session().idle()) return;
  if (!userListLoaded_) {
    // The exchange ends (ready again) before the picker opens.
    Exchange ex(session(), familyTexts());
    if (!ex.begin() || !fetchUsers(ex)) return;
    orderUsers(userList_, PickOrder::ById);
  }
  UserPicker picker(userList_, PickOrder::Given, pickCodes(tables().rightList), pickCodes(tables().typeList), main_);
  picker.exec();
  if (!picker.chosen()) return;
  setGrantee(picker.chosen()->id, picker.chosen()->name);
  showRights(picker.chosen()->rights);
}

}  // namespace tav::user
