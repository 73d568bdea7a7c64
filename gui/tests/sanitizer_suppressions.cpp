// What the leak checker reports of fontconfig is its font cache, kept for the
// whole process on purpose, and of libdbus the connection data that Qt's
// platform integration on X keeps for the process; nothing of our code is
// named here.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }
