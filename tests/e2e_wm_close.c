/* Asks a window to close the way a window manager does: a WM_PROTOCOLS
   client message carrying WM_DELETE_WINDOW. Bare Xvfb runs no window
   manager, and `xdotool windowclose` destroys the window instead of asking.

   e2e_wm_close WINDOW_ID   (decimal or 0x hex; uses $DISPLAY) */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s WINDOW_ID\n", argv[0]);
    return 2;
  }
  char* end = NULL;
  unsigned long id = strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || id == 0) {
    fprintf(stderr, "e2e_wm_close: bad window id '%s'\n", argv[1]);
    return 2;
  }
  Display* dpy = XOpenDisplay(NULL);
  if (dpy == NULL) {
    fprintf(stderr, "e2e_wm_close: cannot open display\n");
    return 1;
  }
  XEvent ev = {0};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = (Window)id;
  ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  ev.xclient.data.l[1] = CurrentTime;
  Status ok = XSendEvent(dpy, (Window)id, False, NoEventMask, &ev);
  XSync(dpy, False);
  XCloseDisplay(dpy);
  if (!ok) {
    fprintf(stderr, "e2e_wm_close: could not send the close request\n");
    return 1;
  }
  return 0;
}
