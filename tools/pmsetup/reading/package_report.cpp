#include "reading/package_report.hpp"

#include <cstdio>
#include <ctime>
#include <fstream>
#include <algorithm>
#include <vector>

#include "io/file_io.hpp"
#include "reading/file_kind.hpp"
#include "reading/listing_values.hpp"
#include "package/file_details.hpp"
#include "package/file_name.hpp"
#include "package/little_endian.hpp"
#include "platform/code_page.hpp"
#include "platform/system.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

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
std::string NameRemark(const std::string& name, bool folder_names, int code_page) {
  const char* problem = nullptr;
  const std::string installed = package::InstalledPath(name, folder_names, &problem);
  if (installed.empty()) return std::string("  (cannot be installed: ") + problem + ")";
  const std::size_t separator = folder_names ? std::string::npos : name.find_last_of("\\/:");
  if (installed != name.substr(separator + 1)) return "  (installed as " + Quoted(installed, code_page) + ")";  // npos + 1 is 0
  return std::string();
}

// A recorded modification time in this system's time zone, as listings
// of files show them.
std::string TimeText(std::uint32_t time) {
  if (time == 0) return "-";
  const std::time_t seconds = time;
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// Text aligned to the right of columns on the terminal.
std::string RightAligned(const std::string& text, std::size_t columns) {
  return std::string(columns - std::min(columns, Columns(text)), ' ') + text;
}

// The entries, one a line, the columns as wide as their widest cell.
void PrintEntries(std::ostream& out, const package::SetupBlock& block, int code_page) {
  struct Row {
    std::string name, offset;
    std::int32_t size;
    std::string time, remark;
  };
  std::vector<Row> rows;
  std::size_t name_width = 0, offset_width = 0, size_width = 0;
  bool timed = false;
  for (const package::LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next) {
    timed |= entry->Time != 0;
    rows.push_back({Quoted(entry->Name, code_page), Thousands(entry->Offset), entry->Size, TimeText(entry->Time),
                    NameRemark(entry->Name, block.FolderNames, code_page)});
    name_width = std::max(name_width, Columns(rows.back().name));
    offset_width = std::max(offset_width, rows.back().offset.size());
    size_width = std::max(size_width, Thousands(entry->Size).size());
  }
  out << "Entries (" << block.EntryCount << "), main program first"
      << (block.FolderNames ? "; the names hold folders, made under the destination" : "") << ":\n";
  for (const Row& row : rows) {
    out << "  " << Padded(row.name, name_width) << "  offset " << RightAligned(row.offset, offset_width) << "  "
        << ByteCount(row.size, size_width) << (timed ? "  " + RightAligned(row.time, 19) : "") << row.remark << '\n';
  }
}

}  // namespace

platform::IoResult ReadPackageFile(const std::string& path, PackageFile& package) {
  platform::FileHandle file = platform::kNoFile;
  const platform::IoResult opened = platform::FileOpenByNativePath(path, file);
  if (opened != platform::kIoOk) return opened;
  platform::IoResult result = package::ReadIntegrityRecordOf(file, package.record, package.check);
  if (result == platform::kIoOk) result = package::ReadSetupBlockOf(file, package.block);
  if (result == platform::kIoOk) {
    result = package::ReadFileDetailsOf(file, package.record, package.block, &package.details_damage);
  }
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

std::string CodePageHint(const package::SetupBlock& block, int code_page) {
  // The code pages of the Windows versions a package was likely made for.
  static constexpr int kLikely[] = {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 874, 932, 936, 949, 950};
  std::vector<const std::string*> texts;
  for (const std::string& text : block.SetupTexts) texts.push_back(&text);
  for (const package::LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next) texts.push_back(&entry->Name);
  const auto all_read = [&texts](int page) {
    return std::all_of(texts.begin(), texts.end(),
                       [page](const std::string* text) { return platform::ConvertedFromCodePage(*text, page).has_value(); });
  };
  if (all_read(code_page)) return std::string();
  std::string pages;
  for (const int page : kLikely) {
    if (page != code_page && platform::KnownCodePage(page) && all_read(page)) {
      pages += (pages.empty() ? "" : ", ") + std::to_string(page);
    }
  }
  return "some texts or names have bytes with no character in code page " + std::to_string(code_page) +
         ", so the package was made in another one" +
         (pages.empty() ? std::string() : ": try --code-page with one of " + pages);
}

std::string DescribeUnusable(const std::string& path, platform::IoResult code, const char* defect) {
  // Not opened again when it is no plain file: a FIFO would wait for a
  // writer for ever.
  if (code != platform::kNotAFile) {
    if (const std::optional<std::string> what = NotAPackage(path)) return *what;
  }
  return defect != nullptr ? DescribeDefect(defect) : DescribeReadFailure(path, code);
}

void PrintPackage(std::ostream& out, const std::optional<StubVersion>& stub, const package::SetupBlock& block,
                  const package::IntegrityRecord& record, int code_page) {
  const auto row = [&out](const std::string& name) -> std::ostream& { return out << Padded(name, 18); };
  row("Stub") << DescribeStubVersion(stub) << '\n';
  row("TopColor") << ColourText(block.TopColor) << '\n';
  row("BottomColor") << ColourText(block.BottomColor) << '\n';
  row("TitleColor") << ColourText(block.TitleColor) << '\n';
  row("TotalSize") << ByteCount(block.TotalSize) << '\n';
  row("DiskCount") << static_cast<int>(block.DiskCount) << '\n';
  for (int id = 0; id < package::kTextCount; ++id) {
    row(package::kTextNames[id]) << Quoted(block.SetupTexts[id], code_page) << '\n';
  }
  PrintEntries(out, block, code_page);
  if (!record.Present) {
    out << "Checksums: none (packed without an integrity record: damage cannot be detected)\n";
    return;
  }
  out << "Checksums: integrity record, setup data matches, "
      << (record.ImageCovered ? "installer matches" : "installer not covered (an older record)") << "; payload CRC-32 "
      << CrcText(record.PayloadCrc) << '\n';
  const std::size_t count = record.VolumeCount();
  const std::size_t name_width = package::VolumeName(static_cast<int>(count)).size();
  std::size_t size_width = 0;
  for (std::size_t n = 1; n <= count; ++n) size_width = std::max(size_width, Thousands(record.Volume(n).Size).size());
  for (std::size_t n = 1; n <= count; ++n) {
    const package::VolumeSum sum = record.Volume(n);
    out << "  " << Padded(package::VolumeName(static_cast<int>(n)), name_width) << "  " << ByteCount(sum.Size, size_width)
        << "  CRC-32 " << CrcText(sum.Crc) << '\n';
  }
}

}  // namespace pmsetup
