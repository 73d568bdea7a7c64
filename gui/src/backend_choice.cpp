#include "gui/backend_choice.h"

#include <cstring>
#include <memory>

#include "platform/application.h"

namespace gui {

void InstallBackend(plat::Application& app, int& argc, char** argv) {
  // Strip the switch so the program's own parsing never sees it.
  int out = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") != 0) argv[out++] = argv[i];
  }
  argc = out;
  argv[argc] = nullptr;
  app.SetBackend(std::make_shared<plat::HeadlessBackend>());
}

}  // namespace gui
