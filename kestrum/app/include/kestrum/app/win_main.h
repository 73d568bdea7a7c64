#pragma once
// The program entry of Kestrum, callable by the real main() and by tests.
//
// The application object (vcl::Application) and its backend must exist
// already: main() makes them and installs the window backend; a test's
// plat::testing::Session makes them with a scripted backend.

namespace kestrum {

// The steps before the loop: the splash window (shown and painted at once),
// the application's initialisation, then the forms in this order: main window
// (which becomes the main form), search wait window, device diagnosis,
// new-device dialog, wait message, MAC ID and baud-rate dialog, about box,
// debug window, hardware chooser.
void CreateProgramWindows();

// What the menu Exit leaves running when the loop has ended: the I/O monitor
// and its poll threads are ended and joined, quietly (the board is not closed:
// that is the tool-bar Exit's business). Does nothing when the tool-bar Exit
// has already done it.
void EndProgramQuietly();

// CreateProgramWindows, the loop until the main window closes, then
// EndProgramQuietly; returns 0. An exception that escapes is shown with the
// application's standard exception box.
int WinMain();

}  // namespace kestrum
