// WAV checking, shared with the tests.
#pragma once

#include <cstddef>

namespace plat {

// True for a whole RIFF WAVE file of 8- or 16-bit PCM, one or two channels.
bool ValidWav(const unsigned char* data, std::size_t size);

}  // namespace plat
