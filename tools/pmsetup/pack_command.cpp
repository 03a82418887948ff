// pmsetup pack MANIFEST --out DIR: builds SETUP.EXE and its volumes.
#include <filesystem>
#include <memory>

#include "commands.hpp"
#include "file_io.hpp"
#include "packer.hpp"

namespace pmsetup {

Command AddPackCommand(CLI::App& app) {
  auto options = std::make_shared<PackOptions>();
  auto layout = std::make_shared<std::string>("flat");
  auto disk_size = std::make_shared<std::uint64_t>(0);
  CLI::App* pack = app.add_subcommand("pack", "Build a package (SETUP.EXE and DISK1.CMP, DISK2.CMP, ...) from a manifest.");
  pack->add_option("MANIFEST", options->manifest, "the package's TOML manifest")->required()->check(
      [](const std::string& path) {
        std::error_code error;
        if (std::filesystem::is_regular_file(Path(path), error)) return std::string();
        return std::filesystem::exists(Path(path), error) ? "not a plain file: " + path : "no such file: " + path;
      },
      "FILE");
  pack->add_option("--out", options->out_dir, "folder to write the package into")->required();
  pack->add_option("--disk-size", *disk_size, "bytes per disk; the stream is cut into volumes that fit "
                                               "(the first disk also holds SETUP.EXE)")
      ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 40));
  pack->add_option("--layout", *layout, "flat: every file in the --out folder; disks: one folder per disk")
      ->check(CLI::IsMember({"flat", "disks"}));
  pack->add_option("--stub", options->stub, "the installer stub to use instead of the SETUP.EXE beside pmsetup");
  return {pack, [options, layout, disk_size, pack] {
            if (pack->count("--disk-size") > 0) options->disk_size = *disk_size;
            options->folder_per_disk = *layout == "disks";
            return Pack(*options);
          }};
}

}  // namespace pmsetup
