// Two filters that live for a client's whole run: the right button is kept
// from every control but the surfaces that take it (pop-up menus open on the
// release there), and the mouse wheel moves the scroll bars the current
// panel names.
#pragma once
#include <QObject>
#include <QPointer>
#include <QScrollBar>

class QWidget;

namespace tav::client {

// Installed on the application: eats right-button presses and double
// clicks, and the context-menu events the window system raises for them,
// everywhere but on the widgets marked with takeRightButton. Qt hands a
// button's release only to the widget that had its press, so a surface
// that opens a pop-up on the release must have the press: the filter lets
// it through at the window and at the marked widget, and eats it at any
// other widget, so no control ever sees the right button go down.
class RightButtonFilter : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Marks `w` (the widget itself, not its children) as taking the right
  // button. It must swallow the press itself, or the press travels on to
  // its parents.
  static void takeRightButton(QWidget* w);
  static bool takesRightButton(const QWidget* w);
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
