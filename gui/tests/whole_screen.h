#pragma once
// The whole screen as a person sees it. A test program that includes this
// header gets an X server of its own (Xvfb, no window manager), which Qt shows
// the windows on; WholeScreen() is a picture of its root window. The server
// composes that picture from every mapped window in its stacking order, each
// cut to its shape, so it shows what covers what and what a mask cuts away,
// which no grab of a single widget can.
//
// The server is started before the first test (so before any QApplication)
// and ended after the last; it also ends should the test program die.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <initializer_list>
#include <string>

namespace gui::testing {

class XServerOfTheTest : public ::testing::Environment {
 public:
  // Empty when the server runs; else why it does not.
  static std::string& Failure() {
    static std::string failure = "the X server was never started";
    return failure;
  }

  void SetUp() override {
    int fds[2];
    if (::pipe(fds) != 0) return;
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
      // The server goes with the test program, however that ends.
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (::getppid() != parent) ::_exit(1);
      ::close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    if (pid_ < 0) {
      ::close(fds[0]);
      Failure() = "fork failed";
      return;
    }
    // The server writes its display number once it takes connections.
    std::string number;
    for (;;) {
      pollfd p{fds[0], POLLIN, 0};
      if (::poll(&p, 1, 30000) <= 0) break;
      char c;
      if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
      Failure() = "Xvfb did not start (is the package xvfb installed?)";
      return;
    }
    ::setenv("DISPLAY", (":" + number).c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ::unsetenv("WAYLAND_DISPLAY");
    Failure().clear();
  }

  void TearDown() override {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

inline ::testing::Environment* const kXServerOfTheTest =
    ::testing::AddGlobalTestEnvironment(new XServerOfTheTest);

// Waits until the server has mapped each window and Qt has painted it.
inline void PaintedOnScreen(std::initializer_list<QWidget*> windows) {
  for (QWidget* w : windows) {
    ASSERT_TRUE(w && w->isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w->windowHandle())) << w->objectName().toStdString();
    w->repaint();
  }
  QCoreApplication::processEvents();
}

// The root window as the server shows it now.
inline QImage WholeScreen() {
  return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

// Of the window's own pixels (its grab) within `area` (window coordinates)
// that pass `counts`, the share the screen shows at the window's place.
template <class Counts>
double ShareShown(const QImage& screen, QWidget* window, const QImage& own, const QRect& area, Counts counts) {
  const QPoint at = window->geometry().topLeft();
  int compared = 0;
  int shown = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!own.rect().contains(x, y) || !screen.rect().contains(at.x() + x, at.y() + y)) continue;
      const QRgb pixel = own.pixel(x, y);
      if (!counts(QPoint(x, y), pixel)) continue;
      ++compared;
      if (screen.pixel(at.x() + x, at.y() + y) == pixel) ++shown;
    }
  }
  return compared == 0 ? 0.0 : static_cast<double>(shown) / compared;
}

}  // namespace gui::testing
