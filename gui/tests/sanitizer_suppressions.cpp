// What the sanitizers report of the libraries under Qt is theirs, not ours:
// fontconfig keeps its font cache for the whole process, and Qt's own locks
// (futexes) are invisible to the thread sanitizer. Nothing of our code is
// named here.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libglib-2.0.so\n";
}
