#pragma once
// A headless TForm1 on the virtual line, with scripted services.
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/Form.h"
#include "support/TempDir.h"
#include "support/VirtualRig.h"

namespace kelvo::test {

class TScriptedServices : public TFormServices {
 public:
  void ProcessMessages() override {
    ++Pumps;
    if (Form && !Form->Busy()) PumpedWhileIdle = true;
  }
  std::optional<std::string> OpenFileDialog(const TOpenDialogParams& params) override {
    Dialogs.push_back(params);
    if (Form && !Form->Busy()) DialogWhileIdle = true;
    if (Answers.empty()) return std::nullopt;
    std::optional<std::string> answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void ShowError(const std::string& message) override { Errors.push_back(message); }

  TForm1* Form = nullptr;
  std::deque<std::optional<std::string>> Answers;  // nothing: the user cancels
  std::vector<TOpenDialogParams> Dialogs;
  std::vector<std::string> Errors;
  int Pumps = 0;
  bool PumpedWhileIdle = false;
  bool DialogWhileIdle = false;
};

// Runs in a folder of its own, since "Send fonts" writes fonts.hex into the
// current directory.
class TFormRig {
 public:
  explicit TFormRig(sim::TDeviceOptions options = {}, std::vector<std::string> ports = {"COM3"})
      : Line(std::move(options)), Ports(std::move(ports)), Previous(std::filesystem::current_path()) {
    std::filesystem::current_path(Dir.Path());
    auto serial = std::make_unique<sim::TVirtualSerialDevice>(Line.Device, Line.Clock);
    Serial = serial.get();
    Form = std::make_unique<TForm1>(Services, Files, std::move(serial), Line.Clock,
                                    [this](std::vector<std::string>& list) { list = Ports; });
    Services.Form = Form.get();
    Form->FormCreate();
  }
  ~TFormRig() { std::filesystem::current_path(Previous); }
  TFormRig(const TFormRig&) = delete;
  TFormRig& operator=(const TFormRig&) = delete;

  const std::vector<std::string>& Log() const { return Form->Memo.Lines; }

  // Writes bytes as a file of the rig's folder and answers the next dialog with it.
  std::string Offer(const std::vector<uint8_t>& bytes, const char* name) {
    const std::string path = Dir.File(name);
    WriteFileBytes(path, std::string(bytes.begin(), bytes.end()));
    Services.Answers.push_back(path);
    return path;
  }

  TTempDir Dir;
  TVirtualLine Line;  // its device and clock; the form has a socket of its own on them
  sim::TVirtualSerialDevice* Serial = nullptr;
  std::vector<std::string> Ports;
  TScriptedServices Services;
  TRememberedFiles Files;
  std::unique_ptr<TForm1> Form;

 private:
  std::filesystem::path Previous;
};

}  // namespace kelvo::test
