// The game's functions, one file per concern. Names are the game's own.
#pragma once

#include <string>

#include "velkaro/state.h"

namespace velkaro {

// startup.cpp
void registerEmbeddedFiles();
// Sets the window title and opens the 640 by 480 window, makes the two
// draws that come before any seeding, sets the globals whose start values
// are computed, and loads the font and the images; false when the window
// could not be opened (reason already on stderr). The object lists start
// empty as members of the game state.
bool startup();
int initvars();

// mainloop.cpp — `main` split so a tool can drive single passes.
void mainPrepare();     // the steps before the loop
bool mainLoopTest();    // KeyHit(27) = 0 and AppTerminate() = 0
void mainPass();        // one pass of the loop
int main();             // prepare, then passes while the test holds
void narrativeStep();

// screen.cpp
int drawScreen();

// input.cpp
int getInput();

// flight.cpp
int updatebird();
int updatewind();
void drawFatigue();

// texts.cpp
void drawOutlineText(const std::string& s, int x, int y);
int drawWind();
int drawScore();
int drawmenu();

// story.cpp
// The story has lines 1 to STORY_LINES. Its count runs on past them through
// numbers with no line, a long silence, and after STORY_WRAP returns to the
// last line, which then comes back once every 31 steps.
constexpr int STORY_LINES = 114;
constexpr int STORY_WRAP = 144;
const std::string& storyLine(int number);  // "" when no such line
int drawFlapStats();
int drawTextLine();

// music.cpp
int loadSounds();
int picksound();

// textpoly.cpp
float FloatInt(int i32);
void drawTextPoly(plat::TImage* img, int xa, int ya, int x2a, int y2a, int x3a, int y3a, int x4a,
                  int y4a);

// bird.cpp
void drawBird();
void drawFollowerBird(int thisx, int thisleft, int thisright, int thiscenter);

// feathers.cpp
void addFeather(int x, int y);

// road.cpp
void addThing();
void drawThings(int above);

// clouds.cpp
void addCloud();
void drawClouds();

// specks.cpp
void addSpeck();
void drawSpecks();

// waves.cpp
void addWave();
void drawWaves();

// sunmoon.cpp
void drawSunMoon();
// The glow's brightness at a whole-pixel distance from its centre: 100 there,
// one less for every two pixels.
int glowModifier(int dx, int dy);
// The sky colour raised by `modifier`, with a fresh noise on each channel.
void setGlowColour(int modifier);

// island.cpp
void drawIsland();

}  // namespace velkaro
