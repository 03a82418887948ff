#include "extract/volume_reader.hpp"

#include "common/crc32.hpp"
#include "common/path_text.hpp"
#include "common/session.hpp"
#include "extract/front_end.hpp"
#include "extract/run_state.hpp"
#include "extract/transfer.hpp"
#include "package/file_name.hpp"
#include "package/integrity_record.hpp"
#include "package/setup_block.hpp"

namespace extract {
namespace {

using package::Setup;

bool VolumeOpen() { return Transfer.VolumeHandle > 0; }

void CloseVolume() {
  if (VolumeOpen()) platform::FileClose(Transfer.VolumeHandle);
  Transfer.VolumeHandle = 0;
  Transfer.VolumeCrc = 0;
  Transfer.VolumeBytes = 0;
  Transfer.VolumeEnded = false;
}

// Once a volume has been read to its end, its size and CRC must be the
// ones the package recorded; a volume that differs stops the run before
// any of its bytes are trusted further.
void CheckVolumeEnd() {
  TransferState& t = Transfer;
  const package::IntegrityRecord& record = package::Integrity;
  if (t.VolumeEnded || !record.Present) return;
  t.VolumeEnded = true;
  const auto number = static_cast<std::size_t>(t.DiskNumber);
  if (number <= record.VolumeCount() && package::VolumeMatches(record.Volume(number), t.VolumeBytes, t.VolumeCrc)) {
    return;
  }
  EndRun(Outcome::kVolumeDamaged, VolumePath(t.DiskNumber), platform::kIoOk, kDamagedVolumeReason);
}

// Every read of a volume passes here, so that the check sees all of it.
platform::IoResult ReadVolume(std::uint32_t& got) {
  TransferState& t = Transfer;
  const platform::IoResult result = platform::FileRead(t.VolumeHandle, Buffers->InputBuffer, kWindowSize, got);
  if (package::Integrity.Present) {
    t.VolumeCrc = common::UpdateCrc32(t.VolumeCrc, Buffers->InputBuffer, got);
    t.VolumeBytes += got;
    if (result == platform::kIoOk && got < kWindowSize) CheckVolumeEnd();
  }
  return result;
}

// A volume that cannot be read.
void StopAtUnreadableVolume(platform::IoResult result) {
  EndRun(Outcome::kReadFailed, VolumePath(Transfer.DiskNumber), result);
}

// What a volume's check before decoding found.
enum class VolumeCheck { kAsRecorded, kDiffers, kRunEnded };

// Before the first byte of a volume reaches the decoder, the volume must
// be the one the package recorded, so that another package's disk, or a
// damaged one, is found before minutes of decoding rather than after.
// The size comes first, which costs nothing; then one pass over the
// bytes for the CRC, after which the volume is read again from its start.
// The check at the volume's end stays, for a read that goes wrong the
// second time.
VolumeCheck CheckVolume(std::int32_t number) {
  const package::IntegrityRecord& record = package::Integrity;
  if (!record.Present) return VolumeCheck::kAsRecorded;
  if (static_cast<std::size_t>(number) > record.VolumeCount()) return VolumeCheck::kDiffers;
  const package::VolumeSum recorded = record.Volume(static_cast<std::size_t>(number));
  const platform::FileHandle volume = Transfer.VolumeHandle;
  std::int64_t size = 0;
  platform::IoResult result = platform::FileSize(volume, size);
  if (result == platform::kIoOk && size != recorded.Size) return VolumeCheck::kDiffers;
  // Not the window: it may still hold the end of the volume before.
  unsigned char buffer[4096];
  std::uint32_t crc = 0;
  for (std::uint32_t got = sizeof buffer; result == platform::kIoOk && got == sizeof buffer && Extraction.Running;) {
    result = platform::FileRead(volume, buffer, sizeof buffer, got);
    crc = common::UpdateCrc32(crc, buffer, got);
    PumpIfWanted();
  }
  if (result == platform::kIoOk) result = platform::FileSeek(volume, 0);
  if (result != platform::kIoOk) StopAtUnreadableVolume(result);
  if (!Extraction.Running) return VolumeCheck::kRunEnded;
  return crc == recorded.Crc ? VolumeCheck::kAsRecorded : VolumeCheck::kDiffers;
}

void StopAtWrongVolume(std::int32_t number) {
  EndRun(Outcome::kVolumeDamaged, VolumePath(number), platform::kIoOk, kDamagedVolumeReason);
}

// Moves on to the next volume, asking for its disk while it cannot be
// opened or is not the one recorded: a wrong disk gets the package's
// wrong-disk message first.  A refusal stops the run; a wrong-disk
// message that cannot be shown (no one to answer it) stops it naming the
// volume.  A volume that is there but is no plain file (a folder, a pipe,
// a device) stops the run at once, naming it, rather than asking for a
// disk that is already there.
void ChangeVolume() {
  const std::int32_t number = ++Transfer.DiskNumber;
  const std::string n = std::to_string(number);
  const std::string prompt = common::ReplaceToken(Setup.SetupTexts[package::DiskPrompt], "%u", n, n);
  const std::string& wrong_disk = Setup.SetupTexts[package::WrongDiskMessage];
  CloseVolume();
  for (bool asked = false; Extraction.Running; asked = true) {
    const platform::IoResult opened = OpenVolume(number, Transfer.VolumeHandle);
    if (opened == platform::kNotAFile) {
      EndRun(Outcome::kReadFailed, VolumePath(number), opened);
      return;
    }
    const VolumeCheck check = VolumeOpen() ? CheckVolume(number) : VolumeCheck::kDiffers;
    if (check != VolumeCheck::kDiffers) return;
    const bool wrong = VolumeOpen();
    CloseVolume();
    if ((wrong || asked) && !UserInterface.ask(wrong_disk, 1, false)) {
      if (Extraction.Running) StopAtWrongVolume(number);
      return;
    }
    if (Extraction.Running && !UserInterface.ask(prompt, 2, false)) EndRun(Outcome::kCancelled);
  }
}

// Fills the window from the open volume, moving on through the volumes
// while they end.
void FillWindow() {
  for (;;) {
    std::uint32_t got = 0;
    if (const platform::IoResult result = VolumeOpen() ? ReadVolume(got) : platform::kIoOk) {
      StopAtUnreadableVolume(result);
      Transfer.ReadFill = 0;
      return;
    }
    Transfer.ReadFill = static_cast<std::int32_t>(got);
    if (Transfer.ReadFill == kWindowSize || Transfer.DiskNumber >= Setup.DiskCount || !Extraction.Running) return;
    ChangeVolume();
    if (Transfer.ReadFill > 0 || !VolumeOpen()) return;
  }
}

}  // namespace

bool FirstVolumeAsRecorded() {
  const VolumeCheck check = CheckVolume(1);
  if (check == VolumeCheck::kDiffers) StopAtWrongVolume(1);
  return check == VolumeCheck::kAsRecorded;
}

std::string VolumePath(std::int32_t number) {
  if (UserInterface.locate_volume != nullptr) {
    std::string found = UserInterface.locate_volume(number);
    if (!found.empty()) return found;
  }
  return common::JoinPath(common::Session.SourceDir, package::VolumeName(number));
}

platform::IoResult OpenVolume(std::int32_t number, platform::FileHandle& handle) {
  handle = platform::kNoFile;
  return platform::FileOpen(VolumePath(number), platform::kRead, platform::kShareNone,
                            platform::Disposition::kOpenExisting, handle);
}

bool OnlyPaddingLeft(const std::uint8_t* held, int held_count) {
  int padding = -1;  // the value of the first byte left, once seen
  const auto padded = [&padding](const std::uint8_t* bytes, std::int64_t count) {
    for (std::int64_t k = 0; k < count; ++k) {
      if (padding < 0) padding = bytes[k];
      if (bytes[k] != padding || (padding != 0x00 && padding != 0x1A)) return false;
    }
    return true;
  };
  TransferState& t = Transfer;
  const unsigned char* window = Buffers->InputBuffer;
  bool only_padding = padded(held, held_count) && padded(window + t.ReadPos - 1, t.ReadFill - t.ReadPos + 1);
  // Read to the volume's end even past other bytes: its check needs all.
  for (std::uint32_t got = kWindowSize; VolumeOpen() && got > 0 && (only_padding || package::Integrity.Present);) {
    if (const platform::IoResult result = ReadVolume(got)) {
      StopAtUnreadableVolume(result);
      return true;
    }
    only_padding = only_padding && padded(Buffers->InputBuffer, got);
  }
  return only_padding && t.DiskNumber >= Setup.DiskCount;
}

bool RefillWindow() {
  TransferState& t = Transfer;
  FillWindow();
  if (t.ReadFill == 0) {
    if (++t.EmptyRequests > kDryAllowance && Extraction.Running) EndRun(Outcome::kInputRanDry);
    return false;
  }
  t.ReadPos = 1;
  return true;
}

void VolumeReader(std::uint8_t* buffer, std::uint16_t, std::uint16_t& delivered) {
  delivered = 0;
  if (!Extraction.Running) return;
  TransferState& t = Transfer;
  if (t.ReadPos > t.ReadFill && !RefillWindow()) return;
  buffer[0] = Buffers->InputBuffer[t.ReadPos - 1];
  ++t.ReadPos;
  delivered = 1;
  if (UserInterface.pump) UserInterface.pump();
}

}  // namespace extract
