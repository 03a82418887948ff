// pmsetup: inspect, build and install Pagemix Setup packages.
#include <cerrno>
#include <iostream>
#include <new>
#include <vector>

#include "commands/commands.hpp"
#include "platform/system.hpp"

int main(int argc, char** argv) {
  // Named, so that the usage lines say "pmsetup" rather than the path it was started by.
  CLI::App app{"Inspect, build and install Pagemix Setup packages.", "pmsetup"};
  const std::vector<pmsetup::Command> commands = pmsetup::AddCommands(app);
  std::vector<std::string> arguments = platform::Utf8Arguments(argc, argv);
  std::vector<char*> utf8_argv;
  for (std::string& argument : arguments) utf8_argv.push_back(argument.data());
  try {
    app.parse(argc, utf8_argv.data());
  } catch (const CLI::ParseError& error) {
    // --help and --version end here too, with 0.
    const std::string problem = error.get_exit_code() == 0 ? std::string()
                                : pmsetup::CommandProblem(app, {arguments.begin() + (argc > 0), arguments.end()});
    if (problem.empty()) return app.exit(error) == 0 ? 0 : pmsetup::kUsageError;
    std::cerr << problem << '\n';
    return pmsetup::kUsageError;
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
