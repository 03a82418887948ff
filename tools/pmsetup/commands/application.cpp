// The command line of pmsetup as a whole: its commands, its version and
// the words it ends its help with.
#include <filesystem>

#include "commands/commands.hpp"
#include "pagemix_version.h"
#include "packing/stub_location.hpp"
#include "reading/stub_version.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

// The tool's version, and the stub pack would take: where, how large, and
// which version it says it is.
std::string VersionText() {
  std::string text = "pmsetup (Pagemix Setup) " PAGEMIX_VERSION_TEXT "\n";
  const std::optional<std::string> stub = FindStub();
  if (!stub) return text + "stub: " + NoStubMessage();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(Path(*stub), error);
  text += "stub: " + ShownArgument(*stub) + " (" + (error ? std::string("size unknown") : ByteCount(size)) + ", " +
          DescribeStubVersion(ReadStubVersionOf(*stub)) + ")";
  return text;
}

std::string CommandList(const CLI::App& parent) {
  std::string list;
  for (const CLI::App* command : parent.get_subcommands({})) {
    list += (list.empty() ? "" : ", ") + command->get_name();
  }
  return list;
}

}  // namespace

std::vector<Command> AddCommands(CLI::App& app) {
  app.set_version_flag("--version", VersionText, "Print the version of pmsetup and of the installer stub pack would use");
  app.require_subcommand(1);
  std::vector<Command> commands{AddPackCommand(app), AddListCommand(app), AddVerifyCommand(app)};
#ifndef _WIN32
  // On Windows, SETUP.EXE itself installs.
  commands.push_back(AddInstallCommand(app));
#endif
  commands.push_back(AddLzhCommand(app));
  commands.push_back(AddInitCommand(app));
  // Set once the subcommands are made: each takes its parent's footer when
  // it is made, and this one concerns pack alone of them.
  app.footer(std::string(kManifestNote) +
             "\nExit codes: 0 success, 1 failure, 2 usage error, 3 files left out by install\n"
             "--salvage; 130, 143 or 129 when stopped by SIGINT, SIGTERM or SIGHUP.");
  // A mistake in the command line names what it is, with its arguments'
  // control characters shown.
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "pmsetup: " + ShownArgument(error.what(), Lines::kMany) + "\nRun with --help for more information.\n";
  });
  return commands;
}

// CLI11 takes a word that is no command for a stray argument, or finds
// no command at all, and says so in its own terms.
std::string CommandProblem(const CLI::App& app, const std::vector<std::string>& arguments) {
  const CLI::App* parent = &app;
  std::string path = "pmsetup";
  for (const std::string& word : arguments) {
    if (parent->get_require_subcommand_min() == 0 || (!word.empty() && word[0] == '-')) return std::string();
    const std::vector<const CLI::App*> named =
        parent->get_subcommands([&](const CLI::App* command) { return command->check_name(word); });
    if (named.empty()) {
      return path + ": unknown command '" + ShownArgument(word) + "'; the commands are: " + CommandList(*parent);
    }
    parent = named.front();
    path += " " + parent->get_name();
  }
  if (parent->get_require_subcommand_min() == 0) return std::string();
  return path + ": a command is needed; the commands are: " + CommandList(*parent);
}

}  // namespace pmsetup
