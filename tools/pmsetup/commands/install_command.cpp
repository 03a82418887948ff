// pmsetup install PACKAGE [--dest DIR] [--yes]: the installer's sequence
// on this machine, with questions on the terminal.
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>

#include "commands/commands.hpp"
#include "common/path_text.hpp"
#include "extract/installation.hpp"
#include "extract/transfer.hpp"
#include "extract/volume_reader.hpp"
#include "io/file_io.hpp"
#include "installing/installer.hpp"
#include "installing/salvage_install.hpp"
#include "io/interruption.hpp"
#include "package/file_name.hpp"
#include "package/setup_block.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"
#include "installing/terminal_front_end.hpp"
#include "reading/package_source.hpp"
#include "terminal/terminal_questions.hpp"

namespace pmsetup {
namespace {

struct InstallOptions {
  std::string package;
  std::string destination;
  std::string drive_root = ".";
  bool yes = false;
  bool salvage = false;
  int code_page = 1252;
  std::vector<std::string> volumes;
};

// The exit code of an installation that left out files a bad disk took.
constexpr int kPartlyInstalled = 3;

// Where DefaultDir lies on this system: its drive is the folder
// drive_root, so "C:\Pagemix Demo" is "./Pagemix Demo", and ".." stops at
// drive_root as it stops at C:\ on Windows.  Nothing when its bytes have
// no characters in the code page.
std::optional<std::string> ProposedDestination(const std::string& drive_root) {
  const std::string& ansi = package::Setup.SetupTexts[package::DefaultDir];
  const std::optional<std::string> path = platform::ConvertedFromCodePage(ansi, platform::AnsiCodePage);
  if (!path) return std::nullopt;
  // The drive comes off first, so that nothing ".." leaves is read as one.
  std::string below = path->substr(common::ExtractFileDrive(*path).size());
  below.erase(0, below.find_first_not_of("\\/"));
  std::string folder = common::ResolveDots("\\" + below).substr(1);
  std::replace(folder.begin(), folder.end(), '\\', '/');
  return Text(Path(drive_root) / Path(folder));
}

// The prompt, and the folder the proposal puts the files in.
std::string DestinationQuestion(const std::optional<std::string>& proposal) {
  const std::string prompt = Shown(package::Setup.SetupTexts[package::DirPrompt], Lines::kMany);
  if (!proposal) return prompt;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::absolute(Path(*proposal), error);
  if (error) return prompt;
  return prompt + "\n(Enter installs into " + ShownArgument(Text(folder.lexically_normal())) + ")";
}

// No shell reads the answer, so pmsetup reads a leading "~" as a shell
// would: "~" and "~/..." are the home folder ($HOME), "~name" and
// "~name/..." the home folder of the user name.  A "~name" that names no
// user, which a shell would leave as it is, is refused: a folder named
// "~name" is not what anyone typing it wants.  Returns a problem, or an
// empty string.
std::string WithHomeFolder(std::string& answer) {
  if (answer.empty() || answer[0] != '~') return std::string();
  const std::size_t slash = std::min(answer.find('/'), answer.size());
  const std::string user = answer.substr(1, slash - 1);
  std::string home;
  if (const char* variable = std::getenv("HOME"); user.empty() && variable != nullptr) home = variable;
  if (home.empty()) {
    const passwd* entry = user.empty() ? getpwuid(getuid()) : getpwnam(user.c_str());
    if (entry != nullptr && entry->pw_dir != nullptr) home = entry->pw_dir;
  }
  if (home.empty() && user.empty()) return "no home folder is known (HOME is not set)";
  if (home.empty()) return "no user is named " + ShownArgument(user);
  const std::string rest = answer.substr(slash);
  if (home.size() > 1 && home.back() == '/') home.pop_back();
  answer = home == "/" && !rest.empty() ? rest : home + rest;
  return std::string();
}

// Said in every run before the first folder is made: where the files go,
// in full, however the user gave it.
void ShowDestination(const std::string& destination) {
  std::cout << "Installing into " << DisplayPath(destination) << std::endl;
}

// Asks until a directory that can be created is given; false when the
// user cancels.
bool AskDestination(const std::string& drive_root, std::string& destination) {
  const std::optional<std::string> proposal = ProposedDestination(drive_root);
  const std::string question = DestinationQuestion(proposal);
  const std::string prompt = proposal ? "[" + ShownArgument(*proposal) + "] " : std::string();
  for (;;) {
    std::optional<std::string> answer = AskForLine(question, prompt);
    if (!answer) return false;
    if (answer->empty() && !proposal) continue;
    std::string problem = WithHomeFolder(*answer);  // what was typed, not the proposal
    if (answer->empty()) answer = proposal;
    const ConvertedPath converted = problem.empty() ? ConvertPath(*answer) : ConvertedPath{};
    if (problem.empty()) problem = converted.problem;
    if (!problem.empty()) {
      std::cerr << ShownArgument(*answer) << ": " << problem << "; please give another directory.\n";
      continue;
    }
    destination = converted.path;
    ShowDestination(destination);
    if (extract::ChooseDestination(destination)) return true;
    const extract::DirectoryLevels& levels = extract::Extraction.Destination;
    std::cerr << "Cannot create " << DisplayPath(levels.failed) << ": " << platform::ErrorText(levels.error)
              << "; please give another directory.\n";
  }
}

// --yes takes the destination the package proposes.
std::string TakeProposal(const std::string& drive_root, std::string& destination) {
  const std::optional<std::string> proposal = ProposedDestination(drive_root);
  if (!proposal) {
    return "the package's DefaultDir has no characters in code page " + std::to_string(platform::AnsiCodePage) +
           "; pass --dest DIR";
  }
  const ConvertedPath converted = ConvertPath(*proposal);
  if (!converted.problem.empty()) return ShownArgument(*proposal) + ": " + converted.problem + "; pass --dest DIR";
  destination = converted.path;
  return std::string();
}

// Each file where it went: by its installed path, which in a package
// without folder names is the last component of its name.
void ListInstalled(const std::string& shown_destination) {
  std::size_t name_width = 0;
  std::size_t size_width = 0;
  const auto installed = [](const package::LibRec& entry) {
    // The main program goes under its name as it stands.
    return Shown(&entry == package::Setup.MainEntry() ? entry.Name
                                                      : package::InstalledPath(entry.Name, package::Setup.FolderNames));
  };
  for (const package::LibRec* entry = package::Setup.FileList; entry != nullptr; entry = entry->Next) {
    name_width = std::max(name_width, Columns(installed(*entry)));
    size_width = std::max(size_width, Thousands(entry->Size).size());
  }
  std::cout << "Installed into " << shown_destination << ":\n";
  for (const package::LibRec* entry = package::Setup.FileList; entry != nullptr; entry = entry->Next) {
    std::cout << "  " << Padded(installed(*entry), name_width) << "  " << ByteCount(entry->Size, size_width) << '\n';
  }
}

// The run was cancelled; the exit code.  Every cancel the user chose ends
// in the same words and with 1, whichever way it was given (n at the disk
// prompt, Ctrl-C confirmed, Ctrl-D at a question), so that neither a
// person nor a script has to tell them apart.  A signal no one was asked
// about (SIGTERM, SIGHUP, or SIGINT where nothing is asked) ends as that
// signal, with 128 plus its number.
int Cancelled() {
  constexpr const char* kNothingChanged = "nothing was installed or changed";
  if (const int signal = StopSignal(); signal != 0 && !(signal == SIGINT && Interactive())) {
    std::cerr << InterruptedLine(signal, kNothingChanged) << '\n';
    return SignalExitCode(signal);
  }
  std::cerr << Shown(package::Setup.SetupTexts[package::TerminatedMessage], Lines::kMany) << '\n'
            << "pmsetup: the installation was cancelled; " << kNothingChanged << '\n';
  return 1;
}

// What a salvage left out, and why; the exit code.
int ReportLost(const Salvage& salvage) {
  std::cerr << "pmsetup: " << package::VolumeName(salvage.first_bad) << " is " << salvage.verdict << "; "
            << salvage.lost.size() << (salvage.lost.size() == 1 ? " file" : " files")
            << " decoded from it or after it could not be installed:\n";
  for (const std::string& name : salvage.lost) std::cerr << "  " << Shown(name) << '\n';
  return kPartlyInstalled;
}

int Extract(const InstallOptions& options, const std::string& destination, const Salvage& salvage) {
  StartProgress();
  const InstallResult result = InstallInto(destination);
  EndProgress();
  if (result.installed) {
    ListInstalled(options.destination.empty() ? DisplayPath(destination) : ShownArgument(options.destination));
    return salvage.first_bad > 0 ? ReportLost(salvage) : 0;
  }
  if (extract::Extraction.RunOutcome == extract::Outcome::kCancelled && !DeclinedDiskPrompt()) return Cancelled();
  std::cerr << Shown(package::Setup.SetupTexts[package::TerminatedMessage], Lines::kMany) << '\n';
  if (DeclinedDiskPrompt()) {
    std::cerr << "pmsetup: " << MissingVolume() << "; run in a terminal without --yes to be asked for it\n";
  } else {
    std::cerr << "pmsetup: " << result.problem << '\n';
  }
  return 1;
}

// With the terminal's signals and questions in place.
int InstallFromTerminal(const InstallOptions& options, std::string destination, const Salvage& salvage) {
  if (destination.empty() && options.yes) {
    if (const std::string problem = TakeProposal(options.drive_root, destination); !problem.empty()) {
      std::cerr << "pmsetup: " << problem << '\n';
      return 1;
    }
  }
  if (destination.empty()) {
    if (!AskDestination(options.drive_root, destination)) return Cancelled();
  } else {
    ShowDestination(destination);
  }
  return Extract(options, destination, salvage);
}

int Install(const InstallOptions& options) {
  if (!platform::KnownCodePage(options.code_page)) {
    std::cerr << "pmsetup: --code-page " << options.code_page << " is no Windows code page this system can convert\n";
    return 1;
  }
  platform::AnsiCodePage = options.code_page;
  PackageSource source;
  std::string problem = source.Open(options.package, options.volumes);
  if (problem.empty()) problem = LoadPackage(source.SetupExe(), TerminalFrontEnd(source));
  Salvage salvage;
  if (problem.empty() && options.salvage) problem = PrepareSalvage(source, salvage);
  if (!problem.empty()) {
    std::cerr << "pmsetup: " << ShownArgument(options.package) << ": " << problem << '\n';
    return 1;
  }
  if (salvage.main_lost) {
    ReportLost(salvage);
    std::cerr << "pmsetup: the damage reaches into the main program, so nothing can be salvaged; nothing was "
                 "installed\n";
    return 1;
  }
  const bool interactive = !options.yes && isatty(STDIN_FILENO);
  const ConvertedPath given = ConvertPath(options.destination);
  if (!given.problem.empty()) {
    std::cerr << "pmsetup: " << ShownArgument(options.destination) << ": " << given.problem << '\n';
    return 1;
  }
  if (given.path.empty() && !interactive && !options.yes) {
    std::cerr << "pmsetup: no destination directory and no terminal to ask on: pass --dest DIR, or --yes for the "
                 "package's own\n";
    return 1;
  }
  UseTerminal(interactive);
  const int status = InstallFromTerminal(options, given.path, salvage);
  ReleaseTerminal();
  return status;
}

}  // namespace

Command AddInstallCommand(CLI::App& app) {
  auto options = std::make_shared<InstallOptions>();
  CLI::App* install = app.add_subcommand("install", "Install a package here, as SETUP.EXE would on Windows.");
  install->add_option("PACKAGE", options->package, kPackageHelp)->required()->type_name("");
  install->add_option("--volumes", options->volumes, kVolumesHelp)->type_name("PLACE");
  install->add_option("--dest", options->destination, "destination directory, taken as written (asked for when left out)")
      ->type_name("DIR");
  install->add_option("--drive-root", options->drive_root,
                      "the folder that stands for the drive of the package's DefaultDir when a destination is "
                      "proposed (default: the current directory; --dest is never changed)")
      ->type_name("DIR");
  install->add_flag("--yes", options->yes,
                    "ask nothing: install into --dest, or else where the package proposes (under --drive-root); "
                    "a missing disk fails the installation");
  install->add_flag("--salvage", options->salvage,
                    "when a disk is damaged or missing, install the files that are whole, those decoded before "
                    "it is needed, and name the others (exit code 3); needs the package's integrity record");
  install->add_option("--code-page", options->code_page,
                      "the code page the package's texts and names are in (as in its manifest; default 1252)")
      ->type_name("N");
  return {install, [options] { return Install(*options); }};
}

}  // namespace pmsetup
