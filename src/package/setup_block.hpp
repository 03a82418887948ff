// The setup data block: everything that belongs to one package, appended
// to the end of the generic SETUP.EXE.
//
// File layout, from byte 0 of the executable:
//
//   executable image   any length
//   SetupBlock         starts at the offset the trailer gives
//   SetupTrailer       last 4 bytes: little-endian absolute offset of the block
//
// SetupBlock, all integers 32-bit little-endian (see little_endian.hpp),
// all texts counted (one length byte L, then L bytes in the ANSI code page,
// no terminator):
//
//   TopColor, BottomColor, TitleColor   0x00BBGGRR colour values
//   TotalSize                           decoded payload size, signed
//   DiskCount                           volume count, only the low byte counts
//   17 texts                            in the order of TextId
//   entries                             Name (text), Offset, Size (signed),
//                                       back to back up to the trailer
//
// Entries are linked at the head as they are read, so the list runs in
// reverse file order and its head, the main program, is the block's last
// entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/file.hpp"

namespace package {

enum TextId : int {
  Title, DefaultDir, GroupName, OkCaption, CancelCaption, YesCaption, NoCaption,
  DirPrompt, GroupPrompt, RunPrompt, DiskPrompt, WrongDiskMessage,
  TerminatedMessage, CancelConfirm, DialogCaption, ProgressCaption, FooterText,
  kTextCount
};

// The trailer's size: a package's last kTrailerSize bytes hold the
// absolute offset of its setup block.
constexpr std::uint32_t kTrailerSize = 4;

// The texts' names as a package author writes them.
extern const std::array<const char*, kTextCount> kTextNames;

using SetupTextArray = std::array<std::string, kTextCount>;

struct SetupHeader {
  std::uint32_t TopColor = 0;
  std::uint32_t BottomColor = 0;
  std::uint32_t TitleColor = 0;
  std::int32_t TotalSize = 0;
  std::uint8_t DiskCount = 0;
};

// One packaged file: its data lies at [Offset, Offset + Size) of the
// decoded payload.  The list owns its records and their names.
struct LibRec {
  std::string Name;
  std::int32_t Offset = 0;
  std::int32_t Size = 0;
  // When the file was last modified (file_details.hpp), 0 when unknown.
  std::uint32_t Time = 0;
  LibRec* Next = nullptr;
};

// No block starts before this offset: every Windows program opens with
// "MZ".  The bare installer stub ends in padding, whose trailer points at
// offset 0: it carries no package.
constexpr std::uint32_t kFirstBlockOffset = 2;

struct SetupBlock : SetupHeader {
  // Where the block starts in its file, as the trailer says; a block made
  // in memory counts as one placed after a program.
  std::uint32_t Offset = kFirstBlockOffset;
  SetupTextArray SetupTexts;
  LibRec* FileList = nullptr;  // head of the list: the main program
  std::int32_t EntryCount = 0;
  // The entries' names are paths under the destination (file_details.hpp);
  // otherwise each file is installed by the last component of its name.
  bool FolderNames = false;

  const LibRec* MainEntry() const { return FileList; }
};

// The block of the running package; the installer reads it once at start-up.
extern SetupBlock Setup;

// Reads the block of the file at path into block, appending to its list.
// Returns 0, the operating system's error code, or kShortRead when the file
// ends inside a field.  What was read before a failure stays in block.
platform::IoResult ReadSetupBlock(const std::string& path, SetupBlock& block);

// The same for a file already open for reading.
platform::IoResult ReadSetupBlockOf(platform::FileHandle file, SetupBlock& block);

// Opens the package file at path for reading, letting others read it too
// (a running SETUP.EXE is held open by the system), hands the handle to
// read, and closes it; the first failure is the result.
template <class Read>
platform::IoResult ReadPackageAt(const std::string& path, Read read) {
  platform::FileHandle file = platform::kNoFile;
  const platform::IoResult opened = platform::FileOpen(path, platform::kRead, platform::kShareRead,
                                                       platform::Disposition::kOpenExisting, file);
  if (opened != platform::kIoOk) return opened;
  const platform::IoResult result = read(file);
  const platform::IoResult closed = platform::FileClose(file);
  return result != platform::kIoOk ? result : closed;
}

// Disposes every record of the list and leaves it empty.
void FreeFileList(SetupBlock& block);

// PackageDefect's answer for the bare installer stub.
extern const char kNoPackage[];

// Why a block that reads without failure still cannot be installed, or
// nullptr when it can: the file must carry a package (kNoPackage), the
// installer needs a main program, and its name must be a usable Windows
// file name as it stands (see file_name.hpp).
const char* PackageDefect(const SetupBlock& block);

}  // namespace package
