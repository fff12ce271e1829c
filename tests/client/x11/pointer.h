// The X server's own pointer, moved and pressed through the XTEST
// extension, for the tests that give the clients real X input.
#pragma once
#include <QPoint>

namespace tavtest {

class Pointer {
 public:
  static constexpr unsigned Left = 1, Right = 3;

  // Opens its own connection to $DISPLAY.
  Pointer();
  ~Pointer();
  Pointer(const Pointer&) = delete;
  Pointer& operator=(const Pointer&) = delete;

  // True when the display is open and has XTEST.
  bool ok() const;
  void moveTo(QPoint global);
  void press(unsigned button);
  void release(unsigned button);
  void click(unsigned button) {
    press(button);
    release(button);
  }

 private:
  void* display_;  // Display*, kept out of the header with Xlib's macros
};

}  // namespace tavtest
