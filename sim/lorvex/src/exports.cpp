// The six exported entries of LORVEX.DLL; nothing else leaves the library
// (hidden visibility and the version script LORVEX.map).
#include <memory>
#include <type_traits>

#include "lorvex/trace_client.h"
#include "platform/program_path.h"
#include "trace_client_core.h"

static_assert(std::is_same_v<decltype(&Lorvex), LorvexProc>);
static_assert(std::is_same_v<decltype(&StartTraceOutput), StartTraceOutputProc>);
static_assert(std::is_same_v<decltype(&StopTraceOutput), StopTraceOutputProc>);
static_assert(std::is_same_v<decltype(&SetTraceIDColor), SetTraceIDColorProc>);
static_assert(std::is_same_v<decltype(&SetTraceIDMedium), SetTraceIDMediumProc>);
static_assert(std::is_same_v<decltype(&SetTraceIDFile), SetTraceIDFileProc>);

namespace {

// Made on first use, from any thread, and never destroyed: a poll thread that
// traces while the process exits must not meet a destroyed client.
lorvex::TraceClient& Client() {
  static lorvex::TraceClient* client = new lorvex::TraceClient(
      std::make_unique<plat::ipc::TraceSender>(), plat::ProgramName());
  return *client;
}

// Nothing may escape an entry into a caller that knows no C++ exceptions; a
// failure here costs the one message, like a full queue.
template <typename F>
auto Guarded(F f, decltype(f()) failed) noexcept {
  try {
    return f();
  } catch (...) {
    return failed;
  }
}

}  // namespace

extern "C" {

void Lorvex(int32_t channel, const char* text) {
  Guarded([&] { Client().Trace(channel, text); return 0; }, 0);
}

int32_t StartTraceOutput(void) {
  return Guarded([] { return Client().Start(); }, 1);
}

int32_t StopTraceOutput(void) {
  return Guarded([] { return Client().Stop(); }, 1);
}

void SetTraceIDColor(int32_t channel, int32_t color) {
  Guarded([&] { Client().SetColor(channel, color); return 0; }, 0);
}

void SetTraceIDMedium(int32_t channel, int32_t medium) {
  Guarded([&] { Client().SetMedium(channel, medium); return 0; }, 0);
}

void SetTraceIDFile(int32_t channel, const char* file) {
  Guarded([&] { Client().SetFile(channel, file); return 0; }, 0);
}

}  // extern "C"
