#pragma once
// The Qt test fixture with the forms' session (a vcl::TApplication).

#include "platform/vcl/testing.h"
#include "qt_support.h"

namespace gui::testing {

using QtFixture = QtSessionFixture<plat::testing::Session>;

}  // namespace gui::testing
