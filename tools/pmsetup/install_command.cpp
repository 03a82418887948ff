// pmsetup install PACKAGE [--dest DIR] [--yes]: the installer's sequence
// on this machine, with questions on the terminal.
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <iostream>
#include <memory>

#include "commands.hpp"
#include "extract/installation.hpp"
#include "extract/transfer.hpp"
#include "extract/volume_reader.hpp"
#include "file_io.hpp"
#include "installer.hpp"
#include "interruption.hpp"
#include "package/setup_block.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"
#include "terminal_front_end.hpp"

namespace pmsetup {
namespace {

struct InstallOptions {
  std::string package;
  std::string destination;
  std::string drive_root = ".";
  bool yes = false;
  int code_page = 1252;
};

// The length of a Windows path's drive: "C:", or "\\server\share" up to
// the backslash after the share's name.
std::size_t DriveLength(const std::string& path) {
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') return 2;
  if (!path.starts_with("\\\\")) return 0;
  const std::size_t share = path.find('\\', 2);
  return share == std::string::npos ? path.size() : std::min(path.find('\\', share + 1), path.size());
}

// Where DefaultDir lies on this system: its drive is the folder
// drive_root, so "C:\Pagemix Demo" is "./Pagemix Demo".  Nothing when its
// bytes have no characters in the code page.
std::optional<std::string> ProposedDestination(const std::string& drive_root) {
  const std::string& ansi = package::Setup.SetupTexts[package::DefaultDir];
  const std::optional<std::string> path = platform::ConvertedFromCodePage(ansi, platform::AnsiCodePage);
  if (!path) return std::nullopt;
  std::string folder = path->substr(DriveLength(*path));
  folder.erase(0, folder.find_first_not_of('\\'));
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

// Asks until a directory that can be created is given; false when the
// user gives up.
bool AskDestination(const std::string& drive_root, std::string& destination) {
  const std::optional<std::string> proposal = ProposedDestination(drive_root);
  const std::string question = DestinationQuestion(proposal);
  for (;;) {
    std::string answer;
    if (!AskLine(question, proposal ? ShownArgument(*proposal) : std::string(), answer)) return false;
    if (answer.empty() && !proposal) continue;
    if (answer.empty()) answer = *proposal;
    const ConvertedPath converted = ConvertPath(answer);
    if (!converted.problem.empty()) {
      std::cerr << ShownArgument(answer) << ": " << converted.problem << "; please give another directory.\n";
      continue;
    }
    destination = converted.path;
    if (extract::ChooseDestination(destination)) return true;
    const extract::DirectoryLevels& levels = extract::Extraction.Destination;
    std::cerr << "Cannot create " << DisplayPath(levels.failed) << ": " << platform::ErrorText(levels.error)
              << "; please give another directory.\n";
  }
}

void ListInstalled(const std::string& shown_destination) {
  std::cout << "Installed into " << shown_destination << ":\n";
  for (const package::LibRec* entry = package::Setup.FileList; entry != nullptr; entry = entry->Next) {
    std::cout << "  " << Shown(entry->Name) << "  " << ByteCount(entry->Size) << '\n';
  }
}

int Install(const InstallOptions& options) {
  if (!platform::KnownCodePage(options.code_page)) {
    std::cerr << "pmsetup: --code-page " << options.code_page << " is no Windows code page this system can convert\n";
    return 1;
  }
  platform::AnsiCodePage = options.code_page;
  if (const std::string problem = LoadPackage(options.package, TerminalFrontEnd()); !problem.empty()) {
    std::cerr << "pmsetup: " << ShownArgument(options.package) << ": " << problem << '\n';
    return 1;
  }
  const bool interactive = !options.yes && isatty(STDIN_FILENO);
  const ConvertedPath given = ConvertPath(options.destination);
  if (!given.problem.empty()) {
    std::cerr << "pmsetup: " << ShownArgument(options.destination) << ": " << given.problem << '\n';
    return 1;
  }
  std::string destination = given.path;
  if (destination.empty()) {
    if (!interactive) {
      std::cerr << "pmsetup: no destination directory: pass --dest DIR\n";
      return 1;
    }
    if (!AskDestination(options.drive_root, destination)) return 1;  // the user backed out, as with Cancel
  }
  UseTerminal(interactive);
  const InstallResult result = InstallInto(destination);
  ReleaseTerminal();
  if (result.installed) {
    ListInstalled(options.destination.empty() ? DisplayPath(destination) : ShownArgument(options.destination));
    return 0;
  }
  if (const int signal = StopSignal(); signal != 0 && extract::Extraction.RunOutcome == extract::Outcome::kCancelled) {
    std::cerr << (isatty(STDERR_FILENO) ? "\n" : "") << InterruptedLine(signal, "nothing was installed or changed")
              << '\n';
    return SignalExitCode(signal);
  }
  std::cerr << '\n' << Shown(package::Setup.SetupTexts[package::TerminatedMessage], Lines::kMany) << '\n';
  if (!DeclinedQuestion().empty()) {  // the disk prompt, the only question an extraction asks
    std::cerr << "pmsetup: " << DisplayPath(extract::VolumePath(extract::Transfer.DiskNumber))
              << " was not found; run in a terminal without --yes to be asked for it\n";
  } else {
    std::cerr << "pmsetup: " << result.problem << '\n';
  }
  return 1;
}

}  // namespace

Command AddInstallCommand(CLI::App& app) {
  auto options = std::make_shared<InstallOptions>();
  CLI::App* install = app.add_subcommand("install", "Install a package here, as SETUP.EXE would on Windows.");
  install->add_option("PACKAGE", options->package, "the package's SETUP.EXE (its volumes lie beside it)")
      ->required();
  install->add_option("--dest", options->destination, "destination directory, taken as written (asked for when left out)");
  install->add_option("--drive-root", options->drive_root,
                      "the folder that stands for the drive of the package's DefaultDir when a destination is "
                      "proposed (default: the current directory; --dest is never changed)");
  install->add_flag("--yes", options->yes, "ask nothing: a missing disk fails the installation");
  install->add_option("--code-page", options->code_page,
                      "the code page the package's texts and names are in (as in its manifest; default 1252)");
  return {install, [options] { return Install(*options); }};
}

}  // namespace pmsetup
