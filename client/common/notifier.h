// Every message box of a client goes through one notifier, so tests can read
// what a person would have been shown and answer the questions.
#pragma once
#include <QString>

class QWidget;

namespace tav::client {

enum class Icon { Information, Critical, Exclamation, Question };

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void show(Icon icon, const QString& title, const QString& text) = 0;
  // A question with the buttons 是 and 否; true for 是.
  virtual bool ask(const QString& title, const QString& text) = 0;
};

// The notifier in use: message boxes unless a test installed another.
Notifier& notifier();
// Installs `n` (not owned); nullptr goes back to message boxes.
void setNotifier(Notifier* n);

// The title of every message box of the program ("TAVuser", "TAVsuper").
void setProgramTitle(const QString& title);
const QString& programTitle();

// Shorthands with the program's title.
void inform(const QString& text);
void critical(const QString& text);
void exclaim(const QString& text);
bool ask(const QString& text);

}  // namespace tav::client
