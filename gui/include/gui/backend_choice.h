#pragma once
// How a program of the suite is shown. Programs call InstallBackend once,
// right after their application object exists and before they create forms;
// nothing here exposes Qt to them.

#include <cstdint>
#include <optional>
#include <string>

namespace plat {
class Application;
class Window;
}

namespace gui {

// The folder, if set, where a PNG of each top-level window is written a
// moment after it was shown or changed (and at exit, and of each message box
// as it opens): <folder>/<program>-<form name>.png, <program>-box<n>.png.
inline constexpr const char* kScreenshotFolderVariable = "KESTRUM_SCREENSHOT_DIR";

// Shows the program on screen (Qt) when a display is available (DISPLAY or
// WAYLAND_DISPLAY set, or QT_QPA_PLATFORM given); "--headless" on the command
// line (removed from argv) keeps it off screen. argc and argv must stay alive
// for the program's whole run.
void InstallBackend(plat::Application& app, int& argc, char** argv);

// True when the current application is shown by Qt (on a display, under
// Xvfb or on Qt's offscreen platform).
bool ShownByQt();

// Writes a PNG of the window as it is shown now, with what changed in the
// core mirrored first. False when Qt does not show it or the file could not
// be written.
bool SaveScreenshot(plat::Window& window, const std::string& path);

// For a scripted person: the next colour dialog the backend shows is
// answered, a moment after it shows, with this colour (0x00BBGGRR), after a
// picture of the whole screen went to path (none when empty).
void AnswerNextColorDialog(std::uint32_t color, const std::string& path);

// For a scripted person: the text of the message box on screen now, or
// nothing when none is open (or Qt does not show the program).
std::optional<std::string> OpenBoxText();
// Presses the open message box's default button, as Enter does; false when
// no box is open.
bool PressOpenBoxDefault();
// Writes a PNG of the whole screen as a person sees it now (on X the root
// window: every window where and as it is shown, what lies on top of what,
// what a mask cuts away), with what changed in the core mirrored first.
// False where Qt can give no picture of the screen (its offscreen platform,
// Wayland) or the file could not be written.
bool SaveScreenPicture(const std::string& path);

}  // namespace gui
