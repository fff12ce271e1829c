// The saved-search settings form: loading a slot, its rows and keys, the
// save and the deletion with their replies.
#include "client/user/frmsave.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "client/common/clientsocket.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/condrow.h"
#include "client/user/frmmain.h"
#include "client/user/savedsearch.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"

namespace tav::user {

using namespace tav::client;

namespace {

ValueList saveList(int field) {
  switch (field) {
    case 3: return ValueList::Status;
    case 4: return ValueList::BillType;
    case 5: return ValueList::Urgency;
    case 9:
    case 10:
    case 12:
    case 13: return ValueList::NamedDates;
    default: return ValueList::None;
  }
}

constexpr int MaxRows = 8;
constexpr int DefaultKeys[3] = {0, 3, 8};  // 工单编号, 状态, 姓名

// The word exchange of this form: its time-out, and any other word shown
// as the server's error.
ExchangeTexts saveTexts() {
  ExchangeTexts t = coreTexts();
  t.wordTimeout = QStringLiteral("服务器响应超时，原因不明!");
  t.sendFailure = QStringLiteral("网络错误");
  t.style = WordStyle::AsSoonAsEqual;
  return t;
}

QLabel* label(const QString& text, const QRect& at, QWidget* parent, bool heading = false) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(at);
  if (heading) l->setStyleSheet(QStringLiteral("font-weight: bold;"));
  return l;
}

}  // namespace

FrmSave::FrmSave(FrmMain* main, int slot) : CondForm(main), main_(main), slot_(slot) {
  setObjectName(QStringLiteral("FrmSave"));
  setWindowTitle(QStringLiteral("工单快搜设定 ") + QString::number(slot));
  label(QStringLiteral("搜索设定"), {8, 8, 200, 24}, this, true);

  CondRowsOptions o;
  o.fields = woCaption();
  o.listOf = saveList;
  o.maxRows = MaxRows;
  o.tooMany = QStringLiteral("最多只能有八个条件");
  rows_ = new CondRows(o, this);
  rows_->move(8, 36);
  addRowButtons(rows_, {530, 36}, QStringLiteral(" + "), QStringLiteral(" - "));

  label(QStringLiteral("排序设定"), {8, 424, 200, 24}, this, true);
  const QString keyNames[3] = {QStringLiteral("第一关键字"), QStringLiteral("第二关键字"), QStringLiteral("第三关键字")};
  for (int i = 0; i < 3; ++i) {
    const int y = 454 + 34 * i;
    QLabel* l = label(keyNames[i], {20, y, 90, 26}, this);
    auto* key = new QComboBox(this);
    key->setObjectName(QStringLiteral("Combo1_%1").arg(i));
    key->setGeometry(110, y, 160, 26);
    key->addItems(woCaption());
    l->setBuddy(key);
    // Each pair of directions is its own group of choices.
    auto* pair = new QWidget(this);
    pair->setGeometry(290, y, 200, 26);
    auto* up = new QRadioButton(QStringLiteral("升序"), pair);
    up->setObjectName(QStringLiteral("OptS_%1").arg(i));
    up->setGeometry(0, 0, 80, 26);
    auto* down = new QRadioButton(QStringLiteral("降序"), pair);
    down->setObjectName(QStringLiteral("OptJ_%1").arg(i));
    down->setGeometry(90, 0, 80, 26);
  }
  QLabel* nameLabel = label(QStringLiteral("命名："), {20, 564, 60, 26}, this);
  auto* name = new QLineEdit(this);
  name->setObjectName(QStringLiteral("sName"));
  name->setMaxLength(12);
  name->setGeometry(80, 564, 170, 26);
  nameLabel->setBuddy(name);

  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("CmdOK"));
  ok->setGeometry(290, 562, 90, 30);
  auto* can = new QPushButton(QStringLiteral("取消"), this);
  can->setObjectName(QStringLiteral("cmdcan"));
  can->setGeometry(390, 562, 90, 30);
  auto* del = new QPushButton(QStringLiteral("删除"), this);
  del->setObjectName(QStringLiteral("canDel"));
  del->setGeometry(490, 562, 90, 30);
  for (QPushButton* b : {ok, can, del}) b->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &FrmSave::CmdOK_Click);
  connect(can, &QPushButton::clicked, this, &FrmSave::cmdcan_Click);
  connect(del, &QPushButton::clicked, this, &FrmSave::canDel_Click);
  setFixedSize(600, 606);
  load();
}

void FrmSave::open(FrmMain* main, int slot) {
  FrmSave form(main, slot);
  pumpEvents();
  form.exec();
}

void FrmSave::load() {
  const WOPreset& p = tables().woPreset[static_cast<std::size_t>(slot_) - 1];
  for (int i = 0; i < 3; ++i) {
    const bool set = p.set;
    const int column = set ? p.sort[static_cast<std::size_t>(i)].column : DefaultKeys[i];
    findChild<QComboBox*>(QStringLiteral("Combo1_%1").arg(i))->setCurrentIndex(column >= 0 && column < 18 ? column : -1);
    const bool up = !set || p.sort[static_cast<std::size_t>(i)].ascending;
    findChild<QRadioButton*>(QStringLiteral("OptS_%1").arg(i))->setChecked(up);
    findChild<QRadioButton*>(QStringLiteral("OptJ_%1").arg(i))->setChecked(!up);
  }
  if (p.set) {
    rows_->setRows(p.conds);
    findChild<QLineEdit*>(QStringLiteral("sName"))->setText(p.name);
  }
}

WOPreset FrmSave::preset() const {
  WOPreset p;
  p.set = true;
  for (int i = 0; i < rows_->rowCount(); ++i) p.conds.push_back(rows_->row(i));
  for (int i = 0; i < 3; ++i) {
    p.sort[static_cast<std::size_t>(i)].column = findChild<QComboBox*>(QStringLiteral("Combo1_%1").arg(i))->currentIndex();
    p.sort[static_cast<std::size_t>(i)].ascending = findChild<QRadioButton*>(QStringLiteral("OptS_%1").arg(i))->isChecked();
  }
  p.name = findChild<QLineEdit*>(QStringLiteral("sName"))->text();
  return p;
}

std::u16string FrmSave::request() const {
  const WOPreset p = preset();
  std::u16string body = u"WOSAVE" + us(QString::number(slot_));
  body += FieldSep;
  body += conditionsText(p.conds);
  body += RecordSep;
  body += sortText(p.sort);
  body += RecordSep;
  body += cleanField(p.name);
  return body;
}

void FrmSave::CmdOK_Click() {
  Session& s = session();
  if (!s.idle()) return;
  if (!rows_->bracketsBalanced()) {
    inform(QStringLiteral("括号有错误，请重写"));
    return;
  }
  const WOPreset p = preset();
  bool closeAfter = false, nameTooLong = false;
  busy_ = true;
  {
    Exchange x(s, saveTexts());
    x.begin();
    s.setStatus(QStringLiteral(" TAVuser - 正在处理数据，请稍候"));
    if (x.knock() && x.send(request())) {
      closeAfter = true;
      WordResult r = x.word({{u"IGOTIT", true, false}, {u"SEARCH", true, false}, {u"NAMETO", true, false}});
      if (r.index == 0) {
        tables().woPreset[static_cast<std::size_t>(slot_) - 1] = p;
        showPresetCaptions(*main_, slot_);
        inform(QStringLiteral("已经按设定的内容保存在用户信息里"));
      } else if (r.index == 1) {
        inform(QStringLiteral("设定的搜索条件内容太长，请删减部分内容再试"));
      } else if (r.index == 2) {
        inform(QStringLiteral("命名太长，请使用较短的名称"));
        nameTooLong = true;
        closeAfter = false;
      } else if (!r.text.empty()) {
        critical(QStringLiteral("服务器响应错误：") + qs(r.text));
      }
    }
  }
  busy_ = false;
  if (nameTooLong) findChild<QLineEdit*>(QStringLiteral("sName"))->setFocus();
  if (closeAfter) close();
}

void FrmSave::canDel_Click() {
  Session& s = session();
  if (!s.idle()) return;
  if (!ask(QStringLiteral("这将删除本条设定，真的要继续吗？"))) return;
  bool cleared = false;
  busy_ = true;
  {
    Exchange x(s, saveTexts());
    // The deletion leaves the status line as it stands.
    const QString before = main_->LabStat()->text();
    if (x.begin()) {
      s.setStatus(before);
      if (x.knock() && x.send(u"WODELE" + us(QString::number(slot_)))) {
        WordResult r = x.word({{u"IGOTIT", true, false}});
        if (r.index == 0) {
          cleared = true;
        } else if (!r.text.empty()) {
          critical(QStringLiteral("服务器响应错误：") + qs(r.text));
        }
      }
    }
  }
  busy_ = false;
  if (!cleared) return;
  close();
  tables().woPreset[static_cast<std::size_t>(slot_) - 1].set = false;
  showPresetCaptions(*main_, slot_);
  inform(QStringLiteral("本设定已经清除"));
}

void FrmSave::cmdcan_Click() { cancel(); }

}  // namespace tav::user
