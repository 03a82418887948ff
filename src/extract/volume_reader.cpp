#include "extract/volume_reader.hpp"

#include <string>

#include "driver/path_text.hpp"
#include "driver/session.hpp"
#include "extract/buffers.hpp"
#include "extract/front_end.hpp"
#include "extract/stop_point.hpp"
#include "package/file_name.hpp"
#include "package/setup_block.hpp"

namespace extract {
namespace {

using package::Setup;

bool VolumeOpen() { return VolumeHandle > 0; }

void CloseVolume() {
  if (VolumeOpen()) platform::FileClose(VolumeHandle);
  VolumeHandle = 0;
}

// Moves on to the next volume, asking for its disk while it cannot be
// opened; a refusal stops the run.
void ChangeVolume() {
  ++DiskNumber;
  const std::string n = std::to_string(DiskNumber);
  const std::string prompt = driver::ReplaceToken(Setup.SetupTexts[package::DiskPrompt], "%u", n, n);
  CloseVolume();
  VolumeHandle = OpenVolume(DiskNumber);
  while (!VolumeOpen() && driver::Running) {
    if (UserInterface.ask(prompt, 2, false)) {
      VolumeHandle = OpenVolume(DiskNumber);
      if (!VolumeOpen()) UserInterface.ask(Setup.SetupTexts[package::WrongDiskMessage], 1, false);
    } else {
      driver::Running = 0;
    }
  }
}

// Fills the window from the open volume, moving on through the volumes
// while they end.
void FillWindow() {
  for (;;) {
    std::uint32_t got = 0;
    if (const platform::IoResult result = VolumeOpen() ? platform::FileRead(VolumeHandle, InputBuffer, kWindowSize, got)
                                                       : platform::kIoOk) {
      StopAt(VolumePath(DiskNumber), result);
      ReadFailed = true;
      driver::Running = 0;
      got = 0;
    }
    ReadFill = static_cast<std::int32_t>(got);
    if (ReadFailed) return;
    if (ReadFill == kWindowSize || DiskNumber >= Setup.DiskCount) return;
    ChangeVolume();
    if (ReadFill > 0 || !VolumeOpen()) return;
  }
}

void PumpMessages() {
  if (UserInterface.pump) UserInterface.pump();
}

}  // namespace

std::string VolumePath(std::int32_t number) {
  return driver::JoinPath(driver::SourceDir, package::VolumeName(number));
}

platform::FileHandle OpenVolume(std::int32_t number) {
  platform::FileHandle handle = platform::kNoFile;
  const std::string path = VolumePath(number);
  const platform::IoResult result =
      platform::FileOpen(path, platform::kRead, platform::kShareNone, platform::Disposition::kOpenExisting, handle);
  if (result != platform::kIoOk) StopAt(path, result);
  return handle;
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
  if (!padded(held, held_count) || !padded(InputBuffer + ReadPos - 1, ReadFill - ReadPos + 1)) return false;
  for (std::uint32_t got = kWindowSize; VolumeOpen() && got > 0;) {
    if (const platform::IoResult result = platform::FileRead(VolumeHandle, InputBuffer, kWindowSize, got)) {
      StopAt(VolumePath(DiskNumber), result);
      ReadFailed = true;
      driver::Running = 0;
      return true;
    }
    if (!padded(InputBuffer, got)) return false;
  }
  return DiskNumber >= Setup.DiskCount;
}

void VolumeReader(std::uint8_t* buffer, std::uint16_t, std::uint16_t& delivered) {
  delivered = 0;
  if (!driver::Running) return;
  if (ReadPos > ReadFill) {
    FillWindow();
    if (ReadFill == 0) {
      if (++EmptyRequests > kDryAllowance && driver::Running) {
        InputRanDry = true;
        driver::Running = 0;
      }
      return;
    }
    ReadPos = 1;
  }
  buffer[0] = InputBuffer[ReadPos - 1];
  ++ReadPos;
  delivered = 1;
  PumpMessages();
}

}  // namespace extract
