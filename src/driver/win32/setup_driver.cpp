// SETUP.EXE: start-up checks, then the installation stages as modal
// dialogs owned by the backdrop window, then clean-up.  The program has no
// message loop of its own; the dialogs' loops serve the backdrop too.
#include <windows.h>

#include "driver/path_text.hpp"
#include "driver/session.hpp"
#include "extract/buffers.hpp"
#include "package/setup_block.hpp"
#include "shell/launch.hpp"
#include "shell/shortcut.hpp"
#include "ui/backdrop.hpp"
#include "ui/message_dialog.hpp"
#include "ui/screen.hpp"
#include "ui/stage_dialogs.hpp"

namespace driver {
namespace {

using package::Setup;

constexpr const char* kWindowClass = "PagemixSetup";
constexpr const char* kNeeds32Bit = "This program requires 32-bit Windows.";
constexpr const char* kCannotInitialize = "Unable to initialize.";
constexpr const char* kDamagedPackage = "Unable to access setup data, SETUP.EXE may be corrupted.";

// Set when a stage failed; reported once the run has been cleaned up.
bool Terminated = false;

void ShowFixedMessage(const char* text) { MessageBoxA(nullptr, text, "Setup", MB_ICONERROR); }

// At most 260 characters.  A path that does not fit comes back cut short
// and, on older systems, without its terminating zero: the spare byte
// keeps one there.
std::string ModulePath() {
  char path[262] = {};
  GetModuleFileNameA(nullptr, path, 261);
  return path;
}

bool Is32BitWindows() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = 148;
  return GetVersionExA(&version) && static_cast<LONG>(version.dwPlatformId) > 0;
}

bool CreateBackdrop(HINSTANCE module) {
  WNDCLASSA window_class{};
  window_class.style = CS_PARENTDC;
  window_class.lpfnWndProc = ui::BackdropWindowProc;
  window_class.hInstance = module;
  window_class.lpszClassName = kWindowClass;
  RegisterClassA(&window_class);
  ui::BackdropWindow = CreateWindowExA(0, kWindowClass, "Installation", WS_POPUP | WS_VISIBLE, 0, 0,
                                       ui::ScreenWidth, ui::ScreenHeight, nullptr, nullptr, module, nullptr);
  return reinterpret_cast<LONG_PTR>(ui::BackdropWindow) > 0;
}

// A damaged package and one whose main program could not be installed
// safely are refused alike.
bool ReadPackage(const std::string& path) {
  return package::ReadSetupBlock(path, Setup) == platform::kIoOk && package::PackageDefect(Setup) == nullptr;
}

constexpr INT_PTR kResourceFailure = -2;

// Runs one stage dialog from the program's own resources; kResourceFailure
// when its template cannot be found or loaded.
INT_PTR RunDialogStage(const char* template_name, DLGPROC procedure) {
  const HINSTANCE module = GetModuleHandleA(nullptr);
  const HRSRC found = FindResourceA(module, template_name, RT_DIALOG);
  if (found == nullptr) return kResourceFailure;
  const HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return kResourceFailure;
  const INT_PTR result = DialogBoxParamA(module, template_name, ui::BackdropWindow, procedure, 0);
  FreeResource(loaded);
  return result;
}

void AllocateBuffers() {
  extract::InputBuffer = new unsigned char[extract::kTransferBufferSize];
  extract::OutputBuffer = new unsigned char[extract::kTransferBufferSize];
}

void FreeBuffers() {
  delete[] extract::InputBuffer;
  delete[] extract::OutputBuffer;
  extract::InputBuffer = extract::OutputBuffer = nullptr;
}

void RunStages() {
  const INT_PTR destination = RunDialogStage("Main", ui::DestinationDialogProc);
  if (destination == kResourceFailure) Terminated = true;
  if (destination != 1) return;

  const package::LibRec& main = *Setup.MainEntry();
  BlobPath = JoinPath(InstallDir, main.Name);
  if (RunDialogStage("Progress", ui::ProgressDialogProc) != 1) {
    Terminated = true;
    return;
  }

  if (!Setup.SetupTexts[package::GroupName].empty()) {
    const INT_PTR group = RunDialogStage("Group", ui::GroupDialogProc);
    if (group == kResourceFailure) Terminated = true;
    if (group == 1) shell::CreateProgramShortcut();
  }

  const std::string& run_prompt = Setup.SetupTexts[package::RunPrompt];
  if (!Terminated && !run_prompt.empty()) {
    const std::string question = ReplaceToken(run_prompt, "%s", main.Name, main.Name + "?");
    if (ui::ShowMessageDialog(question, 2, true)) shell::LaunchProgram();
  }
}

}  // namespace

void RunSetup() {
  Terminated = false;
  ui::ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  ui::ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (!Is32BitWindows()) return ShowFixedMessage(kNeeds32Bit);
  if (!CreateBackdrop(GetModuleHandleA(nullptr))) return ShowFixedMessage(kCannotInitialize);
  const std::string module_path = ModulePath();
  if (!ReadPackage(module_path)) return ShowFixedMessage(kDamagedPackage);

  SourceDir = ExtractFilePath(module_path);
  OkCancelLabels = {Setup.SetupTexts[package::OkCaption], Setup.SetupTexts[package::CancelCaption]};
  YesNoLabels = {Setup.SetupTexts[package::YesCaption], Setup.SetupTexts[package::NoCaption]};
  AllocateBuffers();

  RunStages();

  FreeBuffers();
  package::FreeFileList(Setup);
  if (Terminated) ui::ShowMessageDialog(Setup.SetupTexts[package::TerminatedMessage], 1, false);
}

}  // namespace driver

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  driver::RunSetup();
  return 0;
}
