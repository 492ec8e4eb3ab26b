#include "app/Form.h"

#include "protocol/PageTransfer.h"

namespace kelvo {

namespace {

TControl Make(const char* name, TControlKind kind, int left, int top, int width, int height, uint8_t anchors,
              const char* text, int tabOrder = -1) {
  TControl c;
  c.Name = name;
  c.Kind = kind;
  c.Left = c.DesignLeft = left;
  c.Top = c.DesignTop = top;
  c.Width = c.DesignWidth = width;
  c.Height = c.DesignHeight = height;
  c.Anchors = anchors;
  c.Text = text;
  c.TabOrder = tabOrder;
  return c;
}

template <typename T>
T MakeAs(const TControl& base) {
  T c;
  static_cast<TControl&>(c) = base;
  return c;
}

constexpr int DesignClientWidth = 364, DesignClientHeight = 402;
constexpr uint8_t akLeftTop = akLeft | akTop;

}  // namespace

TRect FitIntoWorkArea(const TRect& window, const TRect& area) {
  const int width = window.Right - window.Left, height = window.Bottom - window.Top;
  int left = window.Left, top = window.Top;
  if (left + width > area.Right) left = area.Right - width;
  if (top + height > area.Bottom) top = area.Bottom - height;
  if (left < area.Left) left = area.Left;
  if (top < area.Top) top = area.Top;
  return {left, top, left + width, top + height};
}

TRememberedFiles& ProcessRememberedFiles() {
  static TRememberedFiles files;
  return files;
}

TForm1::TForm1(TFormServices& services, TRememberedFiles& files, std::unique_ptr<TSerialDevice> serial,
               TClock& clock, TPortLister ports)
    : LabelPort(Make("LabelPort", ckLabel, 8, 4, 22, 13, akLeftTop, "Port:")),
      ComboBoxPort(MakeAs<TComboBox>(Make("ComboBoxPort", ckComboBox, 8, 20, 113, 21, akLeftTop, "", 2))),
      ButtonFlash(Make("ButtonFlash", ckButton, 144, 0, 90, 25, akTop | akRight, "Upgrade", 0)),
      Memo(MakeAs<TMemo>(Make("Memo", ckMemo, 8, 104, 354, 289, akLeft | akTop | akRight | akBottom, "", 1))),
      Label1(Make("Label1", ckLabel, 8, 88, 51, 13, akLeftTop, "Messages:")),
      Panel(Make("Panel", ckPanel, 0, 0, 364, 402, akLeft | akTop | akRight | akBottom, "", 0)),
      LabelBaudrate(Make("LabelBaudrate", ckLabel, 152, 36, 73, 13, akLeftTop, "Speed: 115200")),
      ComboBoxSpeed(MakeAs<TComboBox>(Make("ComboBoxSpeed", ckComboBox, 264, 28, 89, 21, akLeftTop, "9600", 3))),
      ProgressBar1(MakeAs<TProgressBar>(Make("ProgressBar1", ckProgressBar, 8, 64, 361, 17, akLeftTop, "", 4))),
      Button1(Make("Button1", ckButton, 264, 0, 89, 25, akLeftTop, "Send fonts", 5)),
      Services(services),
      Files(files),
      FClock(clock),
      ListPorts(std::move(ports)),
      FCOMSocket(std::move(serial), clock) {
  ComboBoxPort.Hint = "Port komunikacyjny";
#if defined(_WIN32)
  ComboBoxSpeed.Hint = "Szybko\x9C\xE6 transmisji";  // the ANSI code page (1250) of the log lines
#else
  ComboBoxSpeed.Hint = "Szybko\xC5\x9B\xC4\x87 transmisji";
#endif
  ComboBoxSpeed.ListOnly = true;
  ComboBoxSpeed.Items = {"2400",   "4800",   "9600",   "19200",  "28800",  "38400",
                         "57600",  "115200", "230400", "250000", "500000", "1000000"};
  // The port object starts closed; then the constructor's own steps.
  PanelDoubleBuffered = true;
  for (size_t i = 0; i < ComboBoxSpeed.Items.size(); ++i)
    if (ComboBoxSpeed.Items[i] == "9600") {
      ComboBoxSpeed.ItemIndex = static_cast<int>(i);
      ComboBoxSpeed.Text = ComboBoxSpeed.Items[i];
    }
  Caption = WindowCaption;
}

TForm1::~TForm1() {
  // The port goes before the controls; its own destructor closes it.
  FCOMSocket.Close();
}

std::vector<TControl*> TForm1::Controls() {
  return {&LabelPort, &ComboBoxPort, &ButtonFlash, &Memo, &Label1, &Panel, &LabelBaudrate, &ComboBoxSpeed,
          &ProgressBar1, &Button1};
}

void TForm1::FormCreate() {
  ListPorts(ComboBoxPort.Items);
  if (!ComboBoxPort.Items.empty()) {
    ComboBoxPort.ItemIndex = 0;
    ComboBoxPort.Text = ComboBoxPort.Items[0];
  } else {
    ComboBoxPort.ItemIndex = -1;
  }
}

void TForm1::ComboBoxPortDropDown() {
  // Refilling the list keeps the text the user chose or typed.
  ListPorts(ComboBoxPort.Items);
  ComboBoxPort.ItemIndex = -1;
}

void TForm1::ButtonFlashClick() {
  if (Busy()) return;
  FLastResult = RunUpgrade(*this, Files.FirmwareFileName);
}

void TForm1::Button1Click() {
  if (Busy()) return;
  FLastResult = RunFontUpload(*this, Files.FontFileName);
}

void TForm1::FormDestroy() {}

void TForm1::SetBounds(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width < MinWidth ? MinWidth : width;
  Height = height < MinHeight ? MinHeight : height;
  SetClientSize(Width - FrameWidth, Height - FrameHeight);
}

void TForm1::SetClientSize(int clientWidth, int clientHeight) {
  const int minClientWidth = MinWidth - FrameWidth, minClientHeight = MinHeight - FrameHeight;
  ClientWidth = clientWidth < minClientWidth ? minClientWidth : clientWidth;
  ClientHeight = clientHeight < minClientHeight ? minClientHeight : clientHeight;
  Width = ClientWidth + FrameWidth;
  Height = ClientHeight + FrameHeight;
  const int dx = ClientWidth - DesignClientWidth, dy = ClientHeight - DesignClientHeight;
  for (TControl* c : Controls()) {
    // An edge anchored to both sides stretches; one anchored right or bottom only moves.
    const bool left = c->Anchors & akLeft, right = c->Anchors & akRight;
    const bool top = c->Anchors & akTop, bottom = c->Anchors & akBottom;
    c->Left = c->DesignLeft + (right && !left ? dx : 0);
    c->Width = c->DesignWidth + (right && left ? dx : 0);
    c->Top = c->DesignTop + (bottom && !top ? dy : 0);
    c->Height = c->DesignHeight + (bottom && top ? dy : 0);
  }
}

bool TForm1::SendPages(TTargetMemory target, uint32_t pageSize, int32_t firstPage, TByteBuffer& buffer) {
  return kelvo::SendPages(*this, target, pageSize, firstPage, buffer);
}

void TForm1::AddLine(const std::string& line) {
  Memo.Lines.push_back(line);
  Services.LineAdded(line);
}

void TForm1::SetProgressMax(int32_t max) {
  ProgressBar1.Max = max;
  Services.ProgressChanged(ProgressBar1.Max, ProgressBar1.Position);
}

void TForm1::SetProgressPosition(int32_t position) {
  ProgressBar1.Position = position;
  Services.ProgressChanged(ProgressBar1.Max, ProgressBar1.Position);
}

std::optional<std::string> TForm1::ChooseFile(const TOpenDialogParams& params) { return Services.OpenFileDialog(params); }

void TForm1::SetBusy(bool busy) {
  Panel.Enabled = !busy;
  Services.BusyChanged(busy);
}

}  // namespace kelvo
