// Pictures drawn in code for every resource name the programs load, canvas
// drawings replayed, and screenshots of the windows.
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include "convert.h"
#include "pictures.h"
#include "qt_forms_support.h"
#include "views.h"

namespace {

using namespace vcl;
using gui::testing::QtFixture;

int DrawnPixels(const QImage& img) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) n += qAlpha(img.pixel(x, y)) > 0;
  }
  return n;
}

class PictureTest : public QtFixture {};

TEST_F(PictureTest, EveryNameTheProgramsLoadHasItsOwnPicture) {
  // Kestrum's declared pictures (kestrum/app/src/pictures.cpp; its own tests
  // check the declaration against this table) and the standard ones.
  const char* names[] = {
      "SPLASH", "HW_CALVORY", "HW_MERROW", "HW_GADROW", "HW_WENLOW",
      "ACTIVE_Calvory", "UPDATE_Calvory", "ACTIVE_Sandle", "UPDATE_Sandle", "ACTIVE_Gadrow", "UPDATE_Gadrow",
      "TB_EXIT", "TB_RESET", "TB_SEARCH", "TB_DIAGNOSE", "TB_NEWDEVICE", "TB_STARTALL", "TB_STOPALL",
      "TB_CLEAR", "TB_EXPORT", "TB_IMPORT",
      "TREE_NETWORK", "TREE_MASTER", "TREE_DEVICE", "TREE_POLL", "TREE_STROBE", "TREE_COS", "TREE_CYCLIC",
      "REC_EMPTY", "REC_ITEM", "SLOT_DEVICE", "IO_START", "IO_STOP", "IO_REFRESH", "ATTR_GET", "ATTR_SET",
      "WAIT_PANEL", "SEARCH_PANEL", "DIAG_START", "CONN_POLL", "CONN_STROBE", "CONN_COS", "CONN_CYCLIC",
      "NEW_DEVICE", "MACID_PANEL", "MACID_OK", "MACID_CANCEL", "ABOUT_LOGO",
      "PRODUCT_1", "PRODUCT_2", "PRODUCT_3", "PRODUCT_4", "PRODUCT_5", "PRODUCT_6", "PRODUCT_7", "PRODUCT_8",
      "PRODUCT_9", "PRODUCT_10",
      "LED", "BUS_HLine", "BUS_VLine", "BITBTN_OK", "BITBTN_Cancel", "BITBTN_Help",
  };
  std::vector<QImage> seen;
  for (const char* name : names) {
    ASSERT_TRUE(gui::FindPicture(name)) << name << " would be a placeholder";
    EXPECT_TRUE(gui::FindPicture(QString(name).toLower().toStdString())) << "names compare without case";
    const QImage img = gui::RenderPicture(name, QSize(64, 48)).toImage();
    EXPECT_GT(DrawnPixels(img), 40) << name << " draws (almost) nothing";
    for (const QImage& other : seen) EXPECT_NE(img, other) << name << " looks like another picture";
    seen.push_back(img);
  }
  EXPECT_NE(gui::RenderPicture("REC_EMPTY", QSize(48, 48)).toImage(), gui::RenderPicture("REC_ITEM", QSize(48, 48)).toImage());
}

TEST_F(PictureTest, TheViewersToolBarStripHoldsOneImagePerButton) {
  ASSERT_TRUE(gui::FindPicture("LorvexToolBar"));
  EXPECT_EQ(gui::PictureSize("LorvexToolBar"), QSize(96, 15));
  const QImage strip = gui::RenderPicture("LorvexToolBar").toImage();
  std::vector<QImage> seen;
  for (int i = 0; i < 6; ++i) {
    const QImage cell = strip.copy(16 * i, 0, 16, 15);
    EXPECT_GT(DrawnPixels(cell), 25) << "image " << i << " draws (almost) nothing";
    for (const QImage& other : seen) EXPECT_NE(cell, other) << "image " << i << " looks like another";
    seen.push_back(cell);
  }
}

TEST_F(PictureTest, AnUnknownNameGetsAPlaceholder) {
  EXPECT_FALSE(gui::FindPicture("NOT_A_PICTURE"));
  const QImage img = gui::RenderPicture("NOT_A_PICTURE", QSize(80, 40)).toImage();
  EXPECT_EQ(img.size(), QSize(80, 40));
  EXPECT_GT(DrawnPixels(img), 80 * 40 / 2);
  EXPECT_EQ(gui::PictureSize("NOT_A_PICTURE"), QSize(32, 32));
  plat::RegisterPictureResource("NOT_A_PICTURE", 20, 10);
  EXPECT_EQ(gui::PictureSize("NOT_A_PICTURE"), QSize(20, 10)) << "the program's declared size wins";
}

TEST_F(PictureTest, ACanvasDisplayListIsReplayed) {
  auto* form = Create<TForm>(&ui.App(), "Form_Main");
  form->ClientWidth = 200;
  form->ClientHeight = 100;
  auto* image = Create<TImage>(form, "Image_HLine2");
  image->SetBounds(10, 10, 60, 20);
  TCanvas* c = image->Canvas;
  c->Brush->Color = clBtnFace;
  c->FillRect(c->ClipRect);
  c->Pen->Color = clRed;
  c->Pen->Width = 3;
  c->MoveTo(0, 3);
  c->LineTo(20, 3);
  c->LineTo(30, 13);
  c->Brush->Color = clBlue;
  c->Pen->Color = clLime;
  c->Pen->Width = 1;
  c->Rectangle(40, 2, 56, 18);
  form->Show();
  const QImage shot = WidgetOf(image)->grab().toImage();
  struct Probe {
    int x, y;
    plat::TColor want;
  };
  const Probe probes[] = {
      {10, 3, clRed}, {10, 2, clRed}, {10, 4, clRed},           // the wide line
      {10, 10, plat::ResolveColor(clBtnFace)},                  // the fill around it
      {25, 8, clRed},                                           // on the slope
      {48, 10, clBlue}, {40, 10, clLime}, {48, 2, clLime},      // brush inside the pen
  };
  for (const Probe& p : probes) {
    EXPECT_EQ(QColor(shot.pixel(p.x, p.y)), gui::ToQColor(p.want)) << p.x << "," << p.y;
  }
  // A new frame replaces the drawing.
  c->Brush->Color = clBlack;
  c->FillRect(c->ClipRect);
  Flush();
  EXPECT_EQ(QColor(WidgetOf(image)->grab().toImage().pixel(10, 3)), QColor(0, 0, 0));
}

TEST_F(PictureTest, AnImageShowsItsResourcePictureStretched) {
  plat::RegisterPictureResource("REC_EMPTY", 48, 48);
  plat::RegisterPictureResource("REC_ITEM", 48, 48);
  auto* form = Create<TForm>(&ui.App(), "Form_Main");
  form->Color = clWhite;
  form->ClientWidth = 120;
  form->ClientHeight = 120;
  auto* image = Create<TImage>(form, "Image_Del");
  image->SetBounds(0, 0, 96, 96);
  image->Picture->LoadFromResourceName("REC_EMPTY");
  form->Show();
  const QColor background(255, 255, 255);
  // The can's foot lies at about five sixths of the picture's height.
  EXPECT_EQ(QColor(WidgetOf(form)->grab().toImage().pixel(24, 80)), background) << "unstretched: 48 x 48 only";
  image->Stretch = true;
  Flush();
  const QImage shot = WidgetOf(form)->grab().toImage();
  EXPECT_NE(QColor(shot.pixel(40, 80)), background) << "stretched over the whole image";
  image->Picture->LoadFromResourceName("REC_ITEM");
  Flush();
  EXPECT_NE(WidgetOf(form)->grab().toImage(), shot) << "a new picture shows";
}

TEST_F(PictureTest, ScreenshotsOfTheShownWindowsAreWritten) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto* shown = Create<TForm>(&ui.App(), "Form_SelectHardware");
  shown->ClientWidth = 120;
  shown->ClientHeight = 80;
  auto* hidden = Create<TForm>(&ui.App(), "Form_About");
  hidden->ClientWidth = 50;
  hidden->ClientHeight = 50;
  shown->Show();
  Flush();
  const std::vector<std::string> files = backend->SaveScreenshots(dir.path().toStdString());
  ASSERT_EQ(files.size(), 1u);
  const QImage img(QString::fromStdString(files[0]));
  EXPECT_EQ(img.size(), QSize(120, 80));
  EXPECT_TRUE(QString::fromStdString(files[0]).endsWith("-Form_SelectHardware.png"));

  // With a folder set, a window that was shown is written even if it goes
  // before the moment to write came.
  const QString later = dir.filePath("later");
  backend->SetScreenshotFolder(later.toStdString());
  hidden->Show();
  Flush();
  hidden->Free();
  const QStringList written = QDir(later).entryList(QStringList{"*.png"}, QDir::Files);
  ASSERT_EQ(written.size(), 1);
  EXPECT_TRUE(written[0].endsWith("-Form_About.png"));
}

}  // namespace
