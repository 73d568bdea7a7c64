// Two processes writing the one store at the same moment, as two viewers ending
// together do.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/registry.h"
#include "temp_dir.h"

namespace {

using plat::Registry;
using plat::RegistryBatch;
using plat::RegistryData;

constexpr const char* kKey = "Software\\TRACE\\Lorvex\\IDS";
constexpr int kWrites = 120;
constexpr int kShared = 10;

std::uint32_t SharedValue(int writer, int n) { return static_cast<std::uint32_t>(writer * 100000 + n); }

// One writer's run: single writes of its own names and of names both share,
// every tenth pass as a batch. Returns the number of failed calls.
int RunWriter(int writer) {
  Registry reg;
  int failures = 0;
  for (int n = 0; n < kWrites; ++n) {
    const std::string own = "Writer" + std::to_string(writer) + "_" + std::to_string(n);
    const std::string shared = "Shared" + std::to_string(n % kShared);
    if (n % 10 == 0) {
      RegistryBatch batch;
      batch.WriteInteger(kKey, own, static_cast<std::uint32_t>(n));
      batch.WriteInteger(kKey, shared, SharedValue(writer, n));
      batch.WriteString(kKey, own + "Text", own);
      failures += reg.Apply(batch) != 0;
    } else {
      failures += reg.WriteInteger(kKey, own, static_cast<std::uint32_t>(n)) != 0;
      failures += reg.WriteInteger(kKey, shared, SharedValue(writer, n)) != 0;
    }
  }
  return failures;
}

TEST(RegistryConcurrency, TwoProcessesWritingAtOnceLoseNothing) {
  test_support::TempDir dir;
  test_support::ScopedEnv xdg("XDG_CONFIG_HOME", dir.path().c_str());

  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  pid_t children[2];
  for (int writer = 0; writer < 2; ++writer) {
    children[writer] = ::fork();
    ASSERT_GE(children[writer], 0);
    if (children[writer] == 0) {
      ::close(start[1]);
      char go;
      const bool started = ::read(start[0], &go, 1) == 0;  // both begin when the pipe closes
      ::_exit(started ? (RunWriter(writer) == 0 ? 0 : 1) : 2);
    }
  }
  ::close(start[0]);
  ::close(start[1]);
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a writer's call failed";
  }

  const std::string text = test_support::ReadFile(Registry().FilePath());
  std::size_t damaged = 1;
  const RegistryData data = RegistryData::Parse(text, &damaged);
  EXPECT_EQ(damaged, 0u);
  EXPECT_EQ(data.Text(), text) << "the file is exactly what one writer wrote";
  for (int writer = 0; writer < 2; ++writer) {
    for (int n = 0; n < kWrites; ++n) {
      const std::string own = "Writer" + std::to_string(writer) + "_" + std::to_string(n);
      const plat::RegistryValue* value = data.Find(kKey, own);
      ASSERT_NE(value, nullptr) << own << " was lost";
      EXPECT_EQ(value->integer, static_cast<std::uint32_t>(n));
      if (n % 10 == 0) {
        EXPECT_NE(data.Find(kKey, own + "Text"), nullptr) << own;
      }
    }
  }
  for (int s = 0; s < kShared; ++s) {
    const plat::RegistryValue* value = data.Find(kKey, "Shared" + std::to_string(s));
    ASSERT_NE(value, nullptr);
    const std::uint32_t writer = value->integer / 100000, n = value->integer % 100000;
    EXPECT_LT(writer, 2u);
    EXPECT_EQ(static_cast<int>(n) % kShared, s) << "a value no writer gave this name";
  }
}

}  // namespace
