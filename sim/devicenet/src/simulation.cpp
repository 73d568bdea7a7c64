#include "dnsim/simulation.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <utility>

namespace dnsim {
namespace {

constexpr std::uint8_t kPoll = 1;
constexpr std::uint8_t kStrobe = 2;
constexpr std::uint8_t kCyclic = 4;
constexpr std::size_t kPortsPerBoard = 4;

bool IsConnectionType(std::uint8_t type) { return type >= kPoll && type <= kCyclic; }

// A countdown of polls: `left` polls answer "not yet", the next one completes.
// kNever never completes.
bool PollDone(int& left) {
  if (left == kNever) return false;
  if (left > 0) {
    --left;
    return false;
  }
  return true;
}

std::string Hex(const std::uint8_t* data, std::size_t n) {
  std::string text;
  char buf[4];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(buf, sizeof buf, i ? ",%02X" : "%02X", data[i]);
    text += buf;
  }
  return text;
}

}  // namespace

const char* OpName(Op op) {
  static constexpr const char* kNames[] = {
      "Total", "Active", "Close", "GetFirmwareVersion", "ResetFirmware", "GetMasterMACID",
      "SetMasterMACID", "GetBaudRate", "SetBaudRate", "GetMasterStatus", "StartDevice",
      "StopDevice", "StartAllDevice", "StopAllDevice", "AddDevice", "RemoveDevice",
      "AddIOConnection", "GetSlaveStatus", "GetAttribute", "IsGetAttributeOK",
      "GetAttributeValue", "SetAttribute", "IsSetAttributeOK", "ClearAllConfig",
      "SearchAllDevices", "SearchSpecificDevice", "IsSearchOK", "GetSearchedDevices",
      "GetScanList", "ReadInputData", "WriteOutputData", "FirmDebugWndEnable", "GetFirmDebugWnd",
      "Unused"};
  return kNames[static_cast<std::size_t>(op)];
}

// An explicit request of one slave, pending for some polls.
struct Request {
  AttributeId id;
  int polls_left = 0;
  bool complete = false;
  std::int32_t outcome = kOk;
  std::vector<std::uint8_t> data;  // what a set writes, what a get replies
};

struct Simulation::State {
  NetworkConfig config;
  MasterState master = MasterState::Closed;
  int master_polls_left = 0;
  std::uint8_t mac = 0;
  std::uint8_t baud = 0;
  std::optional<std::uint8_t> pending_mac;
  std::optional<std::uint8_t> pending_baud;
  std::vector<SlaveConfig> slaves;  // in the order a search reports them
  std::vector<ScanEntry> scan;
  std::set<std::uint8_t> stopped;
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::vector<std::uint8_t>> outputs;
  std::vector<std::uint16_t> debug_ids;
  bool searching = false;
  int search_polls_left = 0;
  std::vector<ScanEntry> found;
  std::map<std::uint8_t, Request> gets;
  std::map<std::uint8_t, Request> sets;
  struct Fault {
    std::int32_t code;
    int remaining;  // kUntilCleared: every call
  };
  std::map<Op, Fault> faults;

  explicit State(NetworkConfig c) : config(std::move(c)) {
    mac = config.master.mac;
    baud = config.master.baud;
    slaves = config.slaves;
    for (SlaveConfig& slave : slaves) {
      if (!slave.product_name.empty()) slave.attributes.try_emplace(kProductName, slave.product_name.begin(),
                                                                    slave.product_name.end());
    }
    scan = config.scan_list;
    debug_ids = config.master.debug_window_ids;
  }

  SlaveConfig* FindSlave(std::uint8_t m) {
    for (SlaveConfig& slave : slaves) {
      if (slave.mac == m) return &slave;
    }
    return nullptr;
  }
  bool Answers(std::uint8_t m) {
    const SlaveConfig* slave = FindSlave(m);
    return slave && slave->present && slave->baud == baud;
  }
  bool InScanList(std::uint8_t m) const {
    return std::any_of(scan.begin(), scan.end(), [&](const ScanEntry& e) { return e.mac == m; });
  }
  bool InScanList(std::uint8_t m, std::uint8_t type) const {
    return std::any_of(scan.begin(), scan.end(), [&](const ScanEntry& e) { return e.mac == m && e.type == type; });
  }
  bool AddressExists(const Where& w) const {
    if (w.port == kNoPort) return w.board < config.master.boards;
    const auto& ports = config.master.ports;
    return w.board < ports.size() && w.port >= 0 &&
           static_cast<std::size_t>(w.port) < std::min<std::size_t>(ports[w.board], kPortsPerBoard);
  }
  std::vector<ScanEntry> Search(const std::set<std::uint8_t>* only) {
    std::vector<ScanEntry> result;
    for (const SlaveConfig& slave : slaves) {
      if (only && !only->count(slave.mac)) continue;
      if (!Answers(slave.mac)) continue;
      for (const Connection& c : slave.connections) {
        if (result.size() == kMaxScanEntries) return result;
        result.push_back({slave.mac, c.type, c.input_length, c.output_length, 0});
      }
    }
    return result;
  }
  std::vector<std::uint8_t> InputOf(const SlaveConfig& slave) const {
    if (slave.input) return *slave.input;
    std::uint16_t longest = 0;
    for (const Connection& c : slave.connections) longest = std::max(longest, c.input_length);
    std::vector<std::uint8_t> data(std::min<std::size_t>(longest, kMaxDataBytes));
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i);
    return data;
  }
  // Polls a request; completes it when its polls are over.
  std::int32_t Poll(std::uint8_t m, Request& request, bool is_set) {
    if (!request.complete) {
      if (!PollDone(request.polls_left)) return kRequestPending;
      request.complete = true;
      SlaveConfig* slave = FindSlave(m);
      if (!Answers(m)) {
        request.outcome = kSlaveNotAnswering;
      } else if (is_set) {
        slave->attributes[request.id] = request.data;
      } else {
        auto it = slave->attributes.find(request.id);
        request.data = it != slave->attributes.end() ? it->second : config.master.default_attribute;
      }
    }
    return request.outcome;
  }
  void Restart(int polls) {
    master_polls_left = polls;
    searching = false;
    found.clear();
    gets.clear();
    sets.clear();
    stopped.clear();
  }
};

// One entry call: holds the lock, collects the arguments for the log, applies
// injected faults and the address and master checks, and logs the result.
class Simulation::Call {
  std::lock_guard<std::mutex> lock_;  // first: everything below is used under it
  Simulation& sim_;

 public:
  State& s;

  Call(Simulation& sim, const char* entry, Op op) : lock_(sim.mutex_), sim_(sim), s(*sim.state_), entry_(entry), op_(op) {}
  Call(Simulation& sim, const Where& w, Op op) : Call(sim, w.entry, op) {
    if (w.port == kNoAddress) return;
    where_ = &w;
    Arg("board", w.board);
    if (w.port != kNoPort) Arg("port", w.port);
  }

  Call& Arg(const char* name, long value) {
    Separate() << name << '=' << value;
    return *this;
  }
  Call& Bytes(const char* name, const std::uint8_t* data, std::size_t n) {
    Separate() << name << '=' << Hex(data, n);
    return *this;
  }

  // The answer of a call that goes no further: an injected fault, an address
  // that names no board or port, or a master that is not running.
  std::optional<std::int32_t> Refused(bool needs_running = true) {
    auto fault = s.faults.find(op_);
    if (fault != s.faults.end()) {
      const std::int32_t code = fault->second.code;
      if (fault->second.remaining != kUntilCleared && --fault->second.remaining == 0) s.faults.erase(fault);
      return Return(code);
    }
    if (where_ && !s.AddressExists(*where_)) return Return(kTimeout);
    if (needs_running && s.master != MasterState::Running) return Return(kTimeout);
    return std::nullopt;
  }

  std::int32_t Return(std::int32_t result) {
    sim_.log_.push_back({entry_, op_, args_.str(), result});
    if (sim_.log_.size() > kCallLogLimit) sim_.log_.pop_front();
    return result;
  }

 private:
  std::ostringstream& Separate() {
    if (args_.tellp() > 0) args_ << ' ';
    return args_;
  }

  const char* entry_;
  Op op_;
  const Where* where_ = nullptr;
  std::ostringstream args_;
};

Simulation::Simulation(NetworkConfig config) : state_(std::make_unique<State>(std::move(config))) {}
Simulation::~Simulation() = default;

// ---- for tests

void Simulation::Configure(NetworkConfig config) {
  std::lock_guard lock(mutex_);
  state_ = std::make_unique<State>(std::move(config));
  log_.clear();
}

std::vector<CallRecord> Simulation::CallLog() const {
  std::lock_guard lock(mutex_);
  return {log_.begin(), log_.end()};
}

void Simulation::ClearCallLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

void Simulation::InjectFault(Op op, std::int32_t code, int times) {
  std::lock_guard lock(mutex_);
  if (times == 0) return;
  state_->faults[op] = {code, times < 0 ? kUntilCleared : times};
}

void Simulation::ClearFaults() {
  std::lock_guard lock(mutex_);
  state_->faults.clear();
}

MasterView Simulation::Master() const {
  std::lock_guard lock(mutex_);
  return {state_->master, state_->mac, state_->baud, state_->pending_mac, state_->pending_baud};
}

std::vector<ScanEntry> Simulation::ScanList() const {
  std::lock_guard lock(mutex_);
  return state_->scan;
}

std::vector<std::uint8_t> Simulation::OutputData(std::uint8_t mac, std::uint8_t type) const {
  std::lock_guard lock(mutex_);
  auto it = state_->outputs.find({mac, type});
  return it == state_->outputs.end() ? std::vector<std::uint8_t>{} : it->second;
}

std::vector<std::uint16_t> Simulation::DebugWindowIds() const {
  std::lock_guard lock(mutex_);
  return state_->debug_ids;
}

void Simulation::SetInputData(std::uint8_t mac, std::vector<std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  if (SlaveConfig* slave = state_->FindSlave(mac)) slave->input = std::move(data);
}

void Simulation::SetSlavePresent(std::uint8_t mac, bool present) {
  std::lock_guard lock(mutex_);
  if (SlaveConfig* slave = state_->FindSlave(mac)) slave->present = present;
}

void Simulation::SetSlaveStatus(std::uint8_t mac, std::int32_t status) {
  std::lock_guard lock(mutex_);
  if (SlaveConfig* slave = state_->FindSlave(mac)) slave->status = status;
}

// ---- master

std::int32_t Simulation::Total(const Where& w, std::uint8_t* count, std::uint8_t* numbers,
                               std::uint8_t* port_counts) {
  Call c(*this, w, Op::Total);
  if (auto r = c.Refused(false)) return *r;
  const MasterConfig& m = c.s.config.master;
  // Never more than the room every caller provides, whatever a test configured.
  const std::size_t boards = std::min<std::size_t>(port_counts ? m.ports.size() : m.boards, kMaxBoards);
  *count = static_cast<std::uint8_t>(boards);
  for (std::size_t i = 0; i < boards; ++i) {
    numbers[i] = static_cast<std::uint8_t>(i);
    if (port_counts) port_counts[i] = m.ports[i];
  }
  return c.Return(kOk);
}

std::int32_t Simulation::Active(const Where& w) {
  Call c(*this, w, Op::Active);
  if (auto r = c.Refused(false)) return *r;
  c.s.master = MasterState::Activating;
  c.s.Restart(c.s.config.master.activation_polls);
  return c.Return(kOk);
}

std::int32_t Simulation::Close(const Where& w) {
  Call c(*this, w, Op::Close);
  if (auto r = c.Refused(false)) return *r;
  c.s.master = MasterState::Closed;
  return c.Return(kOk);
}

std::int32_t Simulation::GetFirmwareVersion(const Where& w) {
  Call c(*this, w, Op::GetFirmwareVersion);
  if (auto r = c.Refused()) return *r;
  return c.Return(c.s.config.master.firmware_version);
}

std::int32_t Simulation::ResetFirmware(const Where& w) {
  Call c(*this, w, Op::ResetFirmware);
  if (auto r = c.Refused()) return *r;
  State& s = c.s;
  if (s.pending_mac) s.mac = *std::exchange(s.pending_mac, std::nullopt);
  if (s.pending_baud) s.baud = *std::exchange(s.pending_baud, std::nullopt);
  s.master = MasterState::Resetting;
  s.Restart(s.config.master.reset_polls);
  return c.Return(kOk);
}

// A master setting: read as it is now, written as pending until the next reset.
std::int32_t Simulation::ReadSetting(const Where& w, Op op, std::uint8_t State::*value) {
  Call c(*this, w, op);
  if (auto r = c.Refused()) return *r;
  return c.Return(c.s.*value);
}

std::int32_t Simulation::WriteSetting(const Where& w, Op op, const char* name, std::uint8_t value,
                                      std::uint8_t most, std::optional<std::uint8_t> State::*pending) {
  Call c(*this, w, op);
  c.Arg(name, value);
  if (auto r = c.Refused()) return *r;
  if (value > most) return c.Return(kBadArgument);
  c.s.*pending = value;
  return c.Return(kOk);
}

std::int32_t Simulation::GetMasterMACID(const Where& w) { return ReadSetting(w, Op::GetMasterMACID, &State::mac); }
std::int32_t Simulation::GetBaudRate(const Where& w) { return ReadSetting(w, Op::GetBaudRate, &State::baud); }
std::int32_t Simulation::SetMasterMACID(const Where& w, std::uint8_t mac) {
  return WriteSetting(w, Op::SetMasterMACID, "mac", mac, kMaxMacId, &State::pending_mac);
}
std::int32_t Simulation::SetBaudRate(const Where& w, std::uint8_t baud) {
  return WriteSetting(w, Op::SetBaudRate, "baud", baud, 2, &State::pending_baud);
}

std::int32_t Simulation::GetMasterStatus(const Where& w) {
  Call c(*this, w, Op::GetMasterStatus);
  if (auto r = c.Refused(false)) return *r;
  State& s = c.s;
  switch (s.master) {
    case MasterState::Closed:
      return c.Return(kTimeout);
    case MasterState::Activating:
    case MasterState::Resetting:
      if (!PollDone(s.master_polls_left)) return c.Return(kTimeout);
      s.master = MasterState::Running;
      break;
    case MasterState::Running:
      break;
  }
  // The status the running master was given; one that reports a CAN error
  // still answers every other entry, as a master on a troubled bus does.
  return c.Return(s.config.master.status);
}

// ---- communication with the slaves

std::int32_t Simulation::StartOrStop(const Where& w, Op op, std::uint8_t mac, bool start) {
  Call c(*this, w, op);
  c.Arg("mac", mac);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId) return c.Return(kBadArgument);
  if (!c.s.InScanList(mac)) return c.Return(kNotInScanList);
  if (start) {
    c.s.stopped.erase(mac);
  } else {
    c.s.stopped.insert(mac);
  }
  return c.Return(kOk);
}

std::int32_t Simulation::StartDevice(const Where& w, std::uint8_t mac) {
  return StartOrStop(w, Op::StartDevice, mac, true);
}
std::int32_t Simulation::StopDevice(const Where& w, std::uint8_t mac) {
  return StartOrStop(w, Op::StopDevice, mac, false);
}

std::int32_t Simulation::StartAllDevice(const Where& w) {
  Call c(*this, w, Op::StartAllDevice);
  if (auto r = c.Refused()) return *r;
  c.s.stopped.clear();
  return c.Return(kOk);
}

std::int32_t Simulation::StopAllDevice(const Where& w) {
  Call c(*this, w, Op::StopAllDevice);
  if (auto r = c.Refused()) return *r;
  for (const ScanEntry& e : c.s.scan) c.s.stopped.insert(e.mac);
  return c.Return(kOk);
}

std::int32_t Simulation::GetSlaveStatus(const Where& w, std::uint8_t mac) {
  Call c(*this, w, Op::GetSlaveStatus);
  c.Arg("mac", mac);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId) return c.Return(kBadArgument);
  if (!c.s.InScanList(mac)) return c.Return(kNotInScanList);
  if (c.s.stopped.count(mac)) return c.Return(kDeviceStopped);
  if (!c.s.Answers(mac)) return c.Return(kSlaveNotAnswering);
  return c.Return(c.s.FindSlave(mac)->status);
}

std::int32_t Simulation::ReadInputData(const Where& w, std::uint8_t mac, std::uint8_t type, std::uint16_t* length,
                                       std::uint8_t* data) {
  Call c(*this, w, Op::ReadInputData);
  c.Arg("mac", mac).Arg("type", type);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId || !IsConnectionType(type)) return c.Return(kBadArgument);
  if (!c.s.InScanList(mac, type)) return c.Return(kNotInScanList);
  if (c.s.stopped.count(mac)) return c.Return(kDeviceStopped);
  if (!c.s.Answers(mac)) return c.Return(kSlaveNotAnswering);
  const std::vector<std::uint8_t> input = c.s.InputOf(*c.s.FindSlave(mac));
  const std::size_t n = std::min(input.size(), kMaxDataBytes);
  std::copy_n(input.begin(), n, data);
  *length = static_cast<std::uint16_t>(n);
  return c.Return(kOk);
}

std::int32_t Simulation::WriteOutputData(const Where& w, std::uint8_t mac, std::uint8_t type, std::uint16_t length,
                                         const std::uint8_t* data) {
  Call c(*this, w, Op::WriteOutputData);
  c.Arg("mac", mac).Arg("type", type).Arg("length", length);
  if (length <= kMaxDataBytes) c.Bytes("data", data, length);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId || !IsConnectionType(type) || type == kStrobe || length > kMaxDataBytes) {
    return c.Return(kBadArgument);
  }
  if (!c.s.InScanList(mac, type)) return c.Return(kNotInScanList);
  c.s.outputs[{mac, type}].assign(data, data + length);
  return c.Return(kOk);
}

// ---- scan list

std::int32_t Simulation::AddDevice(const Where& w, std::uint8_t mac, std::uint16_t value) {
  Call c(*this, w, Op::AddDevice);
  c.Arg("mac", mac).Arg("value", value);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId) return c.Return(kBadArgument);
  if (c.s.InScanList(mac)) return c.Return(kDeviceConfigured);
  if (c.s.scan.size() >= kMaxScanEntries) return c.Return(kScanListFull);
  c.s.scan.push_back({mac, 0, 0, 0, value});
  return c.Return(kOk);
}

std::int32_t Simulation::AddIOConnection(const Where& w, std::uint8_t mac, std::uint8_t type,
                                         std::uint16_t input_length, std::uint16_t output_length,
                                         std::uint16_t value) {
  Call c(*this, w, Op::AddIOConnection);
  c.Arg("mac", mac).Arg("type", type).Arg("in", input_length).Arg("out", output_length).Arg("value", value);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId || !IsConnectionType(type)) return c.Return(kBadArgument);
  std::vector<ScanEntry>& scan = c.s.scan;
  if (!c.s.InScanList(mac)) return c.Return(kNotInScanList);
  if (c.s.InScanList(mac, type)) return c.Return(kConnectionPresentBase + type);
  const ScanEntry entry{mac, type, input_length, output_length, value};
  // A device added without a connection holds one empty entry; its first
  // connection takes that place.
  auto empty = std::find_if(scan.begin(), scan.end(), [&](const ScanEntry& e) { return e.mac == mac && e.type == 0; });
  if (empty != scan.end()) {
    *empty = entry;
  } else if (scan.size() >= kMaxScanEntries) {
    return c.Return(kScanListFull);
  } else {
    scan.push_back(entry);
  }
  return c.Return(kOk);
}

std::int32_t Simulation::RemoveDevice(const Where& w, std::uint8_t mac) {
  Call c(*this, w, Op::RemoveDevice);
  c.Arg("mac", mac);
  if (auto r = c.Refused()) return *r;
  if (!c.s.InScanList(mac)) return c.Return(kNotInScanList);
  std::erase_if(c.s.scan, [&](const ScanEntry& e) { return e.mac == mac; });
  c.s.stopped.erase(mac);
  return c.Return(kOk);
}

std::int32_t Simulation::ClearAllConfig(const Where& w) {
  Call c(*this, w, Op::ClearAllConfig);
  if (auto r = c.Refused()) return *r;
  c.s.scan.clear();
  c.s.stopped.clear();
  return c.Return(kOk);
}

namespace {
template <class Entries>
void WriteEntries(const Entries& entries, std::uint16_t* count, std::uint8_t* macs, std::uint8_t* types,
                  std::uint16_t* input_lengths, std::uint16_t* output_lengths, std::uint16_t* extra) {
  const std::size_t n = std::min(entries.size(), kMaxScanEntries);
  for (std::size_t i = 0; i < n; ++i) {
    macs[i] = entries[i].mac;
    types[i] = entries[i].type;
    input_lengths[i] = entries[i].input_length;
    output_lengths[i] = entries[i].output_length;
    if (extra) extra[i] = entries[i].extra;
  }
  *count = static_cast<std::uint16_t>(n);
}
}  // namespace

std::int32_t Simulation::GetScanList(const Where& w, std::uint16_t* count, std::uint8_t* macs, std::uint8_t* types,
                                     std::uint16_t* input_lengths, std::uint16_t* output_lengths,
                                     std::uint16_t* extra) {
  Call c(*this, w, Op::GetScanList);
  if (auto r = c.Refused()) return *r;
  WriteEntries(c.s.scan, count, macs, types, input_lengths, output_lengths, extra);
  return c.Return(kOk);
}

// ---- network search

std::int32_t Simulation::SearchAllDevices(const Where& w) {
  Call c(*this, w, Op::SearchAllDevices);
  if (auto r = c.Refused()) return *r;
  c.s.found = c.s.Search(nullptr);
  c.s.searching = true;
  c.s.search_polls_left = c.s.config.master.search_polls;
  return c.Return(kOk);
}

std::int32_t Simulation::SearchSpecificDevice(const Where& w, std::uint16_t number, const std::uint8_t* macs) {
  Call c(*this, w, Op::SearchSpecificDevice);
  c.Arg("number", number);
  if (number <= kMaxMacId + 1) c.Bytes("macs", macs, number);
  if (auto r = c.Refused()) return *r;
  if (number == 0 || number > kMaxMacId + 1) return c.Return(kBadArgument);
  const std::set<std::uint8_t> only(macs, macs + number);
  c.s.found = c.s.Search(&only);
  c.s.searching = true;
  c.s.search_polls_left = c.s.config.master.search_polls;
  return c.Return(kOk);
}

std::int32_t Simulation::IsSearchOK(const Where& w) {
  Call c(*this, w, Op::IsSearchOK);
  if (auto r = c.Refused()) return *r;
  if (c.s.searching && !PollDone(c.s.search_polls_left)) return c.Return(kSearchRunning);
  c.s.searching = false;
  return c.Return(kOk);
}

std::int32_t Simulation::GetSearchedDevices(const Where& w, std::uint16_t* count, std::uint8_t* macs,
                                            std::uint8_t* types, std::uint16_t* input_lengths,
                                            std::uint16_t* output_lengths) {
  Call c(*this, w, Op::GetSearchedDevices);
  if (auto r = c.Refused()) return *r;
  if (c.s.searching) return c.Return(kSearchRunning);
  WriteEntries(c.s.found, count, macs, types, input_lengths, output_lengths, nullptr);
  return c.Return(kOk);
}

// ---- explicit messages

std::int32_t Simulation::GetAttribute(const Where& w, std::uint8_t mac, std::uint16_t class_id,
                                      std::uint16_t instance_id, std::uint8_t attribute_id) {
  Call c(*this, w, Op::GetAttribute);
  c.Arg("mac", mac).Arg("class", class_id).Arg("instance", instance_id).Arg("attribute", attribute_id);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId) return c.Return(kBadArgument);
  c.s.gets[mac] = Request{{class_id, instance_id, attribute_id}, c.s.config.master.attribute_polls, false, kOk, {}};
  return c.Return(kOk);
}

std::int32_t Simulation::IsGetAttributeOK(const Where& w, std::uint8_t mac) {
  Call c(*this, w, Op::IsGetAttributeOK);
  c.Arg("mac", mac);
  if (auto r = c.Refused()) return *r;
  auto it = c.s.gets.find(mac);
  if (it == c.s.gets.end()) return c.Return(kNoRequest);
  return c.Return(c.s.Poll(mac, it->second, false));
}

// A value fetch counts as a poll of its request too: the poll threads fetch
// without ever asking whether the request is done.
std::int32_t Simulation::GetAttributeValue(const Where& w, std::uint8_t mac, std::uint16_t* length,
                                           std::uint8_t* data) {
  Call c(*this, w, Op::GetAttributeValue);
  c.Arg("mac", mac);
  if (auto r = c.Refused()) return *r;
  auto it = c.s.gets.find(mac);
  if (it == c.s.gets.end()) return c.Return(kNoRequest);
  const std::int32_t outcome = c.s.Poll(mac, it->second, false);
  if (outcome != kOk) return c.Return(outcome);
  const std::vector<std::uint8_t>& reply = it->second.data;
  const std::size_t n = std::min(reply.size(), kMaxDataBytes);
  std::copy_n(reply.begin(), n, data);
  *length = static_cast<std::uint16_t>(n);
  return c.Return(kOk);
}

std::int32_t Simulation::SetAttribute(const Where& w, std::uint8_t mac, std::uint16_t class_id,
                                      std::uint16_t instance_id, std::uint8_t attribute_id, std::uint16_t length,
                                      const std::uint8_t* data) {
  Call c(*this, w, Op::SetAttribute);
  c.Arg("mac", mac).Arg("class", class_id).Arg("instance", instance_id).Arg("attribute", attribute_id);
  c.Arg("length", length);
  if (length <= kMaxDataBytes) c.Bytes("data", data, length);
  if (auto r = c.Refused()) return *r;
  if (mac > kMaxMacId || length > kMaxDataBytes) return c.Return(kBadArgument);
  c.s.sets[mac] = Request{{class_id, instance_id, attribute_id},
                          c.s.config.master.attribute_polls,
                          false,
                          kOk,
                          {data, data + length}};
  return c.Return(kOk);
}

std::int32_t Simulation::IsSetAttributeOK(const Where& w, std::uint8_t mac) {
  Call c(*this, w, Op::IsSetAttributeOK);
  c.Arg("mac", mac);
  if (auto r = c.Refused()) return *r;
  auto it = c.s.sets.find(mac);
  if (it == c.s.sets.end()) return c.Return(kNoRequest);
  return c.Return(c.s.Poll(mac, it->second, true));
}

// ---- firmware debug windows

std::int32_t Simulation::FirmDebugWndEnable(const Where& w, std::uint16_t id, std::uint8_t flag) {
  Call c(*this, w, Op::FirmDebugWndEnable);
  c.Arg("id", id).Arg("flag", flag);
  if (auto r = c.Refused()) return *r;
  std::vector<std::uint16_t>& ids = c.s.debug_ids;
  const auto it = std::find(ids.begin(), ids.end(), id);
  if (flag == 0) {
    if (it != ids.end()) ids.erase(it);
  } else if (flag == 1) {
    if (it != ids.end()) return c.Return(kOk);
    if (ids.size() >= kMaxDebugWindowIds) return c.Return(kDebugListFull);
    ids.push_back(id);
  } else {
    return c.Return(kBadArgument);
  }
  return c.Return(kOk);
}

std::int32_t Simulation::GetFirmDebugWnd(const Where& w, std::uint16_t* count, std::uint16_t* ids) {
  Call c(*this, w, Op::GetFirmDebugWnd);
  if (auto r = c.Refused()) return *r;
  const std::vector<std::uint16_t>& list = c.s.debug_ids;
  const std::size_t n = std::min(list.size(), kMaxDebugWindowIds);
  std::copy_n(list.begin(), n, ids);
  *count = static_cast<std::uint16_t>(n);
  return c.Return(kOk);
}

std::int32_t Simulation::Unused(const char* entry) {
  Call c(*this, entry, Op::Unused);
  return c.Return(kOk);
}

}  // namespace dnsim
