#include "installing/terminal_front_end.hpp"

#include <algorithm>
#include <csignal>
#include <iostream>
#include <memory>

#include "extract/progress_count.hpp"
#include "extract/run_state.hpp"
#include "extract/transfer.hpp"
#include "installing/installer.hpp"
#include "package/file_name.hpp"
#include "package/setup_block.hpp"
#include "reading/package_source.hpp"
#include "terminal/progress_bar.hpp"
#include "terminal/terminal_questions.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

// The installation under way on the terminal: its bar, and whether the
// disk prompt was declined unseen.
struct TerminalRun {
  std::unique_ptr<ProgressBar> bar;
  bool declined_disk = false;
  PackageSource* source = nullptr;
};
TerminalRun Run;

std::string PlacesLookedIn() { return Run.source->Places(); }

// The disk prompt names the file it waits for and where it looked, since
// the package's own text speaks only of a disk.
std::string VolumeSought() {
  return "(pmsetup looks for " + package::VolumeName(extract::Transfer.DiskNumber) + " in " + PlacesLookedIn() + ".)";
}

// The volume where the package's source finds it, as an installer path.
std::string LocateVolume(std::int32_t number) {
  const std::string found = Run.source->FindVolume(number);
  if (found.empty()) return found;
  const ConvertedPath converted = ConvertPath(found);
  return converted.problem.empty() ? converted.path : std::string();
}

// The extraction asks two things, both about the next disk: the disk
// prompt (OK/Cancel) and, when the disk is still not there, the wrong
// disk message (OK).  Without a terminal both are declined unseen, and
// the failure names the disk.
bool AskOnTerminal(const std::string& question, int buttons, bool yes_no) {
  if (!Interactive()) {
    if (buttons >= 2) Run.declined_disk = true;
    return false;
  }
  std::string text = Shown(question, Lines::kMany);
  if (!yes_no) text += '\n' + VolumeSought();
  if (Run.bar) Run.bar->Leave();  // a question must not be drawn over
  // OK/Cancel defaults to OK, Yes/No to the safer No.
  std::optional<bool> answer;
  if (buttons >= 2) answer = AskYesNo(text, !yes_no);
  else if (AskForLine(text, "[Enter] ")) answer = true;
  if (!answer) extract::EndRun(extract::Outcome::kCancelled);
  return answer.value_or(false);
}

// Between two bytes of input: a signal stops the run, but Ctrl-C on a
// terminal asks first, and No goes on.
void Pump() {
  if (!SignalArrived()) return;
  SignalArrived() = 0;
  if (StopSignal() == SIGINT && Interactive()) {
    // The terminal echoed ^C where the cursor was: on the bar, which
    // covers it, or else on a line of its own.
    if (!(Run.bar && Run.bar->Leave())) std::cerr << '\n';
    if (!ConfirmCancel()) return;
  }
  extract::EndRun(extract::Outcome::kCancelled);
}

// The bar counts the bytes decoded, which the figures beside it give: the
// installer's own percentage gives the carving of the files a share too.
void ShowProgress(int /*percent*/, double /*fraction*/) {
  const std::int64_t decoded = std::min<std::int64_t>(extract::Progress.BytesDone, package::Setup.TotalSize);
  if (Run.bar) Run.bar->Show(static_cast<std::uint64_t>(decoded));
}

}  // namespace

std::string MissingVolume() {
  return package::VolumeName(extract::Transfer.DiskNumber) + " was not found in " + PlacesLookedIn();
}

extract::FrontEnd TerminalFrontEnd(PackageSource& source) {
  Run.source = &source;
  return {Pump, AskOnTerminal, ShowProgress, &SignalArrived(), LocateVolume};
}

void StartProgress() {
  Run.declined_disk = false;
  Run.bar = std::make_unique<ProgressBar>(package::Setup.TotalSize,
                                               Shown(package::Setup.SetupTexts[package::ProgressCaption]));
}

void EndProgress() { Run.bar.reset(); }

bool DeclinedDiskPrompt() { return Run.declined_disk; }

}  // namespace pmsetup
