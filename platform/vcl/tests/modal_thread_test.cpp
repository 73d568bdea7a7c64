// Worker threads and the modal loop of a form: synchronised calls keep being served.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/vcl/testing.h"
#include "poll_worker.h"

namespace {

using namespace plat;
using plat::testing::Advance;
using plat::testing::PollWorker;
using plat::testing::Session;

// The window thread's own waits (a modal form's loop, a box held open) go on
// serving a worker's synchronised calls, so the worker never stalls behind them.
TEST(Synchronize, ModalFormsAndOpenBoxesKeepServingTheCalls) {
  Session ui;
  std::vector<std::uint32_t> passes;
  PollWorker worker(&passes);
  worker.active = true;
  worker.Resume();  // its first pass asks for the window thread at once

  auto* dialog = new vcl::TForm(&ui.App());
  dialog->Name = "Form_Dialog";
  plat::testing::ExpectModal("Form_Dialog", [&passes](vcl::TForm& f) {
    EXPECT_EQ(passes, (std::vector<std::uint32_t>{0})) << "served by the modal loop before the person acts";
    Advance(100);
    f.Close();
  });
  EXPECT_EQ(dialog->ShowModal(), vcl::mrCancel);
  plat::testing::ExpectBox("Working").While([] { Advance(100); });
  MessageBox(nullptr, "Working", "Test", MB_OK);
  EXPECT_EQ(passes, (std::vector<std::uint32_t>{0, 50, 100, 150, 200}));
}

}  // namespace
