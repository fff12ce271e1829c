// The quick equipment search request and the date boxes.
#include "client/user/equipment.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <algorithm>
#include <memory>

#include "client/common/session.h"
#include "client/user/rows.h"
#include "client/user/usertables.h"
#include "protocol/wire.h"

namespace tav::user {

using tav::client::cleanField;
using tav::client::us;

QString badDateMessage(bool scrapDay, bool addingForm) {
  return (scrapDay ? QStringLiteral("“报废日期”") : QStringLiteral("“购买日期”")) +
         QStringLiteral("不是一个合法的日期格式，正确的格式应是") +
         (addingForm ? QStringLiteral("“yyyy-m-d”。") : QStringLiteral("“yyyy-M-d”。"));
}

QuickSearch quickSearch(const std::array<QString, 10>& boxes) {
  QuickSearch q;
  q.body = u"QUICKYASSET";
  for (int i = 1; i <= 10; ++i) {
    const QString& text = boxes[static_cast<std::size_t>(i - 1)];
    if (text.isEmpty()) continue;
    q.anyBox = true;
    std::u16string value;
    if (i == 4 || i == 9) {
      int32_t day = parseDate(text);
      // Day 0 would find the equipment without a date instead.
      if (day == 0) {
        q.badBox = i;
        q.body.clear();
        return q;
      }
      value = us(QString::number(day));
    } else {
      value = cleanField(text);
    }
    q.body += us(equField()[i - 1]);
    q.body += FieldSep;
    q.body += value;
    q.body += FieldSep;
  }
  return q;
}

QString todayText() { return dayText(clientToday()); }

namespace {

class TodayOnSpace : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Space)
      return false;
    auto* box = static_cast<QLineEdit*>(watched);
    box->setText(todayText());
    box->setCursorPosition(static_cast<int>(box->text().size()));
    return true;
  }
};

class DoubleClick : public QObject {
 public:
  DoubleClick(QObject* parent, std::function<void()> act) : QObject(parent), act_(std::move(act)) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
      act_();
    return false;
  }

 private:
  std::function<void()> act_;
};

}  // namespace

void takeTodayOnSpace(QLineEdit* box) { box->installEventFilter(new TodayOnSpace(box)); }

void onDoubleClick(QListWidget* list, std::function<void()> act) {
  list->viewport()->installEventFilter(new DoubleClick(list, std::move(act)));
}

int selectedRow(const QListWidget* list) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) return i;
  return -1;
}

void limitLength(QPlainTextEdit* box, int limit) {
  auto before = std::make_shared<QString>(box->toPlainText());
  QObject::connect(box, &QPlainTextEdit::textChanged, box, [box, limit, before] {
    const QString text = box->toPlainText();
    if (text.size() <= limit) {
      *before = text;
      return;
    }
    // What the edit put between the unchanged head and tail is cut to the
    // room left, as a line box refuses what goes past its maximum.
    const QString& old = *before;
    qsizetype head = 0, tail = 0;
    while (head < old.size() && head < text.size() && old[head] == text[head]) ++head;
    while (tail < old.size() - head && tail < text.size() - head &&
           old[old.size() - 1 - tail] == text[text.size() - 1 - tail])
      ++tail;
    const qsizetype room = std::max<qsizetype>(0, limit - head - tail);
    const QString put = text.mid(head, text.size() - head - tail).left(room);
    const QString kept = (text.left(head) + put + text.right(tail)).left(limit);
    *before = kept;
    box->setPlainText(kept);
    QTextCursor c = box->textCursor();
    c.setPosition(static_cast<int>(std::min<qsizetype>(head + put.size(), kept.size())));
    box->setTextCursor(c);
  });
}

}  // namespace tav::user
