// The configuration of the simulated network: the demo network, the file
// parser and where the file is looked for.

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <set>

#include "dnsim/network.h"

namespace dnsim {
namespace {

constexpr std::uint16_t kAddDeviceValue = 2500;
constexpr std::uint16_t kAddConnectionValue = 200;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(Trim(text.substr(0, at)));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// Thrown inside the parser only; ParseConfig turns it into "line N: what".
struct ConfigError {
  std::string what;
};

long Number(std::string_view text, long min, long max, const char* what) {
  text = Trim(text);
  int base = 10;
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // One sign at the front only: from_chars would take a second one ("--5",
  // "0x-5"), and negating its most negative value overflows.
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || text.front() == '-' || ec != std::errc() || end != text.data() + text.size()) {
    throw ConfigError{std::string(what) + " is not a number"};
  }
  if (negative) value = -value;
  if (value < min || value > max) {
    throw ConfigError{std::string(what) + " must be " + std::to_string(min) + " to " + std::to_string(max)};
  }
  return value;
}

template <class T>
T NumberOf(std::string_view text, const char* what, long min = std::numeric_limits<T>::min(),
           long max = std::numeric_limits<T>::max()) {
  return static_cast<T>(Number(text, min, max, what));
}

template <class T>
std::vector<T> NumberList(std::string_view text, std::size_t most, const char* what, long min = 0,
                          long max = std::numeric_limits<T>::max()) {
  std::vector<T> values;
  if (Trim(text).empty()) return values;
  for (std::string_view part : Split(text, ',')) values.push_back(NumberOf<T>(part, what, min, max));
  if (values.size() > most) throw ConfigError{std::string(what) + ": at most " + std::to_string(most)};
  return values;
}

std::vector<std::uint8_t> HexBytes(std::string_view text, const char* what) {
  std::vector<std::uint8_t> bytes;
  if (Trim(text).empty()) return bytes;
  for (std::string_view part : Split(text, ',')) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), value, 16);
    if (part.empty() || part.size() > 2 || ec != std::errc() || end != part.data() + part.size()) {
      throw ConfigError{std::string(what) + ": \"" + std::string(part) + "\" is not a hexadecimal byte"};
    }
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  if (bytes.size() > kMaxDataBytes) throw ConfigError{std::string(what) + ": at most 256 bytes"};
  return bytes;
}

int PollCount(std::string_view text, const char* what) { return NumberOf<int>(text, what, kNever, 1000000); }

void AddConnection(SlaveConfig& slave, std::uint8_t type, std::string_view value, bool has_output) {
  const std::vector<std::uint16_t> lengths = NumberList<std::uint16_t>(value, 2, "connection length");
  if (lengths.size() != (has_output ? 2u : 1u)) {
    throw ConfigError{has_output ? "a connection needs input and output length" : "a Strobe connection needs its input length only"};
  }
  for (const Connection& c : slave.connections) {
    if (c.type == type) throw ConfigError{"the slave has this connection already"};
  }
  slave.connections.push_back({type, lengths[0], has_output ? lengths[1] : std::uint16_t{0}});
}

void MasterKey(MasterConfig& m, const std::string& key, std::string_view value) {
  if (key == "firmwareversion") m.firmware_version = NumberOf<std::uint16_t>(value, "FirmwareVersion");
  else if (key == "macid") m.mac = NumberOf<std::uint8_t>(value, "MACID", 0, kMaxMacId);
  else if (key == "baudrate") m.baud = NumberOf<std::uint8_t>(value, "BaudRate", 0, 2);
  else if (key == "activationpolls") m.activation_polls = PollCount(value, "ActivationPolls");
  else if (key == "resetpolls") m.reset_polls = PollCount(value, "ResetPolls");
  else if (key == "searchpolls") m.search_polls = PollCount(value, "SearchPolls");
  else if (key == "attributepolls") m.attribute_polls = PollCount(value, "AttributePolls");
  else if (key == "status") m.status = NumberOf<std::int32_t>(value, "Status");
  else if (key == "boards") m.boards = NumberOf<std::uint8_t>(value, "Boards", 0, kMaxBoards);
  else if (key == "ports") m.ports = NumberList<std::uint8_t>(value, kMaxBoards, "Ports");
  else if (key == "debugwindowids") m.debug_window_ids = NumberList<std::uint16_t>(value, kMaxDebugWindowIds, "DebugWindowIDs");
  else if (key == "defaultattribute") m.default_attribute = HexBytes(value, "DefaultAttribute");
  else throw ConfigError{"unknown key in [Master]"};
}

void SlaveKey(SlaveConfig& s, const std::string& key, std::string_view value, bool& has_mac) {
  if (key == "macid") {
    s.mac = NumberOf<std::uint8_t>(value, "MACID", 0, kMaxMacId);
    has_mac = true;
  } else if (key == "baudrate") {
    s.baud = NumberOf<std::uint8_t>(value, "BaudRate", 0, 2);
  } else if (key == "present") {
    s.present = NumberOf<std::uint8_t>(value, "Present", 0, 1) == 1;
  } else if (key == "status") {
    s.status = NumberOf<std::int32_t>(value, "Status");
  } else if (key == "productname") {
    if (value.size() > kMaxDataBytes) throw ConfigError{"ProductName: at most 256 bytes"};
    s.product_name = std::string(value);
  } else if (key == "poll") {
    AddConnection(s, 1, value, true);
  } else if (key == "strobe") {
    AddConnection(s, 2, value, false);
  } else if (key == "cos") {
    AddConnection(s, 3, value, true);
  } else if (key == "cyclic") {
    AddConnection(s, 4, value, true);
  } else if (key == "input") {
    s.input = HexBytes(value, "Input");
  } else if (key == "attribute") {
    const std::size_t colon = value.find(':');
    if (colon == std::string_view::npos) throw ConfigError{"Attribute needs class,instance,attribute:bytes"};
    const std::vector<std::string_view> id = Split(value.substr(0, colon), ',');
    if (id.size() != 3) throw ConfigError{"Attribute needs class,instance,attribute:bytes"};
    const AttributeId at{NumberOf<std::uint16_t>(id[0], "class"), NumberOf<std::uint16_t>(id[1], "instance"),
                         NumberOf<std::uint8_t>(id[2], "attribute")};
    s.attributes[at] = HexBytes(value.substr(colon + 1), "Attribute");
  } else {
    throw ConfigError{"unknown key in [Slave]"};
  }
}

void ScanListKey(std::vector<ScanEntry>& scan, const std::string& key, std::string_view value) {
  if (key != "entry") throw ConfigError{"unknown key in [ScanList]"};
  const std::vector<std::string_view> parts = Split(value, ',');
  if (parts.size() != 4) throw ConfigError{"Entry needs MAC ID,type,input length,output length"};
  if (scan.size() >= kMaxScanEntries) throw ConfigError{"the scan list holds at most 200 entries"};
  ScanEntry e;
  e.mac = NumberOf<std::uint8_t>(parts[0], "MAC ID", 0, kMaxMacId);
  e.type = NumberOf<std::uint8_t>(parts[1], "type", 0, 4);
  e.input_length = NumberOf<std::uint16_t>(parts[2], "input length");
  e.output_length = NumberOf<std::uint16_t>(parts[3], "output length");
  e.extra = e.type == 0 ? kAddDeviceValue : kAddConnectionValue;
  scan.push_back(e);
}

}  // namespace

NetworkConfig DemoNetwork() {
  NetworkConfig net;
  auto slave = [&](std::uint8_t mac, std::uint8_t baud, std::string name, std::vector<Connection> connections) {
    SlaveConfig s;
    s.mac = mac;
    s.baud = baud;
    s.product_name = std::move(name);
    s.connections = std::move(connections);
    net.slaves.push_back(std::move(s));
  };
  // Listed as the bus answers, not by MAC ID.
  slave(12, 0, "DN Photo Sensor", {{2, 2, 0}, {4, 4, 4}});
  slave(3, 0, "DN 8-Point IO", {{1, 8, 4}});
  slave(20, 0, "DN Push Button", {{3, 1, 1}});
  slave(5, 0, "DN Valve Manifold", {{1, 8, 4}, {3, 2, 2}});
  slave(30, 2, "DN Drive 500K", {{1, 4, 4}});  // on another baud rate: not found at 125K
  return net;
}

std::optional<NetworkConfig> ParseConfig(std::string_view text, std::string* error) {
  enum class Section { None, Master, Slave, ScanList } section = Section::None;
  NetworkConfig net;
  std::set<std::uint8_t> macs;
  bool has_mac = true;
  std::size_t line_no = 0;     // the line an error is reported for
  std::size_t slave_line = 0;  // where the open [Slave] section began
  // A slave section is complete when the next section (or the end) begins.
  auto close_slave = [&] {
    if (section != Section::Slave) return;
    line_no = slave_line;
    if (!has_mac) throw ConfigError{"[Slave] without MACID"};
    if (!macs.insert(net.slaves.back().mac).second) throw ConfigError{"a second slave with the same MACID"};
  };
  try {
    std::size_t n = 0;
    for (std::string_view line : Split(text, '\n')) {  // trimmed, so a CR LF end loses its CR
      line_no = ++n;
      if (line.empty() || line.front() == ';' || line.front() == '#') continue;
      if (line.front() == '[') {
        if (line.back() != ']') throw ConfigError{"a section name must end with ]"};
        const std::string_view title = Trim(line.substr(1, line.size() - 2));
        close_slave();
        line_no = n;
        const std::string name = Lower(title);
        if (name == "master") {
          section = Section::Master;
        } else if (name == "slave") {
          section = Section::Slave;
          net.slaves.emplace_back();
          has_mac = false;
          slave_line = n;
        } else if (name == "scanlist") {
          section = Section::ScanList;
        } else {
          throw ConfigError{"unknown section [" + std::string(title) + "]"};
        }
        continue;
      }
      const std::size_t eq = line.find('=');
      if (eq == std::string_view::npos) throw ConfigError{"expected key=value"};
      const std::string key = Lower(Trim(line.substr(0, eq)));
      const std::string_view value = Trim(line.substr(eq + 1));
      switch (section) {
        case Section::None: throw ConfigError{"key=value before any section"};
        case Section::Master: MasterKey(net.master, key, value); break;
        case Section::Slave: SlaveKey(net.slaves.back(), key, value, has_mac); break;
        case Section::ScanList: ScanListKey(net.scan_list, key, value); break;
      }
    }
    close_slave();
  } catch (const ConfigError& e) {
    if (error) *error = "line " + std::to_string(line_no) + ": " + e.what;
    return std::nullopt;
  }
  return net;
}

std::string ResolveConfigPath(const char* variable_value, const std::string& library_directory) {
  if (variable_value && *variable_value) return variable_value;
  if (library_directory.empty()) return {};
  std::string path = library_directory;
  if (path.back() != '/') path += '/';
  path += kConfigFileName;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? path : std::string{};
}

}  // namespace dnsim
