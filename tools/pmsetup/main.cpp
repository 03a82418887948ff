// pmsetup: inspect, build and install Pagemix Setup packages.
#include <cerrno>
#include <iostream>
#include <new>

#include "commands.hpp"

int main(int argc, char** argv) {
  CLI::App app{"Inspect, build and install Pagemix Setup packages."};
  app.require_subcommand(1);
  app.footer("The manifest keys, the texts and their defaults are described in the README.");
  const pmsetup::Command commands[] = {pmsetup::AddPackCommand(app), pmsetup::AddInstallCommand(app),
                                      pmsetup::AddListCommand(app), pmsetup::AddLzhCommand(app)};
  CLI11_PARSE(app, argc, argv);
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
