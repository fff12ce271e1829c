// User accounts: the picker and the two proposals.
#include "client/manage/userspanel.h"

#include "client/common/loginsteps.h"
#include "client/common/userpicker.h"
#include "client/manage/managestate.h"
#include "ui_userspanel.h"

namespace tav::manage {

using namespace tav::client;

UsersPanel::UsersPanel(QWidget* parent) : ManagePanel(parent), ui(std::make_unique<Ui::frmUse>()) {
  ui->setupUi(this);
  useid_ = {ui->useid_0, ui->useid_1, ui->useid_2};
  usename_ = {ui->usename_0, ui->usename_1, ui->usename_2};
  pswd_ = {ui->pswd_0, ui->pswd_1, ui->pswd_2};
  userig_ = {ui->userig_0, ui->userig_1, ui->userig_2};
  usetype_ = {ui->usetype_0, ui->usetype_1, ui->usetype_2};
  usecand_ = {ui->usecand_0, ui->usecand_1};
  // Row 0 shows the account as the server sent it; a proposal's current
  // values come from there, so nothing in it can be typed or ticked.
  ui->usecand_0->setAttribute(Qt::WA_TransparentForMouseEvents);
  ui->usecand_0->setFocusPolicy(Qt::NoFocus);
  for (QLineEdit* box : {ui->pswd_1, ui->pswd_2}) box->setAttribute(Qt::WA_InputMethodEnabled, false);
  ui->UseAlls->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  connect(ui->UseAlls, &QToolButton::clicked, this, &UsersPanel::UseAlls_Click);
  connect(ui->usecopyall, &QPushButton::clicked, this, &UsersPanel::usecopyall_Click);
  connect(ui->useaddnew, &QPushButton::clicked, this, &UsersPanel::useaddnew_Click);
  connect(ui->usesetpow, &QPushButton::clicked, this, &UsersPanel::usesetpow_Click);
}

UsersPanel::~UsersPanel() = default;

void UsersPanel::fillTables() {
  QStringList rights, trades;
  for (const PickCode& c : tables().rightList) rights << c.name;
  for (const PickCode& c : tables().typeList) trades << c.name;
  for (int i : {1, 2}) {
    userig_[i]->clear();
    userig_[i]->addItems(rights);
    usetype_[i]->clear();
    usetype_[i]->addItems(trades);
  }
}

void UsersPanel::UseAlls_Click() {
  Session& s = session();
  Exchange x(s, manageTexts());
  if (!x.begin()) return;
  ManageTables& t = tables();
  if (!t.userListLoaded) {
    if (!x.knock() || !x.send(u"LISUSE")) return;
    auto text = x.list();
    if (!text) return;
    auto users = parseUsers(*text);
    if (!users) {
      critical(badReplyText());
      return;
    }
    if (users->empty()) {
      inform(QStringLiteral("尚没有任何用户"));
      return;
    }
    sortByName(*users);
    t.userList = std::move(*users);
    t.userListLoaded = true;
  }
  std::vector<PickUser> shown;
  shown.reserve(t.userList.size());
  for (const UseRecord& u : t.userList) shown.push_back({u.id, u.name, u.rights, u.trades});
  s.setStatus(s.readyText());
  // Timer1 stays off and the window stays open while the picker is shown.
  UserPicker picker(std::move(shown), PickOrder::Given, t.rightList, t.typeList, this);
  picker.exec();
  if (!picker.chosen()) return;
  const PickUser& c = *picker.chosen();
  for (std::size_t i = 0; i < t.userList.size(); ++i) {
    const UseRecord& u = t.userList[i];
    if (u.id == c.id && u.name == c.name && u.rights == c.rights && u.trades == c.trades) {
      pick(static_cast<int>(i) + 1);
      break;
    }
  }
}

void UsersPanel::pick(int index) {
  ManageTables& t = tables();
  if (index < 1 || index > static_cast<int>(t.userList.size())) return;
  t.userPicked = index;
  const UseRecord& u = t.userList[static_cast<std::size_t>(index) - 1];
  ui->useid_0->setText(withoutTrailingBlanks(u.id));
  ui->usename_0->setText(u.name);
  ui->userig_0->clear();
  ui->userig_0->addItems(namesOfBits(u.rights, t.rightList));
  ui->usetype_0->clear();
  ui->usetype_0->addItems(namesOfBits(u.trades, t.typeList));
  ui->usecand_0->setChecked(u.frozen == 1);
  ui->usecopyall->setEnabled(true);
}

void UsersPanel::usecopyall_Click() {
  const ManageTables& t = tables();
  if (t.userPicked < 1 || t.userPicked > static_cast<int>(t.userList.size())) return;
  const UseRecord& u = t.userList[static_cast<std::size_t>(t.userPicked) - 1];
  ui->useid_1->setText(ui->useid_0->text());
  ui->usename_1->setText(ui->usename_0->text());
  ui->pswd_1->clear();
  auto mark = [](QListWidget* list, const std::vector<PickCode>& table, int32_t mask) {
    for (int i = 0; i < list->count() && i < static_cast<int>(table.size()); ++i)
      list->item(i)->setSelected((table[static_cast<std::size_t>(i)].bit & mask) != 0);
  };
  mark(ui->userig_1, t.rightList, u.rights);
  mark(ui->usetype_1, t.typeList, u.trades);
  ui->usecand_1->setChecked(ui->usecand_0->isChecked());
}

int32_t UsersPanel::selectedMask(QListWidget* list, bool rights) const {
  const auto& table = rights ? tables().rightList : tables().typeList;
  int32_t mask = 0;
  for (int i = 0; i < list->count() && i < static_cast<int>(table.size()); ++i)
    if (list->item(i)->isSelected()) mask |= table[static_cast<std::size_t>(i)].bit;
  return mask;
}

void UsersPanel::useaddnew_Click() {
  Session& s = session();
  if (!s.idle()) return;
  struct Required {
    QLineEdit* box;
    const char* text;
  };
  for (const Required& r : {Required{ui->useid_2, "用户ID不可为空"}, Required{ui->usename_2, "姓名不可为空"},
                            Required{ui->pswd_2, "密码不可为空"}}) {
    if (r.box->text().isEmpty()) {
      inform(QString::fromUtf8(r.text));
      r.box->setFocus();
      return;
    }
  }
  if (!passwordIsAscii(ui->pswd_2->text())) {
    inform(QStringLiteral("密码含有非法符号"));
    ui->pswd_2->setFocus();
    return;
  }
  Exchange x(s, manageTexts());
  const std::u16string rights = us(QString::number(selectedMask(ui->userig_2, true)));
  const std::u16string trades = us(QString::number(selectedMask(ui->usetype_2, false)));
  if (!x.start(requestBody(u"ADDUSE", {cleanField(ui->useid_2->text()), cleanField(ui->usename_2->text()),
                                       cleanField(ui->pswd_2->text()), rights, trades})))
    return;
  auto r = x.word({{u"IGOTIT"}, {u"TOLONG"}, {u"LEITON"}});
  switch (r.index) {
    case 0: inform(proposalFiledText()); break;
    case 1: inform(QStringLiteral("用户ID或姓名太长了，请求不成功")); break;
    case 2: inform(QStringLiteral("该用户ID已经有人用了，他叫") + qs(std::u16string_view(r.text).substr(6))); break;
    default: break;
  }
}

void UsersPanel::usesetpow_Click() {
  // A change is proposed to a user as the server listed him: without a
  // picked user there are no current values to send.
  const ManageTables& t = tables();
  if (ui->useid_1->text().isEmpty() || t.userPicked < 1 || t.userPicked > static_cast<int>(t.userList.size())) {
    inform(QStringLiteral("请选择一个用户的ID"));
    ui->useid_1->setFocus();
    return;
  }
  if (!passwordIsAscii(ui->pswd_1->text())) {
    inform(QStringLiteral("密码含有非法符号"));
    ui->pswd_1->setFocus();
    return;
  }
  Exchange x(session(), manageTexts());
  if (!x.begin()) return;
  const UseRecord& u = t.userList[static_cast<std::size_t>(t.userPicked) - 1];
  auto num = [](int32_t v) { return us(QString::number(v)); };
  const std::vector<std::u16string> fields = {
      cleanField(ui->useid_0->text()),
      cleanField(ui->usename_0->text()),
      num(u.rights),
      num(u.trades),
      num(ui->usecand_0->isChecked() ? 1 : 0),
      cleanField(ui->usename_1->text()),
      cleanField(ui->pswd_1->text()),
      num(selectedMask(ui->userig_1, true)),
      num(selectedMask(ui->usetype_1, false)),
      num(ui->usecand_1->isChecked() ? 1 : 0),
  };
  if (!x.start(requestBody(u"USESET", fields))) return;
  auto r = x.word({{u"IGOTIT", true, false}, {u"TOLONG", true, false}});
  if (r.index == 0)
    inform(proposalFiledText());
  else if (r.index == 1)
    inform(QStringLiteral("新姓名太长了，服务器不能接受，请使用短一点的!!"));
}

void UsersPanel::logoff() {
  for (int i = 0; i < 3; ++i) {
    useid_[i]->clear();
    usename_[i]->clear();
    if (i > 0) pswd_[i]->clear();
    userig_[i]->clear();
    usetype_[i]->clear();
  }
  ui->usecopyall->setEnabled(false);
}

}  // namespace tav::manage
