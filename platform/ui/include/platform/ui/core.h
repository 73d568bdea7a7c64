#pragma once
// The window core: colours, properties that notify, components (named, owned,
// found by name) and windows (text, geometry, visibility, colours, font,
// parent and children, a subclassing chain of message handlers). Every
// property change marks its component dirty so a backend can mirror it.
// Everything here belongs to the window thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace plat {

// ---------------------------------------------------------------- colours
// A colour value is 0x00BBGGRR (red in the low byte). System colours stay
// symbolic (high byte set, index in the low byte) until a backend resolves them.
using TColor = std::uint32_t;

constexpr TColor Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr std::uint8_t RedOf(TColor c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

constexpr TColor kSystemColorBase = 0xFF000000u;
constexpr TColor SystemColor(int index) { return kSystemColorBase | static_cast<TColor>(index); }
constexpr bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == kSystemColorBase; }

constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000,
                 clOlive = 0x008080, clNavy = 0x800000, clPurple = 0x800080,
                 clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0,
                 clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF, clMoneyGreen = 0xC0DCC0, clSkyBlue = 0xF0CAA6,
                 clCream = 0xF0FBFF, clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;

constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1),
                 clActiveCaption = SystemColor(2), clInactiveCaption = SystemColor(3),
                 clMenu = SystemColor(4), clWindow = SystemColor(5),
                 clWindowFrame = SystemColor(6), clMenuText = SystemColor(7),
                 clWindowText = SystemColor(8), clCaptionText = SystemColor(9),
                 clActiveBorder = SystemColor(10), clInactiveBorder = SystemColor(11),
                 clAppWorkSpace = SystemColor(12), clHighlight = SystemColor(13),
                 clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                 clBtnShadow = SystemColor(16), clGrayText = SystemColor(17),
                 clBtnText = SystemColor(18), clInactiveCaptionText = SystemColor(19),
                 clBtnHighlight = SystemColor(20), cl3DDkShadow = SystemColor(21),
                 cl3DLight = SystemColor(22), clInfoText = SystemColor(23),
                 clInfoBk = SystemColor(24), clHotLight = SystemColor(26),
                 clGradientActiveCaption = SystemColor(27),
                 clGradientInactiveCaption = SystemColor(28), clMenuHighlight = SystemColor(29),
                 clMenuBar = SystemColor(30);

// The RGB value of a colour, system colours from our own default palette
// (a backend may use the desktop's instead). clNone and clDefault give white.
TColor ResolveColor(TColor c);

// ---------------------------------------------------------------- enum sets
// A set of enumerators (font styles, border icons, dialog options), built as
// fsBold | fsItalic.
template <class E>
class EnumSet {
 public:
  constexpr EnumSet() = default;
  constexpr EnumSet(E e) : bits_(Bit(e)) {}  // NOLINT: a single member converts
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr EnumSet& Include(E e) { bits_ |= Bit(e); return *this; }
  constexpr EnumSet& Exclude(E e) { bits_ &= ~Bit(e); return *this; }
  constexpr std::uint32_t Bits() const { return bits_; }
  friend constexpr EnumSet operator|(EnumSet a, EnumSet b) { return FromBits(a.bits_ | b.bits_); }
  friend constexpr EnumSet operator|(EnumSet a, E b) { return a | EnumSet(b); }
  friend constexpr EnumSet operator-(EnumSet a, EnumSet b) { return FromBits(a.bits_ & ~b.bits_); }
  friend constexpr bool operator==(EnumSet a, EnumSet b) { return a.bits_ == b.bits_; }

 private:
  static constexpr std::uint32_t Bit(E e) { return 1u << static_cast<unsigned>(e); }
  static constexpr EnumSet FromBits(std::uint32_t b) { EnumSet s; s.bits_ = b; return s; }
  std::uint32_t bits_ = 0;
};

// Enumerations declared as flags combine with | into an EnumSet.
template <class E>
struct IsFlagEnum : std::false_type {};
template <class E>
  requires IsFlagEnum<E>::value
constexpr EnumSet<E> operator|(E a, E b) {
  return EnumSet<E>(a) | b;
}

// ---------------------------------------------------------------- dirty flags
// What changed on a component since the backend last looked.
enum DirtyFlag : std::uint32_t {
  dfCreated = 1u << 0,
  dfText = 1u << 1,
  dfGeometry = 1u << 2,
  dfVisibility = 1u << 3,
  dfAppearance = 1u << 4,  // colours, font, pictures, styles
  dfContent = 1u << 5,     // items, lines, nodes, drawing
  dfStructure = 1u << 6,   // parent, children, owner, menu attachment
  dfState = 1u << 7,       // enabled, checked, down, selection, modal state
};

class Component;
// Marks c dirty with flags (and tells the application's observer).
void NotifyChanged(Component* c, std::uint32_t flags);

// ---------------------------------------------------------------- properties
// Reads like the stored value and assigns with notification:
//   Edit_FirmwareVer->Text = "*******";  if (Timer_Info->Enabled) ...
// Use p() or p.Get() where a plain value is needed (p().size()).
template <class Derived, class T>
class ValueOps {
 public:
  friend bool operator==(const Derived& a, const Derived& b) { return a.Get() == b.Get(); }
  friend bool operator==(const Derived& a, const T& b) { return a.Get() == b; }
  friend T operator+(const Derived& a, const T& b)
    requires std::is_same_v<T, std::string>
  {
    return a.Get() + b;
  }
  friend T operator+(const T& a, const Derived& b)
    requires std::is_same_v<T, std::string>
  {
    return a + b.Get();
  }
  friend T operator+(const Derived& a, const char* b)
    requires std::is_same_v<T, std::string>
  {
    return a.Get() + b;
  }
  friend T operator+(const char* a, const Derived& b)
    requires std::is_same_v<T, std::string>
  {
    return a + b.Get();
  }
};

template <class T>
class Prop : public ValueOps<Prop<T>, T> {
 public:
  Prop(Component* owner, std::uint32_t dirty, T initial = T{})
      : owner_(owner), dirty_(dirty), value_(std::move(initial)) {}
  Prop(const Prop&) = delete;
  Prop& operator=(const Prop& other) { return Set(other.value_); }
  Prop& operator=(const T& v) { return Set(v); }
  operator const T&() const { return value_; }  // NOLINT: reads like the value
  const T& operator()() const { return value_; }
  const T& Get() const { return value_; }
  T operator->() const
    requires std::is_pointer_v<T>
  {
    return value_;
  }
  Prop& operator+=(const T& v) { return Set(value_ + v); }
  Prop& Set(const T& v) {
    if (value_ == v) return *this;
    value_ = v;
    NotifyChanged(owner_, dirty_);
    if (hook_) hook_();
    return *this;
  }
  // Stores without notification (construction-time defaults).
  void Init(T v) { value_ = std::move(v); }
  // Runs after every change.
  void SetHook(std::function<void()> hook) { hook_ = std::move(hook); }

 private:
  Component* owner_;
  std::uint32_t dirty_;
  T value_;
  std::function<void()> hook_;
};

// What a computed property offers for reading, from the derived Get().
template <class Derived, class T>
class Readable : public ValueOps<Derived, T> {
 public:
  operator T() const { return Self().Get(); }  // NOLINT: reads like the value
  T operator()() const { return Self().Get(); }
  T operator->() const
    requires std::is_pointer_v<T>
  {
    return Self().Get();
  }

 private:
  const Derived& Self() const { return static_cast<const Derived&>(*this); }
};

// A property computed by the owner's getter and setter.
template <class C, class T, T (C::*G)() const, void (C::*S)(T)>
class Accessor : public Readable<Accessor<C, T, G, S>, T> {
 public:
  explicit Accessor(C* self) : self_(self) {}
  Accessor(const Accessor&) = delete;
  Accessor& operator=(const Accessor& o) { (self_->*S)(o.Get()); return *this; }
  Accessor& operator=(T v) { (self_->*S)(std::move(v)); return *this; }
  T Get() const { return (self_->*G)(); }

 private:
  C* self_;
};

// A property that can only be read.
template <class C, class T, T (C::*G)() const>
class ReadOnly : public Readable<ReadOnly<C, T, G>, T> {
 public:
  explicit ReadOnly(const C* self) : self_(self) {}
  ReadOnly(const ReadOnly&) = delete;
  ReadOnly& operator=(const ReadOnly&) = delete;
  T Get() const { return (self_->*G)(); }

 private:
  const C* self_;
};

// A pointer-like property whose getter may build the object on first use
// (a canvas): Image->Canvas->LineTo(...).
template <class C, class T, T* (C::*G)()>
class LazyPtr {
 public:
  explicit LazyPtr(C* self) : self_(self) {}
  LazyPtr(const LazyPtr&) = delete;
  LazyPtr& operator=(const LazyPtr&) = delete;
  T* operator->() const { return (self_->*G)(); }
  operator T*() const { return (self_->*G)(); }  // NOLINT
  T* Get() const { return (self_->*G)(); }

 private:
  C* self_;
};

// Binds a member function as an event handler: OnClick = Method(this, &TForm_Main::X).
template <class C, class R, class... A>
std::function<R(A...)> Method(C* self, R (C::*fn)(A...)) {
  return [self, fn](A... a) -> R { return (self->*fn)(std::forward<A>(a)...); };
}

// ---------------------------------------------------------------- components
// Told about dirty and destroyed components (the application, for its backend).
class ComponentObserver {
 public:
  virtual ~ComponentObserver() = default;
  virtual void ComponentDirty(Component& c) = 0;
  virtual void ComponentDestroyed(Component& c) = 0;
};
void SetComponentObserver(ComponentObserver* observer);

class Component {
 public:
  explicit Component(Component* owner = nullptr);
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;
  // Destroys the owned components first (newest first). Prefer Free(), which
  // runs the destroy events while the whole object still exists.
  virtual ~Component();

  virtual const char* ClassName() const { return "TComponent"; }
  Component* GetOwner() const { return owner_; }
  int GetComponentCount() const { return static_cast<int>(owned_.size()); }

  Prop<std::string> Name{this, dfText};
  Prop<int> Tag{this, dfState, 0};
  ReadOnly<Component, Component*, &Component::GetOwner> Owner{this};
  ReadOnly<Component, int, &Component::GetComponentCount> ComponentCount{this};
  Component* Components(int index) const;
  // The owned component of that name, compared without regard to case.
  Component* FindComponent(std::string_view name) const;

  // Runs BeforeDestruction (destroy events) on the complete object, then deletes it.
  void Free();
  bool Destroying() const { return destroying_; }

  // A stable number for this component; FromId answers nullptr once it is gone,
  // so posted work and backends never touch a destroyed component.
  std::uint64_t Id() const { return id_; }
  static Component* FromId(std::uint64_t id);
  // How many components were destroyed so far: a component pointer kept while
  // this stays the same still points at the same live component.
  static std::uint64_t Destructions();

  std::uint32_t DirtyFlags() const { return dirty_; }
  void ClearDirty() { dirty_ = 0; }
  void Changed(std::uint32_t flags);

 protected:
  // Runs once, before destruction, on the complete object (OnDestroy).
  virtual void BeforeDestruction();
  // Frees the owned components, newest first.
  void DestroyComponents();

 private:
  friend void NotifyChanged(Component*, std::uint32_t);
  Component* owner_;
  std::vector<Component*> owned_;
  std::uint64_t id_;
  std::uint32_t dirty_ = dfCreated;
  bool destroying_ = false;
  bool beforeDone_ = false;
};

// ---------------------------------------------------------------- fonts, pens, brushes
enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
template <>
struct IsFlagEnum<TFontStyle> : std::true_type {};
using TFontStyles = EnumSet<TFontStyle>;

class TFont {
  Component* owner_;

 public:
  explicit TFont(Component* owner) : owner_(owner) {}
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;
  int GetSize() const;
  void SetSize(int points);
  Prop<std::string> Name{owner_, dfAppearance, "MS Sans Serif"};
  // Negative: the character height in pixels; positive: the cell height.
  Prop<int> Height{owner_, dfAppearance, -11};
  Accessor<TFont, int, &TFont::GetSize, &TFont::SetSize> Size{this};  // points at 96 dpi
  Prop<TColor> Color{owner_, dfAppearance, clWindowText};
  Prop<TFontStyles> Style{owner_, dfAppearance};
  void Assign(const TFont& other);
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TPen {
  Component* owner_;

 public:
  explicit TPen(Component* owner) : owner_(owner) {}
  TPen(const TPen&) = delete;
  TPen& operator=(const TPen&) = delete;
  Prop<TColor> Color{owner_, dfAppearance, clBlack};
  Prop<int> Width{owner_, dfAppearance, 1};
  Prop<TPenStyle> Style{owner_, dfAppearance, psSolid};
};

class TBrush {
  Component* owner_;

 public:
  explicit TBrush(Component* owner) : owner_(owner) {}
  TBrush(const TBrush&) = delete;
  TBrush& operator=(const TBrush&) = delete;
  Prop<TColor> Color{owner_, dfAppearance, clWhite};
  Prop<TBrushStyle> Style{owner_, dfAppearance, bsSolid};
};

// dynamic_cast<T*> of a component, done again only for another component or
// once any component was destroyed (for lookups made per message).
template <class T>
class CachedCast {
 public:
  T* operator()(Component* c) {
    const std::uint64_t now = Component::Destructions();
    if (c != from_ || now != destructions_) {
      from_ = c;
      to_ = dynamic_cast<T*>(c);
      destructions_ = now;
    }
    return to_;
  }

 private:
  Component* from_ = nullptr;
  T* to_ = nullptr;
  std::uint64_t destructions_ = 0;
};

// ---------------------------------------------------------------- messages
struct Message {
  std::uint32_t msg = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::intptr_t result = 0;
};

constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_CLOSE = 0x0010;  // the window manager asks the window to close
constexpr std::uint32_t WM_USER = 0x0400;
constexpr std::uint32_t WM_APP = 0x8000;
// Registered messages take ids from here on.
constexpr std::uint32_t kFirstRegisteredMessage = 0xC000;

// One stable id per name (compared without regard to case) for the whole process.
std::uint32_t RegisterWindowMessage(std::string_view name);

class Window;
// Answers true when it consumed the message (then m.result is the answer).
using MessageHandler = std::function<bool(Window& w, Message& m)>;

using TCursor = int;
constexpr TCursor crDefault = 0, crArrow = -2, crCross = -3, crIBeam = -4, crHourGlass = -11,
                  crDrag = -12, crNoDrop = -13, crHandPoint = -21;

// ---------------------------------------------------------------- windows
// The generic window: everything a backend needs to show it. Both the form
// façade and a frame/view façade build on it.
class Window : public Component {
  TFont font_{this};

 public:
  explicit Window(Component* owner);
  ~Window() override;
  const char* ClassName() const override { return "Window"; }
  Window* GetParent() const { return parent_; }
  void SetParent(Window* parent);
  int GetControlCount() const { return static_cast<int>(children_.size()); }
  int GetClientWidth() const;
  void SetClientWidth(int w);
  int GetClientHeight() const;
  void SetClientHeight(int h);

  Prop<std::string> Text{this, dfText};
  Prop<int> Left{this, dfGeometry, 0};
  Prop<int> Top{this, dfGeometry, 0};
  Prop<int> Width{this, dfGeometry, 0};
  Prop<int> Height{this, dfGeometry, 0};
  Accessor<Window, int, &Window::GetClientWidth, &Window::SetClientWidth> ClientWidth{this};
  Accessor<Window, int, &Window::GetClientHeight, &Window::SetClientHeight> ClientHeight{this};
  Prop<bool> Visible{this, dfVisibility, true};
  Prop<bool> Enabled{this, dfState, true};
  Prop<TColor> Color{this, dfAppearance, clBtnFace};
  TFont* const Font{&font_};
  Prop<std::string> Hint{this, dfAppearance};
  Prop<bool> ShowHint{this, dfAppearance, false};
  Prop<TCursor> Cursor{this, dfAppearance, crDefault};
  Prop<std::uint32_t> Style{this, dfAppearance, 0};    // style bits
  Prop<std::uint32_t> ExStyle{this, dfAppearance, 0};  // extended style bits
  Accessor<Window, Window*, &Window::GetParent, &Window::SetParent> Parent{this};
  ReadOnly<Window, int, &Window::GetControlCount> ControlCount{this};
  Window* Controls(int index) const;

  void SetBounds(int left, int top, int width, int height);
  // Visible here and in every parent (and not on an inactive page).
  bool Showing() const;
  // Enabled here and in every parent.
  bool EffectivelyEnabled() const;
  Window* TopLevel();
  // Asks for a repaint (the backend sees the window dirty).
  void Invalidate() { Changed(dfContent); }
  // Has the backend show what changed now, without waiting for the loop
  // ("show the splash and paint it at once").
  void Update();
  void Repaint() {
    Invalidate();
    Update();
  }
  // Tells the top-level window that what shows below it may have changed.
  void NotifyShowingChanged() { TopLevel()->ShowingMayHaveChanged(); }

  // Subclassing: the newest handler sees a message first and passes on what
  // it does not consume; the window's own handling comes last.
  int AddMessageHandler(MessageHandler handler);
  void RemoveMessageHandler(int id);
  std::intptr_t SendMessage(std::uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  // Queues the message for the window thread; dropped if the window is gone by then.
  void PostMessage(std::uint32_t msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

 protected:
  virtual void DefaultHandler(Message& m);
  virtual void VisibleChanged();
  // Whether a visible child is shown by this window (a page control shows its active page only).
  virtual bool ChildShown(const Window& child) const;
  // Called on the top-level window when anything below it may have changed its Showing().
  virtual void ShowingMayHaveChanged() {}
  // The space that borders, caption and menu take from the outer size.
  virtual int FrameWidth() const { return 0; }
  virtual int FrameHeight() const { return 0; }

 private:
  Window* parent_ = nullptr;
  std::vector<Window*> children_;
  struct HandlerEntry {
    int id;
    MessageHandler fn;
  };
  std::vector<HandlerEntry> handlers_;
  int nextHandlerId_ = 1;
};

}  // namespace plat
