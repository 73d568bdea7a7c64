// The process-wide simulation and its configuration at first use.

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "dnsim/simulation.h"

namespace dnsim {
namespace {

// The folder of this library, where a DeviceNetSim.ini may lie beside it.
std::string LibraryDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LibraryDirectory), &info) == 0 || info.dli_fname == nullptr) return {};
  std::string file = info.dli_fname;
  const std::size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string{} : file.substr(0, slash + 1);
}

NetworkConfig StartupConfig() {
  const std::string path = ResolveConfigPath(std::getenv(kConfigVariable), LibraryDirectory());
  if (path.empty()) return DemoNetwork();
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "DeviceNetSim: cannot read %s; using the demo network\n", path.c_str());
    return DemoNetwork();
  }
  std::string error;
  if (auto config = ParseConfig(text.str(), &error)) return std::move(*config);
  std::fprintf(stderr, "DeviceNetSim: %s: %s; using the demo network\n", path.c_str(), error.c_str());
  return DemoNetwork();
}

}  // namespace

Simulation& Sim() {
  // Never destroyed: driver calls may still arrive while the process ends.
  static Simulation* const sim = new Simulation(StartupConfig());
  return *sim;
}

}  // namespace dnsim
