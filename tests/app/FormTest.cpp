#include "app/Form.h"

#include <gtest/gtest.h>

#include "support/FormRig.h"

namespace kelvo {
namespace {

using test::TFormRig;
using TNames = std::vector<std::string>;

TEST(Form, ConstructionLaysOutEveryControl) {
  TFormRig rig;
  TForm1& f = *rig.Form;
  EXPECT_EQ(f.Caption, "Pellix bootloader v1.34.1");
  EXPECT_EQ(f.Left, 1419);
  EXPECT_EQ(f.Top, 302);
  EXPECT_EQ(f.Width, 380);
  EXPECT_EQ(f.Height, 441);
  EXPECT_EQ(f.ClientWidth, 364);
  EXPECT_EQ(f.ClientHeight, 402);
  EXPECT_TRUE(f.PanelDoubleBuffered);
  struct TRow {
    const char* Name;
    int Left, Top, Width, Height, TabOrder;
    const char* Text;
  };
  const TRow rows[] = {{"LabelPort", 8, 4, 22, 13, -1, "Port:"},       {"ComboBoxPort", 8, 20, 113, 21, 2, "COM3"},
                       {"ButtonFlash", 144, 0, 90, 25, 0, "Upgrade"},  {"Memo", 8, 104, 354, 289, 1, ""},
                       {"Label1", 8, 88, 51, 13, -1, "Messages:"},      {"Panel", 0, 0, 364, 402, 0, ""},
                       {"LabelBaudrate", 152, 36, 73, 13, -1, "Speed: 115200"},
                       {"ComboBoxSpeed", 264, 28, 89, 21, 3, "9600"},   {"ProgressBar1", 8, 64, 361, 17, 4, ""},
                       {"Button1", 264, 0, 89, 25, 5, "Send fonts"}};
  const std::vector<TControl*> controls = f.Controls();
  ASSERT_EQ(controls.size(), 10u);
  for (size_t i = 0; i < controls.size(); ++i) {
    const TControl& c = *controls[i];
    EXPECT_EQ(c.Name, rows[i].Name);
    EXPECT_EQ(c.Left, rows[i].Left) << c.Name;
    EXPECT_EQ(c.Top, rows[i].Top) << c.Name;
    EXPECT_EQ(c.Width, rows[i].Width) << c.Name;
    EXPECT_EQ(c.Height, rows[i].Height) << c.Name;
    EXPECT_EQ(c.TabOrder, rows[i].TabOrder) << c.Name;
    EXPECT_EQ(c.Text, rows[i].Text) << c.Name;
  }
  EXPECT_EQ(f.ComboBoxSpeed.Items, (TNames{"2400", "4800", "9600", "19200", "28800", "38400", "57600", "115200",
                                           "230400", "250000", "500000", "1000000"}));
  EXPECT_EQ(f.ComboBoxSpeed.ItemIndex, 2);
  EXPECT_TRUE(f.ComboBoxSpeed.ListOnly);
  EXPECT_FALSE(f.ComboBoxPort.ListOnly);
  EXPECT_EQ(f.ComboBoxPort.Hint, "Port komunikacyjny");
  EXPECT_EQ(f.ComboBoxPort.DropDownCount, 16);
  EXPECT_EQ(f.ProgressBar1.Max, 100);
  EXPECT_EQ(f.ProgressBar1.Position, 0);
  EXPECT_TRUE(f.Memo.ReadOnly);
  EXPECT_FALSE(f.COMSocket().IsOpen());
}

TEST(Form, PortListAtCreationAndOnDropDown) {
  {
    TFormRig rig({}, {});
    EXPECT_TRUE(rig.Form->ComboBoxPort.Items.empty());
    EXPECT_EQ(rig.Form->ComboBoxPort.ItemIndex, -1);
    EXPECT_EQ(rig.Form->ComboBoxPort.Text, "");
  }
  TFormRig rig({}, {"COM1", "COM2", "COM10"});
  EXPECT_EQ(rig.Form->ComboBoxPort.ItemIndex, 0);
  EXPECT_EQ(rig.Form->ComboBoxPort.Text, "COM1");
  rig.Form->ComboBoxPort.Text = "COM7";  // typed
  rig.Ports = {"COM2", "COM4"};
  rig.Form->ComboBoxPortDropDown();
  EXPECT_EQ(rig.Form->ComboBoxPort.Items, (TNames{"COM2", "COM4"}));
  EXPECT_EQ(rig.Form->ComboBoxPort.Text, "COM7");
  EXPECT_EQ(rig.Form->ComboBoxPort.ItemIndex, -1);
}

TEST(Form, ResizeMovesAndGrowsByAnchorsAndHoldsTheMinimum) {
  TFormRig rig;
  TForm1& f = *rig.Form;
  f.SetBounds(100, 50, 500, 600);
  EXPECT_EQ(f.ClientWidth, 484);
  EXPECT_EQ(f.ClientHeight, 561);
  EXPECT_EQ(f.ButtonFlash.Left, 144 + 120);
  EXPECT_EQ(f.ButtonFlash.Width, 90);
  EXPECT_EQ(f.Memo.Width, 354 + 120);
  EXPECT_EQ(f.Memo.Height, 289 + 159);
  EXPECT_EQ(f.Panel.Width, 484);
  EXPECT_EQ(f.Panel.Height, 561);
  for (TControl* c : {&f.LabelPort, static_cast<TControl*>(&f.ComboBoxPort), &f.Button1, &f.LabelBaudrate,
                      static_cast<TControl*>(&f.ComboBoxSpeed), static_cast<TControl*>(&f.ProgressBar1), &f.Label1}) {
    EXPECT_EQ(c->Left, c->DesignLeft) << c->Name;
    EXPECT_EQ(c->Top, c->DesignTop) << c->Name;
    EXPECT_EQ(c->Width, c->DesignWidth) << c->Name;
  }
  f.SetBounds(100, 50, 200, 100);
  EXPECT_EQ(f.Width, 380);
  EXPECT_EQ(f.Height, 320);
  EXPECT_EQ(f.Memo.Height, 289 - 121);
  f.SetBounds(0, 0, 380, 441);
  EXPECT_EQ(f.Memo.Width, 354);
  EXPECT_EQ(f.ButtonFlash.Left, 144);
}

TEST(Form, WindowOpensWhereLaidOutWhenItFitsAndInsideTheScreenOtherwise) {
  const TRect laidOut{1419, 302, 1419 + 380, 302 + 441};
  struct TCase {
    TRect Area;
    TRect Expected;
  };
  for (const TCase& c : {TCase{{0, 0, 1920, 1040}, laidOut},                             // fits: kept
                         TCase{{0, 0, 1280, 984}, {900, 302, 1280, 743}},               // too far right
                         TCase{{0, 0, 1024, 600}, {644, 159, 1024, 600}},               // right and low
                         TCase{{0, 0, 300, 300}, {0, 0, 380, 441}},                     // larger than the area
                         TCase{{1920, 0, 3840, 1080}, {1920, 302, 2300, 743}}}) {       // a monitor to the right
    const TRect r = FitIntoWorkArea(laidOut, c.Area);
    EXPECT_EQ(r.Left, c.Expected.Left);
    EXPECT_EQ(r.Top, c.Expected.Top);
    EXPECT_EQ(r.Right, c.Expected.Right);
    EXPECT_EQ(r.Bottom, c.Expected.Bottom);
  }
}

TEST(Form, ClickWhileBusyIsRefused) {
  // A dialog answered by clicking the other button: the model is busy then.
  struct TReentrant : test::TScriptedServices {
    std::optional<std::string> OpenFileDialog(const TOpenDialogParams& p) override {
      if (Dialogs.empty()) Form->Button1Click();
      return TScriptedServices::OpenFileDialog(p);
    }
  };
  TRememberedFiles files;
  TReentrant services;
  TFormRig base;
  TForm1 form(services, files, std::make_unique<sim::TVirtualSerialDevice>(base.Line.Device, base.Line.Clock),
              base.Line.Clock, [](TNames& l) { l = {"COM3"}; });
  services.Form = &form;
  services.Answers.push_back(std::nullopt);
  form.ButtonFlashClick();
  EXPECT_EQ(services.Dialogs.size(), 1u) << "the second click started nothing";
  EXPECT_FALSE(form.Busy());
}

}  // namespace
}  // namespace kelvo
