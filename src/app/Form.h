#pragma once
// TForm1: the tool's one window as a model with no toolkit behind it. It
// holds the state of every control and runs the handlers; a front end draws
// that state with native controls and feeds user input back.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Operations.h"
#include "serial/COMSocket.h"
#include "serial/PortDiscovery.h"

namespace kelvo {

enum TAnchor : uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

enum TControlKind : uint8_t { ckPanel, ckLabel, ckButton, ckComboBox, ckProgressBar, ckMemo };

struct TControl {
  std::string Name;
  TControlKind Kind;
  int Left, Top, Width, Height;  // client pixels at 96 dpi, at the laid-out size
  uint8_t Anchors;
  std::string Text;
  std::string Hint;
  int TabOrder = -1;  // -1: not a tab stop
  bool Enabled = true;
  // As laid out, for the resize rule.
  int DesignLeft = 0, DesignTop = 0, DesignWidth = 0, DesignHeight = 0;
};

struct TComboBox : TControl {
  std::vector<std::string> Items;
  int ItemIndex = -1;
  bool ListOnly = false;  // a choice from the list only
  int DropDownCount = 16;
};

struct TProgressBar : TControl {
  int Min = 0, Max = 100, Position = 0;
};

struct TMemo : TControl {
  std::vector<std::string> Lines;
  bool ReadOnly = true;
  bool VerticalScrollBar = true;
};

// What a front end provides.
class TFormServices {
 public:
  virtual ~TFormServices() = default;
  // Lets pending window messages run, then returns.
  virtual void ProcessMessages() = 0;
  // The platform's open-file dialog; nothing when cancelled.
  virtual std::optional<std::string> OpenFileDialog(const TOpenDialogParams& params) = 0;
  // The standard error display (a message box with the message).
  virtual void ShowError(const std::string& message) = 0;
  // The model changed: a line was appended, the progress bar or the busy
  // state moved. A front end redraws what it shows of it.
  virtual void LineAdded(const std::string&) {}
  virtual void ProgressChanged(int /*max*/, int /*position*/) {}
  virtual void BusyChanged(bool /*busy*/) {}
};

// The two file names remembered for the life of the process.
struct TRememberedFiles {
  std::string FirmwareFileName;
  std::string FontFileName;
};
TRememberedFiles& ProcessRememberedFiles();

struct TRect {
  int Left, Top, Right, Bottom;
};

// Where a window of the given bounds opens: where it stands when it lies
// wholly inside the work area, otherwise moved just enough to lie inside
// (its top-left corner kept on screen when it is larger than the area).
TRect FitIntoWorkArea(const TRect& window, const TRect& workArea);

using TPortLister = std::function<void(std::vector<std::string>& list)>;

constexpr const char* ApplicationTitle = "Kelvo Boot Loader";
constexpr const char* WindowCaption = "Pellix bootloader v1.34.1";

class TForm1 : private TOperationHost {
 public:
  // The platform's serial port, clock and port list by default.
  explicit TForm1(TFormServices& services, TRememberedFiles& files = ProcessRememberedFiles(),
                  std::unique_ptr<TSerialDevice> serial = CreateSystemSerialDevice(), TClock& clock = SystemClock(),
                  TPortLister ports = EnumerateSystemSerialPorts);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Handlers.
  void FormCreate();
  void ComboBoxPortDropDown();
  void ButtonFlashClick();
  void Button1Click();
  void FormDestroy();
  // The results of the last operation, for front ends that report them.
  TOperationResult LastResult() const { return FLastResult; }

  // Outer window size; the client area follows, the controls with their
  // anchors. Sizes below the minimum are raised to it.
  void SetBounds(int left, int top, int width, int height);
  void SetClientSize(int clientWidth, int clientHeight);
  bool Busy() const { return !Panel.Enabled; }

  // The page transfer engine on this window's port, log and progress bar.
  bool SendPages(TTargetMemory target, uint32_t pageSize, int32_t firstPage, TByteBuffer& buffer);
  void AddLine(const std::string& line);

  // Every control, in the order they are declared.
  std::vector<TControl*> Controls();
  TCOMSocket& COMSocket() { return FCOMSocket; }

  std::string Caption;
  int Left = 1419, Top = 302, Width = 380, Height = 441;
  int ClientWidth = 364, ClientHeight = 402;
  static constexpr int MinWidth = 380, MinHeight = 320;
  static constexpr int FrameWidth = 16, FrameHeight = 39;  // outer less client, sizeable border and caption
  std::string FontName = "MS Sans Serif";
  int FontHeight = 11;

  TControl LabelPort;
  TComboBox ComboBoxPort;
  TControl ButtonFlash;
  TMemo Memo;
  TControl Label1;
  TControl Panel;
  bool PanelDoubleBuffered = false;
  TControl LabelBaudrate;
  TComboBox ComboBoxSpeed;
  TProgressBar ProgressBar1;
  TControl Button1;

 private:
  // TOperationHost
  TCOMSocket& Port() override { return FCOMSocket; }
  void Log(const std::string& line) override { AddLine(line); }
  void SetProgressMax(int32_t max) override;
  void SetProgressPosition(int32_t position) override;
  void ProcessMessages() override { Services.ProcessMessages(); }
  std::optional<std::string> ChooseFile(const TOpenDialogParams& params) override;
  std::string PortText() override { return ComboBoxPort.Text; }
  std::string SpeedText() override { return ComboBoxSpeed.Text; }
  void SetBusy(bool busy) override;
  TClock& Clock() override { return FClock; }

  TFormServices& Services;
  TRememberedFiles& Files;
  TClock& FClock;
  TPortLister ListPorts;
  TCOMSocket FCOMSocket;
  TOperationResult FLastResult = orCompleted;
};

}  // namespace kelvo
