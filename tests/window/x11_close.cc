// x11_close WINDOW_ID: asks a window to close the way a window manager's
// close button does, with a WM_DELETE_WINDOW message. The window test runs
// the program under Xvfb, where no window manager runs to do it (and
// `xdotool windowclose` destroys the window instead of asking).
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct DisplayCloser {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: x11_close WINDOW_ID\n", stderr);
    return 2;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
  if (!display) {
    std::fputs("x11_close: cannot open the display\n", stderr);
    return 1;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display.get(), "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display.get(), "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display.get(), window, False, NoEventMask, &event);
  XFlush(display.get());
  return 0;
}
