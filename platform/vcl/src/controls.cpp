#include "platform/vcl/controls.h"

#include <algorithm>
#include <cctype>

#include "platform/exception.h"
#include "platform/vcl/forms.h"
#include "platform/ui/list_view.h"

namespace vcl {

void Fire(const std::function<void()>& call) {
  if (plat::Application* app = plat::Application::Current()) {
    app->Dispatch(call);
  } else {
    call();
  }
}

// ---------------------------------------------------------------- shortcuts
namespace {
struct KeyName {
  const char* name;
  std::uint16_t key;
};
constexpr KeyName kKeyNames[] = {
    {"BkSp", VK_BACK},     {"Backspace", VK_BACK}, {"Tab", VK_TAB},     {"Enter", VK_RETURN},
    {"Return", VK_RETURN}, {"Esc", VK_ESCAPE},     {"Escape", VK_ESCAPE}, {"Space", VK_SPACE},
    {"PgUp", 0x21},        {"PgDn", 0x22},         {"End", 0x23},       {"Home", 0x24},
    {"Left", 0x25},        {"Up", 0x26},           {"Right", 0x27},     {"Down", 0x28},
    {"Ins", VK_INSERT},    {"Insert", VK_INSERT},  {"Del", VK_DELETE},  {"Delete", VK_DELETE},
};

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && plat::SameText(s.substr(0, prefix.size()), prefix);
}
}  // namespace

TShortCut TextToShortCut(std::string_view text) {
  TShortCut mods = 0;
  for (;;) {
    if (StartsWithNoCase(text, "Ctrl+")) {
      mods |= scCtrl;
      text.remove_prefix(5);
    } else if (StartsWithNoCase(text, "Shift+")) {
      mods |= scShift;
      text.remove_prefix(6);
    } else if (StartsWithNoCase(text, "Alt+")) {
      mods |= scAlt;
      text.remove_prefix(4);
    } else {
      break;
    }
  }
  if (text.size() == 1) {
    const unsigned char ch = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (std::isalnum(ch)) return static_cast<TShortCut>(mods | ch);
    return 0;
  }
  if (text.size() >= 2 && (text[0] == 'F' || text[0] == 'f')) {
    int n = 0;
    for (char ch : text.substr(1)) {
      if (!std::isdigit(static_cast<unsigned char>(ch))) { n = -1; break; }
      n = n * 10 + (ch - '0');
    }
    if (n >= 1 && n <= 24) return static_cast<TShortCut>(mods | (VK_F1 + n - 1));
  }
  for (const auto& k : kKeyNames) {
    if (plat::SameText(text, k.name)) return static_cast<TShortCut>(mods | k.key);
  }
  return 0;
}

std::string ShortCutToText(TShortCut sc) {
  if (sc == 0) return "";
  std::string out;
  if (sc & scShift) out += "Shift+";
  if (sc & scCtrl) out += "Ctrl+";
  if (sc & scAlt) out += "Alt+";
  const std::uint16_t key = sc & 0x1FFF;
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return out + static_cast<char>(key);
  if (key >= VK_F1 && key < VK_F1 + 24) return out + "F" + std::to_string(key - VK_F1 + 1);
  for (const auto& k : kKeyNames) {
    if (k.key == key) return out + k.name;
  }
  return out + "#" + std::to_string(key);
}

// ---------------------------------------------------------------- control base
TControl::TControl(TComponent* owner) : plat::Window(owner) {}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::BeginDrag(bool) { person::BeginDrag(this); }

TForm* TControl::ParentForm() { return GetParentForm(this); }

// ---------------------------------------------------------------- simple controls
TLabel::TLabel(TComponent* owner) : TControl(owner) { Color.Init(clBtnFace); }

TEdit::TEdit(TComponent* owner) : TControl(owner) { Color.Init(clWindow); }

TMemo::TMemo(TComponent* owner) : TControl(owner) {
  Color.Init(clWindow);
  lines_.SetChangeHook([this](TStrings::ChangeKind, int) {
    plat::Window::Text = lines_.GetText();
    Changed(plat::dfContent);
  });
}

TComboBox::TComboBox(TComponent* owner) : TControl(owner) {
  Color.Init(clWindow);
  items_.SetChangeHook([this](TStrings::ChangeKind kind, int index) { ItemsChanged(kind, index); });
  Style.SetHook([this] { plat::Window::Text = GetComboText(); });
}

void TComboBox::ItemsChanged(TStrings::ChangeKind kind, int index) {
  using K = TStrings::ChangeKind;
  const int before = itemIndex_;
  switch (kind) {
    case K::Inserted:
      if (itemIndex_ >= 0 && index <= itemIndex_) ++itemIndex_;
      break;
    case K::Deleted:
      if (index == itemIndex_) itemIndex_ = -1;
      else if (itemIndex_ > index) --itemIndex_;
      break;
    case K::Cleared:
      itemIndex_ = -1;
      break;
    case K::Replaced:
      break;
    case K::Reset:
      itemIndex_ = before >= 0 ? items_.IndexOf(editText_) : -1;
      break;
  }
  if (itemIndex_ >= 0) editText_ = items_.Get(itemIndex_);
  else if (Style == csDropDownList) editText_.clear();
  plat::Window::Text = GetComboText();
  Changed(plat::dfContent | (before != itemIndex_ ? std::uint32_t{plat::dfState} : 0u));
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= items_.GetCount()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  if (itemIndex_ >= 0) editText_ = items_.Get(itemIndex_);
  else editText_.clear();
  plat::Window::Text = GetComboText();
  Changed(plat::dfState | plat::dfText);
}

std::string TComboBox::GetComboText() const {
  if (Style == csDropDownList) return itemIndex_ >= 0 ? items_.Get(itemIndex_) : std::string();
  return editText_;
}

void TComboBox::SetComboText(std::string text) {
  const int found = items_.IndexOf(text);
  if (Style == csDropDownList) {
    SetItemIndex(found);
    return;
  }
  editText_ = std::move(text);
  itemIndex_ = found;
  plat::Window::Text = editText_;
  Changed(plat::dfState | plat::dfText);
}

void TComboBox::SetSorted(bool sorted) {
  items_.Sorted = sorted;
  Changed(plat::dfContent);
}

TButton::TButton(TComponent* owner) : TControl(owner) {}

void TButton::Click() {
  TControl::Click();
  if (ModalResult != mrNone) {
    if (TForm* form = ParentForm(); form && form->IsModal()) form->ModalResult = ModalResult;
  }
}

namespace {
struct KindInfo {
  TBitBtnKind kind;
  const char* caption;
  TModalResult result;
};
constexpr KindInfo kKinds[] = {
    {bkOK, "OK", mrOk},          {bkCancel, "Cancel", mrCancel}, {bkHelp, "&Help", mrNone},
    {bkYes, "&Yes", mrYes},      {bkNo, "&No", mrNo},            {bkClose, "&Close", mrNone},
    {bkAbort, "Abort", mrAbort}, {bkRetry, "&Retry", mrRetry},   {bkIgnore, "&Ignore", mrIgnore},
    {bkAll, "&All", mrAll},
};
}  // namespace

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

void TBitBtn::SetKind(TBitBtnKind kind) {
  kind_ = kind;
  for (const auto& k : kKinds) {
    if (k.kind != kind) continue;
    Caption = k.caption;
    ModalResult = k.result;
    Default = kind == bkOK || kind == bkYes;
    Cancel = kind == bkCancel || kind == bkNo;
  }
  Changed(plat::dfAppearance);
}

void TBitBtn::Click() {
  if (kind_ == bkClose) {
    TControl::Click();
    if (TForm* form = ParentForm()) form->Close();
    return;
  }
  TButton::Click();
}

TSpeedButton::TSpeedButton(TComponent* owner) : TControl(owner) {}

void TSpeedButton::SetDown(bool down) {
  if (GroupIndex == 0) down = false;
  if (down == down_) return;
  down_ = down;
  if (down_ && GetParent()) {
    for (int i = 0; i < GetParent()->GetControlCount(); ++i) {
      auto* other = dynamic_cast<TSpeedButton*>(GetParent()->Controls(i));
      if (other && other != this && other->GroupIndex == GroupIndex && other->down_) {
        other->down_ = false;
        other->Changed(plat::dfState);
      }
    }
  }
  Changed(plat::dfState);
}

void TSpeedButton::Click() {
  if (GroupIndex != 0) {
    if (!down_) SetDown(true);
    else if (AllowAllUp) SetDown(false);
  }
  TControl::Click();
}

TPanel::TPanel(TComponent* owner) : TControl(owner) {}

void TButtonControl::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Changed(plat::dfState);
  if (CheckedChanged() && OnClick) OnClick(this);
}

bool TRadioButton::CheckedChanged() {
  if (!GetChecked()) return false;
  if (GetParent()) {
    for (int i = 0; i < GetParent()->GetControlCount(); ++i) {
      auto* other = dynamic_cast<TRadioButton*>(GetParent()->Controls(i));
      if (other && other != this) other->Checked = false;
    }
  }
  return true;
}

// ---------------------------------------------------------------- pages
TTabSheet* TPageControl::Pages(int index) const {
  int n = 0;
  for (int i = 0; i < GetControlCount(); ++i) {
    if (auto* sheet = dynamic_cast<TTabSheet*>(Controls(i))) {
      if (n++ == index) return sheet;
    }
  }
  return nullptr;
}

int TPageControl::GetPageCount() const {
  int n = 0;
  for (int i = 0; i < GetControlCount(); ++i) {
    if (dynamic_cast<TTabSheet*>(Controls(i))) ++n;
  }
  return n;
}

TTabSheet* TPageControl::GetActivePage() const {
  auto* chosen = dynamic_cast<TTabSheet*>(plat::Component::FromId(active_));
  if (chosen && chosen->GetParent() == this) return chosen;
  for (int i = 0; i < GetPageCount(); ++i) {
    if (Pages(i)->TabVisible) return Pages(i);
  }
  return nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page && page->GetParent() != this) return;
  if (page == GetActivePage() && (page ? page->Id() : 0) == active_) return;
  active_ = page ? page->Id() : 0;
  Changed(plat::dfState);
  NotifyShowingChanged();  // the sheets' OnShow/OnHide follow from the new showing state
}

int TPageControl::GetActivePageIndex() const {
  TTabSheet* active = GetActivePage();
  for (int i = 0; i < GetPageCount(); ++i) {
    if (Pages(i) == active) return i;
  }
  return -1;
}

void TPageControl::SetActivePageIndex(int index) { SetActivePage(Pages(index)); }

bool TPageControl::ChildShown(const plat::Window& child) const {
  if (!dynamic_cast<const TTabSheet*>(&child)) return true;
  return &child == GetActivePage();
}

int TTabSheet::GetPageIndex() const {
  TPageControl* pc = GetPageControl();
  if (!pc) return -1;
  for (int i = 0; i < pc->GetPageCount(); ++i) {
    if (pc->Pages(i) == this) return i;
  }
  return -1;
}

// ---------------------------------------------------------------- tree view
TTreeNode::TTreeNode(TTreeView* tree, TTreeNodes* nodes, TTreeNode* parent)
    : tree_(tree),
      Text(tree, plat::dfContent),
      ImageIndex(tree, plat::dfContent, -1),
      SelectedIndex(tree, plat::dfContent, -1),
      StateIndex(tree, plat::dfContent, -1),
      nodes_(nodes),
      parent_(parent) {}

int TTreeNode::GetIndex() const {
  const auto& siblings = nodes_->SiblingsOf(parent_);
  for (std::size_t i = 0; i < siblings.size(); ++i) {
    if (siblings[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

namespace {
int CountSubtree(const TTreeNode* n) {
  int c = 1;
  for (int i = 0; i < n->GetCount(); ++i) c += CountSubtree(n->ItemAt(i));
  return c;
}
}  // namespace

int TTreeNode::GetAbsoluteIndex() const {
  // Everything before this node in pre-order: the ancestors, and the whole
  // subtrees of the earlier siblings of this node and of every ancestor.
  int index = 0;
  const TTreeNode* n = this;
  while (n) {
    const auto& siblings = nodes_->SiblingsOf(n->parent_);
    for (const auto& s : siblings) {
      if (s.get() == n) break;
      index += CountSubtree(s.get());
    }
    if (n->parent_) ++index;
    n = n->parent_;
  }
  return index;
}

int TTreeNode::GetLevel() const {
  int level = 0;
  for (const TTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

bool TTreeNode::GetSelected() const { return tree_->GetSelected() == this; }

TTreeNode* TTreeNode::ItemAt(int index) const {
  if (index < 0 || index >= static_cast<int>(children_.size())) {
    throw plat::Exception("Tree node index out of bounds (" + std::to_string(index) + ")");
  }
  return children_[static_cast<std::size_t>(index)].get();
}

TTreeNode* TTreeNode::GetNextSibling() const {
  const auto& siblings = nodes_->SiblingsOf(parent_);
  for (std::size_t i = 0; i + 1 < siblings.size(); ++i) {
    if (siblings[i].get() == this) return siblings[i + 1].get();
  }
  return nullptr;
}

void TTreeNode::Delete() { nodes_->Delete(this); }

std::vector<std::unique_ptr<TTreeNode>>& TTreeNodes::SiblingsOf(TTreeNode* parent) {
  return parent ? parent->children_ : roots_;
}

TTreeNode* TTreeNodes::Insert(TTreeNode* parent, std::size_t position, const std::string& text) {
  auto node = std::make_unique<TTreeNode>(tree_, this, parent);
  node->Text.Init(text);
  TTreeNode* raw = node.get();
  auto& siblings = SiblingsOf(parent);
  siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(std::min(position, siblings.size())),
                  std::move(node));
  ++count_;
  tree_->Changed(plat::dfContent);
  return raw;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const std::string& text) {
  TTreeNode* parent = sibling ? sibling->parent_ : nullptr;
  return Insert(parent, SiblingsOf(parent).size(), text);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const std::string& text) {
  return Insert(sibling ? sibling->parent_ : nullptr, 0, text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const std::string& text) {
  return Insert(parent, SiblingsOf(parent).size(), text);
}

void TTreeNodes::Clear() {
  if (roots_.empty()) return;
  tree_->selected_ = nullptr;
  roots_.clear();
  count_ = 0;
  tree_->Changed(plat::dfContent | plat::dfState);
}

namespace {
TTreeNode* NodeAt(TTreeNode* n, int& index) {
  if (index == 0) return n;
  --index;
  for (int i = 0; i < n->GetCount(); ++i) {
    if (TTreeNode* found = NodeAt(n->ItemAt(i), index)) return found;
  }
  return nullptr;
}

bool InSubtree(const TTreeNode* root, const TTreeNode* n) {
  for (const TTreeNode* p = n; p; p = p->GetParent()) {
    if (p == root) return true;
  }
  return false;
}
}  // namespace

TTreeNode* TTreeNodes::GetNodeFromIndex(int index) const {
  if (index < 0 || index >= count_) return nullptr;
  for (const auto& root : roots_) {
    if (TTreeNode* found = NodeAt(root.get(), index)) return found;
  }
  return nullptr;
}

bool TTreeNodes::Contains(const TTreeNode* node) const {
  if (!node) return false;
  const TTreeNode* root = node;
  while (root->GetParent()) root = root->GetParent();
  for (const auto& r : roots_) {
    if (r.get() == root) return true;
  }
  return false;
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!Contains(node)) return;
  if (tree_->selected_ && InSubtree(node, tree_->selected_)) tree_->selected_ = nullptr;
  count_ -= CountSubtree(node);
  auto& siblings = SiblingsOf(node->parent_);
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                [node](const std::unique_ptr<TTreeNode>& p) { return p.get() == node; }),
                 siblings.end());
  tree_->Changed(plat::dfContent | plat::dfState);
}

TTreeView::TTreeView(TComponent* owner) : TControl(owner) { Color.Init(clWindow); }

TTreeView::~TTreeView() { selected_ = nullptr; }

void TTreeView::SetSelected(TTreeNode* node) {
  if (node && !nodes_.Contains(node)) return;
  if (node == selected_) return;
  selected_ = node;
  Changed(plat::dfState);
}

bool TTreeView::EditLabel(TTreeNode* node, const std::string& text) {
  if (ReadOnly || !nodes_.Contains(node)) return false;
  node->Text = text;
  return true;
}

// ---------------------------------------------------------------- pictures and shapes
TImage::TImage(TComponent* owner) : TControl(owner) {
  picture_.Bitmap->SetChangeHook([this] {
    if (AutoSize && picture_.Width() > 0 && picture_.Height() > 0) {
      Width = picture_.Width();
      Height = picture_.Height();
    }
  });
  AutoSize.SetHook([this] {
    if (AutoSize && picture_.Width() > 0 && picture_.Height() > 0) {
      Width = picture_.Width();
      Height = picture_.Height();
    }
  });
}

TCanvas* TImage::GetCanvas() {
  TBitmap* bmp = picture_.Bitmap;
  if (bmp->Width == 0 || bmp->Height == 0) bmp->SetSize(Width, Height);
  return bmp->Canvas;
}

TShape::TShape(TComponent* owner) : TControl(owner) {}

// ---------------------------------------------------------------- menus
TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  if (parent_) {
    auto& list = parent_->items_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    parent_->Changed(plat::dfStructure);
  }
  for (TMenuItem* child : items_) child->parent_ = nullptr;
}

void TMenuItem::Add(TMenuItem* item) { Insert(GetCount(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item || item == this) return;
  if (item->parent_) item->parent_->Remove(item);
  index = std::clamp(index, 0, GetCount());
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  Changed(plat::dfStructure);
  item->Changed(plat::dfStructure);
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
  Changed(plat::dfStructure);
}

TMenuItem* TMenuItem::ItemAt(int index) const {
  if (index < 0 || index >= GetCount()) {
    throw plat::Exception("Menu index out of bounds (" + std::to_string(index) + ")");
  }
  return items_[static_cast<std::size_t>(index)];
}

TMenuItem* TMenuItem::FindShortCut(TShortCut sc) {
  if (sc != 0 && ShortCut == sc) return this;
  for (TMenuItem* child : items_) {
    if (TMenuItem* found = child->FindShortCut(sc)) return found;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), Items(new TMenuItem(this)) {}

// ---------------------------------------------------------------- non-visual components
TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  timer_.SetHandler([this] {
    if (OnTimer) OnTimer(this);
  });
  timer_.SetEnabled(true);
}

int TImageList::AddResource(const std::string& name) {
  if (!plat::FindPictureResource(name)) throw plat::Exception("Resource " + name + " not found");
  pictures_.push_back(name);
  Changed(plat::dfContent);
  return GetCount() - 1;
}

const std::string& TImageList::PictureName(int index) const {
  if (index < 0 || index >= GetCount()) {
    throw plat::Exception("Image index out of bounds (" + std::to_string(index) + ")");
  }
  return pictures_[static_cast<std::size_t>(index)];
}

bool TOpenDialog::Execute() {
  plat::Application* app = plat::Application::Current();
  if (!app) return false;
  plat::FileDialogRequest req;
  req.kind = Kind();
  req.dialog = this;
  req.dialogName = Name;
  req.title = Title;
  req.filter = Filter;
  req.defaultExt = DefaultExt;
  req.fileName = FileName;
  req.initialDir = InitialDir;
  req.options = Options;
  std::optional<std::string> chosen = app->RunFileDialog(req);
  if (!chosen) return false;
  std::string path = *chosen;
  const std::string ext = DefaultExt;
  if (!ext.empty()) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) path += "." + ext;
  }
  FileName = path;
  return true;
}

bool TColorDialog::Execute() {
  plat::Application* app = plat::Application::Current();
  if (!app) return false;
  plat::ColorDialogRequest req;
  req.dialog = this;
  req.dialogName = Name;
  req.color = Color;
  std::optional<TColor> chosen = app->RunColorDialog(req);
  if (!chosen) return false;
  Color = *chosen;
  return true;
}

// ---------------------------------------------------------------- class registry
namespace {
template <class T>
ComponentClass Entry(const char* name) {
  return {name, [](TComponent* owner) -> TComponent* { return new T(owner); }};
}
}  // namespace

const std::vector<ComponentClass>& ComponentClasses() {
  static const std::vector<ComponentClass> classes = {
      Entry<TForm>("TForm"),           Entry<TLabel>("TLabel"),
      Entry<TEdit>("TEdit"),           Entry<TMemo>("TMemo"),
      Entry<TComboBox>("TComboBox"),   Entry<TButton>("TButton"),
      Entry<TBitBtn>("TBitBtn"),       Entry<TSpeedButton>("TSpeedButton"),
      Entry<TPanel>("TPanel"),         Entry<TGroupBox>("TGroupBox"),
      Entry<TBevel>("TBevel"),         Entry<TRadioButton>("TRadioButton"),
      Entry<TCheckBox>("TCheckBox"),   Entry<TPageControl>("TPageControl"),
      Entry<TTabSheet>("TTabSheet"),   Entry<TTreeView>("TTreeView"),
      Entry<TImage>("TImage"),         Entry<TShape>("TShape"),
      Entry<TMainMenu>("TMainMenu"),   Entry<TMenuItem>("TMenuItem"),
      Entry<TTimer>("TTimer"),         Entry<TImageList>("TImageList"),
      Entry<TAnimate>("TAnimate"),     Entry<TOpenDialog>("TOpenDialog"),
      Entry<TSaveDialog>("TSaveDialog"), Entry<TColorDialog>("TColorDialog"),
      // The window core's own controls that the façades build on.
      Entry<plat::ListView>("ListView"),
  };
  return classes;
}

}  // namespace vcl
