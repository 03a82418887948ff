// pmsetup install PACKAGE [--dest DIR] [--yes]: the installer's sequence
// on this machine, with questions on the terminal.
#include <unistd.h>

#include <iostream>
#include <memory>

#include "commands.hpp"
#include "driver/path_text.hpp"
#include "driver/session.hpp"
#include "extract/force_directory.hpp"
#include "extract/volume_reader.hpp"
#include "installer.hpp"
#include "package/setup_block.hpp"
#include "platform/code_page.hpp"
#include "terminal_front_end.hpp"

namespace pmsetup {
namespace {

struct InstallOptions {
  std::string package;
  std::string destination;
  bool yes = false;
  int code_page = 1252;
};

// Asks until a directory that can be created is given; false when the
// user gives up.
bool AskDestination(std::string& destination) {
  const package::SetupTextArray& texts = package::Setup.SetupTexts;
  for (;;) {
    std::string answer;
    if (!AskLine(Shown(texts[package::DirPrompt]), Shown(texts[package::DefaultDir]), answer)) return false;
    const ConvertedPath converted = ConvertPath(answer);
    if (!converted.problem.empty()) {
      std::cerr << answer << ": " << converted.problem << "; please give another directory.\n";
      continue;
    }
    destination = converted.path;
    if (extract::ForceDirectory(destination)) return true;
    std::cerr << "Cannot create " << answer << "; please give another directory.\n";
  }
}

void ListInstalled(const std::string& destination) {
  std::cout << "Installed into " << destination << ":\n";
  for (const package::LibRec* entry = package::Setup.FileList; entry != nullptr; entry = entry->Next) {
    std::cout << "  " << Shown(entry->Name) << "  (" << entry->Size << " bytes)\n";
  }
}

int Install(const InstallOptions& options) {
  if (!platform::KnownCodePage(options.code_page)) {
    std::cerr << "pmsetup: --code-page " << options.code_page << " is no Windows code page this system can convert\n";
    return 1;
  }
  platform::AnsiCodePage = options.code_page;
  if (const std::string problem = LoadPackage(options.package); !problem.empty()) {
    std::cerr << "pmsetup: " << options.package << ": " << problem << '\n';
    return 1;
  }
  const bool interactive = !options.yes && isatty(STDIN_FILENO);
  const ConvertedPath given = ConvertPath(options.destination);
  if (!given.problem.empty()) {
    std::cerr << "pmsetup: " << options.destination << ": " << given.problem << '\n';
    return 1;
  }
  std::string destination = given.path;
  if (destination.empty()) {
    if (!interactive) {
      std::cerr << "pmsetup: no destination directory: pass --dest DIR\n";
      return 1;
    }
    if (!AskDestination(destination)) return 1;  // the user backed out, as with Cancel
  }
  UseTerminal(interactive);
  const InstallResult result = InstallInto(destination);
  ReleaseTerminal();
  if (result.installed) {
    ListInstalled(options.destination.empty() ? DisplayPath(destination) : options.destination);
    return 0;
  }
  // Files carved out before the failure are complete; the main program
  // never is, so it goes.
  if (result.main_program_partial) driver::DeleteFileQuiet(driver::BlobPath);
  std::cerr << '\n' << Shown(package::Setup.SetupTexts[package::TerminatedMessage]) << '\n';
  std::cerr << "pmsetup: " << result.problem << '\n';
  if (!DeclinedQuestion().empty()) {
    std::cerr << "pmsetup: " << DisplayPath(extract::VolumePath(extract::DiskNumber)) << " was not found; run in a terminal without --yes to be asked for it\n";
  }
  return 1;
}

}  // namespace

Command AddInstallCommand(CLI::App& app) {
  auto options = std::make_shared<InstallOptions>();
  CLI::App* install = app.add_subcommand("install", "Install a package here, as SETUP.EXE would on Windows.");
  install->add_option("PACKAGE", options->package, "the package's SETUP.EXE (its volumes lie beside it)")
      ->required();
  install->add_option("--dest", options->destination, "destination directory (asked for when left out)");
  install->add_flag("--yes", options->yes, "ask nothing: a missing disk fails the installation");
  install->add_option("--code-page", options->code_page,
                      "the code page the package's texts and names are in (as in its manifest; default 1252)");
  return {install, [options] { return Install(*options); }};
}

}  // namespace pmsetup
