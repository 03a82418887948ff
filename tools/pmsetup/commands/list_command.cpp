// pmsetup list PACKAGE [--code-page N] [--json]: what a package's SETUP.EXE holds.
#include <iostream>
#include <memory>

#include "commands/commands.hpp"
#include "reading/package_json.hpp"
#include "reading/package_report.hpp"
#include "reading/package_source.hpp"
#include "platform/code_page.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

Command AddListCommand(CLI::App& app) {
  auto path = std::make_shared<std::string>();
  auto code_page = std::make_shared<int>(1252);
  auto json = std::make_shared<bool>(false);
  CLI::App* list = app.add_subcommand("list", "Show the setup data of a package: colours, texts and files.");
  list->add_option("PACKAGE", *path, kPackageHelp)->required()->type_name("");
  list->add_option("--code-page", *code_page,
                   "the code page the package's texts and names are in (as in its manifest; default 1252)")
      ->type_name("N");
  list->add_flag("--json", *json,
                 "print the listing as one JSON document instead (its members are described in the README)");
  return {list, [path, code_page, json] {
    if (!platform::KnownCodePage(*code_page)) {
      std::cerr << "pmsetup: --code-page " << *code_page << " is no Windows code page this system can convert\n";
      return 1;
    }
    // Names are judged in the package's code page, as install judges
    // them.  The package itself is read by its name on this system:
    // unlike an installation, a listing opens no other file by a path from
    // the package's code page.
    platform::AnsiCodePage = *code_page;
    PackageSource source;
    if (const std::string problem = source.Open(*path, {}); !problem.empty()) {
      std::cerr << "pmsetup: " << ShownArgument(*path) << ": " << problem << '\n';
      return 1;
    }
    const std::string& setup_exe = source.SetupExe();
    PackageFile package;
    const platform::IoResult result = ReadPackageFile(setup_exe, package);
    const char* defect = package::RecordDamage(package.check);
    if (defect == nullptr) defect = package.details_damage;
    if (defect == nullptr && result == platform::kIoOk) defect = package::PackageDefect(package.block);
    int status = 0;
    if (result != platform::kIoOk || defect != nullptr) {
      std::cerr << "pmsetup: " << ShownArgument(*path) << ": "
                << DescribeUnusable(setup_exe, result, defect) << '\n';
      status = 1;
    } else {
      const std::optional<StubVersion> stub = ReadStubVersionOf(setup_exe);
      if (*json) std::cout << JsonText(ListingJson(package, stub, *code_page));
      else PrintPackage(std::cout, stub, package.block, package.record, *code_page);
      const std::string hint = CodePageHint(package.block, *code_page);
      if (!hint.empty()) std::cerr << "pmsetup: " << ShownArgument(*path) << ": " << hint << '\n';
    }
    return status;
  }};
}

}  // namespace pmsetup
