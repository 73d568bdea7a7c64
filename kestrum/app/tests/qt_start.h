#pragma once
// Kestrum shown by the Qt backend, started as WinMain starts it up to its
// loop, with the person choosing Calvory.DLL by a press on the chooser's own
// Qt button. The test's constructor makes the backend.

#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "kestrum/app/select_hardware.h"
#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/win_main.h"
#include "platform/vcl/forms.h"
#include "qt_backend.h"

namespace kestrum::testing {

class KestrumThroughQt : public KestrumTest {
 protected:
  // While the chooser is open, lookAtTheChooser runs; then the person presses
  // the chooser's button for Calvory.DLL.
  void StartAndChooseThroughQt(const std::function<void()>& lookAtTheChooser = [] {}) {
    bool pressed = false;
    backend->beforeBlocking = [&] {
      if (pressed || ui.App().ModalWindow() != Form_SelectHardware) return;
      pressed = true;
      lookAtTheChooser();
      QWidget* pci = backend->WidgetOf(Form_SelectHardware->SpeedButton_PCI);
      ASSERT_TRUE(pci);
      QTimer::singleShot(0, [pci] { QTest::mouseClick(pci, Qt::LeftButton); });
    };
    kestrum::CreateProgramWindows();
    vcl::TForm* main = vcl::Application->MainForm;
    vcl::Fire([main] { main->Show(); });
    ui.App().Idle();
    backend->beforeBlocking = nullptr;
    ASSERT_TRUE(pressed) << "the chooser was never shown";
  }

  std::shared_ptr<gui::QtBackend> backend;
};

}  // namespace kestrum::testing
