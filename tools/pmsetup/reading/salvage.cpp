#include "reading/salvage.hpp"

#include <memory>

#include "io/file_io.hpp"
#include "lzh/decode_loop.hpp"
#include "terminal/terminal_text.hpp"

namespace pmsetup {
namespace {

// Counts what the decoder writes, and keeps nothing.
class CountingOutput {
 public:
  void Put(std::uint8_t) { ++count_; }
  std::int64_t Count() const { return count_; }

 private:
  std::int64_t count_ = 0;
};

// The volumes as one stream.  The first request past their end stops the
// decoder and marks how much it had written by then: a symbol that needs
// that byte is not taken, nor anything after it.
class SoundVolumes {
 public:
  SoundVolumes(const std::vector<std::string>& paths, const CountingOutput& output, std::int32_t& running)
      : paths_(paths), output_(output), running_(running) {}

  std::uint8_t Next() {
    while (next_ == filled_) {
      if (!Refill()) {
        if (!end_) end_ = output_.Count();
        running_ = 0;
        return 0;
      }
    }
    return buffer_[next_++];
  }

  std::optional<std::int64_t> End() const { return end_; }
  const std::string& Error() const { return error_; }

 private:
  bool Refill() {
    if (!error_.empty()) return false;
    if (reader_) {
      filled_ = reader_->Read(buffer_);
      next_ = 0;
      if (filled_ > 0) return true;
      if (reader_->Failed()) error_ = "cannot read " + ShownArgument(paths_[volume_ - 1]);
      reader_.reset();
      if (!error_.empty()) return false;
    }
    if (volume_ == paths_.size()) return false;
    reader_ = std::make_unique<FileReader>();
    if (!reader_->Open(paths_[volume_++], error_, true)) return false;
    return true;
  }

  const std::vector<std::string>& paths_;
  const CountingOutput& output_;
  std::int32_t& running_;
  std::unique_ptr<FileReader> reader_;
  std::size_t volume_ = 0;  // volumes opened so far
  std::uint8_t buffer_[1 << 16];
  std::size_t next_ = 0, filled_ = 0;
  std::optional<std::int64_t> end_;
  std::string error_;
};

}  // namespace

std::optional<std::int64_t> DecodableBytes(const std::vector<std::string>& volumes, std::int32_t total_size,
                                           std::string& error) {
  std::int32_t running = 1;
  CountingOutput output;
  auto input = std::make_unique<SoundVolumes>(volumes, output, running);
  try {
    lzh::DecodeStream(total_size, *input, output, running);
  } catch (const lzh::ElzhException& failure) {
    error = failure.what();
    return std::nullopt;
  }
  if (!input->Error().empty()) {
    error = input->Error();
    return std::nullopt;
  }
  return input->End().value_or(output.Count());
}

std::vector<const package::LibRec*> LostEntries(const package::SetupBlock& block, std::int64_t decodable) {
  std::vector<const package::LibRec*> lost;
  for (const package::LibRec* entry = block.FileList; entry != nullptr; entry = entry->Next) {
    if (!WholeWithin(*entry, decodable)) lost.push_back(entry);
  }
  return lost;
}

}  // namespace pmsetup
