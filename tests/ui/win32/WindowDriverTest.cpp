// Drives KelvoBootLoader.exe as a technician would, through window messages:
// started by window-test, which provides Xvfb, the simulator on COM7, the
// registry's port list and the answers of the file dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "firmware/FirmwareWriter.h"
#include "fonts/FontSheetWriter.h"

namespace kelvo {
namespace {

struct TFound {
  HWND Window = nullptr;
  HWND Panel = nullptr;
  std::vector<HWND> Children;
};

HWND Child(HWND parent, int id) { return GetDlgItem(parent, id); }
constexpr int IdPort = 101, IdFlash = 102, IdMemo = 103, IdSpeed = 104, IdProgress = 105, IdFonts = 106;

// The control's text, asked of its own process (GetWindowText would give
// another process's stored caption, not an edit control's contents).
std::string Text(HWND h) {
  const auto length = static_cast<size_t>(SendMessageA(h, WM_GETTEXTLENGTH, 0, 0));
  std::string text(length + 1, '\0');
  const auto got = static_cast<size_t>(SendMessageA(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  text.resize(got);
  return text;
}

// A combo box item, asked in UTF-16 (Wine marshals only that across processes) and narrowed.
std::string Item(HWND combo, LRESULT index) {
  wchar_t wide[128] = {};
  SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide));
  std::string text;
  for (const wchar_t* c = wide; *c; ++c) text.push_back(static_cast<char>(*c));
  return text;
}

std::vector<std::string> MemoLines(HWND memo) {
  std::vector<std::string> lines;
  std::string text = Text(memo);
  size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

RECT ClientRectOf(HWND control, HWND parent) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Waits for the panel to be enabled again after an operation.
bool WaitIdle(HWND panel, int seconds) {
  for (int i = 0; i < seconds * 20; ++i) {
    if (IsWindowEnabled(panel)) return true;
    Sleep(50);
  }
  return false;
}

class Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (int i = 0; i < 200 && !Main; ++i) {
      Main = FindWindowA("KelvoBootLoaderWindow", nullptr);
      if (!Main) Sleep(100);
    }
    if (Main) Panel = FindWindowExA(Main, nullptr, "KelvoBootLoaderPanel", nullptr);
  }
  void SetUp() override {
    if (!std::getenv("KELVO_TEST_OUT")) GTEST_SKIP() << "run by window-test";
    ASSERT_NE(Main, nullptr) << "the window did not appear";
    ASSERT_NE(Panel, nullptr);
  }
  static std::string Out(const char* name) { return std::string(std::getenv("KELVO_TEST_OUT")) + "\\" + name; }
  static HWND Main, Panel;
};
HWND Window::Main = nullptr;
HWND Window::Panel = nullptr;

TEST_F(Window, StartsWithItsControlsTheSpeedsAndThePortsSorted) {
  EXPECT_EQ(Text(Main), "Pellix bootloader v1.34.1");
  RECT client;
  GetClientRect(Main, &client);
  EXPECT_EQ(client.right, 364);
  EXPECT_EQ(client.bottom, 402);
  struct TRow {
    int Id;
    const char* Text;
    int Left, Top, Width, Height;
  };
  for (const TRow& row : {TRow{IdFlash, "Upgrade", 144, 0, 90, 25}, TRow{IdFonts, "Send fonts", 264, 0, 89, 25},
                          TRow{IdProgress, "", 8, 64, 361, 17}, TRow{IdMemo, "", 8, 104, 354, 289},
                          TRow{201, "Port:", 8, 4, 22, 13}, TRow{202, "Speed: 115200", 152, 36, 73, 13},
                          TRow{203, "Messages:", 8, 88, 51, 13}}) {
    HWND h = Child(Panel, row.Id);
    ASSERT_NE(h, nullptr) << row.Text;
    EXPECT_EQ(Text(h), row.Text);
    const RECT r = ClientRectOf(h, Panel);
    EXPECT_EQ(r.left, row.Left) << row.Text;
    EXPECT_EQ(r.top, row.Top) << row.Text;
    EXPECT_EQ(r.right - r.left, row.Width) << row.Text;
    EXPECT_EQ(r.bottom - r.top, row.Height) << row.Text;
  }
  HWND speed = Child(Panel, IdSpeed);
  ASSERT_EQ(SendMessageA(speed, CB_GETCOUNT, 0, 0), 12);
  EXPECT_EQ(SendMessageA(speed, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(Item(speed, 2), "9600");
  EXPECT_TRUE(GetWindowLongA(speed, GWL_STYLE) & CBS_DROPDOWNLIST) << "no value can be typed";
  HWND port = Child(Panel, IdPort);
  std::vector<std::string> ports;
  for (LRESULT i = 0; i < SendMessageA(port, CB_GETCOUNT, 0, 0); ++i) ports.push_back(Item(port, i));
  EXPECT_EQ(ports, (std::vector<std::string>{"COM1", "COM2", "COM7", "COM10"}));
  EXPECT_EQ(SendMessageA(port, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Text(port), "COM1");
}

TEST_F(Window, TabKeyWalksTheControlsInTheirTabOrder) {
  // What IsDialogMessage follows for Tab: Upgrade, the log, the port box, the
  // speed box, the progress bar, Send fonts, and round again.
  const int order[] = {IdFlash, IdMemo, IdPort, IdSpeed, IdProgress, IdFonts, IdFlash};
  HWND h = Child(Panel, order[0]);
  for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i) {
    h = GetNextDlgTabItem(Main, h, FALSE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GetDlgCtrlID(h), order[i]) << "tab stop " << i;
  }
  EXPECT_EQ(GetDlgCtrlID(GetNextDlgTabItem(Main, Child(Panel, IdFlash), TRUE)), IdFonts) << "shift-tab goes back";
}

TEST_F(Window, ResizeMovesTheUpgradeButtonAndGrowsTheLogOnly) {
  RECT outer, client;
  GetWindowRect(Main, &outer);
  GetClientRect(Main, &client);
  ASSERT_EQ(client.right, 364);
  const int width = outer.right - outer.left, height = outer.bottom - outer.top;
  SetWindowPos(Main, nullptr, 0, 0, width + 100, height + 80, SWP_NOMOVE | SWP_NOZORDER);
  Sleep(200);
  RECT r = ClientRectOf(Child(Panel, IdFlash), Panel);
  EXPECT_EQ(r.left, 244);
  r = ClientRectOf(Child(Panel, IdMemo), Panel);
  EXPECT_EQ(r.right - r.left, 454);
  EXPECT_EQ(r.bottom - r.top, 369);
  r = ClientRectOf(Child(Panel, IdFonts), Panel);
  EXPECT_EQ(r.left, 264);
  SetWindowPos(Main, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
  Sleep(200);
  GetWindowRect(Main, &outer);
  EXPECT_GE(outer.right - outer.left, 380);
  EXPECT_GE(outer.bottom - outer.top, 320);
  SetWindowPos(Main, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  Sleep(200);
}

TEST_F(Window, UpgradeAndFontsThroughTheButtonsWhileTheOtherButtonIsRefused) {
  std::vector<uint8_t> flash(264 * 5 + 3), eeprom(40);
  for (size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<uint8_t>(i * 7 + 1);
  for (size_t i = 0; i < eeprom.size(); ++i) eeprom[i] = static_cast<uint8_t>(0x80 + i);
  Save(Out("fw.fw"), WriteFirmwareFile({3, 264, 32, 264}, flash, eeprom, {}));
  Save(Out("flash.bin"), flash);
  Save(Out("eeprom.bin"), eeprom);
  Save(Out("font.bmp"), TFontSheet(170, 0).Bytes());

  HWND port = Child(Panel, IdPort);
  SendMessageA(port, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("COM7"));
  PostMessageA(Child(Panel, IdFlash), BM_CLICK, 0, 0);
  bool sawBusy = false;
  for (int i = 0; i < 100 && !sawBusy; ++i) {
    sawBusy = !IsWindowEnabled(Panel);
    if (!sawBusy) Sleep(10);
  }
  EXPECT_TRUE(sawBusy);
  // A click on the other button while busy starts nothing.
  PostMessageA(Child(Panel, IdFonts), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitIdle(Panel, 60));
  Sleep(300);
  std::vector<std::string> lines = MemoLines(Child(Panel, IdMemo));
  ASSERT_EQ(lines.size(), 30u);
  EXPECT_EQ(lines[8], "Port: COM7");
  EXPECT_EQ(lines[29], "Port disconnected.");
  HWND progress = Child(Panel, IdProgress);
  EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, FALSE, 0), 0) << "an empty flash_rbf section: 0 pages";

  PostMessageA(Child(Panel, IdFonts), BM_CLICK, 0, 0);
  Sleep(200);
  ASSERT_TRUE(WaitIdle(Panel, 60));
  Sleep(300);
  lines = MemoLines(Child(Panel, IdMemo));
  ASSERT_EQ(lines.size(), 41u);
  EXPECT_EQ(lines[35], "Baudrate: 9600");
  EXPECT_EQ(lines[39], "Fonts sending is completed successfully.");
  EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, FALSE, 0), 62);
  EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 61) << "n - 1 of n";
}

}  // namespace
}  // namespace kelvo

// "window_driver --ports COM1,COM10,...": fills the serial device map (a
// volatile key, as Windows keeps it) before the application starts.
// Otherwise: the tests above.
int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--ports") {
    const char* path = "Hardware\\DeviceMap\\SerialComm";
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return 1;
    std::string list = argv[2];
    int index = 0;
    for (size_t start = 0; start <= list.size();) {
      const size_t comma = list.find(',', start);
      const std::string port = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      const std::string name = "\\Device\\Serial" + std::to_string(index++);
      RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                     static_cast<DWORD>(port.size() + 1));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    RegCloseKey(key);
    return 0;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
