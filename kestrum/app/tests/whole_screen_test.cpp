// Kestrum on a whole screen: the program's windows shown by the Qt backend on
// an X server of the test's own, judged by a picture of the root window, as a
// person would see them (what lies on top, what a window's mask cuts away).
// The simulated master runs in virtual time.

#include <QApplication>
#include <QImage>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "convert.h"
#include "kestrum/app/logo.h"
#include "kestrum/app/select_hardware.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/wait_message.h"
#include "kestrum/app/win_main.h"
#include "qt_backend.h"
#include "qt_start.h"
#include "whole_screen.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using gui::testing::PaintedOnScreen;
using gui::testing::ShareShown;
using gui::testing::WholeScreen;

int argc = 1;
char name[] = "kestrum_whole_screen_tests";
char* argv[] = {name, nullptr};

class KestrumOnTheWholeScreen : public KestrumThroughQt {
 protected:
  KestrumOnTheWholeScreen() {
    EXPECT_EQ(gui::testing::XServerOfTheTest::Failure(), "");
    // The backend's own QApplication, so that it (and its connection to the
    // server) goes with the test.
    backend = std::make_shared<gui::QtBackend>(ui.App(), argc, argv);
    ui.App().SetBackend(backend);
    EXPECT_EQ(QGuiApplication::platformName(), "xcb");
  }

  QWidget* Shown(const plat::Component* c) {
    ui.App().Idle();
    QWidget* w = backend->WidgetOf(c);
    EXPECT_TRUE(w && w->isVisible()) << std::string(c->Name) << " is not on screen";
    return w;
  }

  // Starts the program up to its loop; while the chooser is open,
  // lookAtTheScreen runs, then the person chooses Calvory.DLL.
  void StartAndChoose(const std::function<void()>& lookAtTheScreen = [] {}) {
    StartAndChooseThroughQt(lookAtTheScreen);
    if (HasFatalFailure()) return;
    ASSERT_EQ(HardwareKind, driver::kKindCalvory);
  }
};

bool Any(QPoint, QRgb) { return true; }

// While the person chooses the hardware, the splash stays where it was: on
// the screen, under the chooser and above anything of the main window.
TEST_F(KestrumOnTheWholeScreen, TheSplashStaysAboveTheMainWindowWhileTheHardwareIsChosen) {
  StartAndChoose([&] {
    QWidget* splash = Shown(Form_Logo);
    QWidget* chooser = Shown(Form_SelectHardware);
    ASSERT_TRUE(splash && chooser);
    PaintedOnScreen({splash, chooser});
    const QImage screen = WholeScreen();
    ASSERT_FALSE(screen.isNull());

    // The chooser whole, and the splash wherever the chooser leaves it free.
    EXPECT_GE(ShareShown(screen, chooser, chooser->grab().toImage(), chooser->rect(), Any), 0.99);
    const QRect chooserOnSplash = chooser->geometry().translated(-splash->geometry().topLeft());
    const double splashShown = ShareShown(screen, splash, splash->grab().toImage(), splash->rect(),
                                          [&](QPoint p, QRgb) { return !chooserOnSplash.contains(p); });
    EXPECT_GE(splashShown, 0.99) << "the splash is covered";
    QWidget* main = backend->WidgetOf(Form_Main);
    EXPECT_FALSE(main && main->isVisible()) << "the main window is on screen before its board list is filled";
  });
  EXPECT_FALSE(Form_Logo) << "the splash outlived the start";
  Shown(Form_Main);
}

// The wait window of the activation: a panel with rounded corners whose
// button-face corners are see-through, and the message on it, which must be
// readable on the screen above the main window.
TEST_F(KestrumOnTheWholeScreen, TheWaitWindowsMessageIsReadableAndItsCornersAreSeeThrough) {
  StartAndChoose();
  Click(Form_Main->SpeedButton_ActiveBoard);
  ASSERT_TRUE(Form_WaitMessage->Visible);
  QWidget* main = Shown(Form_Main);
  QWidget* wait = Shown(Form_WaitMessage);
  QWidget* label = backend->WidgetOf(Form_WaitMessage->Label_Message);
  ASSERT_TRUE(main && wait && label);
  PaintedOnScreen({main, wait});
  const QImage screen = WholeScreen();
  ASSERT_FALSE(screen.isNull());

  const QImage panel = wait->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRgb key = gui::ToQColor(Form_WaitMessage->TransparentColorValue).rgb();
  const QRect message(label->mapTo(wait, QPoint(0, 0)), label->size());
  ASSERT_FALSE(message.isEmpty());
  auto notKey = [&](QPoint, QRgb pixel) { return pixel != key; };
  auto blue = [&](QPoint, QRgb pixel) { return qBlue(pixel) > 160 && qRed(pixel) < 90 && qGreen(pixel) < 90; };
  // The letters are there in the window's own picture, and the screen shows them.
  int letters = 0;
  for (int y = message.top(); y <= message.bottom(); ++y) {
    for (int x = message.left(); x <= message.right(); ++x) letters += blue(QPoint(x, y), panel.pixel(x, y));
  }
  ASSERT_GT(letters, 50) << "no letters in the wait window's own picture";
  EXPECT_GE(ShareShown(screen, wait, panel, message, blue), 0.99) << "the message cannot be read on the screen";
  EXPECT_GE(ShareShown(screen, wait, panel, wait->rect(), notKey), 0.99) << "the panel does not show";

  // A corner keeps the button face in the window's picture; on the screen
  // what lies behind shows there: the main window.
  const QPoint corner(1, 1);
  ASSERT_EQ(panel.pixel(corner), key);
  EXPECT_FALSE(wait->mask().contains(corner));
  const QPoint onScreen = wait->geometry().topLeft() + corner;
  const QImage behind = main->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(screen.pixel(onScreen), behind.pixel(onScreen - main->geometry().topLeft()));

  Advance(2500);
  EXPECT_FALSE(Form_WaitMessage->Visible);
}

}  // namespace
