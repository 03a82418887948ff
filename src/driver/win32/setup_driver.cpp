// SETUP.EXE: start-up checks, then the installation stages as modal
// dialogs owned by the backdrop window, then clean-up.  The program has no
// message loop of its own; the dialogs' loops serve the backdrop too.
#include <windows.h>

#include "common/path_text.hpp"
#include "extract/extraction_run.hpp"
#include "extract/installation.hpp"
#include "extract/staged_files.hpp"
#include "package/setup_block.hpp"
#include "platform/slim_runtime.hpp"
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
  ui::Screen.BackdropWindow = CreateWindowExA(0, kWindowClass, "Installation", WS_POPUP | WS_VISIBLE, 0, 0,
                                              ui::Screen.ScreenWidth, ui::Screen.ScreenHeight, nullptr, nullptr,
                                              module, nullptr);
  return reinterpret_cast<LONG_PTR>(ui::Screen.BackdropWindow) > 0;
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
  const INT_PTR result = DialogBoxParamA(module, template_name, ui::Screen.BackdropWindow, procedure, 0);
  FreeResource(loaded);
  return result;
}

// A message of the run's as a sentence on its own: capitalised, with a
// full stop.
std::string Sentence(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text + ".";
}

// A disk or payload that differs from the package's integrity record is
// reported before the package's own message that the installation ended:
// a disk in the package's own words.
void ReportDamage() {
  switch (extract::Extraction.RunOutcome) {
    case extract::Outcome::kVolumeDamaged:
      ui::ShowMessageDialog(Setup.SetupTexts[package::WrongDiskMessage], 1, false);
      break;
    case extract::Outcome::kPayloadDamaged:
      ui::ShowMessageDialog(Sentence(extract::kDamagedPayloadReason), 1, false);
      break;
    default:
      break;
  }
}

// The stages in order: destination, extraction, program group, and the
// offer to start the program.  True when a stage failed, which is
// reported once the run has been cleaned up.
bool RunStages() {
  const INT_PTR destination = RunDialogStage("Main", ui::DestinationDialogProc);
  if (destination != 1) return destination == kResourceFailure;
  if (RunDialogStage("Progress", ui::ProgressDialogProc) != 1) {
    // Also when the dialog could not run at all: the folder the
    // destination dialog made goes again.
    extract::DiscardRun();
    ReportDamage();
    return true;
  }

  bool terminated = false;
  if (!Setup.SetupTexts[package::GroupName].empty()) {
    const INT_PTR group = RunDialogStage("Group", ui::GroupDialogProc);
    terminated = group == kResourceFailure;
    if (group == 1) shell::CreateProgramShortcut();
  }

  const std::string& run_prompt = Setup.SetupTexts[package::RunPrompt];
  if (!terminated && !run_prompt.empty()) {
    const std::string& name = Setup.MainEntry()->Name;
    const std::string question = common::ReplaceToken(run_prompt, "%s", name, name + "?");
    if (ui::ShowMessageDialog(question, 2, true)) shell::LaunchProgram(ui::Screen.BackdropWindow);
  }
  return terminated;
}

}  // namespace

void RunSetup() {
  ui::Screen.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  ui::Screen.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (!Is32BitWindows()) return ShowFixedMessage(kNeeds32Bit);
  if (!CreateBackdrop(GetModuleHandleA(nullptr))) return ShowFixedMessage(kCannotInitialize);
  // A damaged package and one whose main program could not be installed
  // safely are refused alike.
  if (extract::StartInstallation(ModulePath(), ui::kProgressFrontEnd)) return ShowFixedMessage(kDamagedPackage);

  const bool terminated = RunStages();

  package::FreeFileList(Setup);
  if (terminated) ui::ShowMessageDialog(Setup.SetupTexts[package::TerminatedMessage], 1, false);
}

}  // namespace driver

// The program's entry point.  SETUP.EXE links no C runtime, so nothing
// runs before this but the system's loader; the name is the one the
// linker enters a GUI program at.  The installer reads neither its command
// line nor its start-up information, and always ends with exit code 0.
extern "C" __attribute__((force_align_arg_pointer)) [[noreturn]] void WinMainCRTStartup() {
  platform::RunStaticConstructors();
  driver::RunSetup();
  ExitProcess(0);
}
