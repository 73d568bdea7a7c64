#include "kestrum/trace_bridge.h"

namespace kestrum {

struct TraceBridge::Binding {
  plat::ModuleHandle client = nullptr;
  plat::ModuleHandle filter = nullptr;
  std::int32_t enabled = 0;

  Get_TamsileList_Entry get_list = nullptr;
  Set_TamsileEnable_Entry set_enable = nullptr;
  Get_TamsileEnable_Entry get_enable = nullptr;
  LorvexEntry lorvex = nullptr;
  plat::ProcAddress set_color = nullptr;
  plat::ProcAddress set_medium = nullptr;
  plat::ProcAddress set_file = nullptr;
  StartTraceOutputEntry start = nullptr;
  plat::ProcAddress stop = nullptr;

  bool On() const { return client != nullptr && filter != nullptr && enabled == 1; }
};

namespace {

template <typename Entry>
Entry Look(plat::LibraryLoader& loader, plat::ModuleHandle module, const char* name) {
  return reinterpret_cast<Entry>(loader.Symbol(module, name));
}

}  // namespace

TraceBridge::TraceBridge() = default;
TraceBridge::~TraceBridge() = default;

std::int32_t TraceBridge::LoadTraceLibraries(plat::LibraryLoader& loader) {
  std::lock_guard<std::mutex> lock(bind_mutex_);
  if (owned_) return 0;  // a binding, failed or not, is never repeated
  auto b = std::make_unique<Binding>();
  b->enabled = 1;
  b->client = loader.Load(kTraceClientLibraryName);
  b->filter = loader.Load(kTraceFilterLibraryName);

  if (b->filter != nullptr) {
    b->get_list = Look<Get_TamsileList_Entry>(loader, b->filter, "Get_TamsileList");
    b->set_enable = Look<Set_TamsileEnable_Entry>(loader, b->filter, "Set_TamsileEnable");
    b->get_enable = Look<Get_TamsileEnable_Entry>(loader, b->filter, "Get_TamsileEnable");
  }
  if (b->client != nullptr) {
    b->lorvex = Look<LorvexEntry>(loader, b->client, "Lorvex");
    b->set_color = loader.Symbol(b->client, "SetTraceIDColor");
    b->set_medium = loader.Symbol(b->client, "SetTraceIDMedium");
    b->set_file = loader.Symbol(b->client, "SetTraceIDFile");
    b->start = Look<StartTraceOutputEntry>(loader, b->client, "StartTraceOutput");
    b->stop = loader.Symbol(b->client, "StopTraceOutput");
    const bool all_found = b->get_list && b->set_enable && b->get_enable && b->lorvex &&
                           b->set_color && b->set_medium && b->set_file && b->start && b->stop;
    if (!all_found) b->enabled = 0;
  }
  if (b->client != nullptr && b->filter != nullptr && b->enabled == 1) b->enabled = b->start();

  owned_ = std::move(b);
  binding_.store(owned_.get(), std::memory_order_release);
  return 0;
}

const TraceBridge::Binding* TraceBridge::On() const {
  const Binding* b = binding_.load(std::memory_order_acquire);
  return b != nullptr && b->On() ? b : nullptr;
}

std::int32_t TraceBridge::TraceText(const std::string& text, TraceChannel channel) const {
  if (const Binding* b = On()) b->lorvex(channel, text.c_str());
  return -1;
}

std::int32_t TraceBridge::TraceTextIfEnabled(DebugMsgId id, const std::string& text,
                                             TraceChannel channel) const {
  if (const Binding* b = On()) {
    if (b->get_enable(id) != 0) b->lorvex(channel, text.c_str());
  }
  return -1;
}

std::int32_t TraceBridge::ReadEnabledMsgIds(std::uint16_t* count, std::uint16_t* ids) const {
  if (const Binding* b = On()) return b->get_list(count, ids);
  if (count != nullptr) *count = 0;
  return -1;
}

std::int32_t TraceBridge::SetMsgIdEnabled(std::int32_t id, std::uint8_t enable) const {
  if (const Binding* b = On()) return b->set_enable(static_cast<std::uint16_t>(id), enable);
  return -1;
}

bool TraceBridge::TracingBound() const { return On() != nullptr; }

plat::ModuleHandle TraceBridge::TraceClientLibrary() const {
  const Binding* b = binding_.load(std::memory_order_acquire);
  return b ? b->client : nullptr;
}

plat::ModuleHandle TraceBridge::TraceFilterLibrary() const {
  const Binding* b = binding_.load(std::memory_order_acquire);
  return b ? b->filter : nullptr;
}

std::int32_t TraceBridge::TraceEnabled() const {
  const Binding* b = binding_.load(std::memory_order_acquire);
  return b ? b->enabled : 0;
}

TraceBridge& ProcessTraceBridge() {
  // Never destroyed: a thread still tracing while the process ends must not
  // find the binding gone.
  static TraceBridge* bridge = new TraceBridge;
  return *bridge;
}

std::int32_t LoadTraceLibraries() {
  return ProcessTraceBridge().LoadTraceLibraries(plat::CurrentLoader());
}
std::int32_t TraceText(const std::string& text, TraceChannel channel) {
  return ProcessTraceBridge().TraceText(text, channel);
}
std::int32_t TraceTextIfEnabled(DebugMsgId id, const std::string& text, TraceChannel channel) {
  return ProcessTraceBridge().TraceTextIfEnabled(id, text, channel);
}
std::int32_t ReadEnabledMsgIds(std::uint16_t* count, std::uint16_t* ids) {
  return ProcessTraceBridge().ReadEnabledMsgIds(count, ids);
}
std::int32_t SetMsgIdEnabled(std::int32_t id, std::uint8_t enable) {
  return ProcessTraceBridge().SetMsgIdEnabled(id, enable);
}
bool TracingBound() { return ProcessTraceBridge().TracingBound(); }

}  // namespace kestrum
