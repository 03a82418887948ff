// pmsetup list PACKAGE: what a package's SETUP.EXE holds.
#include <iostream>
#include <memory>

#include "commands.hpp"
#include "package_report.hpp"
#include "platform/code_page.hpp"

namespace pmsetup {

Command AddListCommand(CLI::App& app) {
  auto path = std::make_shared<std::string>();
  CLI::App* list = app.add_subcommand("list", "Show the setup data of a package: colours, texts and files.");
  list->add_option("PACKAGE", *path, "the package's SETUP.EXE")->required();
  return {list, [path] {
    const std::optional<std::string> system_path = platform::SystemPath(*path);
    if (!system_path) {
      std::cerr << "pmsetup: " << *path << ": cannot read it: a character of the path has no place in the code page\n";
      return 1;
    }
    package::IntegrityRecord record;
    package::RecordCheck check = package::RecordCheck::kAbsent;
    package::SetupBlock block;
    platform::IoResult result = package::ReadIntegrityRecord(*system_path, record, check);
    if (result == platform::kIoOk) result = package::ReadSetupBlock(*system_path, block);
    const char* defect = check == package::RecordCheck::kDamaged ? package::kDamagedSetupData
                         : result == platform::kIoOk             ? package::PackageDefect(block)
                                                                 : nullptr;
    int status = 0;
    if (result != platform::kIoOk || defect != nullptr) {
      std::cerr << "pmsetup: " << *path << ": "
                << (defect ? std::string("damaged package: ") + defect : DescribeReadFailure(*path, result)) << '\n';
      status = 1;
    } else {
      PrintPackage(std::cout, block, record);
    }
    package::FreeFileList(block);
    return status;
  }};
}

}  // namespace pmsetup
