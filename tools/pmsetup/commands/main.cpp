// pmsetup: inspect, build and install Pagemix Setup packages.
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <new>
#include <vector>

#include "commands/commands.hpp"
#include "io/file_io.hpp"
#include "pagemix_version.h"
#include "platform/system.hpp"
#include "packing/stub_location.hpp"
#include "reading/stub_version.hpp"
#include "terminal/terminal_text.hpp"

namespace {

// The tool's version, and the stub pack would take: where, how large, and
// which version it says it is.
std::string VersionText() {
  std::string text = "pmsetup (Pagemix Setup) " PAGEMIX_VERSION_TEXT "\n";
  const std::optional<std::string> stub = pmsetup::FindStub();
  if (!stub) return text + "stub: " + pmsetup::NoStubMessage();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(pmsetup::Path(*stub), error);
  text += "stub: " + pmsetup::ShownArgument(*stub) + " (" + (error ? std::string("size unknown") : pmsetup::ByteCount(size)) + ", " +
          pmsetup::DescribeStubVersion(pmsetup::ReadStubVersionOf(*stub)) + ")";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  // Named, so that the usage lines say "pmsetup" rather than the path it was started by.
  CLI::App app{"Inspect, build and install Pagemix Setup packages.", "pmsetup"};
  app.set_version_flag("--version", VersionText, "Print the version of pmsetup and of the installer stub pack would use");
  app.require_subcommand(1);
  std::vector<pmsetup::Command> commands{pmsetup::AddPackCommand(app), pmsetup::AddListCommand(app),
                                         pmsetup::AddVerifyCommand(app),
                                         pmsetup::AddLzhCommand(app)};
#ifndef _WIN32
  // On Windows, SETUP.EXE itself installs.
  commands.push_back(pmsetup::AddInstallCommand(app));
#endif
  // Set once the subcommands are made: each takes its parent's footer when
  // it is made, and this one concerns pack alone of them.
  app.footer(std::string(pmsetup::kManifestNote) +
             "\nExit codes: 0 success, 1 failure, 2 usage error; 130, 143 or 129 when stopped by\n"
             "SIGINT, SIGTERM or SIGHUP.");
  // A mistake in the command line names what it is, with its arguments'
  // control characters shown.
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "pmsetup: " + pmsetup::ShownArgument(error.what(), pmsetup::Lines::kMany) +
           "\nRun with --help for more information.\n";
  });
  std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
  std::vector<char*> utf8_argv;
  for (std::string& argument : arguments) utf8_argv.push_back(argument.data());
  try {
    app.parse(argc, utf8_argv.data());
  } catch (const CLI::ParseError& error) {
    // --help and --version end here too, with 0.
    return app.exit(error) == 0 ? 0 : pmsetup::kUsageError;
  }
  int status = 1;
  try {
    for (const pmsetup::Command& command : commands) {
      if (command.parser->parsed()) status = command.run();
    }
  } catch (const std::bad_alloc&) {
    std::cerr << "pmsetup: out of memory\n";
    return 1;
  }
  // A report that could not be written (a full disk) is a failure too; a
  // reader that stopped early (| head) is not.
  if (!std::cout.flush() && errno != EPIPE) {
    std::cerr << "pmsetup: cannot write the report to standard output\n";
    return 1;
  }
  return status;
}
