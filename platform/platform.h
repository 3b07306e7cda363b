// The platform layer as the game sees it: every call the game makes outside
// itself. Plain functions over one platform state; the backend (real
// SDL2/OpenGL window or headless) is chosen at link time and the game cannot
// tell which one it runs on. What lies beneath the 2D layer, for the textured
// polygon drawer and the tests, is in platform/driver.h.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// ---------------------------------------------------------------- constants
constexpr int MASKBLEND = 1;
constexpr int SOLIDBLEND = 2;
constexpr int ALPHABLEND = 3;
constexpr int LIGHTBLEND = 4;
constexpr int SHADEBLEND = 5;

constexpr int KEY_ESCAPE = 27;
constexpr int KEY_SPACE = 32;
constexpr int KEY_LEFT = 37;
constexpr int KEY_RIGHT = 39;
constexpr int KEY_M = 77;
constexpr int KEY_Z = 90;
constexpr int KEY_F1 = 112;

// ---------------------------------------------------------- embedded files
// Registers a file's bytes under a name; a second registration of a name
// already present is ignored. The bytes must outlive the program (they are
// normally linked into the executable).
void IncbinAdd(const std::string& name, const void* data, std::size_t size);
// Looks up "incbin::NAME" (exact, case-sensitive). Returns false for any url
// without the prefix or with an unknown name.
bool IncbinLookup(const std::string& url, const unsigned char** data, std::size_t* size);

// ----------------------------------------------------------- window, frame
void AppTitle(const std::string& title);
const std::string& GetAppTitle();
struct TGraphics;
// Opens the window with the active graphics driver; nullptr when it cannot.
TGraphics* Graphics(int width, int height, int depth = 0, int hertz = 60, int flags = 0);
void SetClsColor(int r, int g, int b);
void Cls();
void Flip(int sync = 1);

// ------------------------------------------------------------------ images
struct TImageFrame;  // a driver's form of an image (platform/driver.h)

struct TImage {
  int width = 0, height = 0;
  float handle_x = 0, handle_y = 0;
  int flags = 0;                      // 1 masked, 2 filtered
  std::vector<std::uint8_t> rgba;     // width*height*4, straight alpha, 8 bits
  // The image's frame for the active driver, made on first use, the same
  // object on every later call; nullptr when there is no such frame.
  std::shared_ptr<TImageFrame> Frame(int index);
  // Driver frames already made, dropped when the driver changes.
  std::shared_ptr<TImageFrame> frame0;
  const void* frame_driver = nullptr;
};

// Returns nullptr when the url cannot be read or the bytes are not a PNG.
TImage* LoadImage(const std::string& url, int flags);
// Images are held by the game as int handles (0 for none).
int HandleFromImage(TImage* image);
TImage* ImageFromHandle(int handle);
void SetMaskColor(int r, int g, int b);
void AutoMidHandle(int enable);
void SetImageHandle(TImage* image, float x, float y);
void SetImageHandle(int image, float x, float y);
int ImageWidth(TImage* image);
int ImageWidth(int image);
int ImageHeight(TImage* image);
int ImageHeight(int image);

// ------------------------------------------------------------------- fonts
// Returns a font handle, 0 when the url cannot be read or is not a font.
int LoadImageFont(const std::string& url, int size, int style);
void SetImageFont(int font);

// ------------------------------------------------------------------- sound
// Returns a sound handle, 0 when the url cannot be read or is not a WAV.
// Every sound plays once: the loop flag (always 0 here) is not kept.
int LoadSound(const std::string& url, int loop_flag);
// Starts the sound at once on a new channel; returns the channel (0 when
// the handle is 0). Without an audio device the sound plays silently.
int PlaySound(int sound);

// ------------------------------------------------------------ 2D state
void SetColor(int r, int g, int b);
void GetColor(int& r, int& g, int& b);
void SetAlpha(float alpha);
float GetAlpha();
void SetBlend(int mode);
int GetBlend();
void SetScale(float sx, float sy);
void GetScale(float& sx, float& sy);
void SetLineWidth(float width);
float GetLineWidth();

// ------------------------------------------------------------ 2D drawing
void DrawImage(TImage* image, float x, float y, int frame = 0);
void DrawImage(int image, float x, float y, int frame = 0);
void DrawRect(float x, float y, float width, float height);
void DrawOval(float x, float y, float width, float height);
void DrawLine(float x, float y, float x2, float y2, int last_pixel = 1);
void Plot(float x, float y);
void DrawText(const std::string& text, float x, float y);
int TextWidth(const std::string& text);

// ----------------------------------------------------------- input, clock
int KeyHit(int key);
int KeyDown(int key);
int AppTerminate();
// Milliseconds since the system started, 32 bits, wrapping.
int MilliSecs();

// ---------------------------------------------------------------- random
void SeedRnd(int seed);
int RndSeed();            // the generator's 32-bit state
float RndFloat();
int Rand(int min_value, int max_value);

// ---------------------------------------------------------- object lists
// An ordered list of objects; a walk over a copy-safe iterator may remove
// the visited object (see ForEach).
template <class T>
using TList = std::list<std::shared_ptr<T>>;

template <class T>
void ListAddLast(TList<T>& list, std::shared_ptr<T> obj) {
  list.push_back(std::move(obj));
}

// Removes the first entry, from the front, that holds that very object.
template <class T>
void ListRemove(TList<T>& list, const std::shared_ptr<T>& obj) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (*it == obj) {
      list.erase(it);
      return;
    }
  }
}

// Visits the objects from first to last; steps to the next entry before the
// body runs, so the body may remove the visited object.
template <class T, class F>
void ForEach(TList<T>& list, F&& body) {
  for (auto it = list.begin(); it != list.end();) {
    std::shared_ptr<T> obj = *it;  // keeps the object alive if removed
    ++it;
    body(obj);
  }
}

// ------------------------------------------------- program state control
// Drops every platform state (images, fonts, sounds, keys, 2D state, the
// generator) back to the program's start values. Embedded files stay.
void ResetPlatformState();

}  // namespace plat
