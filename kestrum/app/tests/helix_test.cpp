// The turning helix of the search wait window (50 points) and of the diagnosis
// dialog (30 points): one frame's drawing operations, a few pixels, and the
// depth flag that each window carries from frame to frame.

#include <gtest/gtest.h>

#include <functional>

#include "kestrum/app/debug_device.h"
#include "kestrum/app/helix.h"
#include "kestrum/app/program_state.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/wait_dialog.h"
#include "kestrum/app/win_main.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using plat::CanvasOp;

class Helix : public KestrumTest {
 protected:
  void SetUp() override { kestrum::CreateProgramWindows(); }
};

struct Rung {
  int index;
  int x, y1, y2;
  bool blue_on_top;  // the depth flag at this rung: 1 draws the blue dot last
};

struct HelixCase {
  const char* label;
  std::function<TImage*()> image;
  std::function<void(std::uint32_t phase)> draw;  // through the window's own routine
  std::uint8_t* depth;                             // the window's own flag
  int points;
  int width;
  std::vector<Rung> rungs;  // at phase 0, from a depth flag of 0
  std::uint8_t depth_after;
};
void PrintTo(const HelixCase& c, std::ostream* os) { *os << c.label; }

// Rung 0 lies on the middle line: in single precision sin(pi) is a hair below
// zero, so its second strand point truncates to 21, not 22.
const HelixCase kCases[] = {
    {"WaitWindow", [] { return Form_Wait->Image_DNA; },
     [](std::uint32_t phase) { Form_Wait->DrawHelix2(TForm_Wait::kSearchHelixRungs, phase, Form_Wait->Image_DNA); },
     &SearchHelixDepth, 50, 389,
     {{0, 0, 22, 21, false},
      {3, 23, 30, 13, false},
      {4, 31, 32, 11, true},
      {20, 155, 22, 21, true},
      {24, 186, 11, 32, false},
      {49, 381, 39, 4, true}},
     1},
    {"DiagnosisDialog", [] { return Form_DebuggingDevice->Image_DNA; },
     [](std::uint32_t phase) {
       Form_DebuggingDevice->DrawHelix(TForm_DebuggingDevice::kDebugHelixPoints, phase,
                                       Form_DebuggingDevice->Image_DNA);
     },
     &DebugHelixDepth, 30, 307,
     {{0, 0, 22, 21, false},
      {2, 20, 29, 14, false},
      {3, 30, 32, 11, true},
      {17, 173, 16, 27, true},
      {18, 184, 12, 31, false},
      {29, 296, 15, 28, false}},
     0},
};

class HelixFrame : public Helix, public ::testing::WithParamInterface<HelixCase> {};
INSTANTIATE_TEST_SUITE_P(Windows, HelixFrame, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_P(HelixFrame, OneFrameIsABlackGroundAndARungWithTwoDotsPerPoint) {
  const HelixCase& c = GetParam();
  TImage* image = c.image();
  ASSERT_EQ(image->Width, c.width);
  ASSERT_EQ(image->Height, 45);
  c.draw(7);  // a frame before: the next one starts the display list afresh
  *c.depth = 0;
  c.draw(0);

  const std::vector<CanvasOp>& ops = image->Canvas->Operations();
  ASSERT_EQ(ops.size(), static_cast<std::size_t>(1 + 4 * c.points));
  EXPECT_EQ(ops[0].kind, CanvasOp::FillRect);
  EXPECT_EQ(ops[0].rect, plat::Rect(0, 0, c.width, 45));
  EXPECT_EQ(ops[0].brush, (plat::BrushState{clBlack, bsSolid}));

  // Every rung: a lime line three pixels wide between its strand points, then
  // one dot at each end, pen and brush in the dot's colour.
  int last_x = -1;
  for (int i = 0; i < c.points; ++i) {
    SCOPED_TRACE(i);
    const CanvasOp& move = ops[static_cast<std::size_t>(1 + 4 * i)];
    const CanvasOp& line = ops[static_cast<std::size_t>(2 + 4 * i)];
    ASSERT_EQ(move.kind, CanvasOp::MoveTo);
    ASSERT_EQ(line.kind, CanvasOp::LineTo);
    EXPECT_EQ(line.pen, (plat::PenState{clLime, 3, psSolid}));
    const int x = line.rect.Left, y1 = line.rect.Top, y2 = line.rect.Bottom;
    EXPECT_EQ(move.rect.Left, x);
    EXPECT_EQ(move.rect.Top, y1);
    EXPECT_EQ(line.rect.Right, x);
    EXPECT_GT(x, last_x);
    last_x = x;
    for (int k = 0; k < 2; ++k) {
      const CanvasOp& dot = ops[static_cast<std::size_t>(3 + 4 * i + k)];
      ASSERT_EQ(dot.kind, CanvasOp::Ellipse);
      const bool blue = dot.pen.color == clBlue;
      EXPECT_TRUE(blue || dot.pen.color == clFuchsia);
      EXPECT_EQ(dot.pen, (plat::PenState{blue ? clBlue : clFuchsia, 3, psSolid}));
      EXPECT_EQ(dot.brush, (plat::BrushState{blue ? clBlue : clFuchsia, bsSolid}));
      const int y = blue ? y1 : y2;
      EXPECT_EQ(dot.rect, plat::Rect(x - 2, y - 2, x + 2, y + 2));
    }
    EXPECT_NE(ops[static_cast<std::size_t>(3 + 4 * i)].pen.color, ops[static_cast<std::size_t>(4 + 4 * i)].pen.color);
  }
  EXPECT_LT(last_x, c.width);

  for (const Rung& r : c.rungs) {
    SCOPED_TRACE(r.index);
    const CanvasOp& line = ops[static_cast<std::size_t>(2 + 4 * r.index)];
    EXPECT_EQ(line.rect, plat::Rect(r.x, r.y1, r.x, r.y2));
    const TColor first = ops[static_cast<std::size_t>(3 + 4 * r.index)].pen.color;
    EXPECT_EQ(first, r.blue_on_top ? clFuchsia : clBlue);
    if (r.y1 - r.y2 >= 8 || r.y2 - r.y1 >= 8) {  // dots apart: each shows its own colour
      EXPECT_EQ(image->Canvas->PixelAt(r.x, r.y1), clBlue);
      EXPECT_EQ(image->Canvas->PixelAt(r.x, r.y2), clFuchsia);
      EXPECT_EQ(image->Canvas->PixelAt(r.x, (r.y1 + r.y2) / 2), clLime);
    }
  }
  EXPECT_EQ(image->Canvas->PixelAt(c.width - 1, 0), clBlack);
  EXPECT_EQ(*c.depth, c.depth_after);
}

// The flag passed in decides the first rung's order, and the frame leaves it
// as its last rung set it.
TEST_F(Helix, TheDepthFlagComesInAndGoesOutWithTheFrame) {
  std::uint8_t depth = 1;
  kestrum::DrawHelix(30, 0, Form_DebuggingDevice->Image_DNA, depth);
  const std::vector<CanvasOp>& ops = Form_DebuggingDevice->Image_DNA->Canvas->Operations();
  EXPECT_EQ(ops[3].pen.color, clFuchsia) << "rung 0 lies between the strands' turns: the flag stays 1";
  EXPECT_EQ(ops[7].pen.color, clFuchsia);
  EXPECT_EQ(ops[11].pen.color, clFuchsia) << "rung 2 is not yet wide enough to turn it";
  EXPECT_EQ(depth, 0);
}

TEST_F(Helix, TheWaitWindowTurnsEvery200msShownOrNotAndCarriesItsFlagFromFrameToFrame) {
  EXPECT_FALSE(Form_Wait->Visible);
  Advance(199);
  EXPECT_EQ(SearchHelixPhase, 0u);
  Advance(1);
  EXPECT_EQ(SearchHelixPhase, 1u);
  EXPECT_EQ(SearchHelixDepth, 1) << "the frame at phase 0 ends with its strands turned";
  EXPECT_EQ(DebugHelixDepth, 0) << "each window has a flag of its own";

  Advance(200);
  EXPECT_EQ(SearchHelixPhase, 2u);
  const std::vector<CanvasOp>& ops = Form_Wait->Image_DNA->Canvas->Operations();
  ASSERT_EQ(ops.size(), 201u);
  EXPECT_EQ(ops[2].rect, plat::Rect(0, 24, 0, 19)) << "the frame at phase 1";
  EXPECT_EQ(ops[3].pen.color, clFuchsia) << "rung 0 keeps the flag the frame before left";

  Advance(800);
  EXPECT_EQ(SearchHelixPhase, 6u);
  EXPECT_EQ(DebugHelixPhase, 0u) << "the dialog's helix turns only while it searches";
}

}  // namespace
