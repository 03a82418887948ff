#include "package_report.hpp"

#include <cstdio>
#include <fstream>
#include <iomanip>

#include "file_io.hpp"
#include "package/file_name.hpp"
#include "package/little_endian.hpp"
#include "platform/system.hpp"

namespace pmsetup {
namespace {

std::string ColourText(std::uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  return text;
}

// Quotes a package text, showing bytes outside printable ASCII as \xNN.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    }
  }
  return out + "\"";
}

struct Trailer {
  std::int64_t limit = -1;  // offset of the trailer itself
  std::uint32_t block_offset = 0;
};

Trailer ReadTrailer(const std::string& path) {
  Trailer trailer;
  std::ifstream file(Path(path), std::ios::binary | std::ios::ate);
  if (!file) return trailer;
  const std::int64_t size = file.tellg();
  if (size < package::kTrailerSize) return trailer;
  unsigned char bytes[package::kTrailerSize];
  file.seekg(size - package::kTrailerSize);
  if (!file.read(reinterpret_cast<char*>(bytes), sizeof bytes)) return trailer;
  trailer.limit = size - package::kTrailerSize;
  trailer.block_offset = package::LittleEndian32(bytes);
  return trailer;
}

// What becomes of a name that does not install as it stands.
std::string NameRemark(const std::string& name) {
  const char* problem = nullptr;
  const std::string installed = package::InstalledName(name, &problem);
  if (installed.empty()) return std::string("  (cannot be installed: ") + problem + ")";
  const std::size_t separator = name.find_last_of("\\/:");
  if (installed != name.substr(separator + 1)) return "  (installed as " + Quoted(installed) + ")";  // npos + 1 is 0
  return std::string();
}

}  // namespace

platform::IoResult ReadPackageFile(const std::string& path, PackageFile& package) {
  platform::FileHandle file = platform::kNoFile;
  const platform::IoResult opened = platform::FileOpenByNativePath(path, file);
  if (opened != platform::kIoOk) return opened;
  platform::IoResult result = package::ReadIntegrityRecordOf(file, package.record, package.check);
  if (result == platform::kIoOk) result = package::ReadSetupBlockOf(file, package.block);
  const platform::IoResult closed = platform::FileClose(file);
  return result != platform::kIoOk ? result : closed;
}

// A trailer pointing past the file shows as a failed seek, whose code
// differs between systems: the trailer itself tells.
std::string DescribeReadFailure(const std::string& path, platform::IoResult code) {
  // Not opened again: a FIFO would wait for a writer for ever.
  if (code == platform::kNotAFile) return "cannot read it: " + platform::ErrorText(code);
  const Trailer trailer = ReadTrailer(path);
  const bool bad_trailer = trailer.limit >= 0 && trailer.block_offset >= trailer.limit;
  if (code != platform::kShortRead && !bad_trailer) return "cannot read it: " + platform::ErrorText(code);
  if (trailer.limit < 0) return "damaged package: the file is too short to hold a setup trailer";
  if (bad_trailer) {
    return "damaged package: bad trailer: the setup block would start at offset " +
           std::to_string(trailer.block_offset) + ", but the trailer itself starts at " + std::to_string(trailer.limit);
  }
  return "damaged package: short read: the file ends inside the setup block";
}

std::string CrcText(std::uint32_t crc) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(crc));
  return text;
}

std::string DescribeDefect(const char* defect) {
  return defect == package::kNoPackage ? defect : std::string("damaged package: ") + defect;
}

void PrintPackage(std::ostream& out, const std::optional<StubVersion>& stub, const package::SetupBlock& block,
                  const package::IntegrityRecord& record) {
  const auto row = [&out](const std::string& name) -> std::ostream& {
    return out << std::left << std::setw(18) << name;
  };
  row("Stub") << DescribeStubVersion(stub) << '\n';
  row("TopColor") << ColourText(block.TopColor) << '\n';
  row("BottomColor") << ColourText(block.BottomColor) << '\n';
  row("TitleColor") << ColourText(block.TitleColor) << '\n';
  row("TotalSize") << block.TotalSize << '\n';
  row("DiskCount") << static_cast<int>(block.DiskCount) << '\n';
  for (int id = 0; id < package::kTextCount; ++id) row(package::kTextNames[id]) << Quoted(block.SetupTexts[id]) << '\n';
  out << "Entries (" << block.EntryCount << "), main program first:\n";
  for (const package::LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next) {
    out << "  " << std::left << std::setw(32) << Quoted(entry->Name) << " offset " << std::right << std::setw(10)
        << entry->Offset << "  size " << std::setw(10) << entry->Size << NameRemark(entry->Name) << '\n';
  }
  if (!record.Present) {
    out << "Checksums: none (packed without an integrity record: damage cannot be detected)\n";
    return;
  }
  out << "Checksums: integrity record, setup data matches; payload CRC-32 " << CrcText(record.PayloadCrc) << '\n';
  for (std::size_t n = 1; n <= record.VolumeCount(); ++n) {
    const package::VolumeSum sum = record.Volume(n);
    out << "  " << std::left << std::setw(12) << package::VolumeName(static_cast<int>(n)) << " size " << std::right
        << std::setw(10) << sum.Size << "  CRC-32 " << CrcText(sum.Crc) << '\n';
  }
}

}  // namespace pmsetup
