#pragma once
// The trace message IDs that Kestrum tags its traces with, all sent on trace
// channel 1 through the trace bridge (kestrum/trace_bridge.h).

#include <cstdint>
#include <string>

#include "kestrum/trace_bridge.h"

namespace kestrum {

inline constexpr TraceChannel kTraceChannel = 1;
inline constexpr DebugMsgId kUserCommandMsgId = 1000;  // the user-command handlers' names
inline constexpr DebugMsgId kPollStatusMsgId = 1001;   // poll-thread status lines
inline constexpr DebugMsgId kReadFailureMsgId = 1002;  // read failures and diagnosis
inline constexpr DebugMsgId kDragDropMsgId = 1003;     // drag and drop

// A user-command handler's trace: its own name, tagged 1000, on channel 1.
inline void TraceCommand(const std::string& handler_name) {
  TraceTextIfEnabled(kUserCommandMsgId, handler_name, kTraceChannel);
}

}  // namespace kestrum
