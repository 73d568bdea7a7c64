#include "trace_client_core.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace lorvex {

using plat::ipc::TraceMessage;

std::string BuildRecord(std::string_view process, const std::tm& local, int milliseconds,
                        const char* text) {
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "#~%02d.%02d.%04d#~%02d:%02d:%02d.%03d#~", local.tm_mday,
                local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec,
                milliseconds);
  std::string record;
  record.reserve(plat::ipc::kMaxAtomText + 1);
  record.append(process).append(stamp);
  // One byte past what fits lets the cut see a split UTF-8 sequence; the rest
  // of a long text is never even read.
  if (text && record.size() <= plat::ipc::kMaxAtomText)
    record.append(text, strnlen(text, plat::ipc::kMaxAtomText + 1 - record.size()));
  return record;
}

TraceClient::TraceClient(std::unique_ptr<plat::ipc::TraceSender> sender, std::string process)
    : sender_(std::move(sender)), process_(std::move(process)) {}

void TraceClient::Send(TraceMessage message, std::int32_t wparam, std::int32_t lparam,
                       std::string_view text) {
  if (on_.load(std::memory_order_relaxed)) sender_->Send(message, wparam, lparam, text);
}

void TraceClient::Trace(std::int32_t channel, const char* text) {
  if (!on_.load(std::memory_order_relaxed)) return;
  // No viewer a moment ago: the record is not even made.
  if (sender_->DropWhileUnreachable()) return;
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&seconds, &local);
  Send(TraceMessage::kString, channel, 0, BuildRecord(process_, local, static_cast<int>(ms), text));
}

std::int32_t TraceClient::Start() {
  on_.store(true, std::memory_order_relaxed);
  return 1;
}

std::int32_t TraceClient::Stop() {
  on_.store(false, std::memory_order_relaxed);
  return 1;
}

void TraceClient::SetColor(std::int32_t channel, std::int32_t color) {
  Send(TraceMessage::kSetColor, channel, color, {});
}

void TraceClient::SetMedium(std::int32_t channel, std::int32_t medium) {
  Send(TraceMessage::kSetDevice, channel, medium, {});
}

void TraceClient::SetFile(std::int32_t channel, const char* file) {
  if (file) Send(TraceMessage::kSetFileName, channel, 0, file);
}

}  // namespace lorvex
