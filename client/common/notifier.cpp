// Message boxes with the program's title, parented to the active window.
#include "client/common/notifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace tav::client {
namespace {

class BoxNotifier : public Notifier {
 public:
  void show(Icon icon, const QString& title, const QString& text) override {
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
  }
  bool ask(const QString& title, const QString& text) override {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
  }

 private:
  static QMessageBox::Icon boxIcon(Icon i) {
    switch (i) {
      case Icon::Information: return QMessageBox::Information;
      case Icon::Critical: return QMessageBox::Critical;
      case Icon::Exclamation: return QMessageBox::Warning;
      case Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
  }
};

BoxNotifier boxes;
Notifier* current = nullptr;
QString title = QStringLiteral("TAVuser");

}  // namespace

Notifier& notifier() { return current ? *current : boxes; }
void setNotifier(Notifier* n) { current = n; }
void setProgramTitle(const QString& t) { title = t; }
const QString& programTitle() { return title; }

void inform(const QString& text) { notifier().show(Icon::Information, title, text); }
void critical(const QString& text) { notifier().show(Icon::Critical, title, text); }
void exclaim(const QString& text) { notifier().show(Icon::Exclamation, title, text); }
bool ask(const QString& text) { return notifier().ask(title, text); }

}  // namespace tav::client
