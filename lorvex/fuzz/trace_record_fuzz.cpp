// Fuzz target for the viewer's split of a trace record "process#~date#~time#~text"
// into its four fields: whatever a sender puts in the record, the fields are
// its pieces, in order, none holding the separator.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lorvex/lorvex_view.h"
#include "platform/ipc/trace_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The record as it arrives: an atom's text.
  const std::string record(plat::ipc::CutToAtom({reinterpret_cast<const char*>(data), size}));
  const TraceRecordFields f = SplitTraceRecord(record);
  const std::string sep = "#~";
  std::string rebuilt = f.process;
  for (const std::string* field : {&f.date, &f.time, &f.text}) {
    if (field->find(sep) != std::string::npos) std::abort();
    if (rebuilt.size() < record.size()) rebuilt += sep + *field;
  }
  if (f.process.find(sep) != std::string::npos || record.compare(0, rebuilt.size(), rebuilt) != 0) std::abort();
  return 0;
}
