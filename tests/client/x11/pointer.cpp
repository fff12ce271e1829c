// The XTEST pointer: each fake event is flushed at once, so the X server
// queues them in the order given, stamped as it takes them.
#include "tests/client/x11/pointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tavtest {

namespace {
Display* dpy(void* d) { return static_cast<Display*>(d); }
}  // namespace

Pointer::Pointer() : display_(XOpenDisplay(nullptr)) {}

Pointer::~Pointer() {
  if (display_) XCloseDisplay(dpy(display_));
}

bool Pointer::ok() const {
  int event = 0, error = 0, major = 0, minor = 0;
  return display_ && XTestQueryExtension(dpy(display_), &event, &error, &major, &minor);
}

void Pointer::moveTo(QPoint global) {
  XTestFakeMotionEvent(dpy(display_), -1, global.x(), global.y(), CurrentTime);
  XFlush(dpy(display_));
}

void Pointer::press(unsigned button) {
  XTestFakeButtonEvent(dpy(display_), button, True, CurrentTime);
  XFlush(dpy(display_));
}

void Pointer::release(unsigned button) {
  XTestFakeButtonEvent(dpy(display_), button, False, CurrentTime);
  XFlush(dpy(display_));
}

}  // namespace tavtest
