// What the leak checker reports of fontconfig is its font cache, kept for the
// whole process on purpose; nothing of our code is named here.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
