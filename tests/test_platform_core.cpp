// Lists, input, embedded files, the 2D state and its recording, handles and
// driver frames over the headless backend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core_draw.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "platform/record.h"

using namespace plat;

namespace {
struct Fresh : ::testing::Test {
  void SetUp() override { ResetPlatformState(); }
};
using Lists = Fresh;
using Input = Fresh;
using Embedded = Fresh;
using State2D = Fresh;
using Drivers = Fresh;

struct Obj {
  int id;
};

std::vector<int> Ids(TList<Obj>& list) {
  std::vector<int> ids;
  ForEach(list, [&](const std::shared_ptr<Obj>& o) { ids.push_back(o->id); });
  return ids;
}
}  // namespace

TEST_F(Lists, RemovalDuringAWalk) {
  TList<Obj> list;
  std::vector<std::shared_ptr<Obj>> objs;
  for (int i = 0; i < 5; ++i) {
    objs.push_back(std::make_shared<Obj>(Obj{i}));
    ListAddLast(list, objs.back());
  }
  // Removing the visited object does not stop the walk.
  std::vector<int> visited;
  ForEach(list, [&](const std::shared_ptr<Obj>& o) {
    visited.push_back(o->id);
    if (o->id % 2 == 0) ListRemove(list, o);
  });
  EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Ids(list), (std::vector<int>{1, 3}));

  // Removing an object further on means it is not visited.
  ListAddLast(list, objs[4]);
  visited.clear();
  ForEach(list, [&](const std::shared_ptr<Obj>& o) {
    visited.push_back(o->id);
    if (o->id == 1) ListRemove(list, objs[4]);
  });
  EXPECT_EQ(visited, (std::vector<int>{1, 3}));

  // Only the first entry holding the object goes; an absent object is a no-op.
  ListAddLast(list, objs[3]);
  ListRemove(list, objs[3]);
  EXPECT_EQ(Ids(list), (std::vector<int>{1, 3}));
  ListRemove(list, objs[0]);
  EXPECT_EQ(Ids(list), (std::vector<int>{1, 3}));
}

TEST_F(Input, KeyHitCountsPressesUntilRead) {
  // A held key counts once, auto-repeat adds nothing.
  headless::KeyDown(KEY_SPACE);
  headless::KeyDown(KEY_SPACE);
  headless::KeyDown(KEY_SPACE);
  EXPECT_EQ(KeyDown(KEY_SPACE), 1);
  EXPECT_EQ(KeyHit(KEY_SPACE), 1);
  EXPECT_EQ(KeyHit(KEY_SPACE), 0);
  EXPECT_EQ(KeyDown(KEY_SPACE), 1);
  headless::KeyUp(KEY_SPACE);
  EXPECT_EQ(KeyDown(KEY_SPACE), 0);

  // Quick taps wait until read, each one counted.
  for (int i = 0; i < 3; ++i) {
    headless::KeyDown(KEY_Z);
    headless::KeyUp(KEY_Z);
  }
  EXPECT_EQ(KeyDown(KEY_Z), 0);
  EXPECT_EQ(KeyHit(KEY_LEFT), 0);
  EXPECT_EQ(KeyHit(KEY_Z), 3);
  EXPECT_EQ(KeyHit(KEY_Z), 0);

  // Out-of-range codes are ignored rather than indexing past the table.
  headless::KeyDown(100000);
  headless::KeyDown(-5);
  EXPECT_EQ(KeyHit(100000), 0);
  EXPECT_EQ(KeyDown(-5), 0);

  // A close request is reported once.
  EXPECT_EQ(AppTerminate(), 0);
  headless::RequestClose();
  EXPECT_NE(AppTerminate(), 0);
  EXPECT_EQ(AppTerminate(), 0);

  headless::SetClock(-12345);
  EXPECT_EQ(MilliSecs(), -12345);

  // A reset forgets keys and requests.
  headless::KeyDown(KEY_M);
  headless::RequestClose();
  ResetPlatformState();
  EXPECT_EQ(KeyHit(KEY_M), 0);
  EXPECT_EQ(KeyDown(KEY_M), 0);
  EXPECT_EQ(AppTerminate(), 0);
}

TEST_F(Embedded, LookupIsExactAndFirstRegistrationWins) {
  static const unsigned char first[] = {1, 2, 3};
  static const unsigned char second[] = {9};
  IncbinAdd("Data.bin", first, sizeof first);
  IncbinAdd("Data.bin", second, sizeof second);
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  ASSERT_TRUE(IncbinLookup("incbin::Data.bin", &data, &size));
  EXPECT_EQ(data, first);
  EXPECT_EQ(size, 3u);
  EXPECT_FALSE(IncbinLookup("incbin::data.bin", &data, &size));
  EXPECT_FALSE(IncbinLookup("incbin::Data.bi", &data, &size));
  EXPECT_FALSE(IncbinLookup("Data.bin", &data, &size));
  EXPECT_FALSE(IncbinLookup("INCBIN::Data.bin", &data, &size));
  EXPECT_FALSE(IncbinLookup("incbin:", &data, &size));

  // Loaders read only embedded files; no url reaches the disk.
  EXPECT_EQ(LoadImage("incbin::missing.png", 0), nullptr);
  EXPECT_EQ(LoadImage("/etc/hostname", 0), nullptr);
  EXPECT_EQ(LoadImageFont("incbin::missing.ttf", 12, 4), 0);
  EXPECT_EQ(LoadSound("incbin::missing.wav", 0), 0);

  // Embedded files survive a reset.
  ResetPlatformState();
  EXPECT_TRUE(IncbinLookup("incbin::Data.bin", &data, &size));
}

TEST_F(State2D, StoredUnchangedAndRecordedWithCalls) {
  int r, g, b;
  GetColor(r, g, b);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 1.0f);
  EXPECT_EQ(sy, 1.0f);
  EXPECT_EQ(GetLineWidth(), 1.0f);

  SetColor(300, -20, 128);
  SetAlpha(1.7f);
  GetColor(r, g, b);
  EXPECT_EQ(r, 300);
  EXPECT_EQ(g, -20);
  EXPECT_EQ(b, 128);
  EXPECT_EQ(GetAlpha(), 1.7f);
  SetAlpha(-0.25f);
  EXPECT_EQ(GetAlpha(), -0.25f);

  rec::Enable(true);
  SetBlend(LIGHTBLEND);
  SetScale(2.0f, 0.5f);
  SetLineWidth(3.0f);
  DrawRect(1.5f, 2.0f, -10.0f, 20.0f);
  DrawOval(0, 0, 5, 6);
  DrawLine(1, 2, 3, 4, 1);
  Plot(7, 8);
  DrawText("", 1, 1);
  rec::Enable(false);
  DrawRect(0, 0, 1, 1);  // not recorded

  const auto& calls = rec::Calls();
  ASSERT_EQ(calls.size(), 8u);
  EXPECT_EQ(calls[0].op, "SetBlend");
  const rec::Call& rect = calls[3];
  EXPECT_EQ(rect.op, "DrawRect");
  EXPECT_EQ(rect.args, (std::vector<double>{1.5, 2.0, -10.0, 20.0}));
  EXPECT_EQ(rect.r, 300);
  EXPECT_EQ(rect.g, -20);
  EXPECT_EQ(rect.alpha, -0.25f);
  EXPECT_EQ(rect.blend, LIGHTBLEND);
  EXPECT_EQ(rect.sx, 2.0f);
  EXPECT_EQ(rect.sy, 0.5f);
  EXPECT_EQ(rect.line_width, 3.0f);
  EXPECT_EQ(calls[4].op, "DrawOval");
  EXPECT_EQ(calls[5].op, "DrawLine");
  EXPECT_EQ(calls[5].args.size(), 5u);
  EXPECT_EQ(calls[6].op, "Plot");
  EXPECT_EQ(calls[7].op, "DrawText");

  // A reset returns every start value and drops the recording.
  ResetPlatformState();
  EXPECT_FALSE(rec::Enabled());
  EXPECT_TRUE(rec::Calls().empty());
  EXPECT_EQ(GetAlpha(), 1.0f);
  EXPECT_EQ(GetBlend(), MASKBLEND);
  EXPECT_EQ(GetLineWidth(), 1.0f);
  GetScale(sx, sy);
  EXPECT_EQ(sx, 1.0f);
}

TEST_F(State2D, OvalPointCountRule) {
  EXPECT_EQ(OvalPointCount(0, 0), 12);
  EXPECT_EQ(OvalPointCount(10, 10), 12);      // 10 -> at least 12
  EXPECT_EQ(OvalPointCount(20, 10), 12);      // 15 -> 12
  EXPECT_EQ(OvalPointCount(20, 12), 16);      // 16
  EXPECT_EQ(OvalPointCount(39.9f, 0), 16);    // Int(19.95) = 19 -> 16
  EXPECT_EQ(OvalPointCount(-40, -6), 20);     // negative sizes count by size: 23 -> 20
  EXPECT_EQ(OvalPointCount(200, 100), 148);   // 150 -> 148
}

TEST_F(State2D, SoundsArePlayedAndRecorded) {
  // A minimal PCM WAV: 8-bit mono, two samples.
  static const unsigned char wav[] = {
      'R', 'I', 'F', 'F', 38, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
      1, 0, 1, 0, 0x44, 0xac, 0, 0, 0x44, 0xac, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a', 2, 0,
      0, 0, 128, 200};
  IncbinAdd("beep.wav", wav, sizeof wav);
  int s = LoadSound("incbin::beep.wav", 0);
  ASSERT_GE(s, 1);
  EXPECT_EQ(PlaySound(0), 0);
  int c1 = PlaySound(s);
  int c2 = PlaySound(s);
  EXPECT_GE(c1, 1);
  EXPECT_GT(c2, c1);
  EXPECT_EQ(rec::Played(), (std::vector<int>{s, s}));
  ResetPlatformState();
  EXPECT_TRUE(rec::Played().empty());
  // Handles of a dropped sound no longer play.
  EXPECT_EQ(PlaySound(s), 0);
}

TEST_F(Drivers, FramesAndActiveDriver) {
  ASSERT_NE(Graphics(640, 480, 0, 60, 0), nullptr);
  ASSERT_NE(ActiveDriver(), nullptr);
  EXPECT_EQ(ActiveDriver()->ToString(), "OpenGL");

  TImage image;
  image.width = image.height = 2;
  image.rgba.assign(16, 255);
  auto frame = image.Frame(0);
  ASSERT_NE(frame, nullptr);
  auto* gl_frame = dynamic_cast<TGLImageFrame*>(frame.get());
  ASSERT_NE(gl_frame, nullptr);
  EXPECT_GE(gl_frame->name, 1u);
  EXPECT_EQ(image.Frame(0), frame);  // made once
  EXPECT_EQ(image.Frame(1), nullptr);

  TImage other;
  auto other_frame = std::dynamic_pointer_cast<TGLImageFrame>(other.Frame(0));
  ASSERT_NE(other_frame, nullptr);
  EXPECT_NE(other_frame->name, gl_frame->name);

  // A driver installed by a test takes over, and frames are remade for it.
  struct StandIn : TD3D7Max2DDriver {
    int made = 0;
    std::shared_ptr<TImageFrame> CreateFrame(TImage&) override {
      ++made;
      return std::make_shared<TD3D7ImageFrame>();
    }
    void SetActiveFrame(TD3D7ImageFrame*) override {}
  } stand_in;
  SetActiveDriver(&stand_in);
  EXPECT_EQ(ActiveDriver()->ToString(), "DirectX7");
  EXPECT_NE(dynamic_cast<TD3D7ImageFrame*>(image.Frame(0).get()), nullptr);
  image.Frame(0);
  EXPECT_EQ(stand_in.made, 1);
  ResetPlatformState();
  EXPECT_EQ(ActiveDriver()->ToString(), "OpenGL");

  // Handles: stable, 0 for none.
  EXPECT_EQ(HandleFromImage(nullptr), 0);
  EXPECT_EQ(ImageFromHandle(0), nullptr);
  EXPECT_EQ(ImageFromHandle(42), nullptr);
  int h = HandleFromImage(&image);
  EXPECT_GE(h, 1);
  EXPECT_EQ(HandleFromImage(&image), h);
  EXPECT_EQ(ImageFromHandle(h), &image);
  EXPECT_EQ(ImageWidth(h), 2);
  EXPECT_EQ(ImageWidth(nullptr), 0);
  EXPECT_EQ(ImageHeight(0), 0);

  // The GL table can be replaced field by field.
  static int enables = 0;
  gl().Enable = [](unsigned) { ++enables; };
  gl().Enable(1);
  EXPECT_EQ(enables, 1);
  ResetPlatformState();
  gl().Enable(1);  // back to the backend's
  EXPECT_EQ(enables, 1);
}
