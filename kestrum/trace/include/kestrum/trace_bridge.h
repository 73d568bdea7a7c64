#pragma once
// The trace bridge of Kestrum and Quenmark: binds the trace-client library
// "LORVEX.DLL" and the trace filter library "Tamsile.DLL" once, then sends trace
// texts and reads and changes the filter table of enabled DebugMsgIds.
//
// When anything is missing, tracing is off for the rest of the run, silently:
// every wrapper returns -1 without effect.
//
// The binding runs once, on the window thread; afterwards the wrappers may be
// called from any number of threads at once. The bound state is published as a
// whole and never changes again.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/library_loader.h"
#include "tamsile/tamsile.h"

namespace kestrum {

using DebugMsgId = std::uint16_t;
using TraceChannel = std::int32_t;

// The two client entries the bridge calls; the other four are only looked up.
using LorvexEntry = void (*)(std::int32_t channel, const char* text);
using StartTraceOutputEntry = std::int32_t (*)();

inline constexpr const char* kTraceClientLibraryName = "LORVEX.DLL";
inline constexpr const char* kTraceFilterLibraryName = "Tamsile.DLL";

class TraceBridge {
 public:
  TraceBridge();
  ~TraceBridge();
  TraceBridge(const TraceBridge&) = delete;
  TraceBridge& operator=(const TraceBridge&) = delete;

  // Loads both libraries through the loader, looks up the nine entries and
  // starts trace output. Only the first call binds; later ones do nothing.
  // Returns 0.
  std::int32_t LoadTraceLibraries(plat::LibraryLoader& loader);

  // Sends the text on the channel while tracing is on. Returns -1.
  std::int32_t TraceText(const std::string& text, TraceChannel channel) const;
  // Sends it only while the ID is also enabled in the filter table. Returns -1.
  std::int32_t TraceTextIfEnabled(DebugMsgId id, const std::string& text,
                                  TraceChannel channel) const;
  // The filter table's IDs (room for TAMSILE_CAPACITY): the filter's result
  // while tracing is on; else count 0, the list untouched, and -1.
  std::int32_t ReadEnabledMsgIds(std::uint16_t* count, std::uint16_t* ids) const;
  // Enables (flag non-zero) or disables the ID in the low 16 bits: the filter's
  // result while tracing is on; else nothing changes and -1.
  std::int32_t SetMsgIdEnabled(std::int32_t id, std::uint8_t enable) const;

  // Tracing is on: both libraries loaded and trace output started (1).
  bool TracingBound() const;

  // The bound state as it stands (null and 0 before the binding).
  plat::ModuleHandle TraceClientLibrary() const;
  plat::ModuleHandle TraceFilterLibrary() const;
  std::int32_t TraceEnabled() const;

 private:
  struct Binding;
  const Binding* On() const;  // the binding while tracing is on, else null

  std::mutex bind_mutex_;
  std::unique_ptr<Binding> owned_;
  std::atomic<const Binding*> binding_{nullptr};
};

// The process's one bridge; the free functions below forward to it.
TraceBridge& ProcessTraceBridge();

// Binds through plat::CurrentLoader().
std::int32_t LoadTraceLibraries();
std::int32_t TraceText(const std::string& text, TraceChannel channel);
std::int32_t TraceTextIfEnabled(DebugMsgId id, const std::string& text, TraceChannel channel);
std::int32_t ReadEnabledMsgIds(std::uint16_t* count, std::uint16_t* ids);
std::int32_t SetMsgIdEnabled(std::int32_t id, std::uint8_t enable);
bool TracingBound();

}  // namespace kestrum
