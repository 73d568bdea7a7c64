#pragma once
// The renderings of the façade's dialogs (dialog windows, property sheets
// and pages, the tab strip) and of the controls they hold, for
// UseFrameRenderings.

#include <vector>

#include "views.h"

namespace gui {

std::vector<Rendering> DialogRenderings();
std::vector<Rendering> DialogControlRenderings();

}  // namespace gui
