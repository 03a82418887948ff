// pmsetup pack MANIFEST --out DIR: builds SETUP.EXE and its volumes.
#include <filesystem>
#include <iostream>
#include <memory>

#include "commands/commands.hpp"
#include "io/file_io.hpp"
#include "packing/packer.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {

Command AddPackCommand(CLI::App& app) {
  auto options = std::make_shared<PackOptions>();
  auto layout = std::make_shared<std::string>("flat");
  auto disk_size = std::make_shared<std::uint64_t>(0);
  auto cluster_size = std::make_shared<std::uint32_t>(512);
  auto media = std::make_shared<std::string>();
  CLI::App* pack = app.add_subcommand("pack", "Build a package (SETUP.EXE and DISK1.CMP, DISK2.CMP, ...) from a manifest.");
  pack->add_option("MANIFEST", options->manifest, "the package's TOML manifest")->required()->check(
      [](const std::string& path) {
        std::error_code error;
        if (std::filesystem::is_regular_file(Path(path), error)) return std::string();
        return std::filesystem::exists(Path(path), error) ? "not a plain file: " + ShownArgument(path)
                                                       : "no such file: " + ShownArgument(path);
      },
      "")
      ->type_name("");
  pack->add_option("--out", options->out_dir, "folder to write the package into")->required()->type_name("DIR");
  std::vector<std::string> presets;
  for (const Medium& medium : Presets()) presets.emplace_back(medium.name);
  CLI::Option* media_option =
      pack->add_option("--media", *media, "the disks to fill, one of the presets below")
          ->type_name("PRESET")
          ->check(CLI::IsMember(presets));
  CLI::Option* size_option =
      pack->add_option("--disk-size", *disk_size, "bytes per disk, for any other medium; the stream is cut into "
                                                  "volumes that fit (the first disk also holds SETUP.EXE)")
          ->type_name("BYTES")
          ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 40).description(""))
          ->excludes(media_option);
  pack->add_option("--cluster-size", *cluster_size, "with --disk-size: every file takes whole clusters of this "
                                                    "many bytes on the disk (default 512, the smallest sector; "
                                                    "1: as many bytes as it holds)")
      ->type_name("BYTES")
      ->check(CLI::Range(std::uint32_t{1}, std::uint32_t{1} << 20).description(""))
      ->needs(size_option);
  pack->add_option("--layout", *layout, "flat: every file in the --out folder; disks: one folder per disk; "
                                        "images (with --media): an image of each disk, DISK1.IMG, ... "
                                        "for floppies, DISK1.ISO, ... for CDs")
      ->type_name("LAYOUT")
      ->check(CLI::IsMember({"flat", "disks", "images"}));
  pack->add_option("--stub", options->stub, "the installer stub to use instead of the SETUP.EXE beside pmsetup")
      ->type_name("FILE");
  pack->footer("Presets for --media (bytes for files on a freshly formatted disk):\n" + PresetTable() + "\n" +
               kManifestNote);
  return {pack, [options, layout, disk_size, cluster_size, media, pack] {
            if (const Medium* preset = FindPreset(*media)) options->medium = *preset;
            if (pack->count("--disk-size") > 0) options->medium = SizedMedium(*disk_size, *cluster_size);
            options->folder_per_disk = *layout == "disks";
            options->disk_images = *layout == "images";
            if (options->disk_images && !FindPreset(*media)) {
              std::cerr << "pmsetup: --layout images needs --media: the images are of one of its presets\n";
              return kUsageError;
            }
            return Pack(*options);
          }};
}

}  // namespace pmsetup
