// Controls of the headless backend: the scripted clock, keys and close
// requests. Only tests and tools that link the headless backend use these.
#pragma once

namespace plat::headless {

void SetClock(int ms);
int Clock();
void KeyDown(int key_code);   // a press (counts one hit unless already held)
void KeyUp(int key_code);
void RequestClose();

}  // namespace plat::headless
