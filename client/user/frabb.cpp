// The report panel: its date keys, the request, the reply gathered across
// reads, and the workbook.
#include "client/user/frabb.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <cmath>

#include "client/common/clientsocket.h"
#include "client/common/clock.h"
#include "client/common/notifier.h"
#include "client/common/session.h"
#include "client/user/frmmain.h"
#include "client/user/report.h"
#include "client/user/rows.h"
#include "client/user/spreadsheet.h"
#include "client/user/usertables.h"
#include "protocol/netio.h"
#include "protocol/text.h"
#include "protocol/wire.h"
#include "ui_frabb.h"

namespace tav::user {

using namespace tav::client;

namespace {

const char* const dayColumns[] = {"created_date", "begin_date", "compl_date", "done_date"};

// The refusals the report's reply may be instead of a list.
struct Refusal {
  std::u16string word;
  Icon icon;
  QString text;
};
std::vector<Refusal> refusals() {
  std::vector<Refusal> r = {
      {u"TOLONG", Icon::Information, QStringLiteral("日期跨度太大了，超出服务器可提供的范围。")},
      {u"WRONGW", Icon::Information, QStringLiteral("开始日期不可大过结束日期")},
      {u"NOPWER", Icon::Information, QStringLiteral("你没有这个权限，如有必要请联系管理员。")},
  };
  for (const CommonWord& c : familyTexts().common) r.push_back({c.word, c.icon, c.text});
  return r;
}

std::u16string withoutNuls(std::u16string text) {
  text.erase(std::remove(text.begin(), text.end(), u'\0'), text.end());
  return text;
}

// The reply, gathered across reads: a refusal word counts once the bytes
// so far spell it (its message is shown); a list is complete at its
// terminator. Empty reads wait 20 ms; every piece renews the deadline.
std::optional<std::u16string> readReport(Session& s) {
  const std::vector<Refusal> words = refusals();
  RequestReader list = listReader();
  std::string head;  // the first bytes, while they may still be a word
  bool maybeWord = true;
  Deadline deadline(ioSeconds());
  std::string piece;
  for (;;) {
    pumpEvents();
    piece.clear();
    ReadOutcome got = s.sock.recvSome(piece, 1024);
    if (got == ReadOutcome::Data) {
      if (maybeWord) {
        head += piece;
        const std::u16string text = withoutNuls(fromUtf16le(head));
        maybeWord = false;
        for (const Refusal& w : words) {
          if (text.size() >= w.word.size() && equalsNoCase(text.substr(0, w.word.size()), w.word)) {
            notifier().show(w.icon, programTitle(), w.text);
            return std::nullopt;
          }
          if (text.size() < w.word.size() && equalsNoCase(std::u16string_view(w.word).substr(0, text.size()), text))
            maybeWord = true;
        }
      }
      if (list.feed(piece.data(), piece.size()) == ReadState::Complete) {
        std::u16string body = list.body();
        s.heard(body);
        return body;
      }
      deadline.renew(ioSeconds());
      continue;
    }
    if (got == ReadOutcome::Closed || deadline.passed()) {
      critical(familyTexts().listTimeout);
      return std::nullopt;
    }
    pauseFor(20, s.sock.fd());
  }
}

struct Hourglass {
  Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

FraBb::FraBb(FrmMain* main, QWidget* parent) : Panel(main, parent), ui(std::make_unique<Ui::FraBb>()) {
  ui->setupUi(this);
  ui->repbigday->installEventFilter(this);
  ui->rependday->installEventFilter(this);
  connect(ui->repdaytype, &QComboBox::currentIndexChanged, this, &FraBb::repdaytype_Click);
  connect(ui->repcmdok, &QPushButton::clicked, this, &FraBb::repcmdok_Click);
}

FraBb::~FraBb() = default;

void FraBb::shown() {
  ui->repdaytype->setCurrentIndex(0);
  repdaytype_Click();
  ui->repcompl->setChecked(false);
}

void FraBb::repdaytype_Click() { ui->repcompl->setEnabled(ui->repdaytype->currentIndex() != 3); }

bool FraBb::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || (watched != ui->repbigday && watched != ui->rependday))
    return Panel::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Space) {
    // The start a month back, the end today: the client's clock.
    const double back = watched == ui->repbigday ? 31 : 0;
    static_cast<QLineEdit*>(watched)->setText(dayText(static_cast<int32_t>(std::floor(clientNow() - back))));
    return true;
  }
  if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    repcmdok_Click();
    return true;
  }
  return Panel::eventFilter(watched, event);
}

void FraBb::repcmdok_Click() {
  Session& s = session();
  if (!s.idle()) return;
  const int32_t start = parseDate(ui->repbigday->text());
  const int32_t end = parseDate(ui->rependday->text());
  if (start == 0) {
    inform(QStringLiteral("“开始日期”是必填项或者你写错了格式"));
    ui->repbigday->setFocus();
    return;
  }
  if (end == 0) {
    inform(QStringLiteral("“结束日期”是必填项或者你写错了格式"));
    ui->rependday->setFocus();
    return;
  }
  // Nothing is asked of the server without somewhere to show the answer.
  if (!spreadsheet().available()) {
    notifier().show(Icon::Critical, QStringLiteral("查询报表"), noSpreadsheetText());
    return;
  }
  const ReportTexts texts{ui->repbigday->text(), ui->rependday->text(), ui->repdaytype->currentText()};
  const int dayType = std::clamp(ui->repdaytype->currentIndex(), 0, 3);

  Exchange ex(s, familyTexts());
  const std::u16string word = std::u16string(u"REPORT") + (ui->repcompl->isChecked() ? u'1' : u'0') +
                              (ui->repinchis->isChecked() ? u'1' : u'0') + FieldSep;
  if (!ex.start(requestBody(word, {fromUtf8(dayColumns[dayType]), fromUtf8(std::to_string(start)),
                                   fromUtf8(std::to_string(end))})))
    return;
  const std::optional<std::u16string> reply = readReport(s);
  if (!reply) return;
  const ReportData data = parseReport(*reply);

  QString path, error;
  {
    Hourglass wait;
    s.setStatus(QStringLiteral(" TAVuser - 正在导出数据到Excel，请稍候..."));
    pumpEvents();
    if (writeReport(data, texts, path, error)) error = spreadsheet().open(path);
  }
  if (!error.isEmpty()) critical(error);
}

}  // namespace tav::user
