#include "platform/ui/core.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <limits>
#include <mutex>
#include <unordered_map>

namespace plat {

namespace {
ComponentObserver* gObserver = nullptr;
std::uint64_t gNextId = 0;
std::atomic<std::uint64_t> gDestructions{0};

std::unordered_map<std::uint64_t, Component*>& Live() {
  static auto* live = new std::unordered_map<std::uint64_t, Component*>;
  return *live;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

int MulDivRound(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  const long long half = c / 2;
  return static_cast<int>(p >= 0 ? (p + half) / c : (p - half) / c);
}
}  // namespace

TColor ResolveColor(TColor c) {
  if (c == clNone || c == clDefault) return clWhite;
  if (!IsSystemColor(c)) return c & 0x00FFFFFFu;
  // Our own default desktop palette, indexed like the system colours.
  static constexpr TColor kPalette[] = {
      Rgb(200, 200, 200), Rgb(58, 110, 165), Rgb(10, 36, 106),   Rgb(128, 128, 128),
      Rgb(212, 208, 200), Rgb(255, 255, 255), Rgb(0, 0, 0),      Rgb(0, 0, 0),
      Rgb(0, 0, 0),       Rgb(255, 255, 255), Rgb(212, 208, 200), Rgb(212, 208, 200),
      Rgb(128, 128, 128), Rgb(10, 36, 106),  Rgb(255, 255, 255), Rgb(212, 208, 200),
      Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(0, 0, 0),      Rgb(212, 208, 200),
      Rgb(255, 255, 255), Rgb(64, 64, 64),   Rgb(212, 208, 200), Rgb(0, 0, 0),
      Rgb(255, 255, 225), Rgb(180, 180, 180), Rgb(0, 0, 128),    Rgb(166, 202, 240),
      Rgb(192, 192, 192), Rgb(49, 106, 197), Rgb(212, 208, 200)};
  const std::size_t index = c & 0xFFu;
  return index < std::size(kPalette) ? kPalette[index] : clWhite;
}

void SetComponentObserver(ComponentObserver* observer) { gObserver = observer; }

void NotifyChanged(Component* c, std::uint32_t flags) {
  if (!c || c->destroying_) return;
  c->Changed(flags);
}

Component::Component(Component* owner) : owner_(owner), id_(++gNextId) {
  if (owner_) owner_->owned_.push_back(this);
  Live()[id_] = this;
  if (gObserver) gObserver->ComponentDirty(*this);
}

Component::~Component() {
  destroying_ = true;
  DestroyComponents();
  if (owner_) {
    auto& list = owner_->owned_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  Live().erase(id_);
  gDestructions.fetch_add(1, std::memory_order_relaxed);
  if (gObserver) gObserver->ComponentDestroyed(*this);
}

std::uint64_t Component::Destructions() { return gDestructions.load(std::memory_order_relaxed); }

Component* Component::FromId(std::uint64_t id) {
  auto it = Live().find(id);
  return it == Live().end() ? nullptr : it->second;
}

Component* Component::Components(int index) const {
  if (index < 0 || index >= static_cast<int>(owned_.size())) return nullptr;
  return owned_[static_cast<std::size_t>(index)];
}

Component* Component::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (Component* c : owned_) {
    if (SameText(c->Name(), name)) return c;
  }
  return nullptr;
}

void Component::Free() {
  if (!beforeDone_) {
    beforeDone_ = true;
    BeforeDestruction();
  }
  delete this;
}

void Component::BeforeDestruction() {}

void Component::DestroyComponents() {
  while (!owned_.empty()) {
    Component* c = owned_.back();
    c->Free();
  }
}

void Component::Changed(std::uint32_t flags) {
  const bool wasClean = dirty_ == 0;
  dirty_ |= flags;
  if (wasClean && gObserver) gObserver->ComponentDirty(*this);
}

int TFont::GetSize() const { return -MulDivRound(Height, 72, 96); }
void TFont::SetSize(int points) { Height = -MulDivRound(points, 96, 72); }

void TFont::Assign(const TFont& other) {
  Name = other.Name;
  Height = other.Height;
  Color = other.Color;
  Style = other.Style;
}

std::uint32_t RegisterWindowMessage(std::string_view name) {
  static std::mutex mu;
  static auto* ids = new std::unordered_map<std::string, std::uint32_t>;
  std::string key(name);
  for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  std::lock_guard<std::mutex> lk(mu);
  auto it = ids->find(key);
  if (it != ids->end()) return it->second;
  const auto id = kFirstRegisteredMessage + static_cast<std::uint32_t>(ids->size());
  ids->emplace(std::move(key), id);
  return id;
}

Window::Window(Component* owner) : Component(owner) {
  Visible.SetHook([this] { VisibleChanged(); });
}

Window::~Window() {
  DestroyComponents();
  for (Window* child : children_) child->parent_ = nullptr;
  children_.clear();
  if (parent_) {
    auto& list = parent_->children_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_->Changed(dfStructure);
  }
}

namespace {
// Any size a program stores may come back here, however far out of range.
int Saturated(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
}  // namespace

int Window::GetClientWidth() const { return Saturated(static_cast<std::int64_t>(Width) - FrameWidth()); }
void Window::SetClientWidth(int w) { Width = Saturated(static_cast<std::int64_t>(w) + FrameWidth()); }
int Window::GetClientHeight() const { return Saturated(static_cast<std::int64_t>(Height) - FrameHeight()); }
void Window::SetClientHeight(int h) { Height = Saturated(static_cast<std::int64_t>(h) + FrameHeight()); }

Window* Window::Controls(int index) const {
  if (index < 0 || index >= static_cast<int>(children_.size())) return nullptr;
  return children_[static_cast<std::size_t>(index)];
}

void Window::SetParent(Window* parent) {
  if (parent == parent_) return;
  Window* oldTop = TopLevel();
  if (parent_) {
    auto& list = parent_->children_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_->Changed(dfStructure);
  }
  parent_ = parent;
  if (parent_) {
    parent_->children_.push_back(this);
    parent_->Changed(dfStructure);
  }
  Changed(dfStructure);
  if (oldTop != this) oldTop->ShowingMayHaveChanged();
  TopLevel()->ShowingMayHaveChanged();
}

void Window::SetBounds(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

bool Window::Showing() const {
  if (!Visible) return false;
  for (const Window* w = this; w->parent_; w = w->parent_) {
    if (!w->parent_->Visible || !w->parent_->ChildShown(*w)) return false;
  }
  return true;
}

bool Window::EffectivelyEnabled() const {
  for (const Window* w = this; w; w = w->parent_) {
    if (!w->Enabled) return false;
  }
  return true;
}

Window* Window::TopLevel() {
  Window* w = this;
  while (w->parent_) w = w->parent_;
  return w;
}

bool Window::ChildShown(const Window&) const { return true; }

void Window::VisibleChanged() { NotifyShowingChanged(); }

int Window::AddMessageHandler(MessageHandler handler) {
  const int id = nextHandlerId_++;
  handlers_.push_back({id, std::move(handler)});
  return id;
}

void Window::RemoveMessageHandler(int id) {
  handlers_.erase(std::remove_if(handlers_.begin(), handlers_.end(),
                                 [id](const HandlerEntry& e) { return e.id == id; }),
                  handlers_.end());
}

std::intptr_t Window::SendMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam) {
  Message m{msg, wParam, lParam, 0};
  // The handlers as they are now, newest first; a few without an allocation.
  constexpr std::size_t kFew = 8;
  int few[kFew];
  std::vector<int> many;
  int* ids = few;
  const std::size_t count = handlers_.size();
  if (count > kFew) {
    many.resize(count);
    ids = many.data();
  }
  for (std::size_t i = 0; i < count; ++i) ids[i] = handlers_[count - 1 - i].id;
  const std::uint64_t self = Id();
  for (std::size_t i = 0; i < count; ++i) {
    auto found = std::find_if(handlers_.begin(), handlers_.end(),
                              [id = ids[i]](const HandlerEntry& e) { return e.id == id; });
    if (found == handlers_.end()) continue;
    MessageHandler fn = found->fn;  // the handler may remove itself
    const std::uint64_t destructions = Component::Destructions();
    if (fn(*this, m)) return m.result;
    // A handler that destroyed this window ends the message: nothing of it is left to ask.
    if (Component::Destructions() != destructions && Component::FromId(self) != this) return m.result;
  }
  DefaultHandler(m);
  return m.result;
}

void Window::DefaultHandler(Message& m) { m.result = 0; }

}  // namespace plat
