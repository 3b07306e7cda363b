// The generator's two halves; each writes its files into `dir` and returns
// false (reason on stderr) when one cannot be written.
#pragma once

#include <string>

namespace gen {

bool MakeImages(const std::string& dir);
bool MakeSounds(const std::string& dir);

}  // namespace gen
