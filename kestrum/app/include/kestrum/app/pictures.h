#pragma once
// Every picture Kestrum loads by resource name, declared once for the process
// (the platform refuses a name nobody declared). Each form's constructor calls
// DeclarePictures before it loads one, so a form can be built on its own.

namespace kestrum {

void DeclarePictures();

}  // namespace kestrum
