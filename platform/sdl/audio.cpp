// The real backend's sound: SDL2_mixer, opened apart from the window so that
// a missing or failing audio device costs only the sound.
#include <SDL_mixer.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "platform/sdl/extras.h"
#include "platform/sdl/internal.h"

namespace plat::backend {
namespace {

struct AudioState {
  bool tried = false;         // opened once at most, and never after closing
  bool open = false;
  // Sample id - 1 -> chunk; nullptr for a silent sample (no audio device).
  std::vector<Mix_Chunk*> samples;
};
// Never destroyed: static destructors run after the exit handler.
AudioState& audio = *new AudioState;

// ALSA prints several lines of its own when there is no sound card; the
// game says one instead. Takes effect only where SDL uses ALSA.
// A C function, as ALSA calls it; static, as GCC would otherwise give it
// external linkage despite the unnamed namespace.
extern "C" {
static void AlsaSaysNothing(const char*, int, const char*, int, const char*, ...) {}
}

}  // namespace

void OpenAudio() {
  if (audio.tried) return;
  audio.tried = true;
  // Audio starts apart from video: a failing audio driver must not cost the
  // window. Without a device every sound stays a silent handle.
  snd_lib_error_set_handler(AlsaSaysNothing);
  auto silent = [](const char* why) {
    std::fprintf(stderr, "velkaro: running without sound: %s\n", OneLine(why).c_str());
  };
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return silent(SDL_GetError());
  // The game's sounds are 22050 Hz: a mixer at that rate takes them as
  // they are, where one at 44100 Hz resampled every phrase at load (about
  // 300 ms and 55 MiB more). 512 frames keep the latency of 1024 at 44100.
  // On failure the audio subsystem stays up, unused, until SDL_Quit: closing
  // it here would wait up to 100 ms for the ALSA driver's device-watching
  // thread to wake, on the way to the first frame.
  if (Mix_OpenAudio(22050, AUDIO_S16SYS, 2, 512) != 0) return silent(Mix_GetError());
  audio.open = true;
  snd_lib_error_set_handler(nullptr);  // a real device's troubles are worth hearing
}

void CloseAudio() {
  audio.tried = true;
  if (!audio.open) return;
  Mix_HaltChannel(-1);
  for (Mix_Chunk*& chunk : audio.samples) {
    if (chunk != nullptr) Mix_FreeChunk(chunk);
    chunk = nullptr;
  }
  Mix_CloseAudio();
  audio.open = false;
}

int LoadSample(const unsigned char* wav, std::size_t size, std::string* why) {
  if (wav == nullptr || size == 0 || size > static_cast<std::size_t>(INT_MAX)) {
    *why = "no bytes, or more than the mixer takes";
    return 0;
  }
  OpenAudio();
  if (!audio.open) {
    // No device: a silent sample, so the game's handle stays valid.
    audio.samples.push_back(nullptr);
    return static_cast<int>(audio.samples.size());
  }
  SDL_RWops* rw = SDL_RWFromConstMem(wav, static_cast<int>(size));
  Mix_Chunk* chunk = rw != nullptr ? Mix_LoadWAV_RW(rw, 1) : nullptr;
  if (chunk == nullptr) {
    *why = OneLine(Mix_GetError());
    return 0;
  }
  audio.samples.push_back(chunk);
  return static_cast<int>(audio.samples.size());
}

void PlaySample(int sample_id) {
  if (!audio.open || sample_id < 1 || sample_id > static_cast<int>(audio.samples.size())) return;
  Mix_Chunk* chunk = audio.samples[static_cast<std::size_t>(sample_id - 1)];
  if (chunk == nullptr) return;
  if (Mix_PlayChannel(-1, chunk, 0) != -1) return;
  // Every channel busy: grow the pool rather than drop the sound.
  const int channels = Mix_AllocateChannels(-1);
  if (Mix_Playing(-1) < channels) return;  // failed for another reason
  Mix_AllocateChannels(std::max(8, channels * 2));
  Mix_PlayChannel(-1, chunk, 0);
}

}  // namespace plat::backend

namespace plat::sdl {

bool AudioOpen() { return backend::audio.open; }

}  // namespace plat::sdl
