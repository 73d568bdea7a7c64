#include "kestrum/app/boxes.h"

#include "driver/hardware_kind.h"
#include "platform/ui/application.h"

namespace kestrum {

int KestrumBox(plat::Window* owner, const std::string& text, unsigned flags) {
  return plat::MessageBox(owner, text, kBoxCaption, flags);
}

bool RefusedWithoutBoard(plat::Window* owner) {
  if (ActiveBoardNo != driver::kNoActiveBoard) return false;
  KestrumBox(owner, "Please Active Board First", plat::MB_OK | plat::MB_ICONERROR);
  return true;
}

}  // namespace kestrum
