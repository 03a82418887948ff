// pmsetup list PACKAGE: what a package's SETUP.EXE holds.
#include <iostream>
#include <memory>

#include "commands.hpp"
#include "package_report.hpp"
#include "terminal_text.hpp"

namespace pmsetup {

Command AddListCommand(CLI::App& app) {
  auto path = std::make_shared<std::string>();
  CLI::App* list = app.add_subcommand("list", "Show the setup data of a package: colours, texts and files.");
  list->add_option("PACKAGE", *path, "the package's SETUP.EXE")->required();
  return {list, [path] {
    // Read by its name on this system: unlike an installation, a listing
    // opens no other file by a path from the package's code page.
    PackageFile package;
    const platform::IoResult result = ReadPackageFile(*path, package);
    const char* defect = package.check == package::RecordCheck::kDamaged ? package::kDamagedSetupData
                         : result == platform::kIoOk ? package::PackageDefect(package.block)
                                                     : nullptr;
    int status = 0;
    if (result != platform::kIoOk || defect != nullptr) {
      std::cerr << "pmsetup: " << ShownArgument(*path) << ": "
                << (defect ? DescribeDefect(defect) : DescribeReadFailure(*path, result)) << '\n';
      status = 1;
    } else {
      PrintPackage(std::cout, ReadStubVersionOf(*path), package.block, package.record);
    }
    return status;
  }};
}

}  // namespace pmsetup
