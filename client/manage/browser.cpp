// Record browser of the proposal and authorisation panels.
#include "client/manage/browser.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace tav::manage {

using namespace tav::client;

Browser::Browser(QScrollBar* bar, QLabel* position, QPushButton* action, QString noneText)
    : bar_(bar), position_(position), action_(action), noneText_(std::move(noneText)) {}

bool Browser::fetch(Exchange& x, std::u16string_view word, std::size_t fields) {
  if (!x.start(word)) return false;
  auto text = x.list();
  if (!text) return false;
  auto recs = listRecords(*text, fields);
  if (!recs) {
    critical(badReplyText());
    return false;
  }
  records_ = std::move(*recs);
  if (records_.empty()) {
    clear();
    return true;
  }
  bar_->setEnabled(true);
  action_->setEnabled(true);
  const QSignalBlocker quiet(bar_);
  bar_->setRange(1, count());
  bar_->setValue(1);
  return true;
}

void Browser::clear() {
  records_.clear();
  position_->setText(noneText_);
  bar_->setEnabled(false);
  action_->setEnabled(false);
}

const Fields* Browser::shown() const {
  const int v = bar_->value();
  if (v < 1 || v > count()) return nullptr;
  return &records_[static_cast<std::size_t>(v) - 1];
}

const Fields* Browser::showPosition() {
  const Fields* f = shown();
  if (f) position_->setText(QStringLiteral("%1 / %2").arg(bar_->value()).arg(bar_->maximum()));
  return f;
}

std::u16string Browser::shownNumber() const {
  const Fields* f = shown();
  return f ? us(QString::number(numberOf((*f)[0]))) : std::u16string();
}

}  // namespace tav::manage
