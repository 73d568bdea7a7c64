#include "gui/backend_choice.h"

#include <QColorDialog>
#include <QDir>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QFileInfo>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "convert.h"
#include "platform/ui/application.h"
#include "qt_backend.h"

namespace gui {

namespace {
bool Set(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}
}  // namespace

void InstallBackend(plat::Application& app, int& argc, char** argv) {
  // Strip the switch so the program's own parsing never sees it.
  bool headless = false;
  int out = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--headless") == 0) headless = true;
    else argv[out++] = argv[i];
  }
  if (argc > 0) {
    argc = out;
    argv[argc] = nullptr;
  }
  if (headless || !(Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM"))) {
    app.SetBackend(std::make_shared<plat::HeadlessBackend>());
    return;
  }
  auto backend = std::make_shared<QtBackend>(app, argc, argv);
  if (Set(kScreenshotFolderVariable)) backend->SetScreenshotFolder(std::getenv(kScreenshotFolderVariable));
  app.SetBackend(backend);
}

namespace {
QtBackend* CurrentQtBackend() {
  plat::Application* app = plat::Application::Current();
  return app ? dynamic_cast<QtBackend*>(&app->GetBackend()) : nullptr;
}
}  // namespace

bool ShownByQt() { return CurrentQtBackend() != nullptr; }

bool SaveScreenshot(plat::Window& window, const std::string& path) {
  QtBackend* backend = CurrentQtBackend();
  if (!backend) return false;
  plat::Application::Current()->Flush();
  QWidget* w = backend->WidgetOf(&window);
  if (!w || !w->isVisible()) return false;
  const QString file = QString::fromStdString(path);
  QDir().mkpath(QFileInfo(file).absolutePath());
  return w->grab().save(file, "PNG");
}

void AnswerNextColorDialog(std::uint32_t color, const std::string& path) {
  QtBackend* backend = CurrentQtBackend();
  if (!backend) return;
  backend->dialogShown = [backend, color, path](QWidget* shown) {
    // Answers once: the seam goes (and this function with it) before anything else.
    const std::uint32_t colour = color;
    const std::string picture = path;
    backend->dialogShown = nullptr;
    auto* dialog = qobject_cast<QColorDialog*>(shown);
    if (!dialog) return;
    QPointer<QColorDialog> guard(dialog);
    QTimer::singleShot(500, [guard, colour, picture] {
      if (!guard) return;
      guard->setCurrentColor(ToQColor(colour));
      if (!picture.empty() && SaveScreenPicture(picture)) std::printf("%s\n", picture.c_str());
      guard->accept();
    });
  };
}

std::optional<std::string> OpenBoxText() {
  QtBackend* backend = CurrentQtBackend();
  QMessageBox* box = backend ? backend->OpenBox() : nullptr;
  if (!box) return std::nullopt;
  return box->text().toStdString();
}

bool PressOpenBoxDefault() {
  QtBackend* backend = CurrentQtBackend();
  QMessageBox* box = backend ? backend->OpenBox() : nullptr;
  if (!box || !box->defaultButton()) return false;
  box->defaultButton()->click();
  return true;
}

bool SaveScreenPicture(const std::string& path) {
  if (!CurrentQtBackend()) return false;
  plat::Application::Current()->Flush();
  // What was just mirrored is painted now, not on the loop's next turn (which
  // could run the program's own events here).
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible()) w->repaint();
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  const QPixmap picture = screen ? screen->grabWindow(0) : QPixmap();
  if (picture.isNull()) return false;
  const QString file = QString::fromStdString(path);
  QDir().mkpath(QFileInfo(file).absolutePath());
  return picture.save(file, "PNG");
}

}  // namespace gui
