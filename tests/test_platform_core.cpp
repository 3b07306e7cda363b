// Lists, input, embedded files, the 2D state and its recording, handles and
// driver frames over the headless backend.
#include <gtest/gtest.h>

#include <climits>

#include "platform/core_draw.h"
#include "platform/core_state.h"
#include "platform/driver.h"
#include "platform/headless/controls.h"
#include "platform/platform.h"
#include "platform/record.h"

using namespace plat;

namespace {
struct Core : ::testing::Test {
  void SetUp() override { ResetPlatformState(); }
};
struct Obj {
  int id;
};
}  // namespace

TEST_F(Core, ListRemovalDuringAWalk) {
  TList<Obj> list;
  std::vector<std::shared_ptr<Obj>> objs;
  for (int i = 0; i < 5; ++i) {
    objs.push_back(std::make_shared<Obj>(Obj{i}));
    ListAddLast(list, objs.back());
  }
  // Removing the visited object, or one further on, as the walk goes.
  std::vector<int> visited;
  ForEach(list, [&](const std::shared_ptr<Obj>& o) {
    visited.push_back(o->id);
    if (o->id == 0) ListRemove(list, o);
    if (o->id == 1) ListRemove(list, objs[3]);
  });
  EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 4}));
  ListAddLast(list, objs[1]);
  ListRemove(list, objs[1]);  // the first entry holding it, from the front
  ListRemove(list, objs[0]);  // absent: nothing
  std::vector<int> left;
  for (auto& o : list) left.push_back(o->id);
  EXPECT_EQ(left, (std::vector<int>{2, 4, 1}));
}

TEST_F(Core, KeyHitCountsPressesUntilRead) {
  for (int i = 0; i < 3; ++i) headless::KeyDown(KEY_SPACE);  // held, auto-repeat
  EXPECT_EQ(KeyDown(KEY_SPACE), 1);
  EXPECT_EQ(KeyHit(KEY_SPACE), 1);
  EXPECT_EQ(KeyHit(KEY_SPACE), 0);
  headless::KeyUp(KEY_SPACE);
  EXPECT_EQ(KeyDown(KEY_SPACE), 0);
  for (int i = 0; i < 3; ++i) {
    headless::KeyDown(KEY_Z);
    headless::KeyUp(KEY_Z);
  }
  EXPECT_EQ(KeyHit(KEY_Z), 3);
  EXPECT_EQ(KeyHit(KEY_Z), 0);
  headless::KeyDown(100000);  // out of range: ignored, not out of bounds
  EXPECT_EQ(KeyHit(100000), 0);

  // A key never counted off stops at the largest int, and counts afresh once read.
  core().key_hits[KEY_M] = INT_MAX - 1;
  for (int i = 0; i < 3; ++i) {
    headless::KeyDown(KEY_M);
    headless::KeyUp(KEY_M);
  }
  EXPECT_EQ(KeyHit(KEY_M), INT_MAX);
  headless::KeyDown(KEY_M);
  headless::KeyUp(KEY_M);
  EXPECT_EQ(KeyHit(KEY_M), 1);

  EXPECT_EQ(AppTerminate(), 0);
  headless::RequestClose();
  EXPECT_NE(AppTerminate(), 0);
  EXPECT_EQ(AppTerminate(), 0);

  headless::KeyDown(KEY_M);
  headless::RequestClose();
  ResetPlatformState();
  EXPECT_EQ(KeyHit(KEY_M) + KeyDown(KEY_M) + AppTerminate(), 0);
}

TEST_F(Core, EmbeddedLookupIsExactAndFirstRegistrationWins) {
  static const unsigned char first[] = {1, 2, 3}, second[] = {9};
  IncbinAdd("Data.bin", first, sizeof first);
  IncbinAdd("Data.bin", second, sizeof second);
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  ASSERT_TRUE(IncbinLookup("incbin::Data.bin", &data, &size));
  EXPECT_EQ(data, first);
  EXPECT_EQ(size, 3u);
  for (const char* url : {"incbin::data.bin", "incbin::Data.bi", "Data.bin", "INCBIN::Data.bin"})
    EXPECT_FALSE(IncbinLookup(url, &data, &size)) << url;
  // Loaders read only embedded files, never the disk: not even a real PNG.
  EXPECT_EQ(LoadImage(VELKARO_SOURCE_DIR "/docs/menu.png", 0), nullptr);
  EXPECT_EQ(LoadImageFont("incbin::missing.ttf", 12, 4), 0);
  EXPECT_EQ(LoadSound("incbin::missing.wav", 0), 0);
  ResetPlatformState();
  EXPECT_TRUE(IncbinLookup("incbin::Data.bin", &data, &size));
}

TEST_F(Core, StateStoredUnchangedAndRecordedWithCalls) {
  SetColor(300, -20, 128);
  SetAlpha(-0.25f);
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r, 300);
  EXPECT_EQ(g, -20);
  EXPECT_EQ(GetAlpha(), -0.25f);

  rec::Enable(true);
  SetBlend(LIGHTBLEND);
  SetScale(2.0f, 0.5f);
  SetLineWidth(3.0f);
  DrawRect(1.5f, 2.0f, -10.0f, 20.0f);
  rec::Enable(false);
  DrawRect(0, 0, 1, 1);  // not recorded
  ASSERT_EQ(rec::Calls().size(), 4u);
  const rec::Call& rect = rec::Calls()[3];
  EXPECT_EQ(rect.op, "DrawRect");
  EXPECT_EQ(rect.args, (std::vector<double>{1.5, 2.0, -10.0, 20.0}));
  EXPECT_EQ(rect.r, 300);
  EXPECT_EQ(rect.alpha, -0.25f);
  EXPECT_EQ(rect.blend, LIGHTBLEND);
  EXPECT_EQ(rect.sx, 2.0f);
  EXPECT_EQ(rect.sy, 0.5f);
  EXPECT_EQ(rect.line_width, 3.0f);

  ResetPlatformState();
  EXPECT_FALSE(rec::Enabled());
  EXPECT_TRUE(rec::Calls().empty());
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx + sy + GetAlpha() + GetLineWidth(), 4.0f);
}

TEST_F(Core, OvalPointCountRule) {
  EXPECT_EQ(OvalPointCount(0, 0), 12);
  EXPECT_EQ(OvalPointCount(20, 10), 12);     // 15 -> 12
  EXPECT_EQ(OvalPointCount(20, 12), 16);     // 16
  EXPECT_EQ(OvalPointCount(39.9f, 0), 16);   // Int(19.95) = 19 -> 16
  EXPECT_EQ(OvalPointCount(-40, -6), 20);    // 23 -> 20
  EXPECT_EQ(OvalPointCount(200, 100), 148);  // 150 -> 148
}

TEST_F(Core, FramesHandlesAndTheActiveDriver) {
  ASSERT_NE(Graphics(640, 480, 0, 60, 0), nullptr);
  EXPECT_EQ(ActiveDriver()->ToString(), "OpenGL");
  TImage image, other;
  image.width = 2;
  auto frame = std::dynamic_pointer_cast<TGLImageFrame>(image.Frame(0));
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(image.Frame(0), frame);  // made once
  EXPECT_EQ(image.Frame(1), nullptr);
  auto other_frame = std::dynamic_pointer_cast<TGLImageFrame>(other.Frame(0));
  ASSERT_NE(other_frame, nullptr);
  EXPECT_NE(other_frame->name, frame->name);

  // A driver installed by a test takes over; frames are remade for it once.
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

  EXPECT_EQ(HandleFromImage(nullptr), 0);
  EXPECT_EQ(ImageFromHandle(42), nullptr);
  int h = HandleFromImage(&image);
  EXPECT_GE(h, 1);
  EXPECT_EQ(HandleFromImage(&image), h);
  EXPECT_EQ(ImageWidth(h), 2);
  EXPECT_EQ(ImageWidth(nullptr), 0);

  // The drawer's calls are recorded exactly while recording is on, however
  // late it is switched on after the table was first taken.
  gl().Vertex3f(1, 2, 3);
  rec::Enable(true);
  gl().Vertex3f(4, 5, 6);
  rec::Enable(false);
  gl().Vertex3f(7, 8, 9);
  ASSERT_EQ(rec::Calls().size(), 1u);
  EXPECT_EQ(rec::Calls()[0].op, "glVertex3f");
  EXPECT_EQ(rec::Calls()[0].args, (std::vector<double>{4, 5, 6}));

  // An entry a test puts in stays until the state is reset, recording or
  // not; the other entries still follow recording beside it.
  static int enables = 0;
  rec::Clear();
  gl().Enable = [](unsigned) { ++enables; };
  gl().Enable(1);
  rec::Enable(true);
  gl().Enable(1);
  gl().Begin(4);
  gl().End();
  rec::Enable(false);
  gl().Begin(5);
  ASSERT_EQ(rec::Calls().size(), 2u);
  EXPECT_EQ(rec::Calls()[0].op, "glBegin");
  EXPECT_EQ(rec::Calls()[1].op, "glEnd");
  ResetPlatformState();
  gl().Enable(1);  // the backend's again
  EXPECT_EQ(enables, 2);
}
