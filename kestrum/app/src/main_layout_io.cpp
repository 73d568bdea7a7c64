// The page "Remote Devices I/O Monitor": thirty device slots in two rows of
// fifteen, the bus-line images, the detail panel of the selected slave and, on
// it, the get and set attribute pages.

#include <tuple>

#include "kestrum/app/main_form.h"
#include "layout.h"
#include "platform/format.h"

using namespace vcl;
using namespace kestrum::layout;

namespace {

constexpr int kSlotPitch = 56;         // pixels from one column to the next
constexpr int kFirstFrameLeft = 28;    // the first column's frame
constexpr int kRowFrameTop[2] = {20, 116};
constexpr int kSlotsPerRow = 15;

}  // namespace

void TForm_Main::BuildDeviceIOPage() {
  TTabSheet* page = TabSheet_DeviceIO;

  // ---- bus lines: above each row and down the left edge to the panel
  Image_HLine1 = Picture(this, "Image_HLine1", page, 14, 4, 845, 13, "", false);
  Image_HLine2 = Picture(this, "Image_HLine2", page, 14, 100, 845, 13, "", false);
  Image_VLine = Picture(this, "Image_VLine", page, 0, 4, 14, 285, "", false);

  // ---- the slots, found by name at run time
  for (int n = 1; n <= 2 * kSlotsPerRow; ++n) {
    const int row = n > kSlotsPerRow ? 1 : 0;
    const int column = row ? n - kSlotsPerRow : n;
    const int left = kFirstFrameLeft + kSlotPitch * (column - 1);
    const int top = kRowFrameTop[row];

    auto* frame = Make<TShape>(this, plat::Format("Shape_D%d", n), page, left, top, 49, 49);
    frame->Brush->Style = bsClear;
    frame->Pen->Color = clRed;
    frame->Pen->Width = 3;
    Make<TBevel>(this, plat::Format("Bevel%d", n), page, left, top + 52, 49, 25);
    auto* image = Picture(this, plat::Format("Image_D%d", n), page, left + 8, top + 8, 32, 32, "SLOT_DEVICE",
                          /*stretch=*/false);
    image->ShowHint = true;
    image->OnClick = Method(this, &TForm_Main::Image_D1Click);
    auto* led = Make<TShape>(this, plat::Format("Shape_LED%d", n), page, left + 4, top + 57, 15, 15);
    led->Shape = stCircle;
    led->Brush->Color = clLime;
    auto* label = Label(this, plat::Format("Label%03d", n), page, left + 24, top + 56, plat::Format("%02d", n));
    BoldFont(label->Font, 16);
  }

  // ---- the selected slave's details
  Shape_IO = Make<TShape>(this, "Shape_IO", page, 14, 212, 872, 272);
  Shape_IO->Brush->Style = bsClear;
  Shape_IO->Pen->Color = clRed;
  Shape_IO->Pen->Width = 3;
  Panel2 = Make<TPanel>(this, "Panel2", page, 16, 214, 868, 268);

  auto detail = [this](TEdit* TForm_Main::*member, const char* name, int left, int top, int width) {
    TEdit* e = Edit(this, name, Panel2, left, top, width, /*read_only=*/true);
    e->Color = clMoneyGreen;
    this->*member = e;
  };
  Label_DeviceName = Label(this, "Label_DeviceName", Panel2, 8, 10, "DeviceName : ");
  detail(&TForm_Main::Edit_DeviceName, "Edit_DeviceName", 116, 6, 200);
  Label_IOType = Label(this, "Label_IOType", Panel2, 8, 36, "Connection Type : ");
  detail(&TForm_Main::Edit_IOType, "Edit_IOType", 116, 32, 80);
  Label_Length = Label(this, "Label_Length", Panel2, 8, 62, "Length : ");
  detail(&TForm_Main::Edit_InputLen, "Edit_InputLen", 116, 58, 50);
  detail(&TForm_Main::Edit_OutputLen, "Edit_OutputLen", 176, 58, 50);
  Label_ErrorCode = Label(this, "Label_ErrorCode", Panel2, 8, 88, "Error Code : ");
  detail(&TForm_Main::Edit_ErrorCode, "Edit_ErrorCode", 116, 84, 80);

  Label_InputData = Label(this, "Label_InputData", Panel2, 8, 114, "Input Data  Bytes :");
  Memo_Input = Make<TMemo>(this, "Memo_Input", Panel2, 8, 130, 300, 52);
  Memo_Input->ReadOnly = true;
  Memo_Input->Color = clMoneyGreen;
  Label_OutputData = Label(this, "Label_OutputData", Panel2, 8, 186, "Output Data  Bytes :");
  Memo_Output = Make<TMemo>(this, "Memo_Output", Panel2, 8, 202, 300, 58);
  Memo_Output->ScrollBars = ssVertical;

  struct Command {
    TSpeedButton* TForm_Main::*member;
    const char* name;
    const char* hint;
    const char* glyph;
    int top;
    void (TForm_Main::*click)(TObject*);
  };
  const Command commands[] = {
      {&TForm_Main::SpeedButton_StartDevice, "SpeedButton_StartDevice", "Start the device and initial output value",
       "IO_START", 130, &TForm_Main::SpeedButton_StartDeviceClick},
      {&TForm_Main::SpeedButton_StopDevice, "SpeedButton_StopDevice", "Stop the devcie", "IO_STOP", 174,
       &TForm_Main::SpeedButton_StopDeviceClick},
      {&TForm_Main::SpeedButton_RefreshIO, "SpeedButton_RefreshIO", "Refresh Output  Data", "IO_REFRESH", 218,
       &TForm_Main::SpeedButton_RefreshIOClick},
  };
  for (const Command& c : commands) {
    TSpeedButton* b = ToolButton(this, c.name, Panel2, 318, c.top, 40, c.hint, c.glyph);
    b->Enabled = false;  // until the first selection
    b->OnClick = Method(this, c.click);
    this->*c.member = b;
  }

  BuildAttributePages();
}

void TForm_Main::BuildAttributePages() {
  PageControl_Attribute = Make<TPageControl>(this, "PageControl_Attribute", Panel2, 372, 4, 490, 260);
  PageControl_Attribute->MultiLine = true;
  TabSheet1 = Make<TTabSheet>(this, "TabSheet1", PageControl_Attribute, 24, 4, 462, 252);
  TabSheet1->Caption = "Get Attribute";
  TabSheet2 = Make<TTabSheet>(this, "TabSheet2", PageControl_Attribute, 24, 4, 462, 252);
  TabSheet2->Caption = "Set Attribute";

  // Class, instance and attribute number, the same on both pages.
  struct Number {
    TLabel* TForm_Main::*label;
    const char* label_name;
    const char* caption;
    TEdit* TForm_Main::*edit;
    const char* edit_name;
  };
  auto numbers = [this](TTabSheet* sheet, const Number (&fields)[3]) {
    int top = 8;
    for (const Number& f : fields) {
      this->*f.label = Label(this, f.label_name, sheet, 8, top + 4, f.caption);
      TEdit* e = Edit(this, f.edit_name, sheet, 70, top, 60);
      e->Hint = "ex. 0xAA or 170";
      e->ShowHint = true;
      this->*f.edit = e;
      top += 28;
    }
  };
  const Number get_fields[3] = {
      {&TForm_Main::Label_Get_ClassID, "Label_Get_ClassID", "Class ID", &TForm_Main::Edit_Get_ClassID,
       "Edit_Get_ClassID"},
      {&TForm_Main::Label_Get_InstanceID, "Label_Get_InstanceID", "Inst. ID", &TForm_Main::Edit_Get_InstanceID,
       "Edit_Get_InstanceID"},
      {&TForm_Main::Label_Get_AttributeID, "Label_Get_AttributeID", "Attr. ID", &TForm_Main::Edit_Get_AttributeID,
       "Edit_Get_AttributeID"},
  };
  const Number set_fields[3] = {
      {&TForm_Main::Label_Set_ClassID, "Label_Set_ClassID", "Class ID", &TForm_Main::Edit_Set_ClassID,
       "Edit_Set_ClassID"},
      {&TForm_Main::Label_Set_InstanceID, "Label_Set_InstanceID", "Inst. ID", &TForm_Main::Edit_Set_InstanceID,
       "Edit_Set_InstanceID"},
      {&TForm_Main::Label_Set_AttributeID, "Label_Set_AttributeID", "Attr. ID", &TForm_Main::Edit_Set_AttributeID,
       "Edit_Set_AttributeID"},
  };

  // ---- get
  numbers(TabSheet1, get_fields);
  SpeedButton_GetAttribute =
      SpeedButton(this, "SpeedButton_GetAttribute", TabSheet1, 150, 4, 110, 28, "Get Attribute", "ATTR_GET");
  SpeedButton_GetAttribute->OnClick = Method(this, &TForm_Main::SpeedButton_GetAttributeClick);
  struct Display {
    TRadioButton* TForm_Main::*member;
    const char* name;
    const char* caption;
    void (TForm_Main::*click)(TObject*);
  };
  const Display forms[] = {
      {&TForm_Main::RadioButton_Get_ASCII, "RadioButton_Get_ASCII", "ASCII", &TForm_Main::RadioButton_Get_ASCIIClick},
      {&TForm_Main::RadioButton_Get_BYTE, "RadioButton_Get_BYTE", "BYTE", &TForm_Main::RadioButton_Get_BYTEClick},
      {&TForm_Main::RadioButton_Get_WORD, "RadioButton_Get_WORD", "WORD", &TForm_Main::RadioButton_Get_WORDClick},
      {&TForm_Main::RadioButton_Get_DWORD, "RadioButton_Get_DWORD", "DWORD", &TForm_Main::RadioButton_Get_DWORDClick},
  };
  int left = 150;
  for (const Display& f : forms) {
    auto* r = Make<TRadioButton>(this, f.name, TabSheet1, left, 44, 60, 17);
    r->Caption = f.caption;
    this->*f.member = r;
    left += 64;
  }
  RadioButton_Get_BYTE->Checked = true;  // before the handlers: checking one fires its click
  for (const Display& f : forms) (this->*f.member)->OnClick = Method(this, f.click);
  Memo_GetAttribute = Make<TMemo>(this, "Memo_GetAttribute", TabSheet1, 8, 92, 446, 150);
  Memo_GetAttribute->Color = clMoneyGreen;
  Memo_GetAttribute->ScrollBars = ssVertical;

  // ---- set: the data are bytes; the other three forms exist but never show
  numbers(TabSheet2, set_fields);
  SpeedButton_Set_Attribute =
      SpeedButton(this, "SpeedButton_Set_Attribute", TabSheet2, 150, 4, 110, 28, "Set Attribute", "ATTR_SET");
  SpeedButton_Set_Attribute->OnClick = Method(this, &TForm_Main::SpeedButton_Set_AttributeClick);
  RadioButton_Set_BYTE = Make<TRadioButton>(this, "RadioButton_Set_BYTE", TabSheet2, 214, 44, 60, 17);
  RadioButton_Set_BYTE->Caption = "BYTE";
  RadioButton_Set_BYTE->Checked = true;
  left = 150;
  for (auto [member, name, caption] : {std::tuple{&TForm_Main::RadioButton_Set_ASCII, "RadioButton_Set_ASCII", "ASCII"},
                                       std::tuple{&TForm_Main::RadioButton_Set_WORD, "RadioButton_Set_WORD", "WORD"},
                                       std::tuple{&TForm_Main::RadioButton_Set_DWORD, "RadioButton_Set_DWORD", "DWORD"}}) {
    auto* r = Make<TRadioButton>(this, name, TabSheet2, left, 64, 60, 17);
    r->Caption = caption;
    r->Visible = false;
    this->*member = r;
    left += 64;
  }
  Memo_Set_Attribute = Make<TMemo>(this, "Memo_Set_Attribute", TabSheet2, 8, 92, 300, 150);
  Memo_Set_Attribute->Color = clMoneyGreen;
  Memo_Set_Attribute->ScrollBars = ssVertical;
  Label_SetResponse = Label(this, "Label_SetResponse", TabSheet2, 318, 92, "Response");
  Edit_SetResponse = Edit(this, "Edit_SetResponse", TabSheet2, 318, 108, 136, /*read_only=*/true);
}
