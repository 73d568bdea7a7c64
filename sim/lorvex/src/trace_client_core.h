#pragma once
// What the six entries of LORVEX.DLL do, as a class, so that tests can run it
// against a socket of their own and read its counters.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ipc/trace_sender.h"

namespace lorvex {

// The record "process#~date#~time#~text" for this local time; the text is read
// only as far as an atom could hold it. Null text: an empty text.
std::string BuildRecord(std::string_view process, const std::tm& local, int milliseconds,
                        const char* text);

class TraceClient {
 public:
  TraceClient(std::unique_ptr<plat::ipc::TraceSender> sender, std::string process);

  void Trace(std::int32_t channel, const char* text);
  std::int32_t Start();
  std::int32_t Stop();
  void SetColor(std::int32_t channel, std::int32_t color);
  void SetMedium(std::int32_t channel, std::int32_t medium);
  void SetFile(std::int32_t channel, const char* file);

  plat::ipc::SendStats Stats() const { return sender_->Stats(); }

 private:
  void Send(plat::ipc::TraceMessage message, std::int32_t wparam, std::int32_t lparam,
            std::string_view text);

  std::unique_ptr<plat::ipc::TraceSender> sender_;
  const std::string process_;
  std::atomic<bool> on_{true};
};

}  // namespace lorvex
