// pmsetup: inspect, build and install Pagemix Setup packages.
#include <cerrno>
#include <iostream>
#include <new>
#include <vector>

#include "commands.hpp"
#include "platform/system.hpp"

int main(int argc, char** argv) {
  CLI::App app{"Inspect, build and install Pagemix Setup packages."};
  app.require_subcommand(1);
  app.footer("The manifest keys, the texts and their defaults are described in the README.");
  std::vector<pmsetup::Command> commands{pmsetup::AddPackCommand(app), pmsetup::AddListCommand(app),
                                         pmsetup::AddVerifyCommand(app),
                                         pmsetup::AddLzhCommand(app)};
#ifndef _WIN32
  // On Windows, SETUP.EXE itself installs.
  commands.push_back(pmsetup::AddInstallCommand(app));
#endif
  std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
  std::vector<char*> utf8_argv;
  for (std::string& argument : arguments) utf8_argv.push_back(argument.data());
  CLI11_PARSE(app, argc, utf8_argv.data());
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
