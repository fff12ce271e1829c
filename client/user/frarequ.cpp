// The panel of work requests and the shown work order: its states, the
// field rules that lock and unlock it, and the four requests it sends.
#include "client/user/frarequ.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <limits>

#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/fraequip.h"
#include "client/user/fraworko.h"
#include "client/user/frmaddrecord.h"
#include "client/user/frmmain.h"
#include "client/user/frmstatus.h"
#include "client/user/rows.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"
#include "ui_frarequ.h"

namespace tav::user {

using namespace tav::client;

namespace {

constexpr int DescriptionChars = 100;
constexpr int AssigneeChars = 10;
const QString NotInForce = QStringLiteral("未生效");
const QString Arranged = QStringLiteral("已安排");
const QString NoOrder = QStringLiteral("找不到工单，可能已被转移。");
const QString ReadError = QStringLiteral("服务器读数据出错，很可能是网络的原因。");
const QString UnknownError = QStringLiteral("服务器报告不明错误，该请求未被执行。");

// The exchange of this panel's word requests: the core's texts with the
// server's read error and its unknown error shown at once.
ExchangeTexts panelTexts() {
  ExchangeTexts t = coreTexts();
  t.common = {{u"RECV,ERR", Icon::Critical, ReadError}, {u"UWRONG", Icon::Critical, UnknownError}};
  return t;
}

// A reply word compared without regard to case, as the whole text.
ReplyWord whole(std::u16string_view w) { return {std::u16string(w), true, false}; }

QString text(const QPlainTextEdit* box) { return box->toPlainText(); }

// Cuts a box to its first `n` characters.
void cut(QLineEdit* box, int n) {
  if (box->text().size() > n) box->setText(box->text().left(n));
}
void cut(QPlainTextEdit* box, int n) {
  if (box->toPlainText().size() > n) box->setPlainText(box->toPlainText().left(n));
}

}  // namespace

void setLocked(QWidget* box, bool locked) {
  if (auto* e = qobject_cast<QLineEdit*>(box))
    e->setReadOnly(locked);
  else if (auto* p = qobject_cast<QPlainTextEdit*>(box))
    p->setReadOnly(locked);
  else
    box->setProperty("locked", locked);
}

bool isLocked(const QWidget* box) {
  if (auto* e = qobject_cast<const QLineEdit*>(box)) return e->isReadOnly();
  if (auto* p = qobject_cast<const QPlainTextEdit*>(box)) return p->isReadOnly();
  return box->property("locked").toBool();
}

const QColor& FraRequ::arrangedColour() {
  static const QColor c(255, 224, 192);
  return c;
}

FraRequ::FraRequ(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraRequ>()) {
  ui->setupUi(this);
  ui->Requ_Em->addItems({QStringLiteral("须抢修"), QStringLiteral("请尽快"), QStringLiteral("可稍后"),
                         QStringLiteral("排计划")});
  ui->Requ_Em->setCurrentIndex(-1);
  ui->ReQu_Find->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  for (QComboBox* c : {ui->ReQu_WoType, ui->Requ_Em}) c->installEventFilter(this);
  for (QLineEdit* e : {ui->ReQu_InDay, ui->ReQu_OutDay}) e->installEventFilter(this);

  const std::pair<QPlainTextEdit*, QLabel*> counters[] = {{ui->ReQu_FalReq, ui->Lab_FalReq},
                                                          {ui->ReQu_reason, ui->Lab_reason},
                                                          {ui->ReQu_solute, ui->Lab_solute},
                                                          {ui->ReQu_WoComm, ui->Lab_WoComm}};
  // Named copies, not structured bindings: clang 14 (the fuzz build) cannot capture those.
  for (const auto& counter : counters) {
    QPlainTextEdit* box = counter.first;
    QLabel* label = counter.second;
    connect(box, &QPlainTextEdit::textChanged, this, [box, label] {
      label->setText(QStringLiteral("还有%1字").arg(DescriptionChars - box->toPlainText().size()));
    });
  }

  connect(ui->ReQu_WoStat, &QComboBox::currentIndexChanged, this, &FraRequ::ReQu_WoStat_Click);
  connect(ui->ReQu_Clear, &QPushButton::clicked, this, &FraRequ::ReQu_Clear_Click);
  connect(ui->ReQu_Find, &QToolButton::clicked, this, &FraRequ::ReQu_Find_Click);
  connect(ui->Requ_Retu, &QPushButton::clicked, this, &FraRequ::Requ_Retu_Click);
  connect(ui->ReQu_Submit, &QPushButton::clicked, this, &FraRequ::ReQu_Submit_Click);
  connect(ui->ReQu_Chan, &QPushButton::clicked, this, &FraRequ::ReQu_Chan_Click);
  connect(ui->ReQu_StaDetail, &QPushButton::clicked, this, &FraRequ::ReQu_StaDetail_Click);
  connect(ui->ReQu_UsedTime, &QPushButton::clicked, this, &FraRequ::ReQu_UsedTime_Click);
  connect(ui->ReQu_AddTime, &QPushButton::clicked, this, &FraRequ::ReQu_AddTime_Click);
}

FraRequ::~FraRequ() = default;

bool FraRequ::eventFilter(QObject* watched, QEvent* e) {
  auto* box = qobject_cast<QWidget*>(watched);
  if (qobject_cast<QComboBox*>(watched) && isLocked(box)) {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
        return true;
      default:
        break;
    }
  }
  if (e->type() == QEvent::KeyPress && (watched == ui->ReQu_InDay || watched == ui->ReQu_OutDay)) {
    auto* edit = static_cast<QLineEdit*>(watched);
    if (static_cast<QKeyEvent*>(e)->text() == QStringLiteral(" ") && !edit->isReadOnly()) {
      edit->setText(dayText(clientToday() + (edit == ui->ReQu_OutDay ? 1 : 0)));
      edit->setCursorPosition(10);
      return true;
    }
  }
  return Panel::eventFilter(watched, e);
}

void FraRequ::afterLogin() {
  ui->ReQu_WoType->clear();
  for (const BillType& b : tables().billTypeList) ui->ReQu_WoType->addItem(b.name);
  ui->ReQu_WoType->setCurrentIndex(-1);
}

void FraRequ::logoff() {
  kept_ = false;
  submitTag_.clear();
}

void FraRequ::setPointtoMarked(bool marked) {
  QPalette p = ui->ReQu_pointto->palette();
  p.setColor(QPalette::Base, marked ? arrangedColour() : QColor(Qt::white));
  ui->ReQu_pointto->setPalette(p);
}

bool FraRequ::pointtoMarked() const { return ui->ReQu_pointto->palette().color(QPalette::Base) == arrangedColour(); }

void FraRequ::setRequesterBoxesLocked(bool locked) {
  for (QWidget* w : std::initializer_list<QWidget*>{ui->ReQu_FalReq, ui->ReQu_InDay, ui->ReQu_OutDay,
                                                     ui->ReQu_WoType, ui->Requ_Em})
    setLocked(w, locked);
}

void FraRequ::fillStatuses(const QString& name, int32_t code, int32_t mask) {
  {
    QSignalBlocker quiet(ui->ReQu_WoStat);
    ui->ReQu_WoStat->clear();
    ui->ReQu_WoStat->addItem(name, code);
    for (const CodeName& s : tables().statusList)
      if (s.code & mask) ui->ReQu_WoStat->addItem(s.name, s.code);
  }
  selectStatus(0);
}

void FraRequ::selectStatus(int index) {
  {
    QSignalBlocker quiet(ui->ReQu_WoStat);
    ui->ReQu_WoStat->setCurrentIndex(index);
  }
  ReQu_WoStat_Click();
}

void FraRequ::shown() {
  kept_ = false;
  ui->ReQu_BillId->clear();
  ui->ReQu_Number->clear();
  ui->ReQu_eqname->clear();
  ui->ReQu_Find->setVisible(true);
  ui->ReQu_Find->setEnabled(true);
  setLocked(ui->ReQu_FalReq, false);
  ui->ReQu_FalReq->clear();
  ui->ReQu_WriDay->setText(dayText(clientToday()));
  ui->ReQu_WriMan->setText(tables().myID + QLatin1Char('(') + tables().myName + QLatin1Char(')'));
  for (QLineEdit* e : {ui->ReQu_InDay, ui->ReQu_OutDay}) {
    e->clear();
    setLocked(e, false);
  }
  setLocked(ui->ReQu_WoType, false);
  ui->ReQu_WoType->setCurrentIndex(-1);
  ui->ReQu_pointto->clear();
  setLocked(ui->ReQu_pointto, true);

  // Entry 0 stands for status 1, entry 1 for the arranged status.
  {
    QSignalBlocker quiet(ui->ReQu_WoStat);
    ui->ReQu_WoStat->clear();
    ui->ReQu_WoStat->addItem(NotInForce, 1);
    if (tables().arrangedSta() & tables().rights()) ui->ReQu_WoStat->addItem(Arranged, tables().arrangedSta());
  }
  selectStatus(0);

  ui->ReQu_Time->clear();
  ui->Requ_doneday->clear();
  ui->Requ_Em->setCurrentIndex(-1);
  setLocked(ui->Requ_Em, false);
  for (QPushButton* b : {ui->ReQu_StaDetail, ui->ReQu_UsedTime, ui->ReQu_AddTime}) b->setEnabled(false);
  for (QPlainTextEdit* p : {ui->ReQu_reason, ui->ReQu_solute, ui->ReQu_WoComm}) {
    p->clear();
    setLocked(p, true);
  }
  ui->Requ_Retu->setEnabled(false);
  ui->ReQu_Submit->setText(QStringLiteral("新单提交"));
  ui->ReQu_Submit->setEnabled(true);
  ui->ReQu_Chan->setEnabled(false);
  ui->ReQu_Clear->setEnabled(true);
  submitTag_.clear();
}

void FraRequ::showOrder(int recordNo) {
  auto& records = main_->lists().woRecords;
  if (recordNo < 1 || recordNo > static_cast<int>(records.size())) return;
  const WOList& w = records[static_cast<std::size_t>(recordNo) - 1];
  ui->ReQu_Clear->setEnabled(false);

  ui->ReQu_BillId->setText(QString::number(w.bill_id));
  ui->ReQu_WriDay->setText(w.Screat);
  ui->ReQu_WriMan->setText(w.created_by);
  ui->ReQu_Number->setText(QString::number(w.equip_id));
  ui->ReQu_FalReq->setPlainText(w.description);
  ui->ReQu_InDay->setText(w.Sbegin);
  ui->ReQu_OutDay->setText(w.Scompl);
  ui->ReQu_eqname->setText(w.comofequip);
  ui->Requ_doneday->setText(w.Sdone);
  // A level or type the tables do not know shows no choice rather than the last order's.
  ui->Requ_Em->setCurrentIndex(w.em_level >= 1 && w.em_level <= 4 ? w.em_level - 1 : -1);
  int type = -1;
  const auto& types = tables().billTypeList;
  for (std::size_t i = 0; i < types.size() && type < 0; ++i)
    if (types[i].code.compare(w.bill_type, Qt::CaseInsensitive) == 0) type = static_cast<int>(i);
  ui->ReQu_WoType->setCurrentIndex(type);

  const bool own = w.Status == 1 && w.createid.compare(tables().myID, Qt::CaseInsensitive) == 0;
  ui->ReQu_Find->setVisible(own);
  ui->ReQu_Find->setEnabled(own);
  setRequesterBoxesLocked(!own);
  ui->ReQu_Chan->setEnabled(own);
  kept_ = true;
  bill_ = w.bill_id;
  store_ = w.isNew;

  // The mark of a required assignee belongs to a request being written.
  setPointtoMarked(false);
  setLocked(ui->ReQu_pointto, !anyRule(QStringLiteral("pointto"), w.Status));
  ui->ReQu_pointto->setText(w.pointto);

  ui->ReQu_StaDetail->setEnabled(w.Status != 1);
  // The tag of a request written before must not make this order look new.
  submitTag_.clear();
  fillStatuses(w.Sscrip, w.Status, nextStatusMask(w.Status));
  ui->ReQu_Time->setText(QString::number(w.usetime));

  const bool timeRule = anyRule(QStringLiteral("usetime"), w.Status);
  ui->ReQu_AddTime->setEnabled(timeRule);
  setLocked(ui->ReQu_reason, !timeRule);
  setLocked(ui->ReQu_solute, !timeRule);
  ui->ReQu_UsedTime->setEnabled(w.usetime >= 1);
  setLocked(ui->ReQu_WoComm, !anyRule(QStringLiteral("scribebyeng"), w.Status));
  ui->ReQu_reason->setPlainText(w.reason);
  ui->ReQu_solute->setPlainText(w.solute);
  ui->ReQu_WoComm->setPlainText(w.scribebyeng);

  ui->ReQu_Submit->setText(QStringLiteral("保存更改"));
  ui->ReQu_Submit->setEnabled(false);
  ui->Requ_Retu->setEnabled(true);
  bringHere();
}

void FraRequ::bringHere() { main_->bringPanel(this); }

void FraRequ::ReQu_Clear_Click() {
  kept_ = false;
  ui->ReQu_BillId->clear();
  ui->ReQu_Submit->setEnabled(true);
  ui->ReQu_Find->setEnabled(true);
  setLocked(ui->ReQu_FalReq, false);
  ui->Lab_FalReq->setEnabled(true);
  setRequesterBoxesLocked(false);
  setLocked(ui->ReQu_pointto, true);
  ui->ReQu_Chan->setEnabled(false);
  if (ui->ReQu_WoStat->currentIndex() == 1) {
    setPointtoMarked(true);
    setLocked(ui->ReQu_pointto, false);
  }
}

void FraRequ::ReQu_WoStat_Click() {
  const int entry = ui->ReQu_WoStat->currentIndex();
  if (!ui->ReQu_BillId->text().isEmpty() && submitTag_.compare(QStringLiteral("NEW"), Qt::CaseInsensitive) != 0) {
    // An existing order is saved only together with a status choice.
    ui->ReQu_Submit->setEnabled(entry > 0);
    return;
  }
  const bool arranged = entry == 1;
  setPointtoMarked(arranged);
  setLocked(ui->ReQu_pointto, !arranged);
  if (!arranged) ui->ReQu_pointto->clear();
}

void FraRequ::ReQu_Find_Click() {
  FraEquip* equip = main_->fraEquip();
  main_->bringPanel(equip, equip->vBar(), equip->hBar());
  main_->lists().equPickMode = true;
  equip->startPicking();
}

void FraRequ::equipmentPicked(const QString& number, const QString& name) {
  ui->ReQu_Number->setText(number);
  ui->ReQu_eqname->setText(name);
  bringHere();
}

void FraRequ::returnFromPicking() { bringHere(); }

void FraRequ::Requ_Retu_Click() {
  FraWorkO* list = main_->fraWorkO();
  main_->bringPanel(list, list->vBar(), list->hBar());
  ui->Requ_Retu->setEnabled(false);
}

int FraRequ::keptRecord() const {
  if (!kept_) return 0;
  const auto& records = main_->lists().woRecords;
  for (std::size_t i = 0; i < records.size(); ++i)
    if (records[i].bill_id == bill_ && records[i].isNew == store_) return static_cast<int>(i) + 1;
  return 0;
}

WOList* FraRequ::keptRow() {
  int n = keptRecord();
  return n ? &main_->lists().woRecords[static_cast<std::size_t>(n) - 1] : nullptr;
}

void FraRequ::repaintKept() {
  if (int n = keptRecord()) main_->fraWorkO()->repaintRecord(n);
}

bool FraRequ::refuse(const QString& message, QWidget* focus) {
  inform(message);
  if (focus) focus->setFocus();
  return false;
}

RequestFields FraRequ::typedRequest(int32_t status) const {
  RequestFields f;
  f.equipId = ui->ReQu_Number->text();
  f.equipName = ui->ReQu_eqname->text();
  f.description = text(ui->ReQu_FalReq);
  // No type chosen: the type goes out empty.
  const int type = ui->ReQu_WoType->currentIndex();
  const auto& types = tables().billTypeList;
  if (type >= 0 && type < static_cast<int>(types.size())) f.billType = types[static_cast<std::size_t>(type)].code;
  f.emLevel = ui->Requ_Em->currentIndex() + 1;
  f.beginDay = parseDate(ui->ReQu_InDay->text());
  f.complDay = parseDate(ui->ReQu_OutDay->text());
  f.status = status;
  f.pointto = ui->ReQu_pointto->text();
  return f;
}

void FraRequ::ReQu_Submit_Click() {
  if (!session().idle()) return;
  if (ui->ReQu_BillId->text().isEmpty())
    submitNew();
  else
    submitUpdate();
}

bool FraRequ::submitNew() {
  const int entry = ui->ReQu_WoStat->currentIndex();
  const int32_t today = clientToday();
  if (ui->ReQu_Number->text().isEmpty()) return refuse(QStringLiteral("一定要选一台设备哦。"), ui->ReQu_Number);
  if (text(ui->ReQu_FalReq).size() < 10) return refuse(QStringLiteral("工单描述不得少于十字"), ui->ReQu_FalReq);
  if (parseDate(ui->ReQu_OutDay->text()) == 0)
    return refuse(QStringLiteral("要求完成的日期是必要的，或者你写错了格式"), ui->ReQu_OutDay);
  if (entry != 1 && ui->Requ_Em->currentIndex() < 0) return refuse(QStringLiteral("紧急程度是必选项"), ui->Requ_Em);
  if (entry != 1 && ui->ReQu_WoType->currentIndex() < 0)
    return refuse(QStringLiteral("工作请求类型是必选项"), ui->ReQu_WoType);
  if (entry == 1 && ui->ReQu_pointto->text().isEmpty())
    return refuse(QStringLiteral("对于“已安排”的工单，必须填写受派人"), ui->ReQu_pointto);
  const QString inDay = ui->ReQu_InDay->text();
  if (!inDay.isEmpty() && parseDate(inDay) == 0)
    return refuse(QStringLiteral("计划开始日期写错了格式，不过它不是必填项"), ui->ReQu_InDay);
  if (!inDay.isEmpty() && parseDate(inDay) < today)
    return refuse(QStringLiteral("计划开始日期怎么是过去了的？"), ui->ReQu_InDay);
  if (inDay.isEmpty()) ui->ReQu_InDay->setText(dayText(today));
  if (parseDate(ui->ReQu_OutDay->text()) < today)
    return refuse(QStringLiteral("要求完成日期怎么是过去了的？"), ui->ReQu_OutDay);

  setPointtoMarked(false);
  const bool notInForce = entry <= 0;
  const int32_t status = notInForce ? 1 : tables().arrangedSta();
  if (notInForce) ui->ReQu_pointto->clear();

  Exchange x(session(), panelTexts());
  if (!x.begin() || !x.knock()) return false;
  cut(ui->ReQu_FalReq, DescriptionChars);
  cut(ui->ReQu_pointto, AssigneeChars);
  if (!x.send(newOrderBody(typedRequest(status)))) return false;
  WordResult r = x.word({{u"IGOTIT"}, whole(u"WROPOW")});
  if (r.index == 1) inform(QStringLiteral("你没有这一权限。"));
  if (r.index != 0) return false;

  const QString number = qs(r.text).mid(6);
  ui->ReQu_BillId->setText(number);
  ui->ReQu_Submit->setEnabled(false);
  ui->ReQu_Chan->setEnabled(notInForce);
  kept_ = true;
  bill_ = wholeNumber32(us(number)).value_or(0);
  store_ = 1;
  submitTag_ = QStringLiteral("NEW");
  inform(QStringLiteral("新工单编号 ") + number + QStringLiteral(" 已经写入"));
  return true;
}

void FraRequ::submitUpdate() {
  Exchange x(session(), panelTexts());
  if (!x.begin()) return;
  const int32_t code = ui->ReQu_WoStat->currentData().toInt();
  const QString name = ui->ReQu_WoStat->currentText();
  if (!x.knock()) return;
  for (QPlainTextEdit* p : {ui->ReQu_reason, ui->ReQu_solute, ui->ReQu_WoComm}) cut(p, DescriptionChars);
  cut(ui->ReQu_pointto, AssigneeChars);
  OrderUpdate u{ui->ReQu_pointto->text(), code, text(ui->ReQu_reason), text(ui->ReQu_solute),
                text(ui->ReQu_WoComm)};
  if (!x.send(orderUpdateBody(store_, bill_, u))) return;
  WordResult r = x.word({whole(u"WRITE,OK"), whole(u"NOTHIS")});
  if (r.index == 1) inform(NoOrder + ui->ReQu_BillId->text());
  if (r.index == 0) updateWritten(code, name);
}

void FraRequ::updateWritten(int32_t code, const QString& name) {
  WOList* row = keptRow();
  if (row) {
    row->Status = code;
    row->Sscrip = name;
    row->pointto = ui->ReQu_pointto->text();
    row->reason = text(ui->ReQu_reason);
    row->solute = text(ui->ReQu_solute);
    row->scribebyeng = text(ui->ReQu_WoComm);
  }
  ui->ReQu_StaDetail->setEnabled(true);
  ui->ReQu_Find->setVisible(false);
  setRequesterBoxesLocked(true);
  ui->ReQu_Chan->setEnabled(false);

  const auto& g = tables().gradNo;
  if (code & (g[2] | g[3])) {
    const int32_t today = clientToday();
    if (row) {
      row->done_date = today;
      row->Sdone = dayText(today);
    }
    ui->Requ_doneday->setText(dayText(today));
    fillStatuses(name, code, 0);
    setLocked(ui->ReQu_pointto, true);
    ui->ReQu_AddTime->setEnabled(false);
    setLocked(ui->ReQu_reason, true);
    setLocked(ui->ReQu_solute, true);
    setLocked(ui->ReQu_WoComm, false);
  } else {
    fillStatuses(name, code, nextStatusMask(code));
    setLocked(ui->ReQu_pointto, !anyRule(QStringLiteral("pointto"), code));
    ui->ReQu_AddTime->setEnabled(anyRule(QStringLiteral("usetime"), code));
    // The solution box follows the cause's rule.
    const bool reason = anyRule(QStringLiteral("reason"), code);
    setLocked(ui->ReQu_reason, !reason);
    setLocked(ui->ReQu_solute, !reason);
    setLocked(ui->ReQu_WoComm, !anyRule(QStringLiteral("scribebyeng"), code));
  }
  repaintKept();
  ui->ReQu_Chan->setEnabled(false);
  ui->ReQu_Submit->setEnabled(false);
  inform(QStringLiteral("工单编号 ") + ui->ReQu_BillId->text() + QStringLiteral(" 已经改写成功"));
}

void FraRequ::ReQu_Chan_Click() {
  if (!session().idle()) return;
  if (ui->ReQu_BillId->text().isEmpty()) {
    refuse(QStringLiteral("还没有工单，不能修改"), nullptr);
    return;
  }
  const int32_t today = clientToday();
  const QString inDay = ui->ReQu_InDay->text();
  if (text(ui->ReQu_FalReq).size() < 10) {
    refuse(QStringLiteral("工单描述不得少于十字"), ui->ReQu_FalReq);
    return;
  }
  if (parseDate(ui->ReQu_OutDay->text()) == 0) {
    refuse(QStringLiteral("要求完成的日期是必要的，或者你写错了格式"), ui->ReQu_OutDay);
    return;
  }
  if (!inDay.isEmpty() && parseDate(inDay) == 0) {
    refuse(QStringLiteral("计划开始日期写错了格式，不过它不是必填项"), ui->ReQu_InDay);
    return;
  }
  const int32_t code = ui->ReQu_WoStat->currentData().toInt();
  if (pointtoMarked() && ui->ReQu_pointto->text().isEmpty()) {
    refuse(QStringLiteral("对于“已安排”的工单，必须填写受派人"), ui->ReQu_pointto);
    return;
  }
  if (!inDay.isEmpty() && parseDate(inDay) < today) {
    refuse(QStringLiteral("计划开始日期怎么是过去了的？"), ui->ReQu_InDay);
    return;
  }
  if (inDay.isEmpty()) ui->ReQu_InDay->setText(dayText(today));
  if (parseDate(ui->ReQu_OutDay->text()) < today) {
    refuse(QStringLiteral("要求完成日期怎么是过去了的？"), ui->ReQu_OutDay);
    return;
  }
  setPointtoMarked(false);
  const bool entry0 = ui->ReQu_WoStat->currentIndex() == 0;

  Exchange x(session(), panelTexts());
  if (!x.begin() || !x.knock()) return;
  cut(ui->ReQu_FalReq, DescriptionChars);
  const RequestFields f = typedRequest(code);
  if (!x.send(ownChangeBody(store_, bill_, f))) return;
  WordResult r = x.word({whole(u"IGOTIT"), whole(u"WRONGU"), whole(u"CHANGE"), whole(u"NOTHIS")});
  const QString number = ui->ReQu_BillId->text();
  switch (r.index) {
    case 0: break;
    case 1: inform(QStringLiteral("工单 ") + number + QStringLiteral(" 不是你填写的，你不能修改")); return;
    case 2: inform(QStringLiteral("工单 ") + number + QStringLiteral(" 已经被生效或否决，不能再修改")); return;
    case 3: inform(NoOrder + number); return;
    default: return;
  }

  // A request written in this panel is not in the list; one opened from it is.
  WOList* row = ui->Requ_Retu->isEnabled() ? keptRow() : nullptr;
  if (row) {
    row->equip_id = wholeNumber32(us(f.equipId)).value_or(0);
    row->comofequip = f.equipName;
    row->description = f.description;
    row->bill_type = f.billType;
    row->em_level = f.emLevel;
    row->begin_date = f.beginDay;
    row->compl_date = f.complDay;
    row->Sbegin = dayText(f.beginDay);
    row->Scompl = dayText(f.complDay);
    repaintKept();
  }
  ui->ReQu_Chan->setEnabled(entry0);
  inform(QStringLiteral("工单编号 ") + number + QStringLiteral(" 用户修改成功"));
}

void FraRequ::ReQu_StaDetail_Click() { openDetail(DetailKind::Status); }
void FraRequ::ReQu_UsedTime_Click() { openDetail(DetailKind::UsedTime); }

void FraRequ::openDetail(DetailKind kind) {
  if (!kept_) return;
  Exchange x(session(), coreTexts());
  if (!x.begin() || !x.knock()) return;
  if (!x.send(detailBody(store_, kind, bill_))) return;
  std::optional<std::u16string> list = x.list();
  if (!list) return;
  // The ready state returns only once the list is closed.
  FrmStatus form(kind, ui->ReQu_BillId->text(), *list, main_);
  form.exec();
}

void FraRequ::ReQu_AddTime_Click() {
  if (!kept_) return;
  FrmAddRecord form(*this, main_);
  form.exec();
}

void FraRequ::addMinutes(int64_t minutes) {
  const int64_t total = wholeNumber32(us(ui->ReQu_Time->text())).value_or(0) + minutes;
  fUstim(static_cast<int32_t>(std::min<int64_t>(total, std::numeric_limits<int32_t>::max())));
}

void FraRequ::fUstim(int32_t tims) {
  ui->ReQu_Time->setText(QString::number(tims));
  if (WOList* row = keptRow()) {
    row->usetime = tims;
    repaintKept();
  }
  if (tims > 0) ui->ReQu_UsedTime->setEnabled(true);
}

}  // namespace tav::user
