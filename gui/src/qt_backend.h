#pragma once
// The Qt backend: mirrors the window core into widgets and hands what a
// person does back to the core through vcl::person, exactly as the headless
// tests do. Nothing here decides anything the core decides.

#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/canvas.h"
#include "platform/vcl/forms.h"

class QApplication;


namespace gui {

class View;

class QtBackend : public plat::Backend {
 public:
  // Uses the QApplication that runs, or makes one from argc and argv (which
  // must stay alive as long as the backend).
  QtBackend(plat::Application& app, int& argc, char** argv);
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  // ---- plat::Backend
  void WaitForEvents(const plat::WaitRequest& request, std::vector<int>& readyFds) override;
  void Wake() override;
  int ShowMessageBox(const plat::BoxRequest& box) override;
  std::optional<std::string> RunFileDialog(const plat::FileDialogRequest& request) override;
  std::optional<plat::TColor> RunColorDialog(const plat::ColorDialogRequest& request) override;
  void ComponentsChanged() override;
  void ComponentDestroyed(plat::Component& c) override;
  void ModalStarted(plat::Window& w) override;
  void ModalEnded(plat::Window& w) override;
  int ScreenWidth() const override;
  int ScreenHeight() const override;

  // ---- for the views
  plat::Application& App() { return app_; }
  // The view of a component, made (and fully mirrored) when it has none yet.
  View* ViewFor(plat::Component& c);
  View* FindView(std::uint64_t id) const;
  // Runs what a person did. While the backend mirrors, it runs once that is over.
  void Deliver(std::function<void()> action);
  bool Mirroring() const { return mirroring_; }
  void NeedRestack(std::uint64_t parentId) { restack_.insert(parentId); }
  void NeedMenus() { menusDirty_ = true; }
  void NeedTreeImages() { treeImagesDirty_ = true; }
  // A drag in progress: the person moves over, and drops at, a screen point.
  void DragMoveTo(QPoint global);
  void DragDropAt(QPoint global);
  // The screen cursor (the wait cursor over every window).
  void ApplyScreenCursor(plat::TCursor cursor);

  // ---- for programs and tests
  QWidget* WidgetOf(const plat::Component* c) const;
  // Where screenshots go (empty: none); they are written a moment after a
  // window was shown or changed, and for what is still pending at exit.
  void SetScreenshotFolder(std::string folder);
  // Writes a PNG of every visible top-level window into folder now; answers the files.
  std::vector<std::string> SaveScreenshots(const std::string& folder);
  // The message box open now (the last one opened, when one opened another).
  QMessageBox* OpenBox() const { return openBox_; }
  // Test seams: runs just before the loop blocks; runs with each box or
  // dialog the backend has just shown (the test answers it).
  std::function<void()> beforeBlocking;
  std::function<void(QWidget* dialog)> dialogShown;

 private:
  class InputGate;
  void SyncNotifiers(const std::vector<int>& fds);
  void RefreshMenus();
  void RefreshTreeImages();
  void Restack();
  QWidget* DialogParent(plat::Window* owner) const;
  int RunDialog(QWidget* dialog, const std::function<bool()>& done);
  void ScreenshotSoon(std::uint64_t id);
  void SavePendingScreenshots();
  std::string ScreenshotPath(const std::string& folder, const std::string& name) const;
  QWidget* WindowAt(QPoint global) const;

  plat::Application& app_;
  std::unique_ptr<QApplication> ownApp_;
  plat::TextMeasurer previousMeasurer_;
  std::unique_ptr<QObject> relay_;  // runs a person's action once mirroring is done
  std::unique_ptr<InputGate> gate_;
  int wakeFd_ = -1;
  std::unique_ptr<QSocketNotifier> wakeNotifier_;
  std::unique_ptr<QTimer> deadline_;
  std::map<int, std::unique_ptr<QSocketNotifier>> notifiers_;
  std::vector<int> ready_;
  std::map<std::uint64_t, std::unique_ptr<View>> views_;
  bool mirroring_ = false;
  bool again_ = false;
  int delivering_ = 0;
  bool menusDirty_ = false;
  bool treeImagesDirty_ = false;
  std::set<std::uint64_t> restack_;
  std::set<std::uint64_t> touched_;  // top-level windows that changed in this round
  std::optional<plat::TCursor> screenCursor_;
  std::uint64_t dragTarget_ = 0;
  // screenshots
  std::string shotFolder_;
  std::set<std::uint64_t> pendingShots_;
  std::unique_ptr<QTimer> shotTimer_;
  int boxShots_ = 0;
  QPointer<QMessageBox> openBox_;
};

}  // namespace gui
