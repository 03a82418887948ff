// The pmsetup subcommands.  Each registers itself on the command line and
// hands back what to run when it is the one chosen.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace pmsetup {

// The exit code of a command line that is wrong in itself: an unknown
// option, a missing argument, a value out of range.
constexpr int kUsageError = 2;

// Where the help of pmsetup and of pack point to for the manifest.
constexpr char kManifestNote[] =
    "The manifest keys, the texts and their defaults are described in pmsetup-manifest(5) and the README.";

// What list, verify and install take as the package, and where further
// disks may be.
constexpr char kPackageHelp[] =
    "the package: its SETUP.EXE (the disks beside it, or in the folders DISK2, ... beside its folder) or the image of "
    "its first disk, DISK1.IMG or DISK1.ISO (the other images beside it)";
constexpr char kVolumesHelp[] =
    "a further place to look for disks: a folder, or the image of one disk (repeatable)";

struct Command {
  CLI::App* parser;
  std::function<int()> run;  // returns the process exit code
};

// Every command on app, with the options and texts pmsetup has.  The
// manual page and the shell completion are written from the same tree, so
// that they say what the program takes.
std::vector<Command> AddCommands(CLI::App& app);

// The one line that names a command the program does not have, or says
// that one is needed, listing those it has; empty when arguments (those
// after the program's name) name commands as far as they go.
std::string CommandProblem(const CLI::App& app, const std::vector<std::string>& arguments);

Command AddListCommand(CLI::App& app);
Command AddLzhCommand(CLI::App& app);
Command AddPackCommand(CLI::App& app);
Command AddInstallCommand(CLI::App& app);
Command AddVerifyCommand(CLI::App& app);
Command AddInitCommand(CLI::App& app);

}  // namespace pmsetup
