// Feeds arbitrary bytes to the datagram decoder; whatever it takes must come
// through an encode and a second decode unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/ipc/trace_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace plat::ipc;
  DecodeResult r = Decode({data, size});
  if (!r.ok()) return 0;
  auto again = Encode(r.message.message, r.message.wparam, r.message.lparam, r.message.text, r.sent);
  if (!again) std::abort();
  DecodeResult back = Decode(again->view());
  if (!back.ok() || !(back.message == r.message) || back.sent != r.sent) std::abort();
  return 0;
}
