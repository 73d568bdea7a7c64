// Drawing: the display list the backend replays and the pixels tests read.
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/vcl/testing.h"

namespace {

using namespace vcl;
using plat::CanvasOp;

class CanvasTest : public ::testing::Test {
 protected:
  CanvasTest() {
    image = Create<TImage>(&ui.App(), "Image_HLine2");
    image->SetBounds(0, 0, 845, 13);
  }
  plat::testing::Session ui;
  TImage* image;
};

TEST_F(CanvasTest, LinesAreRecordedWithTheirPenAndRasterizedWithoutTheEndPoint) {
  TCanvas* c = image->Canvas;
  EXPECT_EQ(c->ClipRect(), Rect(0, 0, 845, 13));
  c->Brush->Color = clBtnFace;
  c->Brush->Style = bsSolid;
  c->FillRect(c->ClipRect);
  c->Pen->Color = clRed;
  c->Pen->Width = 3;
  c->MoveTo(0, 3);
  c->LineTo(20, 3);
  c->LineTo(30, 13);

  const auto& ops = c->Operations();
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0].kind, CanvasOp::FillRect);
  EXPECT_EQ(ops[0].brush, (plat::BrushState{clBtnFace, bsSolid}));
  EXPECT_EQ(ops[2].kind, CanvasOp::LineTo);
  EXPECT_EQ(ops[2].rect, Rect(0, 3, 20, 3));
  EXPECT_EQ(ops[2].pen, (plat::PenState{clRed, 3, psSolid}));
  EXPECT_EQ(ops[3].rect, Rect(20, 3, 30, 13));
  EXPECT_EQ(c->PenPos(), (TPoint{30, 13}));

  const TColor face = plat::ResolveColor(clBtnFace);
  EXPECT_FALSE(plat::IsSystemColor(face));
  for (int y : {2, 3, 4}) EXPECT_EQ(c->Pixels[10][y], clRed) << y;
  EXPECT_EQ(c->Pixels[10][6], face);
  EXPECT_EQ(c->Pixels[25][8], clRed) << "on the slope";
  EXPECT_EQ(c->Pixels[100][3], face);
  EXPECT_EQ(c->PixelAt(-1, 0), clNone);

  c->Pen->Width = 1;
  c->MoveTo(0, 10);
  c->LineTo(5, 10);
  EXPECT_EQ(c->Pixels[4][10], clRed);
  EXPECT_EQ(c->Pixels[5][10], face) << "the end point is not drawn";
}

TEST_F(CanvasTest, ClearingTheWholeCanvasStartsTheDisplayListAnew) {
  TCanvas* c = image->Canvas;
  for (int frame = 0; frame < 50; ++frame) {
    c->Brush->Color = clBlack;
    c->FillRect(c->ClipRect);
    c->MoveTo(frame, 0);
    c->LineTo(frame, 10);
  }
  EXPECT_EQ(c->Operations().size(), 3u);
  c->FillRect(Rect(0, 0, 10, 10));  // a part only: kept in the list
  EXPECT_EQ(c->Operations().size(), 4u);
}

TEST_F(CanvasTest, EllipsesFillWithTheBrushInsideThePen) {
  TCanvas* c = image->Canvas;
  c->Brush->Color = clBlack;
  c->FillRect(c->ClipRect);
  c->Pen->Color = clRed;
  c->Pen->Width = 1;
  c->Brush->Color = clLime;
  c->Ellipse(100, 0, 113, 13);
  EXPECT_EQ(c->Pixels[106][6], clLime);
  EXPECT_EQ(c->Pixels[106][0], clRed);
  EXPECT_EQ(c->Pixels[100][0], clBlack) << "the corner of the box is outside";
  EXPECT_EQ(c->Pixels[113][6], clBlack) << "the right edge is excluded";

  // A dot as the helix draws it: pen and brush in the dot's colour.
  c->Pen->Color = clBlue;
  c->Brush->Color = clBlue;
  c->Pen->Width = 3;
  c->Ellipse(18, 4, 22, 8);
  EXPECT_EQ(c->Pixels[20][6], clBlue);
  const CanvasOp& dot = c->Operations().back();
  EXPECT_EQ(dot.kind, CanvasOp::Ellipse);
  EXPECT_EQ(dot.rect, Rect(18, 4, 22, 8));
  EXPECT_EQ(dot.brush.color, clBlue);
}

TEST_F(CanvasTest, RectangleOutlinesWithThePenAndAClearBrushLeavesTheInside) {
  TCanvas* c = image->Canvas;
  c->Brush->Color = clWhite;
  c->FillRect(c->ClipRect);
  c->Pen->Color = clRed;
  c->Brush->Style = bsClear;
  c->Rectangle(0, 0, 10, 10);
  EXPECT_EQ(c->Pixels[0][5], clRed);
  EXPECT_EQ(c->Pixels[9][5], clRed);
  EXPECT_EQ(c->Pixels[5][5], clWhite);
  c->Pixels[5][5] = clFuchsia;
  EXPECT_EQ(c->Pixels[5][5], clFuchsia);
  c->TextOut(1, 1, "01");
  EXPECT_EQ(c->Operations().back().text, "01");
}

TEST_F(CanvasTest, PicturesComeFromDeclaredResources) {
  plat::RegisterPictureResource("REC_ITEM", 48, 40);
  plat::RegisterPictureResource("REC_EMPTY", 48, 40);
  TImage* trash = Create<TImage>(&ui.App(), "Image_Del");
  trash->AutoSize = true;
  trash->Picture->LoadFromResourceName("REC_ITEM");
  EXPECT_EQ(trash->Picture->ResourceName(), "REC_ITEM");
  EXPECT_EQ(trash->Width, 48);
  trash->Canvas->LineTo(5, 5);
  trash->Picture->Bitmap->LoadFromResourceName("rec_empty");
  EXPECT_EQ(trash->Picture->ResourceName(), "REC_EMPTY");
  EXPECT_TRUE(trash->Canvas->Operations().empty()) << "a new picture drops what was drawn";
  EXPECT_THROW(trash->Picture->LoadFromResourceName("NO_SUCH_PICTURE"), plat::Exception);
  EXPECT_NE(plat::FindPictureResource("Rec_Item"), nullptr);
}

TEST(Colours, ValuesAreBlueGreenRedFromTheHighByteDown) {
  EXPECT_EQ(clRed, 0x0000FFu);
  EXPECT_EQ(clSkyBlue, 0xF0CAA6u);
  EXPECT_EQ(plat::Rgb(0xA6, 0xCA, 0xF0), clSkyBlue);
  EXPECT_EQ(plat::RedOf(0x00FF8000u), 0x00);
  EXPECT_EQ(plat::BlueOf(0x00FF8000u), 0xFF);
  EXPECT_TRUE(plat::IsSystemColor(clInfoBk));
  EXPECT_EQ(plat::ResolveColor(clRed), clRed);
  EXPECT_NE(plat::ResolveColor(clInfoBk), plat::ResolveColor(clBtnFace));
}

}  // namespace
