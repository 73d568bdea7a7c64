// The viewer's frame and its options sheet on a whole screen (an X server of
// the test's own): each shows the caption the program painted - the
// gradient from black to 0xFF8000 and the title - instead of a window
// manager's decoration, judged by a picture of the root window.

#include <QTimer>

#include <functional>
#include <optional>

#include "gui/frame_rendering.h"
#include "lorvex/lorvex_app.h"
#include "lorvex/main_frame.h"
#include "lorvex/option_dialogs.h"
#include "lorvex/resource.h"
#include "qt_support.h"
#include "qt_viewer.h"
#include "temp_dir.h"
#include "whole_screen.h"

namespace {

using gui::testing::PaintedOnScreen;
using gui::testing::WholeScreen;

QRgb Rgb(afx::COLORREF c) { return qRgb(afx::GetRValue(c), afx::GetGValue(c), afx::GetBValue(c)); }

class ViewerOnTheScreen : public PrivateViewerFolders, public gui::testing::QtFrameFixture {
 protected:
  ViewerOnTheScreen() { gui::UseFrameRenderings(); }
  void SetUp() override {
    ASSERT_EQ(gui::testing::XServerOfTheTest::Failure(), "");
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    app.emplace();
    app->SetCommandLine({"lorvex", "/Automation"});  // no splash in the way
    ASSERT_TRUE(app->InitInstance());
    frame = dynamic_cast<CMainFrame*>(app->m_pMainWnd);
    ASSERT_TRUE(frame);
    // Room for the sheet over it, on the screen.
    frame->MoveWindow(60, 40, 900, 640);
    frame->ShowWindow(afx::SW_SHOW);
    Flush();
  }
  void TearDown() override {
    backend->beforeBlocking = nullptr;
    if (app && app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
    if (app) app->ExitInstance();
    app.reset();
  }

  // What the screen shows of a window's painted caption: its two ends, the
  // middle, and how many pixels of the title's colour lie in the text's room.
  struct Caption {
    QRgb left, middle, right;
    int titlePixels;
  };
  Caption Look(afx::CWnd& window, CPaintTitle& painter, afx::COLORREF textColour) {
    QWidget* top = WidgetOf(&window);
    EXPECT_TRUE(top);
    if (!top) return {};
    EXPECT_TRUE(top->windowFlags() & Qt::FramelessWindowHint) << "the window manager's decoration is shown";
    PaintedOnScreen({top});
    const QImage screen = WholeScreen();
    const QPoint at = top->geometry().topLeft();
    const afx::RECT c = painter.GetCaptionRect();
    const int y = at.y() + c.top + c.Height() / 2;
    Caption out{screen.pixel(at.x() + c.left, y), screen.pixel(at.x() + c.left + c.Width() / 2, c.top + at.y() + 2),
                screen.pixel(at.x() + c.right - 1, y), 0};
    for (int x = c.left + 4; x < c.left + c.Width() / 2; ++x) {
      for (int yy = c.top; yy < c.bottom; ++yy) {
        if (screen.pixel(at.x() + x, at.y() + yy) == Rgb(textColour)) ++out.titlePixels;
      }
    }
    return out;
  }

  std::optional<CLorvexApp> app;
  CMainFrame* frame = nullptr;
};

TEST_F(ViewerOnTheScreen, TheFrameAndTheOptionsSheetShowTheGradientCaptionWithTheTitle) {
  ASSERT_TRUE(frame->CaptionPaintedByProgram());
  const Caption main = Look(*frame, frame->PaintTitle(), 0xFFFFFF);
  EXPECT_EQ(main.left, qRgb(0, 0, 0));
  EXPECT_EQ(main.right, qRgb(0, 128, 255));
  EXPECT_NE(main.middle, main.left);
  EXPECT_NE(main.middle, main.right);
  EXPECT_GT(main.titlePixels, 20) << "no title in the caption";

  bool looked = false;
  backend->beforeBlocking = [&] {
    auto* sheet = dynamic_cast<COptionenSheet*>(ui.App().ModalWindow());
    if (!sheet || looked) return;
    looked = true;
    const Caption options = Look(*sheet, sheet->Painter, 0xFFFFFF);
    EXPECT_EQ(options.left, qRgb(0, 0, 0));
    EXPECT_EQ(options.right, qRgb(0, 128, 255));
    EXPECT_GT(options.titlePixels, 20) << "no title in the sheet's caption";
    // The frame under it is inactive: black to the system's inactive caption colour.
    const Caption behind = Look(*frame, frame->PaintTitle(), afx::GetSysColor(afx::COLOR_INACTIVECAPTIONTEXT));
    EXPECT_EQ(behind.right, Rgb(afx::GetSysColor(afx::COLOR_INACTIVECAPTION)));
    QTimer::singleShot(0, [sheet] { afx::person::Close(sheet); });
  };
  frame->SendMessage(afx::WM_COMMAND, ID_OPTIONS);
  backend->beforeBlocking = nullptr;
  EXPECT_TRUE(looked) << "the sheet never showed";
  // Back to the frame: active again.
  EXPECT_TRUE(frame->PaintTitle().IsActive());
}

TEST_F(ViewerOnTheScreen, TheCaptionButtonsMaximiseRestoreAndClose) {
  QWidget* top = WidgetOf(frame);
  ASSERT_TRUE(top);
  PaintedOnScreen({top});
  const QSize before = top->size();
  // Where a caption button is now: so many pixels left of the caption's end.
  auto button = [&](int fromRight) {
    const afx::RECT c = frame->PaintTitle().GetCaptionRect();
    return QPoint(c.right - fromRight, c.top + c.Height() / 2);
  };
  // The maximise button sits 2 pixels left of the close button.
  QTest::mouseClick(top, Qt::LeftButton, {}, button(21 + 10));
  Flush();
  EXPECT_TRUE(afx::IsZoomed(frame));
  EXPECT_EQ(top->size(), QSize(frame->Width, frame->Height));
  QTest::mouseClick(top, Qt::LeftButton, {}, button(21 + 10));
  Flush();
  EXPECT_FALSE(afx::IsZoomed(frame));
  EXPECT_EQ(top->size(), before);
  const std::uint64_t id = frame->Id();
  QTest::mouseClick(top, Qt::LeftButton, {}, button(8));
  Flush();
  EXPECT_EQ(plat::Component::FromId(id), nullptr) << "the close button left the frame";
}

}  // namespace
