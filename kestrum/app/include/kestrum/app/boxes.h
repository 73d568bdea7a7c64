#pragma once
// Kestrum's message boxes: captioned "Kestrum", owned by the window given.

#include <string>

namespace plat {
class Window;
}

namespace kestrum {

inline constexpr const char* kBoxCaption = "Kestrum";

// A message box captioned "Kestrum"; the button pressed.
int KestrumBox(plat::Window* owner, const std::string& text, unsigned flags);

// Every board command first refuses while no board is active: shows
// "Please Active Board First" with the error icon and answers true; answers
// false, showing nothing, while a board is active.
bool RefusedWithoutBoard(plat::Window* owner);

}  // namespace kestrum
