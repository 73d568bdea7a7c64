#pragma once
// One QApplication for the whole test process, on Qt's offscreen platform,
// and a fixture with a fresh application in virtual time shown by the Qt
// backend: the core's session for the frame/document/view windows
// (QtFrameFixture); the forms' session in qt_forms_support.h.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QWidget>

#include <cstdlib>
#include <memory>

#include "platform/ui/testing.h"
#include "qt_backend.h"

namespace gui::testing {

inline int& Argc() {
  static int argc = 1;
  return argc;
}

inline char** Argv() {
  static char name[] = "gui_tests";
  static char* argv[] = {name, nullptr};
  return argv;
}

inline void EnsureQApplication() {
  if (QApplication::instance()) return;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(Argc(), Argv());  // lives to the end of the process
  (void)app;
}

// The item of a menu with that text (mnemonic marks included), or null.
inline QAction* MenuItem(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions()) {
    if (a->text() == text) return a;
  }
  ADD_FAILURE() << "no item " << text.toStdString();
  return nullptr;
}

template <class Session>
class QtSessionFixture : public ::testing::Test {
 protected:
  QtSessionFixture() {
    EnsureQApplication();
    backend = std::make_shared<QtBackend>(ui.App(), Argc(), Argv());
    ui.App().SetBackend(backend);
  }

  // Mirrors what changed, as the loop does after every event.
  void Flush() { ui.App().Idle(); }

  template <class W = QWidget>
  W* WidgetOf(const plat::Component* c) {
    Flush();
    QWidget* w = backend->WidgetOf(c);
    EXPECT_TRUE(w) << "no widget for " << (c ? std::string(c->Name) : std::string("(null)"));
    return dynamic_cast<W*>(w);
  }

  Session ui;
  std::shared_ptr<QtBackend> backend;
};

using QtFrameFixture = QtSessionFixture<plat::testing::CoreSession>;

}  // namespace gui::testing
