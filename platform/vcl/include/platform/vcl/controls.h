#pragma once
// The form façade's components, with the names, properties and events the
// programs use. Pull everything in with `using namespace vcl;`.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/application.h"
#include "platform/ui/canvas.h"
#include "platform/ui/core.h"
#include "platform/vcl/strings.h"
#include "platform/ui/thread.h"

namespace vcl {

// ---------------------------------------------------------------- names from the core
using plat::Accessor;
using plat::EnumSet;
using plat::LazyPtr;
using plat::Method;
using plat::Prop;
using plat::ReadOnly;
using plat::TBitmap;
using plat::TBrush;
using plat::TCanvas;
using plat::TColor;
using plat::TCursor;
using plat::TFont;
using plat::TFontStyles;
using plat::TOpenOptions;
using plat::TPen;
using plat::TPicture;
using plat::TPoint;
using plat::TRect;
using plat::TStringList;
using plat::TStrings;
using TObject = plat::Component;
using TComponent = plat::Component;
using TThread = plat::Thread;
using TThreadPriority = plat::ThreadPriority;
using TCriticalSection = plat::CriticalSection;
using TScreen = plat::Screen;
using plat::GetTickCount;
using plat::MessageBox;
using plat::Rect;
using plat::Rgb;
using plat::ShowMessage;
using plat::Sleep;

constexpr TThreadPriority tpIdle = TThreadPriority::Idle, tpLowest = TThreadPriority::Lowest,
                          tpLower = TThreadPriority::Lower, tpNormal = TThreadPriority::Normal,
                          tpHigher = TThreadPriority::Higher, tpHighest = TThreadPriority::Highest,
                          tpTimeCritical = TThreadPriority::TimeCritical;

using plat::cl3DDkShadow; using plat::cl3DLight; using plat::clActiveBorder;
using plat::clActiveCaption; using plat::clAppWorkSpace; using plat::clAqua;
using plat::clBackground; using plat::clBlack; using plat::clBlue; using plat::clBtnFace;
using plat::clBtnHighlight; using plat::clBtnShadow; using plat::clBtnText;
using plat::clCaptionText; using plat::clCream; using plat::clDefault; using plat::clFuchsia;
using plat::clGradientActiveCaption; using plat::clGradientInactiveCaption; using plat::clGray;
using plat::clGrayText; using plat::clGreen; using plat::clHighlight; using plat::clHighlightText;
using plat::clHotLight; using plat::clInactiveBorder; using plat::clInactiveCaption;
using plat::clInactiveCaptionText; using plat::clInfoBk; using plat::clInfoText; using plat::clLime;
using plat::clMaroon; using plat::clMedGray; using plat::clMenu; using plat::clMenuBar;
using plat::clMenuHighlight; using plat::clMenuText; using plat::clMoneyGreen; using plat::clNavy;
using plat::clNone; using plat::clOlive; using plat::clPurple; using plat::clRed;
using plat::clScrollBar; using plat::clSilver; using plat::clSkyBlue; using plat::clTeal;
using plat::clWhite; using plat::clWindow; using plat::clWindowFrame; using plat::clWindowText;
using plat::clYellow;
using plat::crArrow; using plat::crCross; using plat::crDefault; using plat::crDrag;
using plat::crHandPoint; using plat::crHourGlass; using plat::crIBeam; using plat::crNoDrop;
using plat::fsBold; using plat::fsItalic; using plat::fsStrikeOut; using plat::fsUnderline;
using plat::psClear; using plat::psDash; using plat::psDashDot; using plat::psDashDotDot;
using plat::psDot; using plat::psInsideFrame; using plat::psSolid;
using plat::bsBDiagonal; using plat::bsClear; using plat::bsCross; using plat::bsDiagCross;
using plat::bsFDiagonal; using plat::bsHorizontal; using plat::bsSolid; using plat::bsVertical;
using plat::IDABORT; using plat::IDCANCEL; using plat::IDIGNORE; using plat::IDNO; using plat::IDOK;
using plat::IDRETRY; using plat::IDYES;
using plat::MB_ABORTRETRYIGNORE; using plat::MB_ICONASTERISK; using plat::MB_ICONERROR;
using plat::MB_ICONEXCLAMATION; using plat::MB_ICONHAND; using plat::MB_ICONINFORMATION;
using plat::MB_ICONQUESTION; using plat::MB_ICONSTOP; using plat::MB_ICONWARNING; using plat::MB_OK;
using plat::MB_OKCANCEL; using plat::MB_RETRYCANCEL; using plat::MB_TOPMOST; using plat::MB_YESNO;
using plat::MB_YESNOCANCEL;
using plat::ofAllowMultiSelect; using plat::ofEnableSizing; using plat::ofFileMustExist;
using plat::ofHideReadOnly; using plat::ofNoChangeDir; using plat::ofOverwritePrompt;
using plat::ofPathMustExist; using plat::ofReadOnly;

// ---------------------------------------------------------------- enumerations
using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7, mrAll = 8;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TCommonAVI { aviNone, aviFindFolder, aviFindFile, aviFindComputer, aviCopyFiles, aviCopyFile,
                  aviRecycleFile, aviEmptyRecycle, aviDeleteFile };
enum TShiftStateFlag { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
}  // namespace vcl
template <>
struct plat::IsFlagEnum<vcl::TShiftStateFlag> : std::true_type {};
namespace vcl {
using TShiftState = EnumSet<TShiftStateFlag>;

// ---------------------------------------------------------------- events
using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// Runs an event handler the way the loop does: an escaping exception goes to
// the standard exception box.
void Fire(const std::function<void()>& call);

// ---------------------------------------------------------------- shortcuts
// Ctrl 0x4000, Shift 0x2000, Alt 0x8000, plus the virtual key code.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000, scNone = 0;
// "Ctrl+Alt+D", "Esc", "F6", "Shift+Del" ...; 0 for text that names no key.
TShortCut TextToShortCut(std::string_view text);
std::string ShortCutToText(TShortCut sc);
constexpr std::uint16_t VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_ESCAPE = 0x1B,
                        VK_SPACE = 0x20, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_F1 = 0x70;

class TForm;
class TImageList;

// ---------------------------------------------------------------- control base
class TControl : public plat::Window {
 public:
  explicit TControl(TComponent* owner);
  const char* ClassName() const override { return "TControl"; }

  Prop<std::string>& Caption{Text};
  Prop<TDragMode> DragMode{this, plat::dfState, dmManual};
  TNotifyEvent OnClick;
  TMouseMoveEvent OnMouseMove;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

  // What a click does: OnClick, and whatever the control adds to it.
  virtual void Click();
  // Starts dragging this control (a manual drag source calls it itself).
  void BeginDrag(bool immediate = true);
  TForm* ParentForm();
};
using TWinControl = TControl;
using TGraphicControl = TControl;

// Makes a component of the form: owned by owner, named, and placed in parent
// (the owner itself when it is a control and no parent is given).
template <class T>
T* Create(TComponent* owner, const std::string& name, plat::Window* parent = nullptr) {
  T* c = new T(owner);
  c->Name = name;
  if constexpr (std::is_base_of_v<plat::Window, T>) {
    if (!parent) parent = dynamic_cast<plat::Window*>(owner);
    if (parent && static_cast<plat::Window*>(c) != parent) c->Parent = parent;
  }
  return c;
}

// ---------------------------------------------------------------- simple controls
class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* owner);
  const char* ClassName() const override { return "TLabel"; }
  Prop<bool> Transparent{this, plat::dfAppearance, false};
  Prop<bool> AutoSize{this, plat::dfGeometry, true};
  Prop<bool> WordWrap{this, plat::dfAppearance, false};
  Prop<TAlignment> Alignment{this, plat::dfAppearance, taLeftJustify};
};

class TEdit : public TControl {
 public:
  explicit TEdit(TComponent* owner);
  const char* ClassName() const override { return "TEdit"; }
  Prop<bool> ReadOnly{this, plat::dfState, false};
  // 0: no limit. Limits what a person types, not what the program sets.
  Prop<int> MaxLength{this, plat::dfState, 0};
};

class TMemo : public TControl {
 public:
  explicit TMemo(TComponent* owner);
  const char* ClassName() const override { return "TMemo"; }
  std::string GetMemoText() const { return lines_.Text; }
  void SetMemoText(std::string t) { lines_.Text = std::move(t); }

  TStrings* const Lines{&lines_};
  // The lines joined by CR LF.
  Accessor<TMemo, std::string, &TMemo::GetMemoText, &TMemo::SetMemoText> Text{this};
  Prop<bool> ReadOnly{this, plat::dfState, false};
  Prop<TScrollStyle> ScrollBars{this, plat::dfAppearance, ssNone};
  Prop<bool> WordWrap{this, plat::dfAppearance, true};

 private:
  TStringList lines_;
};

// OnChange fires on a person's change only, never on a change from code.
class TComboBox : public TControl {
 public:
  explicit TComboBox(TComponent* owner);
  const char* ClassName() const override { return "TComboBox"; }
  int GetItemIndex() const { return itemIndex_; }
  void SetItemIndex(int index);
  std::string GetComboText() const;
  void SetComboText(std::string text);
  bool GetSorted() const { return items_.Sorted; }
  void SetSorted(bool sorted);

  TStrings* const Items{&items_};
  Accessor<TComboBox, int, &TComboBox::GetItemIndex, &TComboBox::SetItemIndex> ItemIndex{this};
  Accessor<TComboBox, std::string, &TComboBox::GetComboText, &TComboBox::SetComboText> Text{this};
  Prop<TComboBoxStyle> Style{this, plat::dfAppearance, csDropDown};
  // Items sort as text, without regard to case ("10" before "2").
  Accessor<TComboBox, bool, &TComboBox::GetSorted, &TComboBox::SetSorted> Sorted{this};
  Prop<int> DropDownCount{this, plat::dfAppearance, 8};
  TNotifyEvent OnChange;

 private:
  void ItemsChanged(TStrings::ChangeKind kind, int index);
  TStringList items_;
  int itemIndex_ = -1;
  std::string editText_;
};

class TButton : public TControl {
 public:
  explicit TButton(TComponent* owner);
  const char* ClassName() const override { return "TButton"; }
  Prop<bool> Default{this, plat::dfState, false};
  Prop<bool> Cancel{this, plat::dfState, false};
  Prop<TModalResult> ModalResult{this, plat::dfState, mrNone};
  // OnClick, then a non-zero ModalResult ends the modal form it is on.
  void Click() override;
};

class TBitBtn : public TButton {
 public:
  explicit TBitBtn(TComponent* owner);
  const char* ClassName() const override { return "TBitBtn"; }
  TBitBtnKind GetKind() const { return kind_; }
  // Takes the kind's caption, modal result and Default/Cancel role.
  void SetKind(TBitBtnKind kind);
  Accessor<TBitBtn, TBitBtnKind, &TBitBtn::GetKind, &TBitBtn::SetKind> Kind{this};
  TBitmap* const Glyph{&glyph_};
  Prop<int> NumGlyphs{this, plat::dfAppearance, 1};
  Prop<TButtonLayout> Layout{this, plat::dfAppearance, blGlyphLeft};
  void Click() override;

 private:
  TBitmap glyph_{this};
  TBitBtnKind kind_ = bkCustom;
};

class TSpeedButton : public TControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  const char* ClassName() const override { return "TSpeedButton"; }
  bool GetDown() const { return down_; }
  // Down in a group (GroupIndex > 0) releases the group's other buttons.
  void SetDown(bool down);
  TBitmap* const Glyph{&glyph_};
  Prop<int> NumGlyphs{this, plat::dfAppearance, 1};
  Prop<bool> Flat{this, plat::dfAppearance, false};
  Prop<TButtonLayout> Layout{this, plat::dfAppearance, blGlyphLeft};
  Prop<bool> Transparent{this, plat::dfAppearance, true};
  Prop<int> GroupIndex{this, plat::dfState, 0};
  Prop<bool> AllowAllUp{this, plat::dfState, false};
  Accessor<TSpeedButton, bool, &TSpeedButton::GetDown, &TSpeedButton::SetDown> Down{this};
  void Click() override;

 private:
  TBitmap glyph_{this};
  bool down_ = false;
};

class TPanel : public TControl {
 public:
  explicit TPanel(TComponent* owner);
  const char* ClassName() const override { return "TPanel"; }
  Prop<TBevelCut> BevelInner{this, plat::dfAppearance, bvNone};
  Prop<TBevelCut> BevelOuter{this, plat::dfAppearance, bvRaised};
  Prop<int> BevelWidth{this, plat::dfAppearance, 1};
  Prop<int> BorderWidth{this, plat::dfAppearance, 0};
  Prop<TAlignment> Alignment{this, plat::dfAppearance, taCenter};
};

class TGroupBox : public TControl {
 public:
  explicit TGroupBox(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TGroupBox"; }
};

class TBevel : public TControl {
 public:
  explicit TBevel(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TBevel"; }
  Prop<TBevelShape> Shape{this, plat::dfAppearance, bsBox};
  Prop<TBevelStyle> Style{this, plat::dfAppearance, bsLowered};
};

// A control with a check mark. A change of Checked fires OnClick, from a
// person or from code alike (a radio button only when it becomes checked).
class TButtonControl : public TControl {
 public:
  explicit TButtonControl(TComponent* owner) : TControl(owner) {}
  bool GetChecked() const { return checked_; }
  void SetChecked(bool checked);
  Accessor<TButtonControl, bool, &TButtonControl::GetChecked, &TButtonControl::SetChecked> Checked{this};

 protected:
  // Runs after Checked changed, before OnClick; answers whether OnClick fires.
  virtual bool CheckedChanged() { return true; }

 private:
  bool checked_ = false;
};

// Checking one radio button unchecks the others of the same parent.
class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* owner) : TButtonControl(owner) {}
  const char* ClassName() const override { return "TRadioButton"; }
  void Click() override { Checked = true; }

 protected:
  bool CheckedChanged() override;
};

class TCheckBox : public TButtonControl {
 public:
  explicit TCheckBox(TComponent* owner) : TButtonControl(owner) {}
  const char* ClassName() const override { return "TCheckBox"; }
  void Click() override { Checked = !Checked; }
};

// ---------------------------------------------------------------- pages
class TTabSheet;

class TPageControl : public TControl {
 public:
  explicit TPageControl(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TPageControl"; }
  // The active page; the first page until one is chosen.
  TTabSheet* GetActivePage() const;
  void SetActivePage(TTabSheet* page);
  int GetActivePageIndex() const;
  void SetActivePageIndex(int index);
  int GetPageCount() const;
  TTabSheet* Pages(int index) const;

  Accessor<TPageControl, TTabSheet*, &TPageControl::GetActivePage, &TPageControl::SetActivePage> ActivePage{this};
  Accessor<TPageControl, int, &TPageControl::GetActivePageIndex, &TPageControl::SetActivePageIndex>
      ActivePageIndex{this};
  ReadOnly<TPageControl, int, &TPageControl::GetPageCount> PageCount{this};
  Prop<bool> MultiLine{this, plat::dfAppearance, false};

 protected:
  bool ChildShown(const plat::Window& child) const override;

 private:
  std::uint64_t active_ = 0;
};

// OnShow and OnHide fire when the sheet starts or stops being shown: when it
// becomes or stops being the active page while its form shows, and for the
// active page when its form is shown or hidden.
class TTabSheet : public TControl {
 public:
  explicit TTabSheet(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TTabSheet"; }
  TPageControl* GetPageControl() const { return dynamic_cast<TPageControl*>(GetParent()); }
  void SetPageControl(TPageControl* pc) { Parent = pc; }
  int GetPageIndex() const;
  Accessor<TTabSheet, TPageControl*, &TTabSheet::GetPageControl, &TTabSheet::SetPageControl> PageControl{this};
  ReadOnly<TTabSheet, int, &TTabSheet::GetPageIndex> PageIndex{this};
  Prop<bool> TabVisible{this, plat::dfVisibility, true};
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
};

// ---------------------------------------------------------------- tree view
class TTreeView;
class TTreeNodes;

class TTreeNode {
  TTreeView* tree_;

 public:
  TTreeNode(TTreeView* tree, TTreeNodes* nodes, TTreeNode* parent);
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  TTreeNode* GetParent() const { return parent_; }
  int GetCount() const { return static_cast<int>(children_.size()); }
  int GetIndex() const;
  int GetAbsoluteIndex() const;
  int GetLevel() const;
  bool GetSelected() const;

  Prop<std::string> Text;
  Prop<int> ImageIndex;
  Prop<int> SelectedIndex;
  Prop<int> StateIndex;
  void* Data = nullptr;
  ReadOnly<TTreeNode, TTreeNode*, &TTreeNode::GetParent> Parent{this};
  ReadOnly<TTreeNode, int, &TTreeNode::GetCount> Count{this};
  ReadOnly<TTreeNode, int, &TTreeNode::GetIndex> Index{this};
  // The position in the tree's depth-first pre-order.
  ReadOnly<TTreeNode, int, &TTreeNode::GetAbsoluteIndex> AbsoluteIndex{this};
  ReadOnly<TTreeNode, int, &TTreeNode::GetLevel> Level{this};
  ReadOnly<TTreeNode, bool, &TTreeNode::GetSelected> Selected{this};

  TTreeNode* ItemAt(int index) const;
  struct ItemList {
    const TTreeNode* node;
    TTreeNode* operator[](int index) const { return node->ItemAt(index); }
  };
  ItemList Item{this};
  TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  TTreeNode* GetNextSibling() const;
  bool HasChildren() const { return !children_.empty(); }
  TTreeView* TreeView() const { return tree_; }
  // Removes the node and its children from the tree (and frees them).
  void Delete();

 private:
  friend class TTreeNodes;
  TTreeNodes* nodes_;
  TTreeNode* parent_;
  std::vector<std::unique_ptr<TTreeNode>> children_;
};

class TTreeNodes {
 public:
  explicit TTreeNodes(TTreeView* tree) : tree_(tree) {}
  TTreeNodes(const TTreeNodes&) = delete;
  TTreeNodes& operator=(const TTreeNodes&) = delete;
  int GetCount() const { return count_; }
  ReadOnly<TTreeNodes, int, &TTreeNodes::GetCount> Count{this};

  void Clear();
  // Appends a node after the last sibling of sibling (a root at the end when null).
  TTreeNode* Add(TTreeNode* sibling, const std::string& text);
  // Appends a node as the last child of parent (a root at the end when null).
  TTreeNode* AddChild(TTreeNode* parent, const std::string& text);
  TTreeNode* AddFirst(TTreeNode* sibling, const std::string& text);
  // The node at a depth-first pre-order index; nullptr outside.
  TTreeNode* GetNodeFromIndex(int index) const;
  TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  TTreeNode* operator[](int index) const { return GetNodeFromIndex(index); }
  struct ItemList {
    const TTreeNodes* nodes;
    TTreeNode* operator[](int index) const { return nodes->GetNodeFromIndex(index); }
  };
  ItemList Item{this};
  void Delete(TTreeNode* node);
  const std::vector<std::unique_ptr<TTreeNode>>& Roots() const { return roots_; }
  bool Contains(const TTreeNode* node) const;

 private:
  friend class TTreeNode;
  TTreeNode* Insert(TTreeNode* parent, std::size_t position, const std::string& text);
  std::vector<std::unique_ptr<TTreeNode>>& SiblingsOf(TTreeNode* parent);
  TTreeView* tree_;
  std::vector<std::unique_ptr<TTreeNode>> roots_;
  int count_ = 0;
};

class TTreeView : public TControl {
 public:
  explicit TTreeView(TComponent* owner);
  ~TTreeView() override;
  const char* ClassName() const override { return "TTreeView"; }
  TTreeNode* GetSelected() const { return selected_; }
  void SetSelected(TTreeNode* node);

  TTreeNodes* const Items{&nodes_};
  Accessor<TTreeView, TTreeNode*, &TTreeView::GetSelected, &TTreeView::SetSelected> Selected{this};
  Prop<TImageList*> Images{this, plat::dfAppearance, nullptr};
  Prop<int> Indent{this, plat::dfAppearance, 19};
  // Labels cannot be edited while ReadOnly.
  Prop<bool> ReadOnly{this, plat::dfState, false};
  Prop<bool> MultiSelect{this, plat::dfState, false};
  Prop<bool> HotTrack{this, plat::dfAppearance, false};
  Prop<bool> ShowLines{this, plat::dfAppearance, true};
  Prop<bool> ShowRoot{this, plat::dfAppearance, true};

  // A label edit, allowed only when not ReadOnly; false when refused.
  bool EditLabel(TTreeNode* node, const std::string& text);

 private:
  friend class TTreeNodes;
  void NodeGone(const TTreeNode* node);
  TTreeNodes nodes_{this};
  TTreeNode* selected_ = nullptr;
};

// ---------------------------------------------------------------- pictures and shapes
class TImage : public TControl {
 public:
  explicit TImage(TComponent* owner);
  const char* ClassName() const override { return "TImage"; }
  // The picture's canvas, sized to the image on first use when the picture is empty.
  TCanvas* GetCanvas();
  TPicture* const Picture{&picture_};
  LazyPtr<TImage, TCanvas, &TImage::GetCanvas> Canvas{this};
  Prop<bool> Stretch{this, plat::dfAppearance, false};
  Prop<bool> Transparent{this, plat::dfAppearance, false};
  Prop<bool> AutoSize{this, plat::dfGeometry, false};
  Prop<bool> Center{this, plat::dfAppearance, false};

 private:
  TPicture picture_{this};
};

class TShape : public TControl {
 public:
  explicit TShape(TComponent* owner);
  const char* ClassName() const override { return "TShape"; }
  Prop<TShapeType> Shape{this, plat::dfAppearance, stRectangle};
  TBrush* const Brush{&brush_};
  TPen* const Pen{&pen_};

 private:
  TBrush brush_{this};
  TPen pen_{this};
};

// ---------------------------------------------------------------- menus
class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  ~TMenuItem() override;
  const char* ClassName() const override { return "TMenuItem"; }
  TMenuItem* GetParentItem() const { return parent_; }
  int GetCount() const { return static_cast<int>(items_.size()); }

  Prop<std::string> Caption{this, plat::dfText};
  Prop<bool> Visible{this, plat::dfVisibility, true};
  Prop<bool> Enabled{this, plat::dfState, true};
  Prop<bool> Checked{this, plat::dfState, false};
  Prop<TShortCut> ShortCut{this, plat::dfState, 0};
  Prop<std::string> Hint{this, plat::dfAppearance};
  TNotifyEvent OnClick;
  ReadOnly<TMenuItem, TMenuItem*, &TMenuItem::GetParentItem> Parent{this};
  ReadOnly<TMenuItem, int, &TMenuItem::GetCount> Count{this};

  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  TMenuItem* ItemAt(int index) const;
  TMenuItem* operator[](int index) const { return ItemAt(index); }
  struct ItemList {
    const TMenuItem* item;
    TMenuItem* operator[](int index) const { return item->ItemAt(index); }
  };
  ItemList Items{this};
  // The item (this one or below) with that shortcut, visible or not.
  TMenuItem* FindShortCut(TShortCut sc);
  virtual void Click();

 private:
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TMainMenu : public TComponent {
 public:
  explicit TMainMenu(TComponent* owner);
  const char* ClassName() const override { return "TMainMenu"; }
  // The invisible root; the top-level entries are its items.
  TMenuItem* const Items;
};

// ---------------------------------------------------------------- non-visual components
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  const char* ClassName() const override { return "TTimer"; }
  unsigned GetInterval() const { return timer_.Interval(); }
  void SetInterval(unsigned ms) { timer_.SetInterval(ms); Changed(plat::dfState); }
  bool GetEnabled() const { return timer_.Enabled(); }
  void SetEnabled(bool on) { timer_.SetEnabled(on); Changed(plat::dfState); }
  Accessor<TTimer, unsigned, &TTimer::GetInterval, &TTimer::SetInterval> Interval{this};
  Accessor<TTimer, bool, &TTimer::GetEnabled, &TTimer::SetEnabled> Enabled{this};
  TNotifyEvent OnTimer;
  const plat::Timer& Core() const { return timer_; }

 private:
  plat::Timer timer_;
};

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TImageList"; }
  int GetCount() const { return static_cast<int>(pictures_.size()); }
  Prop<int> Width{this, plat::dfAppearance, 16};
  Prop<int> Height{this, plat::dfAppearance, 16};
  ReadOnly<TImageList, int, &TImageList::GetCount> Count{this};
  // Appends a declared picture by resource name and answers its index.
  int AddResource(const std::string& name);
  const std::string& PictureName(int index) const;

 private:
  std::vector<std::string> pictures_;
};

class TAnimate : public TControl {
 public:
  explicit TAnimate(TComponent* owner) : TControl(owner) {}
  const char* ClassName() const override { return "TAnimate"; }
  Prop<TCommonAVI> CommonAVI{this, plat::dfContent, aviNone};
  Prop<bool> Active{this, plat::dfState, false};
  Prop<int> StartFrame{this, plat::dfState, 1};
  Prop<int> StopFrame{this, plat::dfState, 0};
  Prop<int> Repetitions{this, plat::dfState, 0};
};

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TOpenDialog"; }
  Prop<std::string> Title{this, plat::dfText};
  Prop<std::string> Filter{this, plat::dfContent};
  Prop<int> FilterIndex{this, plat::dfContent, 1};
  Prop<std::string> DefaultExt{this, plat::dfContent};
  Prop<std::string> FileName{this, plat::dfContent};
  Prop<std::string> InitialDir{this, plat::dfContent};
  Prop<TOpenOptions> Options{this, plat::dfContent, TOpenOptions(plat::ofHideReadOnly) | plat::ofEnableSizing};
  // True with FileName set to the chosen file (DefaultExt added to a name
  // without extension); false when cancelled.
  bool Execute();

 protected:
  virtual plat::FileDialogKind Kind() const { return plat::FileDialogKind::Open; }
};

class TSaveDialog : public TOpenDialog {
 public:
  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
  const char* ClassName() const override { return "TSaveDialog"; }

 protected:
  plat::FileDialogKind Kind() const override { return plat::FileDialogKind::Save; }
};

class TColorDialog : public TComponent {
 public:
  explicit TColorDialog(TComponent* owner) : TComponent(owner) {}
  const char* ClassName() const override { return "TColorDialog"; }
  Prop<TColor> Color{this, plat::dfContent, clBlack};
  bool Execute();
};

// ---------------------------------------------------------------- class registry
struct ComponentClass {
  const char* name;
  std::function<TComponent*(TComponent* owner)> create;
};
// Every component class the façade defines, with a way to make one (the
// backend is tested to render each).
const std::vector<ComponentClass>& ComponentClasses();

}  // namespace vcl
