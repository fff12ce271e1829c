// Server information: two text replies and the length-prefixed log.
#include "client/manage/infopanel.h"

#include "client/common/clock.h"
#include "client/manage/managestate.h"
#include "protocol/netio.h"
#include "protocol/wire.h"
#include "ui_infopanel.h"

namespace tav::manage {

using namespace tav::client;

namespace {

constexpr std::size_t LogHeaderBytes = 8;

// Reads until `want` bytes are held, renewing the silence deadline after
// every read that brings some (the header's deadline is set once).
bool readCounted(Session& s, std::string& into, std::size_t want, bool renew) {
  Deadline deadline(ioSeconds());
  while (into.size() < want) {
    pumpEvents();
    auto got = s.sock.recvSome(into, want - into.size());
    if (got == ReadOutcome::Data) {
      if (renew) deadline.renew(ioSeconds());
      continue;
    }
    if (got == ReadOutcome::Closed || deadline.passed()) return false;
    pauseFor(50, s.sock.fd());
  }
  return true;
}

// The header's four hexadecimal digits; nullopt for anything else.
std::optional<std::size_t> logLength(const std::string& header) {
  std::u16string digits = fromUtf16le(header);
  if (digits.size() != 4) return std::nullopt;
  std::size_t n = 0;
  for (char16_t c : digits) {
    int v;
    if (c >= u'0' && c <= u'9')
      v = c - u'0';
    else if (c >= u'A' && c <= u'F')
      v = c - u'A' + 10;
    else if (c >= u'a' && c <= u'f')
      v = c - u'a' + 10;
    else
      return std::nullopt;
    n = n * 16 + static_cast<std::size_t>(v);
  }
  return n;
}

}  // namespace

InfoPanel::InfoPanel(QWidget* parent) : ManagePanel(parent), ui(std::make_unique<Ui::FraShow>()) {
  ui->setupUi(this);
  connect(ui->frashows, &QPushButton::clicked, this, &InfoPanel::frashows_Click);
  connect(ui->frashowu, &QPushButton::clicked, this, &InfoPanel::frashowu_Click);
  connect(ui->frashowo, &QPushButton::clicked, this, &InfoPanel::frashowo_Click);
}

InfoPanel::~InfoPanel() = default;

void InfoPanel::fetchText(std::u16string_view word, QPlainTextEdit* box) {
  Exchange x(session(), manageTexts());
  if (!x.start(word)) return;
  auto text = x.list();
  if (!text) return;
  box->setPlainText(qs(*text));
  box->setFocus();
}

void InfoPanel::frashows_Click() { fetchText(u"AUTHOR", ui->Text1); }

void InfoPanel::frashowo_Click() { fetchText(u"SHOWLB", ui->Text3); }

void InfoPanel::frashowu_Click() {
  Session& s = session();
  Exchange x(s, manageTexts());
  if (!x.start(u"SHOWTX")) return;
  std::string header;
  if (!readCounted(s, header, LogHeaderBytes, false)) {
    critical(x.texts().listTimeout);
    return;
  }
  auto length = logLength(header);
  if (!length) {
    critical(badReplyText());
    return;
  }
  std::string log;
  if (!readCounted(s, log, *length, true)) {
    critical(x.texts().listTimeout);
    return;
  }
  ui->Text2->setPlainText(qs(fromUtf16le(log)));
  ui->Text2->setFocus();
}

void InfoPanel::logoff() {
  ui->Text1->clear();
  ui->Text2->clear();
  ui->Text3->clear();
}

}  // namespace tav::manage
