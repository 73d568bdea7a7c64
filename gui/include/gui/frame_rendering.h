#pragma once
// The Qt rendering of the frame/document/view façade's windows: frames with
// their menu bar and accelerators, tool bars with their pictures and tool
// tips, status bars, dialogs and property sheets with their controls. A program of that façade calls UseFrameRenderings once
// at start, before its first window is made; the rest of its windows (the
// views, their controls) are the window core's and shown as ever.

namespace gui {

void UseFrameRenderings();

}  // namespace gui
