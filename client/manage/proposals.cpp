// Proposal browsers: refresh, show one record, answer.
#include "client/manage/proposals.h"

#include "client/common/userpicker.h"
#include "ui_sugcu.h"
#include "ui_sugman.h"
#include "ui_sugnu.h"

namespace tav::manage {

using namespace tav::client;

namespace {

const QString noRecord = QStringLiteral("数据库没有该条记录，可能已经处理过了");

void fillNames(QListWidget* list, std::u16string_view mask, const std::vector<PickCode>& table) {
  list->clear();
  list->addItems(namesOfBits(numberOf(mask), table));
}

// A check box that only shows a value.
void showOnly(QCheckBox* box) {
  box->setAttribute(Qt::WA_TransparentForMouseEvents);
  box->setFocusPolicy(Qt::NoFocus);
}

}  // namespace

ProposalPanel::ProposalPanel(ProposalKind kind, QWidget* parent) : ManagePanel(parent), kind_(std::move(kind)) {}

ProposalPanel::~ProposalPanel() = default;

void ProposalPanel::wire(const Controls& c) {
  yes_ = c.yes;
  browser_ = std::make_unique<Browser>(c.bar, c.position, c.answer, QStringLiteral("无提议"));
  connect(c.refresh, &QPushButton::clicked, this, &ProposalPanel::refresh_Click);
  connect(c.answer, &QPushButton::clicked, this, &ProposalPanel::answer_Click);
  connect(c.bar, &QScrollBar::valueChanged, this, &ProposalPanel::bar_Change);
}

QString ProposalPanel::agreedText(std::u16string_view id, std::u16string_view name) {
  return id.empty() ? QStringLiteral("(无)") : idAndName(id, name);
}

void ProposalPanel::showNone() {
  browser_->clear();
  clearFields();
}

void ProposalPanel::refresh_Click() {
  Exchange x(session(), manageTexts());
  if (!browser_->fetch(x, kind_.listWord, kind_.fields)) return;
  if (browser_->count() == 0)
    clearFields();
  else
    bar_Change();
}

void ProposalPanel::bar_Change() {
  if (const Fields* f = browser_->showPosition()) showFields(*f);
}

void ProposalPanel::answer_Click() {
  // The answer names the proposal by the number the server gave it.
  const std::u16string number = browser_->shownNumber();
  if (number.empty()) return;
  Exchange x(session(), manageTexts());
  const char16_t attitude = yes_->isChecked() ? u'c' : u'd';
  if (!x.start(requestBody(kind_.answerWord, {number}) + attitude)) return;
  std::vector<ReplyWord> words = {{u"IGOTIT", true, false}, {u"NORECO", true, false}, {u"TWICES", true, false}};
  if (kind_.createsUser) words.push_back({u"EXSING", true, false});
  switch (x.word(words).index) {
    case 0: inform(QStringLiteral("服务器已按你的态度处理了该提议")); break;
    case 1: inform(kind_.noRecordText); break;
    case 2: inform(QStringLiteral("你已经处理过这条提议了(你发起的或者你已经通过了)")); break;
    case 3: inform(QStringLiteral("用户列表中已有此ID，添加不成功")); break;
    default: break;
  }
}

void ProposalPanel::logoff() {
  showNone();
  yes_->setChecked(true);
}

// A new user: number, initiator ID and name, user ID, name, password,
// rights, trades, agreeing administrator's ID and name.
SugnUPanel::SugnUPanel(QWidget* parent)
    : ProposalPanel({u"LISUNU", u"SUNUOK", 10, noRecord, true}, parent), ui(std::make_unique<Ui::frmSugnU>()) {
  ui->setupUi(this);
  wire({ui->cmdSugnU, ui->Sugnuok, ui->VScSugnU, ui->SugnUt, ui->Optnuyes});
}

SugnUPanel::~SugnUPanel() = default;

void SugnUPanel::showFields(const Fields& f) {
  ui->SugnUi->setText(idAndName(f[1], f[2]));
  ui->SugnUp->setText(agreedText(f[8], f[9]));
  ui->SugnUd->setText(qs(f[3]));
  ui->SugnUn->setText(qs(f[4]));
  ui->SugnUw->setText(qs(f[5]));
  fillNames(ui->SugnUr, f[6], tables().rightList);
  fillNames(ui->SugnUs, f[7], tables().typeList);
}

void SugnUPanel::clearFields() {
  for (QLabel* l : {ui->SugnUi, ui->SugnUp, ui->SugnUd, ui->SugnUn, ui->SugnUw}) l->clear();
  ui->SugnUr->clear();
  ui->SugnUs->clear();
}

// A change: number, initiator ID and name, day, user ID, the current name,
// rights, trades and frozen value, the new name, password, rights, trades
// and frozen value, agreeing administrator's ID and name.
SugcUPanel::SugcUPanel(QWidget* parent)
    : ProposalPanel({u"FRMSGU", u"SUUSOK", 16, noRecord + QStringLiteral("。"), false}, parent),
      ui(std::make_unique<Ui::frmSugcU>()) {
  ui->setupUi(this);
  showOnly(ui->SugcUoF);
  showOnly(ui->SugcUnF);
  wire({ui->cmdSugcU, ui->SugcUok, ui->VscSugcU, ui->SugcUt, ui->Optcuyes});
}

SugcUPanel::~SugcUPanel() = default;

void SugcUPanel::showFields(const Fields& f) {
  ui->SugcUi->setText(idAndName(f[1], f[2]));
  ui->SugcUps->setText(agreedText(f[14], f[15]));
  ui->SugcUui->setText(qs(f[4]));
  ui->SugcUd->setText(qs(f[4]));
  ui->SugcUun->setText(qs(f[5]));
  fillNames(ui->SugcUoR, f[6], tables().rightList);
  fillNames(ui->SugcUoS, f[7], tables().typeList);
  ui->SugcUoF->setChecked(numberOf(f[8]) != 0);
  ui->SugcUn->setText(qs(f[9]));
  ui->SugcUpw->setText(qs(f[10]));
  fillNames(ui->SugcUnR, f[11], tables().rightList);
  fillNames(ui->SugcUnS, f[12], tables().typeList);
  ui->SugcUnF->setChecked(numberOf(f[13]) != 0);
}

void SugcUPanel::clearFields() {
  for (QLabel* l : {ui->SugcUi, ui->SugcUps, ui->SugcUui, ui->SugcUun, ui->SugcUd, ui->SugcUn, ui->SugcUpw}) l->clear();
  for (QListWidget* l : {ui->SugcUoR, ui->SugcUoS, ui->SugcUnR, ui->SugcUnS}) l->clear();
}

// A new holder: number, initiator's administrator ID and name, day, the
// proposed holder name, agreeing administrator's ID and name.
SugManPanel::SugManPanel(QWidget* parent)
    : ProposalPanel({u"SUNAME", u"SUNAOK", 7, noRecord + QStringLiteral("。"), false}, parent),
      ui(std::make_unique<Ui::frmSugMan>()) {
  ui->setupUi(this);
  wire({ui->cmdSugMan, ui->cmdSugManok, ui->VScSugman, ui->SugMannum, ui->optyes});
}

SugManPanel::~SugManPanel() = default;

void SugManPanel::showFields(const Fields& f) {
  ui->SugManwho->setText(idAndName(f[1], f[2]));
  ui->SugMannew->setText(qs(f[4]));
  ui->SugManpass->setText(agreedText(f[5], f[6]));
}

void SugManPanel::clearFields() {
  for (QLabel* l : {ui->SugManwho, ui->SugManpass, ui->SugMannew}) l->clear();
}

}  // namespace tav::manage
