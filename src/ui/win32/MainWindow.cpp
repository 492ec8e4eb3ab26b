// KelvoBootLoader.exe: the TForm1 model drawn with native Win32 controls.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "app/Form.h"

namespace kelvo::ui {

namespace {

constexpr const char* MainClass = "KelvoBootLoaderWindow";
constexpr const char* PanelClass = "KelvoBootLoaderPanel";
constexpr int IdPort = 101, IdFlash = 102, IdMemo = 103, IdSpeed = 104, IdProgress = 105, IdFonts = 106;

// The open-file filter "a|b|c|d" as Windows wants it: "a\0b\0c\0d\0\0".
std::string DialogFilter(const std::string& filter) {
  std::string out = filter;
  for (char& c : out)
    if (c == '|') c = '\0';
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

class TMainWindow : public TFormServices {
 public:
  TMainWindow() : Form(*this) {}

  bool Create(HINSTANCE instance) {
    Instance = instance;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TMainWindow::MainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconA(instance, "MAINICON");
    wc.lpszClassName = MainClass;
    if (!RegisterClassExA(&wc)) return false;
    wc.lpfnWndProc = &TMainWindow::PanelProc;
    wc.hIcon = nullptr;
    wc.lpszClassName = PanelClass;
    if (!RegisterClassExA(&wc)) return false;

    Font = CreateFontA(-Form.FontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Form.FontName.c_str());
    // The controls are laid out in a client area of 364 x 402, whatever the
    // frame of this system measures.
    RECT frame{0, 0, Form.ClientWidth, Form.ClientHeight};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    Form.Width = frame.right - frame.left;
    Form.Height = frame.bottom - frame.top;
    // Keep the laid-out position where the window fits on its monitor.
    RECT wanted{Form.Left, Form.Top, Form.Left + Form.Width, Form.Top + Form.Height};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoA(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) {
      const TRect fitted = FitIntoWorkArea({wanted.left, wanted.top, wanted.right, wanted.bottom},
                                           {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom});
      Form.Left = fitted.Left;
      Form.Top = fitted.Top;
    }
    Window = CreateWindowExA(0, MainClass, Form.Caption.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, Form.Left,
                             Form.Top, Form.Width, Form.Height, nullptr, nullptr, instance, this);
    return Window != nullptr;
  }

  // The tab key walks the controls.
  bool DialogMessage(MSG* msg) { return IsDialogMessageA(Window, msg) != 0; }

  void Show(int show) {
    ShowWindow(Window, show);
    UpdateWindow(Window);
  }

  // TFormServices
  void ProcessMessages() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      if (!DialogMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }

  std::optional<std::string> OpenFileDialog(const TOpenDialogParams& params) override {
    // Tests answer the dialog through KELVO_DIALOG_ANSWERS ("path;path;..."; an
    // empty entry cancels), one answer a dialog.
    if (const char* answers = std::getenv("KELVO_DIALOG_ANSWERS")) {
      const std::string all = answers;
      std::vector<std::string> items;
      std::stringstream split(all);
      for (std::string item; std::getline(split, item, ';');) items.push_back(item);
      const size_t index = DialogsAnswered++;
      if (index >= items.size() || items[index].empty()) return std::nullopt;
      return items[index];
    }
    char file[MAX_PATH] = {};
    params.FileName.copy(file, MAX_PATH - 1);
    const std::string filter = DialogFilter(params.Filter);
    const std::string ext = params.DefaultExt.empty() || params.DefaultExt[0] != '.' ? params.DefaultExt
                                                                                      : params.DefaultExt.substr(1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Window;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = params.InitialDir.empty() ? nullptr : params.InitialDir.c_str();
    ofn.lpstrTitle = params.Title.c_str();
    ofn.lpstrDefExt = ext.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetOpenFileNameA(&ofn)) return std::nullopt;
    return std::string(file);
  }

  void ShowError(const std::string& message) override {
    MessageBoxA(Window, message.c_str(), ApplicationTitle, MB_OK | MB_ICONERROR);
  }

  void LineAdded(const std::string& line) override {
    // Appended at the end, never re-sending the whole text.
    const std::string text = (Form.Memo.Lines.size() > 1 ? "\r\n" : "") + line;
    const LRESULT length = GetWindowTextLengthA(Handle(IdMemo));
    SendMessageA(Handle(IdMemo), EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    SendMessageA(Handle(IdMemo), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(Handle(IdMemo), EM_SCROLLCARET, 0, 0);  // the newest line in view
    SendMessageA(Handle(IdMemo), WM_VSCROLL, SB_BOTTOM, 0);
  }

  void ProgressChanged(int max, int position) override {
    SendMessageA(Handle(IdProgress), PBM_SETRANGE32, 0, max);
    SendMessageA(Handle(IdProgress), PBM_SETPOS, static_cast<WPARAM>(position), 0);
  }

  void BusyChanged(bool busy) override { EnableWindow(Panel, busy ? FALSE : TRUE); }

 private:
  HWND Handle(int id) const { return Controls.at(id); }

  void CreateControls() {
    // The panel holds every control: disabling it makes the whole window busy.
    Panel = CreateWindowExA(WS_EX_CONTROLPARENT, PanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                            Form.Panel.Width, Form.Panel.Height, Window, nullptr, Instance, this);
    auto make = [&](const TControl& c, const char* cls, DWORD style, DWORD exStyle, int id) {
      HWND h = CreateWindowExA(exStyle, cls, c.Text.c_str(), WS_CHILD | WS_VISIBLE | style, c.Left, c.Top, c.Width,
                               c.Height, Panel, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance, nullptr);
      SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font), TRUE);
      Controls[id] = h;
      ById[id] = &c;
      return h;
    };
    // Created in tab order, so that the tab key walks them as laid out.
    make(Form.ButtonFlash, "BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, IdFlash);
    make(Form.Memo, "EDIT", WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, IdMemo);
    // The combo's height includes its list: 16 entries visible.
    HWND port = make(Form.ComboBoxPort, "COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, IdPort);
    HWND speed = make(Form.ComboBoxSpeed, "COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, IdSpeed);
    make(Form.ProgressBar1, PROGRESS_CLASSA, WS_TABSTOP, 0, IdProgress);
    make(Form.Button1, "BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0, IdFonts);
    make(Form.LabelPort, "STATIC", SS_LEFT, 0, 201);
    make(Form.LabelBaudrate, "STATIC", SS_LEFT, 0, 202);
    make(Form.Label1, "STATIC", SS_LEFT, 0, 203);
    SendMessageA(Handle(IdMemo), EM_SETLIMITTEXT, 0, 0);  // no limit: a long session loses nothing
    SendMessageA(port, CB_SETMINVISIBLE, Form.ComboBoxPort.DropDownCount, 0);
    SendMessageA(speed, CB_SETMINVISIBLE, Form.ComboBoxSpeed.DropDownCount, 0);
    MoveWindow(port, Form.ComboBoxPort.Left, Form.ComboBoxPort.Top, Form.ComboBoxPort.Width, 21 + 16 * 16, FALSE);
    MoveWindow(speed, Form.ComboBoxSpeed.Left, Form.ComboBoxSpeed.Top, Form.ComboBoxSpeed.Width, 21 + 16 * 16, FALSE);
    for (const std::string& item : Form.ComboBoxSpeed.Items)
      SendMessageA(speed, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(speed, CB_SETCURSEL, static_cast<WPARAM>(Form.ComboBoxSpeed.ItemIndex), 0);
    SendMessageA(Handle(IdProgress), PBM_SETRANGE32, Form.ProgressBar1.Min, Form.ProgressBar1.Max);

    Tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, Window, nullptr, Instance, nullptr);
    AddHint(port, Form.ComboBoxPort.Hint);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(port, &info) && info.hwndItem) AddHint(info.hwndItem, Form.ComboBoxPort.Hint);
    AddHint(speed, Form.ComboBoxSpeed.Hint);
  }

  void AddHint(HWND control, const std::string& hint) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Window;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(hint.c_str());
    SendMessageA(Tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }

  void FillPorts() {
    HWND port = Handle(IdPort);
    // Emptying the list clears the edit field too: keep the text the user chose or typed.
    SendMessageA(port, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : Form.ComboBoxPort.Items)
      SendMessageA(port, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (Form.ComboBoxPort.ItemIndex >= 0) SendMessageA(port, CB_SETCURSEL, static_cast<WPARAM>(Form.ComboBoxPort.ItemIndex), 0);
    SetWindowTextA(port, Form.ComboBoxPort.Text.c_str());
  }

  std::string ControlText(int id) const {
    char text[512] = {};
    GetWindowTextA(Handle(id), text, sizeof text);
    return text;
  }

  void Layout() {
    MoveWindow(Panel, Form.Panel.Left, Form.Panel.Top, Form.Panel.Width, Form.Panel.Height, TRUE);
    for (const auto& [id, control] : ById) {
      const int height = control->Kind == ckComboBox ? 21 + 16 * 16 : control->Height;
      MoveWindow(Handle(id), control->Left, control->Top, control->Width, height, TRUE);
    }
  }

  LRESULT OnCommand(WPARAM wParam) {
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    if (id == IdFlash && code == BN_CLICKED) {
      Form.ComboBoxPort.Text = ControlText(IdPort);
      Form.ButtonFlashClick();
    } else if (id == IdFonts && code == BN_CLICKED) {
      Form.ComboBoxPort.Text = ControlText(IdPort);
      Form.Button1Click();
    } else if (id == IdPort && code == CBN_DROPDOWN) {
      Form.ComboBoxPort.Text = ControlText(IdPort);
      Form.ComboBoxPortDropDown();
      FillPorts();
    } else if (id == IdPort && (code == CBN_EDITCHANGE || code == CBN_SELCHANGE)) {
      const LRESULT index = SendMessageA(Handle(IdPort), CB_GETCURSEL, 0, 0);
      if (code == CBN_SELCHANGE && index >= 0 && static_cast<size_t>(index) < Form.ComboBoxPort.Items.size())
        Form.ComboBoxPort.Text = Form.ComboBoxPort.Items[static_cast<size_t>(index)];
      else
        Form.ComboBoxPort.Text = ControlText(IdPort);
    } else if (id == IdSpeed && code == CBN_SELCHANGE) {
      const LRESULT index = SendMessageA(Handle(IdSpeed), CB_GETCURSEL, 0, 0);
      if (index >= 0 && static_cast<size_t>(index) < Form.ComboBoxSpeed.Items.size()) {
        Form.ComboBoxSpeed.ItemIndex = static_cast<int>(index);
        Form.ComboBoxSpeed.Text = Form.ComboBoxSpeed.Items[static_cast<size_t>(index)];
      }
    }
    return 0;
  }

  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CREATE:
        CreateControls();
        Form.FormCreate();
        FillPorts();
        return 0;
      case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) {
          Form.SetClientSize(LOWORD(lParam), HIWORD(lParam));
          Layout();
        }
        return 0;
      case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = TForm1::MinWidth;
        info->ptMinTrackSize.y = TForm1::MinHeight;
        return 0;
      }
      case WM_DESTROY:
        Form.FormDestroy();
        PostQuitMessage(0);
        return 0;
      default:
        return DefWindowProcA(Window, message, wParam, lParam);
    }
  }

  static LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<TMainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
      self->Window = window;
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TMainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcA(window, message, wParam, lParam);
  }

  // The panel passes its children's notifications on to the window.
  static LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      SetWindowLongPtrA(panel, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<TMainWindow*>(GetWindowLongPtrA(panel, GWLP_USERDATA));
    if (self && message == WM_COMMAND) return self->OnCommand(wParam);
    if (message == WM_CTLCOLORSTATIC) {
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      if (reinterpret_cast<HWND>(lParam) != (self ? self->Handle(IdMemo) : nullptr))
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefWindowProcA(panel, message, wParam, lParam);
  }

  TForm1 Form;
  HINSTANCE Instance = nullptr;
  HWND Window = nullptr;
  HWND Panel = nullptr;
  HWND Tooltip = nullptr;
  HFONT Font = nullptr;
  std::map<int, HWND> Controls;
  std::map<int, const TControl*> ById;
  size_t DialogsAnswered = 0;
};

}  // namespace

int RunApplication(HINSTANCE instance, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    auto window = std::make_unique<TMainWindow>();
    if (!window->Create(instance)) throw std::runtime_error("Cannot create the main window");
    window->Show(show);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
      if (!window->DialogMessage(&msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), ApplicationTitle, MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxA(nullptr, "", ApplicationTitle, MB_OK | MB_ICONERROR);
  }
  return 0;
}

}  // namespace kelvo::ui

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) { return kelvo::ui::RunApplication(instance, show); }
