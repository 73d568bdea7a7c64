// The I/O monitor seam that the other features call: slot visibility, the
// selection, and holds that carry their reasons.

#include <gtest/gtest.h>

#include "kestrum/app/testing/kestrum_test.h"
#include "kestrum/app/win_main.h"

namespace {

using namespace vcl;
using namespace kestrum::testing;
using Reasons = std::set<std::string>;

class DeviceIOSeam : public KestrumTest {
 protected:
  void SetUp() override {
    kestrum::CreateProgramWindows();
    ASSERT_NE(DeviceIOPanel, nullptr);
  }
  DeviceIO& io() { return *DeviceIOPanel; }
};

TEST_F(DeviceIOSeam, StartsWithEverySlotHiddenHeldAndNothingSelected) {
  for (std::uint8_t n = 1; n <= DeviceIO::kSlotCount; ++n) {
    SCOPED_TRACE(int{n});
    const SlotControls c = FindSlotControls(*Form_Main, n);
    ASSERT_TRUE(c.Frame && c.Plate && c.Image && c.LED && c.Label);
    EXPECT_FALSE(c.Frame->Visible);
    EXPECT_FALSE(c.Plate->Visible);
    EXPECT_FALSE(c.Image->Visible);
    EXPECT_FALSE(c.LED->Visible);
    EXPECT_FALSE(c.Label->Visible);
    EXPECT_EQ(io().HoldReasons(n), Reasons{DeviceIO::kHoldCreated});
    ASSERT_NE(io().ThreadOf(n), nullptr);
    EXPECT_EQ(io().ThreadOf(n)->SlotNo, n);
    EXPECT_EQ(io().ThreadOf(n)->Priority(), tpHigher);
  }
  EXPECT_FALSE(Form_Main->Shape_IO->Visible);
  EXPECT_EQ(io().GetSelectedMACID(), 255);
  EXPECT_EQ(io().GetSelectedSlot(), 255);
}

TEST_F(DeviceIOSeam, ShowDeviceSwitchesTheSlotButNeverItsFrame) {
  io().ClearShowDeviceLog();
  io().ShowDevice(5, true);
  const SlotControls c = FindSlotControls(*Form_Main, 5);
  EXPECT_TRUE(c.Plate->Visible);
  EXPECT_TRUE(c.LED->Visible);
  EXPECT_TRUE(c.Image->Visible);
  EXPECT_TRUE(c.Label->Visible);
  EXPECT_FALSE(c.Frame->Visible);
  EXPECT_FALSE(FindSlotControls(*Form_Main, 6).Plate->Visible) << "only its own slot";

  c.Frame->Visible = true;  // as a selection leaves it
  io().ShowDevice(5, false);
  EXPECT_FALSE(c.Plate->Visible);
  EXPECT_FALSE(c.Label->Visible);
  EXPECT_TRUE(c.Frame->Visible) << "hiding keeps the frame";

  io().ShowDevice(0, true);  // outside 1 to 30: nothing
  io().ShowDevice(31, true);
  EXPECT_EQ(io().ShowDeviceLog(), (std::vector<std::pair<std::uint8_t, bool>>{{5, true}, {5, false}}));
}

TEST_F(DeviceIOSeam, HoldersWithDifferentReasonsNeverReleaseEachOther) {
  io().ActivateThread(7, true, DeviceIO::kHoldCreated);  // the page's first showing
  EXPECT_EQ(io().HoldReasons(7), Reasons{});

  io().ActivateThread(7, false, DeviceIO::kHoldReset);
  io().ActivateThread(7, false, DeviceIO::kHoldSearch);
  io().ActivateThread(7, false, DeviceIO::kHoldSearch);  // the same reason twice is one hold
  io().ActivateThread(7, true, DeviceIO::kHoldReset);
  EXPECT_EQ(io().HoldReasons(7), Reasons{DeviceIO::kHoldSearch}) << "the reset's release leaves the search's hold";

  io().ActivateThread(7, true, DeviceIO::kHoldPageFill);  // releasing what nobody holds changes nothing
  EXPECT_EQ(io().HoldReasons(7), Reasons{DeviceIO::kHoldSearch});
  io().ActivateThread(7, true, DeviceIO::kHoldSearch);
  EXPECT_EQ(io().HoldReasons(7), Reasons{});

  EXPECT_EQ(io().HoldReasons(8), Reasons{DeviceIO::kHoldCreated}) << "other slots are untouched";
  io().ActivateThread(0, false, DeviceIO::kHoldReset);
  io().ActivateThread(31, false, DeviceIO::kHoldReset);
  EXPECT_EQ(io().HoldReasons(0), Reasons{});
  EXPECT_EQ(io().HoldReasons(31), Reasons{});
}

}  // namespace
