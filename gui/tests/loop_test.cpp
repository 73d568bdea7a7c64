// The Qt loop waits for the person, and ends its wait for what the core
// waits for too: a worker's synchronised call, a readable descriptor.
#include <QTimer>

#include <unistd.h>

#include <condition_variable>
#include <mutex>

#include "qt_forms_support.h"

namespace {

using gui::testing::Argc;
using gui::testing::Argv;

class LoopTest : public ::testing::Test {
 protected:
  LoopTest() {
    gui::testing::EnsureQApplication();
    backend = std::make_shared<gui::QtBackend>(app, Argc(), Argv());
    app.SetBackend(backend);
    // Fails the test instead of hanging it when the loop never wakes.
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [this] {
      timedOut = true;
      app.Terminate();
    });
    watchdog.start(20000);
  }

  vcl::TApplication app;  // real time: the loop really waits
  std::shared_ptr<gui::QtBackend> backend;
  QTimer watchdog;
  bool timedOut = false;
};

class SyncWorker : public plat::Thread {
 public:
  SyncWorker(std::mutex& m, std::condition_variable& cv, bool& go, bool& served)
      : plat::Thread(false), m_(m), cv_(cv), go_(go), served_(served) {}
  ~SyncWorker() override {
    Terminate();
    WaitFor();
  }

 protected:
  void Execute() override {
    {
      std::unique_lock<std::mutex> lk(m_);
      cv_.wait(lk, [this] { return go_; });
    }
    Synchronize([this] { served_ = true; });
  }

 private:
  std::mutex& m_;
  std::condition_variable& cv_;
  bool& go_;
  bool& served_;
};

TEST_F(LoopTest, ASynchronisedCallIsServedWhileTheLoopWaits) {
  std::mutex m;
  std::condition_variable cv;
  bool go = false;
  bool served = false;
  // The worker asks only once the window thread is about to block in Qt.
  backend->beforeBlocking = [&] {
    std::lock_guard<std::mutex> lk(m);
    go = true;
    cv.notify_all();
  };
  SyncWorker worker(m, cv, go, served);
  worker.Start();
  app.RunLoopUntil([&] { return served; });
  EXPECT_FALSE(timedOut) << "the loop slept through the worker's call";
  EXPECT_TRUE(served);
  backend->beforeBlocking = nullptr;
  EXPECT_EQ(worker.WaitFor(), 0);
}

TEST_F(LoopTest, AReadableDescriptorEndsTheWait) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::string got;
  const int watch = app.AddFdWatch(fds[0], [&] {
    char buf[16];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
  });
  backend->beforeBlocking = [&] {
    if (got.empty()) {
      [[maybe_unused]] auto n = write(fds[1], "trace", 5);
    }
  };
  app.RunLoopUntil([&] { return !got.empty(); });
  EXPECT_FALSE(timedOut) << "the loop never saw the descriptor";
  EXPECT_EQ(got, "trace");
  app.RemoveFdWatch(watch);
  close(fds[0]);
  close(fds[1]);
}

}  // namespace
