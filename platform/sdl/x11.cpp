// The real backend's watch on its X connection: the X server going away,
// and another program destroying the game's window from the moment SDL
// makes it. Xlib's own handlers would print the failed request over several
// lines and exit (the exit handler then waiting for ever on the dead
// connection); the game says what happened in one line of its own and ends.
// Set under SDL's X11 video driver only.
#include <cstdio>
#include <cstdlib>

#include "platform/sdl/extras.h"
#include "platform/sdl/internal.h"

// Last: Xlib's macros (None, Bool, Status, Success...) would break the
// headers above. SDL_syswm.h brings Xlib with its X11 part.
#include <SDL_syswm.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>
// GLX's protocol header, for its error numbers, takes the wire types from
// Xmd.h without including it.
#include <X11/Xmd.h>
#include <GL/glxproto.h>

namespace plat::backend {
namespace {

// What tells an error about the game's window from the others. Trivially
// destructible, like the window's state: it must outlive the exit handler.
struct XWatch {
  XErrorHandler before = nullptr;  // the handler ours passes on to
  int glx_bad_drawable = 0;        // GLX's BadDrawable error code; 0 unknown
  bool making_window = false;      // SDL is making the window, whose id is not known yet
};
XWatch watch;

// Xlib calls its handlers as C functions. Static: GCC would give a C
// function external linkage even here.
extern "C" {

// The X server went away. Xlib would print lines of its own and exit, and
// the exit handler would then wait for ever on the dead connection: say so
// in one line and end at once.
static int LostDisplay(Display* /*display*/) {
  const char* name = SDL_getenv("DISPLAY");
  std::fprintf(stderr, "velkaro: lost the display %s (its X server closed the connection)\n",
               name != nullptr ? name : "");
  std::_Exit(1);
}

}  // extern "C"

// Whether the resource is one the connection made itself. While SDL makes
// the window its id is not known yet, and the game's connection makes only
// that window and SDL's short-lived probe of the GL driver: another program
// destroying either ends the making (Xlib's handler would print the failed
// request and exit).
bool OwnResource(Display* display, XID id) {
  const xcb_setup_t* setup = xcb_get_setup(XGetXCBConnection(display));
  if (setup == nullptr) return false;
  return (id & ~static_cast<XID>(setup->resource_id_mask)) == setup->resource_id_base;
}

bool AboutTheGameWindow(Display* display, const XErrorEvent& error) {
  const bool gone = error.error_code == BadWindow || error.error_code == BadDrawable ||
                    (watch.glx_bad_drawable != 0 && error.error_code == watch.glx_bad_drawable);
  if (!gone) return false;
  const Window window = screen.window.x_window;
  if (window != 0) return error.resourceid == window;
  return watch.making_window && OwnResource(display, error.resourceid);
}

extern "C" {

// Another program destroyed the game's window (a window manager's close
// button asks instead). The next request on it fails (the GL driver's
// image put, swap or geometry query, or SDL's own as it makes the window or
// loses focus), and Xlib's handler would print several lines and exit: say
// what happened in one line and end, as LostDisplay does, without the Xlib
// calls a handler must not make. Every other error goes on to the handler
// set before, so what SDL and the GL driver tolerate stays tolerated.
static int WindowDestroyed(Display* display, XErrorEvent* error) {
  if (AboutTheGameWindow(display, *error)) {
    std::fprintf(stderr, "velkaro: the game's window was destroyed by another program\n");
    std::_Exit(1);
  }
  // SDL's, which passes on to Xlib's.
  const XErrorHandler before = watch.before;
  return before != nullptr ? before(display, error) : 0;
}

}  // extern "C"

// The X connection and window beneath an SDL window. The GL driver draws
// straight into that window (SDL makes it current itself, with no GLX
// drawable of its own), so the driver's failing requests name it too.
bool WindowOf(SDL_Window* window, Display** display, Window* id) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *id = info.info.x11.window;
  return true;
}

}  // namespace

// The handlers are the whole process's and others may set theirs between
// windows, so each window sets them again.
void WatchX() {
  XSetIOErrorHandler(LostDisplay);
  const XErrorHandler before = XSetErrorHandler(WindowDestroyed);
  if (before != WindowDestroyed) watch.before = before;  // passing to itself would loop
}

void MakingWindow(bool on) { watch.making_window = on; }

void KnowWindow(SDL_Window* window) {
  WindowState& w = screen.window;
  Display* display = nullptr;
  Window id = 0;
  if (!WindowOf(window, &display, &id)) return;
  w.x_display = display;
  w.x_window = id;
  // The game's window is known from here on; the query's reply also brings
  // any error already on its way about it.
  int opcode = 0, event_base = 0, error_base = 0;
  if (XQueryExtension(display, GLX_EXTENSION_NAME, &opcode, &event_base, &error_base))
    watch.glx_bad_drawable = error_base + GLXBadDrawable;
}

void CheckWindowStands() {
  const WindowState& w = screen.window;
  if (w.x_window == 0) return;
  Window root = 0;
  int left = 0, top = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  XGetGeometry(static_cast<Display*>(w.x_display), w.x_window, &root, &left, &top, &width,
               &height, &border, &depth);
}

}  // namespace plat::backend

namespace plat::sdl {

void* XDisplay() { return backend::screen.window.x_display; }
unsigned long XWindow() { return backend::screen.window.x_window; }

}  // namespace plat::sdl
