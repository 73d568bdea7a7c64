#include "platform/testing/spawn_probe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace plat::testing {
namespace {

constexpr int kCollectTimeoutMs = 20000;

ProbeStart ParseLine(const std::string& line) {
  ProbeStart start;
  std::size_t from = 0;
  while (from <= line.size()) {
    std::size_t end = line.find('\t', from);
    if (end == std::string::npos) end = line.size();
    const std::string field = line.substr(from, end - from);
    const std::size_t eq = field.find('=');
    if (eq != std::string::npos) start.fields[field.substr(0, eq)] = field.substr(eq + 1);
    from = end + 1;
  }
  return start;
}

}  // namespace

std::string ProbeStart::Field(const std::string& name) const {
  auto it = fields.find(name);
  return it == fields.end() ? std::string() : it->second;
}

int ProbeStart::Argc() const { return std::atoi(Field("argc").c_str()); }

std::string ProbeStart::Arg(int index) const { return Field("argv" + std::to_string(index)); }

SpawnProbe::SpawnProbe() {
  int fds[2];
  // Only the write end reaches the started programs.
  if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("SpawnProbe: no pipe");
  read_ = fds[0];
  write_ = fds[1];
  fcntl(write_, F_SETFD, 0);
  setenv(kSpawnProbeVariable, std::to_string(write_).c_str(), 1);
}

SpawnProbe::~SpawnProbe() {
  unsetenv(kSpawnProbeVariable);
  if (write_ >= 0) close(write_);
  if (read_ >= 0) close(read_);
}

std::vector<ProbeStart> SpawnProbe::Collect() {
  if (write_ >= 0) {
    close(write_);
    write_ = -1;
  }
  std::string text;
  for (;;) {
    pollfd p{read_, POLLIN, 0};
    const int ready = poll(&p, 1, kCollectTimeoutMs);
    if (ready == 0) throw std::runtime_error("SpawnProbe: a started program did not end");
    if (ready < 0) continue;
    char buffer[4096];
    const ssize_t n = read(read_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // every write end is closed: all probes have ended
    text.append(buffer, static_cast<std::size_t>(n));
  }
  std::vector<ProbeStart> starts;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    starts.push_back(ParseLine(text.substr(from, end - from)));
    from = end + 1;
  }
  return starts;
}

}  // namespace plat::testing
