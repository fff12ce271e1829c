// Authorisations: refresh, show, veto.
#include "client/manage/grantspanel.h"

#include "client/common/userpicker.h"
#include "protocol/text.h"
#include "ui_grantspanel.h"

namespace tav::manage {

using namespace tav::client;

namespace {

// Number, grantor's ID and name, rights granted, grantee's ID and name,
// end mode, first and last day.
constexpr std::size_t GrantFields = 9;

}  // namespace

GrantsPanel::GrantsPanel(QWidget* parent) : ManagePanel(parent), ui(std::make_unique<Ui::frmImp>()) {
  ui->setupUi(this);
  browser_ = std::make_unique<Browser>(ui->VScImp, ui->Impt, ui->cmdreject, QStringLiteral("无授权"));
  connect(ui->cmdImp, &QPushButton::clicked, this, &GrantsPanel::cmdImp_Click);
  connect(ui->cmdreject, &QPushButton::clicked, this, &GrantsPanel::cmdreject_Click);
  connect(ui->VScImp, &QScrollBar::valueChanged, this, &GrantsPanel::VScImp_Change);
}

GrantsPanel::~GrantsPanel() = default;

void GrantsPanel::showNone() {
  browser_->clear();
  for (QLabel* l : {ui->RigMast, ui->RigSlav, ui->Impbegin, ui->Impend}) l->clear();
  for (QListWidget* l : {ui->LisRig, ui->OrgRig, ui->Lisend}) l->clear();
}

void GrantsPanel::cmdImp_Click() {
  Exchange x(session(), manageTexts());
  if (!browser_->fetch(x, u"LISIMP", GrantFields)) return;
  if (browser_->count() == 0) {
    showNone();
    return;
  }
  // The grantees' own rights come from the user list, kept in the order
  // the server sends it. Without it the records still show, with no own
  // rights: the veto must only ever end the record on the screen.
  ManageTables& t = tables();
  if (!t.userListLoaded && x.knock() && x.send(u"LISUSE")) {
    if (auto users = x.list()) {
      if (auto parsed = parseUsers(*users)) {
        t.userList = std::move(*parsed);
        t.userListLoaded = !t.userList.empty();
      } else {
        critical(badReplyText());
      }
    }
  }
  VScImp_Change();
}

void GrantsPanel::VScImp_Change() {
  const Fields* shown = browser_->showPosition();
  if (!shown) return;
  const Fields& g = *shown;
  ui->RigMast->setText(idAndName(g[1], g[2]));
  ui->RigSlav->setText(idAndName(g[4], g[5]));
  int32_t own = 0;
  for (const UseRecord& u : tables().userList)
    if (equalsNoCase(us(withoutTrailingBlanks(u.id)), g[4])) own = u.rights;
  ui->LisRig->clear();
  ui->LisRig->addItems(namesOfBits(numberOf(g[3]), tables().rightList));
  ui->OrgRig->clear();
  ui->OrgRig->addItems(namesOfBits(own, tables().rightList));
  const int32_t mode = numberOf(g[6]);
  ui->Lisend->clear();
  if (mode & 1) ui->Lisend->addItem(QStringLiteral("按给定的日期"));
  if (mode & 2) ui->Lisend->addItem(QStringLiteral("在下次登录时"));
  ui->Impbegin->setText(dayText(numberOf(g[7])));
  ui->Impend->setText(dayText(numberOf(g[8])));
}

void GrantsPanel::cmdreject_Click() {
  const std::u16string number = browser_->shownNumber();
  if (number.empty()) return;
  // Any reply but these two is passed over until the deadline.
  ExchangeTexts t = manageTexts();
  t.style = WordStyle::WhenQuiet;
  Exchange x(session(), t);
  if (!x.start(requestBody(u"REJECT", {number}))) return;
  auto r = x.word({{u"IGOTIT", true, false}, {u"NOTHIS", true, false}});
  if (r.index == 0)
    inform(QStringLiteral("服务器已按你的态度处理了该提议"));
  else if (r.index == 1)
    inform(QStringLiteral("数据库没有该条记录，可能已经处理过了。"));
}

void GrantsPanel::logoff() { showNone(); }

}  // namespace tav::manage
