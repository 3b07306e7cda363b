// The real backend's watch on its X connection: the server going away, and
// another program destroying the game's window, from the moment SDL makes
// it. Xlib (and xcb beneath it) is reached through the libraries SDL and
// the GL driver have already loaded, so building the game needs no X11
// headers.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/sdl/extras.h"
#include "platform/sdl/internal.h"

// SDL_syswm.h declares its X11 part with Xlib's types. Without that part it
// needs no X11 headers; WindowOf reads the Display and the Window from the
// bytes its union keeps for them. The only file that sees SDL_SysWMinfo.
#undef SDL_VIDEO_DRIVER_X11
#include <SDL_syswm.h>

namespace plat::backend {
namespace {

// The head of Xlib's XErrorEvent, as its ABI lays it out.
struct XErrorHead {
  int type;
  void* display;
  unsigned long resourceid;
  unsigned long serial;
  unsigned char error_code;
  unsigned char request_code;
  unsigned char minor_code;
};
// The head of the X connection's setup, as the protocol lays it out
// (xcb_setup_t): which resource ids are the connection's own.
struct XcbSetupHead {
  std::uint8_t status, pad;
  std::uint16_t major, minor, length;
  std::uint32_t release, resource_id_base, resource_id_mask;
};

using XErrorHandler = int (*)(void*, void*);
using XIOErrorHandler = int (*)(void*);

constexpr unsigned char kBadWindow = 3, kBadDrawable = 9;
constexpr int kGlxBadDrawable = 2;  // GLX's own errors count from its error base

XWatch& watch() { return screen.x; }

// The X server went away. Xlib would print lines of its own and exit, and
// the exit handler would then wait for ever on the dead connection: say so
// in one line and end at once.
int LostDisplay(void* /*display*/) {
  const char* name = SDL_getenv("DISPLAY");
  std::fprintf(stderr, "velkaro: lost the display %s (its X server closed the connection)\n",
               name != nullptr ? name : "");
  std::_Exit(1);
}

// Whether the resource is one the connection made itself. While SDL makes
// the window its id is not known yet, and the game's connection makes only
// that window and SDL's short-lived probe of the GL driver: another program
// destroying either ends the making (Xlib's handler would print the failed
// request and exit).
bool OwnResource(void* display, unsigned long id) {
  const XWatch& x = watch();
  if (x.xcb_connection == nullptr || x.xcb_setup == nullptr) return false;
  void* connection = x.xcb_connection(display);
  const void* setup = connection != nullptr ? x.xcb_setup(connection) : nullptr;
  if (setup == nullptr) return false;
  XcbSetupHead head;
  std::memcpy(&head, setup, sizeof head);
  return (id & ~static_cast<unsigned long>(head.resource_id_mask)) == head.resource_id_base;
}

bool AboutTheGameWindow(void* display, const XErrorHead& error) {
  const XWatch& x = watch();
  const bool gone = error.error_code == kBadWindow || error.error_code == kBadDrawable ||
                    (x.glx_bad_drawable != 0 && error.error_code == x.glx_bad_drawable);
  if (!gone) return false;
  const unsigned long window = screen.window.x_window;
  if (window != 0) return error.resourceid == window;
  return x.making_window && OwnResource(display, error.resourceid);
}

// Another program destroyed the game's window (a window manager's close
// button asks instead). The next request on it fails (the GL driver's
// image put, swap or geometry query, or SDL's own as it makes the window or
// loses focus), and Xlib's handler would print several lines and exit: say
// what happened in one line and end, as LostDisplay does, without the Xlib
// calls a handler must not make. Every other error goes on to the handler
// set before, so what SDL and the GL driver tolerate stays tolerated.
int WindowDestroyed(void* display, void* event) {
  XErrorHead error;
  std::memcpy(&error, event, sizeof error);
  if (AboutTheGameWindow(display, error)) {
    std::fprintf(stderr, "velkaro: the game's window was destroyed by another program\n");
    std::_Exit(1);
  }
  // SDL's, which passes on to Xlib's.
  const XErrorHandler before = watch().before;
  return before != nullptr ? before(display, event) : 0;
}

template <class T>
T Symbol(void* lib, const char* name) {
  return lib != nullptr ? reinterpret_cast<T>(dlsym(lib, name)) : nullptr;
}

// The X11 part of SDL_SysWMinfo's union, left out above: the Display
// pointer, then the Window. The GL driver draws straight into that window
// (SDL makes it current itself, with no GLX drawable of its own), so the
// driver's failing requests name it too.
bool WindowOf(SDL_Window* window, void** display, unsigned long* id) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  std::memcpy(display, info.info.dummy, sizeof *display);
  std::memcpy(id, info.info.dummy + sizeof(void*), sizeof *id);
  return true;
}

}  // namespace

// The handlers are the whole process's and others may set theirs between
// windows, so each window sets them again.
void WatchX() {
  XWatch& x = watch();
  void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) return;
  void* xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  void* xlib_xcb = dlopen("libX11-xcb.so.1", RTLD_NOW | RTLD_LOCAL);
  x.xcb_connection = Symbol<void* (*)(void*)>(xlib_xcb, "XGetXCBConnection");
  x.xcb_setup = Symbol<const void* (*)(void*)>(xcb, "xcb_get_setup");
  x.query_extension =
      Symbol<int (*)(void*, const char*, int*, int*, int*)>(lib, "XQueryExtension");
  x.get_geometry = Symbol<int (*)(void*, unsigned long, unsigned long*, int*, int*, unsigned*,
                                  unsigned*, unsigned*, unsigned*)>(lib, "XGetGeometry");
  if (auto set = Symbol<XIOErrorHandler (*)(XIOErrorHandler)>(lib, "XSetIOErrorHandler"))
    set(LostDisplay);
  if (auto set = Symbol<XErrorHandler (*)(XErrorHandler)>(lib, "XSetErrorHandler")) {
    const XErrorHandler before = set(WindowDestroyed);
    if (before != WindowDestroyed) x.before = before;  // passing to itself would loop
  }
}

void MakingWindow(bool on) { watch().making_window = on; }

void KnowWindow(SDL_Window* window) {
  WindowState& w = screen.window;
  if (!WindowOf(window, &w.x_display, &w.x_window)) return;
  // The game's window is known from here on; the query's reply also brings
  // any error already on its way about it.
  XWatch& x = watch();
  int opcode = 0, event_base = 0, error_base = 0;
  if (x.query_extension != nullptr &&
      x.query_extension(w.x_display, "GLX", &opcode, &event_base, &error_base) != 0)
    x.glx_bad_drawable = error_base + kGlxBadDrawable;
}

void CheckWindowStands() {
  const WindowState& w = screen.window;
  const XWatch& x = watch();
  if (w.x_window == 0 || x.get_geometry == nullptr) return;
  unsigned long root = 0;
  int left = 0, top = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  x.get_geometry(w.x_display, w.x_window, &root, &left, &top, &width, &height, &border, &depth);
}

}  // namespace plat::backend

namespace plat::sdl {

void* XDisplay() { return backend::screen.window.x_display; }
unsigned long XWindow() { return backend::screen.window.x_window; }

}  // namespace plat::sdl
