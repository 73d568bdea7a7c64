#include "tamsile_testing/helper_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/program_path.h"

extern char** environ;

namespace tamsile_testing {
namespace {

std::vector<std::string> ChangedEnvironment(const EnvChanges& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : changes) {
      if (entry.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
    }
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [name, value] : changes) {
    if (value) env.push_back(name + "=" + *value);
  }
  return env;
}

}  // namespace

std::string BesideTestProgram(const std::string& file_name) {
  return plat::ProgramDirectory() + file_name;
}

HelperProcess::HelperProcess(const std::string& program, const EnvChanges& changes,
                             const std::vector<std::string>& args, const std::string& stderr_path) {
  // A write to a helper that was killed must fail, not end the test program.
  signal(SIGPIPE, SIG_IGN);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    throw std::runtime_error("pipe");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  if (!stderr_path.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  }

  std::vector<std::string> env = ChangedEnvironment(changes);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string path = program;
  std::vector<std::string> arg_texts = args;
  std::vector<char*> argv{path.data()};
  for (auto& a : arg_texts) argv.push_back(a.data());
  argv.push_back(nullptr);

  const int rc = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  to_child_ = in[1];
  from_child_ = out[0];
  if (rc != 0) {
    pid_ = -1;
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
  }
}

HelperProcess::~HelperProcess() {
  if (running()) Kill();
  if (to_child_ >= 0) close(to_child_);
  if (from_child_ >= 0) close(from_child_);
}

void HelperProcess::Send(const std::string& line) {
  const std::string text = line + "\n";
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(to_child_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the helper is gone; its missing answer tells
    done += static_cast<size_t>(n);
  }
}

std::string HelperProcess::Reply(int timeout_ms) {
  for (;;) {
    size_t eol = pending_.find('\n');
    if (eol != std::string::npos) {
      std::string line = pending_.substr(0, eol);
      pending_.erase(0, eol + 1);
      return line;
    }
    pollfd p{from_child_, POLLIN, 0};
    int ready = poll(&p, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return "<timeout>";
    char buf[4096];
    ssize_t n = read(from_child_, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return "<eof>";
    pending_.append(buf, static_cast<size_t>(n));
  }
}

int HelperProcess::Quit() {
  Send("quit");
  return running() ? Reap() : -1;
}

void HelperProcess::Kill() {
  if (!running()) return;
  kill(pid_, SIGKILL);
  Reap();
}

bool HelperProcess::WaitUntilStopped(int timeout_ms) {
  if (!running()) return false;
  for (int waited = 0; waited <= timeout_ms; ++waited) {
    int status = 0;
    const pid_t rc = waitpid(pid_, &status, WNOHANG | WUNTRACED);
    if (rc == pid_ && WIFSTOPPED(status)) return true;
    if (rc == pid_) {  // it ended
      pid_ = -1;
      return false;
    }
    if (rc < 0 && errno != EINTR) return false;
    const timespec step{0, 1000000};
    nanosleep(&step, nullptr);
  }
  return false;
}

void HelperProcess::Continue() {
  if (running()) kill(pid_, SIGCONT);
}

int HelperProcess::Reap() {
  int status = 0;
  while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return status;
}

}  // namespace tamsile_testing
