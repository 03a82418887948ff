#include "installing/salvage_install.hpp"

#include <algorithm>

#include "extract/run_state.hpp"
#include "package/file_name.hpp"
#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"
#include "reading/disk_reading.hpp"
#include "reading/salvage.hpp"

namespace pmsetup {
namespace {

// The first volume that differs from the record, or is missing; 0 when
// none does.  The paths of the sound ones before it go to sound.
int FirstBadVolume(PackageSource& source, std::vector<std::string>& sound, std::string& verdict) {
  int first_bad = 0;
  ReadVolumes(source, package::Integrity, [&](const VolumeReading& volume) {
    if (volume.verdict == "good") {
      sound.push_back(*volume.path);
      return true;
    }
    first_bad = volume.number;
    verdict = volume.verdict;
    return false;
  });
  return first_bad;
}

// Leaves in the block only the entries that are whole, and the volumes
// and payload they need.
void KeepWholeEntries(Salvage& salvage) {
  package::SetupBlock& block = package::Setup;
  std::int64_t end = 0;
  package::LibRec** link = &block.FileList;
  while (package::LibRec* entry = *link) {
    if (WholeWithin(*entry, salvage.decodable)) {
      if (entry->Size > 0) end = std::max<std::int64_t>(end, static_cast<std::int64_t>(entry->Offset) + entry->Size);
      link = &entry->Next;
      continue;
    }
    salvage.lost.push_back(entry->Name);
    *link = entry->Next;
    delete entry;
    --block.EntryCount;
  }
  block.TotalSize = static_cast<std::int32_t>(end);
  block.DiskCount = static_cast<std::uint8_t>(salvage.first_bad - 1);
  extract::Extraction.Salvaging = true;
}

}  // namespace

std::string PrepareSalvage(PackageSource& source, Salvage& salvage) {
  if (!package::Integrity.Present) {
    return "--salvage needs the package's integrity record to tell whole files from damaged ones, and this package "
           "was packed without one; nothing was installed";
  }
  std::vector<std::string> sound;
  salvage.first_bad = FirstBadVolume(source, sound, salvage.verdict);
  if (salvage.first_bad == 0) return std::string();
  std::string error;
  const std::optional<std::int64_t> decodable = DecodableBytes(sound, package::Setup.TotalSize, error);
  if (!decodable) return error + "; nothing was installed";
  salvage.decodable = *decodable;
  salvage.main_lost = salvage.first_bad == 1 || !WholeWithin(*package::Setup.MainEntry(), salvage.decodable);
  if (salvage.main_lost) {
    for (const package::LibRec* entry = package::Setup.FileList; entry != nullptr; entry = entry->Next) {
      salvage.lost.push_back(entry->Name);
    }
    return std::string();
  }
  KeepWholeEntries(salvage);
  return std::string();
}

}  // namespace pmsetup
