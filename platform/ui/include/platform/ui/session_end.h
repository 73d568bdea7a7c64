#pragma once
// The end of the desktop session, a hang-up, a plain kill or Ctrl+C (SIGTERM,
// SIGHUP, SIGINT)
// takes a program's normal exit path, so that it closes its windows and writes
// back what it keeps, instead of dying where it stands.

#include <functional>

namespace plat {

class Application;

// Blocks the signals in the calling thread. Call it first thing in main,
// before any thread exists, so that every thread inherits the mask and the
// signals wait, pending, until the window loop reads them.
void BlockSessionEndSignals();

// Runs onEnd on the window thread when one of them arrives (typically:
// close the main window). Without BlockSessionEndSignals the signals keep
// their default effect.
void OnSessionEnd(Application& app, std::function<void()> onEnd);

}  // namespace plat
