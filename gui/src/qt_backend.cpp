#include "qt_backend.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFontMetricsF>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "convert.h"
#include "platform/program_path.h"
#include "views.h"

namespace gui {

using plat::Component;
namespace person = vcl::person;

// Eats the person's input to the widgets of a form the core has disabled.
class QtBackend::InputGate : public QObject {
 public:
  bool eventFilter(QObject* target, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ContextMenu:
        return target->isWidgetType() && InputBlocked(static_cast<QWidget*>(target));
      default:
        return false;
    }
  }
};

QtBackend::QtBackend(plat::Application& app, int& argc, char** argv) : app_(app) {
  if (!QApplication::instance()) ownApp_ = std::make_unique<QApplication>(argc, argv);
  // Windows close when the core says so, and the program ends when the core ends it.
  QApplication::setQuitOnLastWindowClosed(false);
  // What Qt draws of its own accord (menus, bars, list views) in the face and
  // size the core's controls have.
  if (ownApp_) QApplication::setFont(ToQFont(plat::TFont(nullptr)));
  // Text is measured as Qt will draw it (a link sized to its text).
  previousMeasurer_ = plat::SetTextMeasurer([](const plat::TFont& font, std::string_view text) {
    // Whole pixels that hold all of it: a text one pixel too wide for its box wraps.
    const QFontMetricsF metrics(ToQFont(font));
    const qreal width = metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    return plat::TPoint{static_cast<int>(std::ceil(width)) + 1, static_cast<int>(std::ceil(metrics.height()))};
  });
  relay_ = std::make_unique<QObject>();
  // Workers wake the loop through a descriptor, never through an event they
  // post: a posted event is handed over under Qt's own locks, which the
  // thread sanitizer cannot see, so it would report the event's allocation
  // against its first read on this thread. The descriptor hand-off is one
  // it follows, and it ends the loop's wait the same way.
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeFd_ >= 0) {
    wakeNotifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(wakeNotifier_.get(), &QSocketNotifier::activated, [this] {
      std::uint64_t v;
      [[maybe_unused]] auto n = read(wakeFd_, &v, sizeof v);
    });
  }
  gate_ = std::make_unique<InputGate>();
  QCoreApplication::instance()->installEventFilter(gate_.get());
  deadline_ = std::make_unique<QTimer>();
  deadline_->setSingleShot(true);  // its timer event alone ends the wait
  shotTimer_ = std::make_unique<QTimer>();
  shotTimer_->setSingleShot(true);
  shotTimer_->setInterval(400);
  QObject::connect(shotTimer_.get(), &QTimer::timeout, [this] { SavePendingScreenshots(); });
  // The screen was made before anything watched the components: mirror it
  // now, so that its changes (the wait cursor) are seen from here on.
  if (plat::Screen* screen = app_.GetScreen()) ViewFor(*screen);
}

QtBackend::~QtBackend() {
  plat::SetTextMeasurer(std::move(previousMeasurer_));
  SavePendingScreenshots();
  if (screenCursor_) QGuiApplication::restoreOverrideCursor();
  for (auto& [id, view] : views_) view->Detach();
  views_.clear();
  notifiers_.clear();
  deadline_.reset();
  shotTimer_.reset();
  if (QCoreApplication::instance()) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(gate_.get());
  gate_.reset();
  wakeNotifier_.reset();
  if (wakeFd_ >= 0) close(wakeFd_);
  relay_.reset();
  ownApp_.reset();
}

// ---------------------------------------------------------------- the loop
void QtBackend::SyncNotifiers(const std::vector<int>& fds) {
  for (auto it = notifiers_.begin(); it != notifiers_.end();) {
    if (std::find(fds.begin(), fds.end(), it->first) == fds.end()) it = notifiers_.erase(it);
    else ++it;
  }
  for (int fd : fds) {
    auto& n = notifiers_[fd];
    if (!n) {
      n = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
      QObject::connect(n.get(), &QSocketNotifier::activated, [this, fd] { ready_.push_back(fd); });
    }
    n->setEnabled(true);
  }
}

void QtBackend::WaitForEvents(const plat::WaitRequest& request, std::vector<int>& readyFds) {
  // Widgets of gone components go now, unless a person's action is still
  // running up the stack (its widget may be the one).
  if (delivering_ == 0) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  SyncNotifiers(request.fds);
  ready_.clear();
  bool block = true;
  if (request.deadline) {
    const std::uint64_t now = plat::CurrentClock().NowMs();
    if (*request.deadline <= now) {
      block = false;
    } else if (!plat::CurrentClock().IsVirtual()) {
      // Virtual time moves only when a test advances it: no real timer then.
      deadline_->start(static_cast<int>(std::min<std::uint64_t>(*request.deadline - now, INT_MAX)));
    }
  }
  if (block && beforeBlocking) beforeBlocking();
  QCoreApplication::processEvents(block ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
  deadline_->stop();
  // Between waits nobody listens: a descriptor closed meanwhile is never polled.
  for (auto& [fd, n] : notifiers_) n->setEnabled(false);
  std::sort(ready_.begin(), ready_.end());
  ready_.erase(std::unique(ready_.begin(), ready_.end()), ready_.end());
  readyFds.insert(readyFds.end(), ready_.begin(), ready_.end());
}

void QtBackend::Wake() {
  // Any thread. Never a blocking call into the window thread: a worker
  // only leaves a note that ends the wait; the core serves what it queued.
  if (wakeFd_ < 0) {
    // No descriptor to be had: a posted call ends the wait as well.
    QMetaObject::invokeMethod(relay_.get(), [] {}, Qt::QueuedConnection);
    return;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
}

void QtBackend::Deliver(std::function<void()> action) {
  if (mirroring_) {
    QMetaObject::invokeMethod(relay_.get(), [this, action] { Deliver(action); }, Qt::QueuedConnection);
    return;
  }
  ++delivering_;
  app_.Dispatch(action);
  --delivering_;
}

// ---------------------------------------------------------------- mirroring
View* QtBackend::FindView(std::uint64_t id) const {
  auto it = views_.find(id);
  return it == views_.end() ? nullptr : it->second.get();
}

View* QtBackend::ViewFor(Component& c) {
  if (View* v = FindView(c.Id())) return v;
  const Rendering* r = RenderingFor(c);
  if (!r) return nullptr;
  std::unique_ptr<View> made = r->make(*this, c);
  View* view = made.get();
  views_[c.Id()] = std::move(made);  // known before it mirrors: its children look it up
  c.ClearDirty();
  const bool was = mirroring_;
  mirroring_ = true;
  view->Sync(c, ~0u);
  mirroring_ = was;
  if (auto* w = dynamic_cast<plat::Window*>(&c)) touched_.insert(w->TopLevel()->Id());
  return view;
}

QWidget* QtBackend::WidgetOf(const Component* c) const {
  View* v = c ? FindView(c->Id()) : nullptr;
  return v ? v->Widget() : nullptr;
}

void QtBackend::ComponentsChanged() {
  if (mirroring_) {
    again_ = true;
    return;
  }
  mirroring_ = true;
  do {
    again_ = false;
    for (Component* c : app_.TakeDirty()) {
      const std::uint32_t flags = c->DirtyFlags();
      if (flags == 0) continue;  // mirrored whole already, as the parent of another
      c->ClearDirty();
      if (auto* w = dynamic_cast<plat::Window*>(c)) touched_.insert(w->TopLevel()->Id());
      if (View* v = FindView(c->Id())) v->Sync(*c, flags);
      else ViewFor(*c);
    }
    if (menusDirty_) RefreshMenus();
    if (treeImagesDirty_) RefreshTreeImages();
    Restack();
  } while (again_);
  mirroring_ = false;
  const std::set<std::uint64_t> touched = std::move(touched_);
  touched_.clear();
  for (std::uint64_t id : touched) {
    auto* window = dynamic_cast<plat::Window*>(Component::FromId(id));
    View* v = window ? FindView(id) : nullptr;
    if (!v || !v->Widget() || !v->Widget()->isWindow() || !v->Widget()->isVisible()) continue;
    if (auto* form = dynamic_cast<vcl::TForm*>(window)) UpdateFormMask(v, *form);
    ScreenshotSoon(id);
  }
}

void QtBackend::RefreshMenus() {
  menusDirty_ = false;
  for (auto& [id, view] : views_) {
    if (auto* form = dynamic_cast<vcl::TForm*>(Component::FromId(id))) SyncFormMenu(view.get(), *form);
  }
}

void QtBackend::RefreshTreeImages() {
  treeImagesDirty_ = false;
  for (auto& [id, view] : views_) {
    if (auto* tree = dynamic_cast<vcl::TTreeView*>(Component::FromId(id))) RefreshTreePictures(view.get(), *tree);
  }
}

// Drawings (labels, pictures, shapes, speed buttons) lie on their parent's
// surface, below every windowed control; each group keeps the core's order.
void QtBackend::Restack() {
  const std::set<std::uint64_t> parents = std::move(restack_);
  restack_.clear();
  for (std::uint64_t pid : parents) {
    auto* parent = dynamic_cast<plat::Window*>(Component::FromId(pid));
    View* pv = parent ? FindView(pid) : nullptr;
    if (!pv || !pv->ChildContainer()) continue;
    for (int pass = 0; pass < 2; ++pass) {
      for (int i = 0; i < parent->GetControlCount(); ++i) {
        plat::Window* child = parent->Controls(i);
        if (dynamic_cast<vcl::TTabSheet*>(child)) continue;  // the tab widget stacks its pages
        View* cv = FindView(child->Id());
        QWidget* w = cv ? cv->Widget() : nullptr;
        if (w && w->parentWidget() == pv->ChildContainer() && cv->Graphic() == (pass == 0)) w->raise();
      }
    }
  }
}

void QtBackend::ComponentDestroyed(Component& c) {
  const std::uint64_t id = c.Id();
  auto it = views_.find(id);
  if (it == views_.end()) return;
  if (pendingShots_.erase(id) && !shotFolder_.empty()) {
    QWidget* w = it->second->Widget();
    if (w && w->isVisible()) w->grab().save(QString::fromStdString(ScreenshotPath(shotFolder_, FromQString(w->objectName()))));
  }
  it->second->Detach();
  views_.erase(it);
  if (dragTarget_ == id) dragTarget_ = 0;
}

void QtBackend::ModalStarted(plat::Window& w) {
  if (View* v = ViewFor(w)) SetFormModal(v, true, w.Visible);
}

void QtBackend::ModalEnded(plat::Window& w) {
  // The form may be half destroyed here: look up, never make.
  if (View* v = FindView(w.Id())) SetFormModal(v, false, w.Visible);
}

void QtBackend::ApplyScreenCursor(plat::TCursor cursor) {
  if (cursor == plat::crDefault) {
    if (screenCursor_) QGuiApplication::restoreOverrideCursor();
    screenCursor_.reset();
    return;
  }
  if (screenCursor_) QGuiApplication::changeOverrideCursor(ToCursorShape(cursor));
  else QGuiApplication::setOverrideCursor(ToCursorShape(cursor));
  screenCursor_ = cursor;
}

int QtBackend::ScreenWidth() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().width() : 1920;
}

int QtBackend::ScreenHeight() const {
  QScreen* s = QGuiApplication::primaryScreen();
  return s ? s->geometry().height() : 1080;
}

// ---------------------------------------------------------------- drag and drop
QWidget* QtBackend::WindowAt(QPoint global) const {
  auto contains = [global](QWidget* w) { return w && w->isVisible() && w->rect().contains(w->mapFromGlobal(global)); };
  if (QWidget* top = QApplication::topLevelAt(global); top && TaggedId(top)) return top;
  if (plat::Window* modal = app_.ModalWindow()) {
    if (QWidget* w = WidgetOf(modal); contains(w)) return w;
  }
  for (const auto& [id, view] : views_) {
    QWidget* w = view->Widget();
    if (w && w->isWindow() && contains(w)) return w;
  }
  return nullptr;
}

void QtBackend::DragMoveTo(QPoint global) {
  if (!person::Dragging()) return;
  if (!QGuiApplication::overrideCursor() || screenCursor_) QGuiApplication::setOverrideCursor(Qt::DragMoveCursor);
  QWidget* top = WindowAt(global);
  QWidget* at = top ? top->childAt(top->mapFromGlobal(global)) : nullptr;
  if (!at) at = top;
  std::uint64_t id = TaggedId(at);
  // The nearest widget that shows a control is the target.
  QWidget* shown = at;
  while (shown && (!shown->property("platComponentId").isValid() ||
                   !dynamic_cast<vcl::TControl*>(Component::FromId(shown->property("platComponentId").toULongLong())))) {
    shown = shown->parentWidget();
  }
  id = shown ? shown->property("platComponentId").toULongLong() : 0;
  const QPoint local = shown ? shown->mapFromGlobal(global) : QPoint();
  dragTarget_ = id;
  Deliver([id, local] {
    person::DragOver(dynamic_cast<vcl::TControl*>(Component::FromId(id)), local.x(), local.y());
  });
}

void QtBackend::DragDropAt(QPoint global) {
  DragMoveTo(global);
  QPoint local;
  if (QWidget* w = WidgetOf(Component::FromId(dragTarget_))) local = w->mapFromGlobal(global);
  Deliver([local] { person::Drop(local.x(), local.y()); });
  dragTarget_ = 0;
  if (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

// ---------------------------------------------------------------- boxes and dialogs
QWidget* QtBackend::DialogParent(plat::Window* owner) const {
  plat::Window* w = owner ? owner->TopLevel() : app_.ModalWindow();
  QWidget* widget = WidgetOf(w);
  return widget && widget->isVisible() ? widget : nullptr;
}

int QtBackend::RunDialog(QWidget* dialog, const std::function<bool()>& done) {
  dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
  if (QGuiApplication::platformName() != "offscreen") dialog->raise();
  dialog->activateWindow();
  if (!shotFolder_.empty()) {
    dialog->grab().save(QString::fromStdString(ScreenshotPath(shotFolder_, "box" + std::to_string(++boxShots_))));
  }
  if (dialogShown) dialogShown(dialog);
  // The core keeps running (timers, synchronised calls) while the person decides.
  app_.RunLoopUntil(done);
  const bool answered = done();
  dialog->hide();
  return answered ? 1 : 0;
}

int QtBackend::ShowMessageBox(const plat::BoxRequest& box) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (box.flags & plat::MB_ICONMASK) {
    case plat::MB_ICONERROR: icon = QMessageBox::Critical; break;
    case plat::MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case plat::MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case plat::MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
  }
  QString text = ToQString(box.text);
  text.replace("\r\n", "\n");
  auto mb = std::make_unique<QMessageBox>(icon, ToQString(box.caption), text, QMessageBox::NoButton,
                                          DialogParent(box.owner));
  mb->setTextFormat(Qt::PlainText);
  QPointer<QMessageBox> outer = openBox_;
  openBox_ = mb.get();
  std::vector<std::pair<QAbstractButton*, int>> buttons;
  auto add = [&](QMessageBox::StandardButton b, int answer) { buttons.emplace_back(mb->addButton(b), answer); };
  switch (box.flags & plat::MB_TYPEMASK) {
    case plat::MB_OKCANCEL: add(QMessageBox::Ok, plat::IDOK); add(QMessageBox::Cancel, plat::IDCANCEL); break;
    case plat::MB_ABORTRETRYIGNORE:
      add(QMessageBox::Abort, plat::IDABORT); add(QMessageBox::Retry, plat::IDRETRY); add(QMessageBox::Ignore, plat::IDIGNORE);
      break;
    case plat::MB_YESNOCANCEL:
      add(QMessageBox::Yes, plat::IDYES); add(QMessageBox::No, plat::IDNO); add(QMessageBox::Cancel, plat::IDCANCEL);
      break;
    case plat::MB_YESNO: add(QMessageBox::Yes, plat::IDYES); add(QMessageBox::No, plat::IDNO); break;
    case plat::MB_RETRYCANCEL: add(QMessageBox::Retry, plat::IDRETRY); add(QMessageBox::Cancel, plat::IDCANCEL); break;
    default: add(QMessageBox::Ok, plat::IDOK); break;
  }
  mb->setDefaultButton(qobject_cast<QPushButton*>(buttons.front().first));
  if (box.flags & plat::MB_TOPMOST) mb->setWindowFlag(Qt::WindowStaysOnTopHint);
  // Qt's own escape button of each set (Cancel, else No, else Abort, else
  // the only button) is the core's safe answer, and so is a close.
  int answer = plat::SafeBoxAnswer(box.flags);
  bool done = false;
  QObject::connect(mb.get(), &QMessageBox::buttonClicked, [&](QAbstractButton* b) {
    for (const auto& [button, id] : buttons) {
      if (button == b) answer = id;
    }
  });
  QObject::connect(mb.get(), &QDialog::finished, [&done] { done = true; });
  if (!RunDialog(mb.get(), [&done] { return done; })) answer = plat::SafeBoxAnswer(box.flags);
  openBox_ = outer;
  return answer;
}

namespace {
// A stored Windows path ("c:\...") means nothing here: the dialog starts
// where it would without one.
bool UsablePath(const std::string& p) {
  if (p.find('\\') != std::string::npos) return false;
  return !(p.size() >= 2 && p[1] == ':');
}
}  // namespace

std::optional<std::string> QtBackend::RunFileDialog(const plat::FileDialogRequest& r) {
  const bool save = r.kind == plat::FileDialogKind::Save;
  QString title = ToQString(r.title);
  if (title.isEmpty()) title = save ? "Save As" : "Open";
  auto d = std::make_unique<QFileDialog>(DialogParent(nullptr), title);
  d->setOption(QFileDialog::DontUseNativeDialog);  // ours matches the extension in either case
  d->setOption(QFileDialog::HideNameFilterDetails);
  d->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  const bool mustExist = !save && r.options.Contains(plat::ofFileMustExist);
  d->setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  d->setOption(QFileDialog::DontConfirmOverwrite, !r.options.Contains(plat::ofOverwritePrompt));
  const QStringList filters = ToNameFilters(r.filter);
  if (!filters.isEmpty()) d->setNameFilters(filters);
  if (!r.defaultExt.empty()) d->setDefaultSuffix(ToQString(r.defaultExt));
  if (!r.initialDir.empty() && UsablePath(r.initialDir)) d->setDirectory(ToQString(r.initialDir));
  if (!r.fileName.empty() && UsablePath(r.fileName)) d->selectFile(ToQString(r.fileName));
  bool done = false;
  QObject::connect(d.get(), &QDialog::finished, [&done] { done = true; });
  RunDialog(d.get(), [&done] { return done; });
  if (!done || d->result() != QDialog::Accepted || d->selectedFiles().isEmpty()) return std::nullopt;
  return FromQString(d->selectedFiles().front());
}

std::optional<plat::TColor> QtBackend::RunColorDialog(const plat::ColorDialogRequest& r) {
  auto d = std::make_unique<QColorDialog>(ToQColor(r.color), DialogParent(nullptr));
  d->setOption(QColorDialog::DontUseNativeDialog);
  bool done = false;
  QObject::connect(d.get(), &QDialog::finished, [&done] { done = true; });
  RunDialog(d.get(), [&done] { return done; });
  if (!done || d->result() != QDialog::Accepted) return std::nullopt;
  return FromQColor(d->selectedColor());
}

// ---------------------------------------------------------------- screenshots
void QtBackend::SetScreenshotFolder(std::string folder) {
  shotFolder_ = std::move(folder);
  if (!shotFolder_.empty()) QDir().mkpath(QString::fromStdString(shotFolder_));
}

std::string QtBackend::ScreenshotPath(const std::string& folder, const std::string& name) const {
  std::string safe = name.empty() ? "window" : name;
  for (char& ch : safe) {
    if (ch == '/' || ch == '\\' || ch == ':' || static_cast<unsigned char>(ch) < 0x20) ch = '_';
  }
  return folder + "/" + plat::ProgramName() + "-" + safe + ".png";
}

void QtBackend::ScreenshotSoon(std::uint64_t id) {
  if (shotFolder_.empty()) return;
  pendingShots_.insert(id);
  if (!shotTimer_->isActive()) shotTimer_->start();
}

void QtBackend::SavePendingScreenshots() {
  const std::set<std::uint64_t> pending = std::move(pendingShots_);
  pendingShots_.clear();
  if (shotFolder_.empty()) return;
  for (std::uint64_t id : pending) {
    View* v = FindView(id);
    QWidget* w = v ? v->Widget() : nullptr;
    if (w && w->isVisible()) w->grab().save(QString::fromStdString(ScreenshotPath(shotFolder_, FromQString(w->objectName()))));
  }
}

std::vector<std::string> QtBackend::SaveScreenshots(const std::string& folder) {
  QDir().mkpath(QString::fromStdString(folder));
  std::vector<std::string> written;
  for (const auto& [id, view] : views_) {
    QWidget* w = view->Widget();
    if (!w || !w->isWindow() || !w->isVisible() || !dynamic_cast<plat::Window*>(Component::FromId(id))) continue;
    const std::string path = ScreenshotPath(folder, FromQString(w->objectName()));
    if (w->grab().save(QString::fromStdString(path))) written.push_back(path);
  }
  return written;
}

}  // namespace gui
