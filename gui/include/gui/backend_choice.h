#pragma once
// How a program of the suite is shown. Programs call InstallBackend once,
// right after their application object exists and before they create forms;
// nothing here exposes Qt to them.

namespace plat {
class Application;
}

namespace gui {

// Shows the program on screen when a display is available; "--headless" on
// the command line (removed from argv) keeps it off screen. argc and argv
// must stay alive for the program's whole run.
void InstallBackend(plat::Application& app, int& argc, char** argv);

}  // namespace gui
