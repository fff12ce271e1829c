// Right-button filter and wheel routing.
#include "client/common/windowfilters.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace tav::client {

namespace {

const char* const TakesRight = "tavTakesRightButton";

// The widget a mouse event sent to a top-level window lands on: Qt picks
// it the same way before it hands the event to the widgets.
QWidget* widgetUnder(const QWindow* window, const QPointF& at) {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->windowHandle() == window) {
      QWidget* child = top->childAt(at.toPoint());
      return child ? child : top;
    }
  return nullptr;
}

}  // namespace

void RightButtonFilter::takeRightButton(QWidget* w) { w->setProperty(TakesRight, true); }

bool RightButtonFilter::takesRightButton(const QWidget* w) { return w && w->property(TakesRight).toBool(); }

bool RightButtonFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* m = static_cast<QMouseEvent*>(event);
      if (m->button() != Qt::RightButton) break;
      // At the window the press decides where the release will go; eaten
      // there, the release reaches no widget at all.
      if (watched->isWidgetType()) return !takesRightButton(static_cast<QWidget*>(watched));
      if (auto* window = qobject_cast<QWindow*>(watched)) return !takesRightButton(widgetUnder(window, m->position()));
      return true;
    }
    case QEvent::ContextMenu:
      if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse) return true;
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

void keepRightButtonFromControls() {
  static RightButtonFilter filter;
  // Installing again would only move it to the front; once is enough.
  static const bool installed = (qApp->installEventFilter(&filter), true);
  Q_UNUSED(installed);
}

WheelRouter::WheelRouter(QWidget* window, QObject* parent) : QObject(parent), window_(window) {}

bool WheelRouter::apply(bool shift, bool ctrl, bool away) {
  QScrollBar* bar = nullptr;
  int step = 1;
  if (shift) {
    bar = curHScroll;
    step = 50;
  } else {
    bar = curVScroll;
    step = ctrl ? 3 : 1;
    if (bar && !bar->isEnabled()) bar = nullptr;
  }
  if (!bar) return false;
  int v = away ? std::max(bar->value() - step, 1) : std::min(bar->value() + step, bar->maximum());
  bar->setValue(v);
  return true;
}

bool WheelRouter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || !window_ || (w != window_ && !window_->isAncestorOf(w))) return false;
  auto* we = static_cast<QWheelEvent*>(event);
  int delta = we->angleDelta().y();
  if (delta == 0) delta = we->angleDelta().x();  // Shift turns the wheel sideways on some systems
  if (delta == 0) return false;
  bool shift = we->modifiers() & Qt::ShiftModifier;
  bool ctrl = we->modifiers() & Qt::ControlModifier;
  return apply(shift, ctrl, delta > 0);
}

}  // namespace tav::client
