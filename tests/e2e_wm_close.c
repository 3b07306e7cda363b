/* What the end-to-end tests do to the game's window from another client.

   e2e_wm_close WINDOW_ID
     asks the window to close the way a window manager does: a WM_PROTOCOLS
     client message carrying WM_DELETE_WINDOW. Bare Xvfb runs no window
     manager, and `xdotool windowclose` destroys the window instead of asking.
   e2e_wm_close --destroy-new DELAY_US
     prints "ready" once it watches, then destroys every top-level window
     created from then on, DELAY_US after it appears, until killed: the
     game's window while SDL still makes it, or just after.

   Window ids are decimal or 0x hex; uses $DISPLAY. */
#define _POSIX_C_SOURCE 199309L
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

/* A window gone before its turn is no fault of the watcher's. */
static int Ignore(Display* dpy, XErrorEvent* error) {
  (void)dpy;
  (void)error;
  return 0;
}

static int DestroyNew(Display* dpy, const char* delay_arg) {
  char* end = NULL;
  long delay_us = strtol(delay_arg, &end, 10);
  if (end == delay_arg || *end != '\0' || delay_us < 0 || delay_us >= 1000000) {
    fprintf(stderr, "e2e_wm_close: bad delay '%s'\n", delay_arg);
    return 2;
  }
  XSetErrorHandler(Ignore);
  XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
  XSync(dpy, False);
  printf("ready\n");
  fflush(stdout);
  for (;;) {
    XEvent ev;
    XNextEvent(dpy, &ev);
    if (ev.type != CreateNotify) continue;
    struct timespec wait = {0, delay_us * 1000};
    nanosleep(&wait, NULL);
    XDestroyWindow(dpy, ev.xcreatewindow.window);
    XSync(dpy, False);
  }
}

int main(int argc, char** argv) {
  const int destroy = argc == 3 && strcmp(argv[1], "--destroy-new") == 0;
  if (argc != 2 && !destroy) {
    fprintf(stderr, "usage: %s WINDOW_ID | --destroy-new DELAY_US\n", argv[0]);
    return 2;
  }
  Display* dpy = XOpenDisplay(NULL);
  if (dpy == NULL) {
    fprintf(stderr, "e2e_wm_close: cannot open display\n");
    return 1;
  }
  if (destroy) return DestroyNew(dpy, argv[2]);
  char* end = NULL;
  unsigned long id = strtoul(argv[1], &end, 0);
  if (end == argv[1] || *end != '\0' || id == 0) {
    fprintf(stderr, "e2e_wm_close: bad window id '%s'\n", argv[1]);
    XCloseDisplay(dpy);
    return 2;
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
