// WAV checking, shared with the tests.
#pragma once

#include <cstddef>

namespace plat {

// Null for a whole RIFF WAVE file of 8- or 16-bit PCM, one or two channels;
// else what is wrong with it.
const char* WavFault(const unsigned char* data, std::size_t size);

}  // namespace plat
