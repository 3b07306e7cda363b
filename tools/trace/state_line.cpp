#include "tools/trace/state_line.h"

#include "platform/platform.h"
#include "platform/record.h"
#include "velkaro/velkaro.h"

namespace trace {

namespace {

using velkaro::g;

// A sound handle as the phrase it plays, 1 to 8; 0 for none of them.
int soundNumber(int handle) {
  const int sounds[8] = {g.sound1, g.sound2, g.sound3, g.sound4,
                         g.sound5, g.sound6, g.sound7, g.sound8};
  for (int i = 0; i < 8; ++i) {
    if (sounds[i] == handle) return i + 1;
  }
  return 0;
}

}  // namespace

void writeStateLine(Out& o, long long pass, bool dump) {
  o.str("{\"pass\":");
  o.num(pass);
  o.key("GAMESTATE"); o.num(g.GAMESTATE);
  o.key("MODE"); o.num(g.MODE);
  o.key("oldtime"); o.num(g.oldtime);
  o.key("curtime"); o.num(g.curtime);
  o.key("soundtimer"); o.num(g.soundtimer);
  o.key("cloudcount"); o.num(g.cloudcount);
  o.key("birdcount"); o.num(g.birdcount);
  o.key("textlinecount"); o.num(g.textlinecount);
  o.key("textsize"); o.flt(g.textsize);
  o.key("textx"); o.flt(g.textx);
  o.key("texty"); o.flt(g.texty);
  o.key("texttx"); o.flt(g.texttx);
  o.key("textty"); o.flt(g.textty);
  o.key("centerx"); o.flt(g.centerx);
  o.key("centery"); o.flt(g.centery);
  o.key("Leftwing"); o.flt(g.Leftwing);
  o.key("leftcount"); o.flt(g.leftcount);
  o.key("rightwing"); o.flt(g.rightwing);
  o.key("rightcount"); o.flt(g.rightcount);
  o.key("targetcenter"); o.flt(g.targetcenter);
  o.key("targetleft"); o.flt(g.targetleft);
  o.key("targetright"); o.flt(g.targetright);
  o.key("leftcountt"); o.flt(g.leftcountt);
  o.key("rightcountt"); o.flt(g.rightcountt);
  o.key("fatigue"); o.flt(g.fatigue);
  o.key("wind"); o.flt(g.wind);
  o.key("targetwind"); o.flt(g.targetwind);
  o.key("islex"); o.flt(g.islex);
  o.key("isley"); o.flt(g.isley);
  o.key("altitude"); o.flt(g.altitude);
  o.key("hour"); o.num(g.hour);
  o.key("minute"); o.num(g.minute);
  o.key("score"); o.num(g.score);
  o.key("sunx"); o.flt(g.sunx);
  o.key("suny"); o.flt(g.suny);
  o.key("life"); o.num(g.life);
  o.key("thingelev"); o.flt(g.thingelev);
  o.key("curthingelev"); o.flt(g.curthingelev);
  o.key("thingx"); o.num(g.thingx);
  o.key("curthingx"); o.flt(g.curthingx);
  o.key("thingcount"); o.num(g.thingcount);
  o.key("clsr"); o.num(g.clsr);
  o.key("clsg"); o.num(g.clsg);
  o.key("clsb"); o.num(g.clsb);
  o.key("curr"); o.flt(g.curr);
  o.key("curg"); o.flt(g.curg);
  o.key("curb"); o.flt(g.curb);
  o.key("rng"); o.num(plat::RndSeed());
  o.key("lists");
  o.str("[");
  o.num(static_cast<long long>(g.cloudList.size())); o.str(",");
  o.num(static_cast<long long>(g.speckList.size())); o.str(",");
  o.num(static_cast<long long>(g.waveList.size())); o.str(",");
  o.num(static_cast<long long>(g.thingList.size())); o.str(",");
  o.num(static_cast<long long>(g.featherList.size()));
  o.str("]");
  o.key("played");
  o.str("[");
  bool first = true;
  for (int h : plat::rec::Played()) {
    if (!first) o.str(",");
    first = false;
    o.num(soundNumber(h));
  }
  o.str("]");

  if (dump) {
    auto each = [&](auto& list, auto&& row) {
      o.str("[");
      bool firstRow = true;
      for (const auto& p : list) {
        if (!firstRow) o.str(",");
        firstRow = false;
        o.str("[");
        row(*p);
        o.str("]");
      }
      o.str("]");
    };
    o.key("clouds");
    each(g.cloudList, [&](const velkaro::cloud& c) {
      o.flt(c.x); o.str(","); o.flt(c.y); o.str(","); o.flt(c.yspeed); o.str(","); o.flt(c.scale);
    });
    o.key("specks");
    each(g.speckList, [&](const velkaro::speck& s) {
      o.flt(s.x); o.str(","); o.flt(s.y); o.str(","); o.flt(s.yspeed);
    });
    o.key("waves");
    each(g.waveList, [&](const velkaro::wavelet& w) {
      o.flt(w.x); o.str(","); o.flt(w.y); o.str(","); o.flt(w.yspeed);
    });
    o.key("things");
    each(g.thingList, [&](const velkaro::thing& t) {
      o.flt(t.x); o.str(","); o.flt(t.y); o.str(","); o.flt(t.yspeed); o.str(",");
      o.num(t.thingtype); o.str(","); o.flt(t.elev);
    });
    o.key("feathers");
    each(g.featherList, [&](const velkaro::feather& f) {
      o.num(f.x); o.str(","); o.num(f.y); o.str(","); o.num(f.size);
    });
  }
  o.str("}\n");
}

}  // namespace trace
