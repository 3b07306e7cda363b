// WAV sounds: checked here, handed to the backend, played on new channels.
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/core_state.h"

namespace plat {

namespace {
std::uint32_t Le32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// Null for a whole RIFF WAVE file of 8- or 16-bit PCM, one or two channels;
// else what is wrong with it.
const char* WavFault(const unsigned char* data, std::size_t size) {
  if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
    return "not a RIFF WAVE file";
  // Writers often get the RIFF size wrong; the chunks themselves are checked
  // against the bytes there are.
  std::uint64_t riff_end = std::uint64_t(Le32(data + 4)) + 8;
  std::size_t end = riff_end < size ? static_cast<std::size_t>(riff_end) : size;
  std::size_t pos = 12;
  bool have_fmt = false, have_data = false;
  std::uint16_t block_align = 0;
  std::uint32_t data_size = 0;
  while (end - pos >= 8) {
    const unsigned char* chunk = data + pos;
    std::uint32_t length = Le32(chunk + 4);
    if (length > end - pos - 8) return "a chunk runs past the end of the file";
    const unsigned char* body = chunk + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (length < 16) return "its format chunk is too short";
      std::uint16_t format = Le16(body);
      std::uint16_t channels = Le16(body + 2);
      std::uint32_t rate = Le32(body + 4);
      block_align = Le16(body + 12);
      std::uint16_t bits = Le16(body + 14);
      if (format != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) ||
          rate == 0 || block_align != channels * bits / 8)
        return "not 8- or 16-bit PCM in one or two channels";
      have_fmt = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      have_data = true;
      data_size = length;
    }
    // Chunks are padded to an even length.
    std::size_t step = 8 + static_cast<std::size_t>(length) + (length & 1);
    if (step > end - pos) break;
    pos += step;
  }
  if (!have_fmt) return "it has no format chunk";
  if (!have_data) return "it has no data chunk";
  if (data_size % block_align != 0) return "its data is not a whole number of samples";
  return nullptr;
}
}  // namespace

int LoadSound(const std::string& url, int /*loop_flag*/) {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  if (!EmbeddedBytes(url, &data, &size)) return 0;
  if (const char* fault = WavFault(data, size)) {
    CannotLoad(url, fault);
    return 0;
  }
  std::string why;
  int id = backend::LoadSample(data, size, &why);
  if (id == 0) {
    CannotLoad(url, why);
    return 0;
  }
  CoreState& st = core();
  st.sounds.push_back(Sound{id});
  return static_cast<int>(st.sounds.size());
}

int PlaySound(int sound) {
  if (sound == 0) return 0;
  CoreState& st = core();
  st.rec_played.push_back(sound);
  Record("PlaySound", {double(sound)});
  if (sound < 0 || sound > static_cast<int>(st.sounds.size())) return 0;
  backend::PlaySample(st.sounds[static_cast<std::size_t>(sound - 1)].sample_id);
  return ++st.last_channel;
}

}  // namespace plat
