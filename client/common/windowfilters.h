// Two filters that live for a client's whole run: right-button presses never
// reach a control (releases do, so pop-up menus open on the release), and
// the mouse wheel moves the scroll bars the current panel names.
#pragma once
#include <QObject>
#include <QPointer>
#include <QScrollBar>

namespace tav::client {

// Installed on the application: eats right-button presses and double
// clicks, and the context-menu events the window system raises for them.
class RightButtonFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

// The one right-button filter on the application, installed once; both
// clients call it when their main window stands, tests as the clients do.
void keepRightButtonFromControls();

// Installed on the application; acts on wheel events over `window`'s
// widgets. Shift: curHScroll by 50; Ctrl: curVScroll by 3; else curVScroll
// by 1; kept between 1 and the bar's maximum. A vertical bar that is
// disabled, or a bar not set, lets the event pass.
class WheelRouter : public QObject {
 public:
  WheelRouter(QWidget* window, QObject* parent = nullptr);
  QPointer<QScrollBar> curVScroll, curHScroll;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The table itself: true when a bar moved. `away` is the wheel turned away
  // from the user.
  bool apply(bool shift, bool ctrl, bool away);

 private:
  QWidget* window_;
};

}  // namespace tav::client
