// Program start: the embedded files, the window, the globals whose start
// values are computed, the font and the images. Also the game reset.
#include "assets/embedded.h"
#include "velkaro/velkaro.h"

namespace velkaro {

void registerEmbeddedFiles() {
  for (const assets::EmbeddedFile& f : assets::EmbeddedFiles()) plat::IncbinAdd(f.name, f.data, f.size);
}

bool startup() {
  plat::AppTitle("Velkaro v.0.5 - a bird, the sky and a long way home");
  if (plat::Graphics(640, 480, 0, 60, 0) == nullptr) return false;

  // The program's first two draws, made before any seeding; every reset
  // reseeds, so they only decide where the first story line drifts.
  g.texttx = static_cast<float>(plat::Rand(0, 400));
  g.textty = static_cast<float>(plat::Rand(0, 400));

  g.targetcenter = g.centery;
  g.targetleft = g.Leftwing;
  g.targetright = g.rightwing;
  g.leftcountt = g.leftcount;
  g.rightcountt = g.rightcount;

  g.fntScript = plat::LoadImageFont("incbin::LIBEB___.ttf", 24, 4);
  g.logoimg = plat::HandleFromImage(plat::LoadImage("incbin::logo.png", 3));
  plat::SetBlend(plat::LIGHTBLEND);
  plat::SetMaskColor(0, 0, 0);
  g.cloudimg = plat::HandleFromImage(plat::LoadImage("incbin::spark.png", 3));
  // Images loaded from here on are handled at their centre.
  plat::AutoMidHandle(1);
  g.arrowimg = plat::LoadImage("incbin::arrow.png", 3);
  // The next two images carry alpha, so these mask colours change nothing;
  // they are set all the same, in the order the loads expect.
  plat::SetMaskColor(255, 0, 255);
  g.wingimg = plat::HandleFromImage(plat::LoadImage("incbin::wing2.png", 3));
  plat::SetMaskColor(255, 255, 255);
  g.isleimg = plat::HandleFromImage(plat::LoadImage("incbin::island.png", 3));
  // The island is placed by its top-left corner.
  plat::SetImageHandle(g.isleimg, 0, 0);

  // The five object lists are members of the game state, created empty.
  return true;
}

int initvars() {
  plat::SeedRnd(1);
  g.cloudcount = 0;
  g.centerx = 320.0f;
  g.centery = 480.0f;
  g.Leftwing = 480.0f;
  g.leftcount = 0;
  g.rightwing = 480.0f;
  g.rightcount = 0;
  // From the values just set, not the ones before the reset.
  g.targetcenter = g.centery;
  g.targetleft = g.Leftwing;
  g.targetright = g.rightwing;
  g.leftcountt = g.leftcount;
  g.rightcountt = g.rightcount;
  g.fatigue = 0;
  g.wind = 0;
  g.targetwind = 0;
  g.islex = 320.0f;
  g.isley = 0;
  g.altitude = 1.0f;
  g.hour = 5;
  g.minute = 55;
  g.score = 0;
  g.life = 100;
  g.birdcount = 0;
  g.thingelev = 1.0f;
  g.curthingelev = 1.0f;
  g.thingx = 320;
  g.curthingx = 320.0f;
  g.thingcount = 0;
  return 0;
}

}  // namespace velkaro
