#include "disk_images.hpp"

#include <algorithm>
#include <set>

namespace web {
namespace {

// Folders nested deeper than this are not followed: no disk a package is
// copied onto needs them, and a damaged image may loop.
constexpr int kDeepestFolder = 16;

// Little-endian fields of the image, 0 past its end (callers check the
// ranges they depend on).
struct Bytes {
  std::span<const std::uint8_t> data;
  bool Has(std::uint64_t at, std::uint64_t length) const { return at <= data.size() && length <= data.size() - at; }
  std::uint32_t U8(std::uint64_t at) const { return Has(at, 1) ? data[at] : 0; }
  std::uint32_t U16(std::uint64_t at) const { return U8(at) | U8(at + 1) << 8; }
  std::uint32_t U32(std::uint64_t at) const { return U16(at) | U16(at + 2) << 16; }
};

std::string Trimmed(std::string text, const char* padding) {
  text.erase(text.find_last_not_of(padding) + 1);  // npos + 1 is 0
  return text;
}

class FatReader {
 public:
  FatReader(std::span<const std::uint8_t> image, WantName want, std::vector<ImageFile>& files)
      : image_{image}, want_(want), files_(files) {}

  std::string Read() {
    const std::uint32_t sector = image_.U16(11), per_cluster = image_.U8(13), reserved = image_.U16(14);
    const std::uint32_t fats = image_.U8(16), root_entries = image_.U16(17), fat_sectors = image_.U16(22);
    const std::uint32_t total = image_.U16(19) != 0 ? image_.U16(19) : image_.U32(32);
    const bool power_of_two = per_cluster != 0 && (per_cluster & (per_cluster - 1)) == 0;
    if ((sector != 512 && sector != 1024 && sector != 2048 && sector != 4096) || !power_of_two || fats == 0 ||
        fat_sectors == 0 || reserved == 0) {
      return "not a FAT12 or FAT16 disk: its boot sector does not describe one";
    }
    cluster_bytes_ = sector * per_cluster;
    fat_ = std::uint64_t{reserved} * sector;
    fat_bytes_ = std::uint64_t{fat_sectors} * sector;
    root_ = fat_ + fats * fat_bytes_;
    root_bytes_ = std::uint64_t{root_entries} * 32;
    data_ = root_ + (root_bytes_ + sector - 1) / sector * sector;
    const std::uint64_t end = std::min<std::uint64_t>(std::uint64_t{total} * sector, image_.data.size());
    if (data_ >= end) return "a damaged disk: its folders and file table leave no room for files";
    clusters_ = (end - data_) / cluster_bytes_;
    // FAT32 keeps its root folder in clusters, which this reader does not
    // follow; no floppy uses it.
    if (clusters_ >= 65525) return "a FAT32 disk, which the page does not read";
    twelve_bit_ = clusters_ < 4085;
    if (!image_.Has(root_, root_bytes_)) return "a damaged disk: it ends inside its top folder";
    return Folder(image_.data.subspan(root_, root_bytes_), "", 0);
  }

 private:
  std::uint32_t Next(std::uint32_t cluster) const {
    if (twelve_bit_) {
      const std::uint32_t pair = image_.U16(fat_ + cluster * 3 / 2);
      return cluster % 2 != 0 ? pair >> 4 : pair & 0xFFF;
    }
    return image_.U16(fat_ + cluster * 2);
  }

  // The bytes of a cluster chain: a file's size of them, or a folder's
  // whole chain (size 0); an error when the chain leaves the disk, loops,
  // or ends before the file does.
  std::string Chain(std::uint32_t first, std::uint64_t size, std::vector<std::uint8_t>& bytes) const {
    const std::uint64_t limit = size != 0 ? size : clusters_ * cluster_bytes_;
    const std::uint32_t end_mark = twelve_bit_ ? 0xFF8 : 0xFFF8;
    std::set<std::uint32_t> seen;
    for (std::uint32_t cluster = first; bytes.size() < limit && cluster < end_mark; cluster = Next(cluster)) {
      if (cluster < 2 || cluster - 2 >= clusters_ || !seen.insert(cluster).second) {
        return "a damaged disk: a file's clusters lead outside the disk or in a circle";
      }
      const std::uint64_t at = data_ + std::uint64_t{cluster - 2} * cluster_bytes_;
      const std::uint64_t take = std::min<std::uint64_t>(cluster_bytes_, limit - bytes.size());
      bytes.insert(bytes.end(), image_.data.begin() + at, image_.data.begin() + at + take);
    }
    if (bytes.size() < size) return "a damaged disk: a file ends before its size";
    return std::string();
  }

  std::string Folder(std::span<const std::uint8_t> entries, const std::string& prefix, int depth) {
    for (std::size_t at = 0; at + 32 <= entries.size(); at += 32) {
      const std::uint8_t* entry = entries.data() + at;
      if (entry[0] == 0) break;  // no entry follows
      const std::uint8_t attributes = entry[11];
      // Deleted entries, the pieces of long names, and the volume label.
      if (entry[0] == 0xE5 || (attributes & 0x0F) == 0x0F || (attributes & 0x08) != 0) continue;
      std::string name = Trimmed(std::string(entry, entry + 8), " ");
      if (name == "." || name == "..") continue;
      if (name[0] == 0x05) name[0] = static_cast<char>(0xE5);  // a name that starts with that byte
      const std::string extension = Trimmed(std::string(entry + 8, entry + 11), " ");
      if (!extension.empty()) name += "." + extension;
      const std::uint32_t cluster = entry[26] | entry[27] << 8;
      const std::uint32_t size = entry[28] | entry[29] << 8 | entry[30] << 16 | static_cast<std::uint32_t>(entry[31]) << 24;
      if ((attributes & 0x10) != 0) {
        if (depth >= kDeepestFolder) continue;
        std::vector<std::uint8_t> folder;
        // A folder has no size of its own: it runs to the end of its chain.
        if (std::string problem = Chain(cluster, 0, folder); !problem.empty()) return problem;
        if (std::string problem = Folder(folder, prefix + name + "/", depth + 1); !problem.empty()) return problem;
        continue;
      }
      if (!want_(name)) continue;
      ImageFile file{prefix + name, {}};
      if (size > 0) {
        if (std::string problem = Chain(cluster, size, file.bytes); !problem.empty()) return problem;
      }
      files_.push_back(std::move(file));
    }
    return std::string();
  }

  Bytes image_;
  WantName want_;
  std::vector<ImageFile>& files_;
  std::uint32_t cluster_bytes_ = 0;
  std::uint64_t fat_ = 0, fat_bytes_ = 0, root_ = 0, root_bytes_ = 0, data_ = 0, clusters_ = 0;
  bool twelve_bit_ = true;
};

class IsoReader {
 public:
  IsoReader(std::span<const std::uint8_t> image, WantName want, std::vector<ImageFile>& files)
      : image_{image}, want_(want), files_(files) {}

  std::string Read() {
    constexpr std::uint64_t kDescriptor = 16 * 2048;
    if (image_.U8(kDescriptor) != 1 || !image_.Has(kDescriptor, 2048) ||
        std::string(image_.data.begin() + kDescriptor + 1, image_.data.begin() + kDescriptor + 6) != "CD001") {
      return "not an ISO 9660 disk: it has no primary volume descriptor";
    }
    block_ = image_.U16(kDescriptor + 128);
    if (block_ != 512 && block_ != 1024 && block_ != 2048) return "a damaged ISO 9660 disk: its block size is " + std::to_string(block_);
    const std::uint64_t root = kDescriptor + 156;
    return Folder(image_.U32(root + 2), image_.U32(root + 10), "", 0);
  }

 private:
  std::string Folder(std::uint64_t extent, std::uint64_t length, const std::string& prefix, int depth) {
    const std::uint64_t start = extent * block_;
    if (!image_.Has(start, length)) return "a damaged ISO 9660 disk: a folder lies past its end";
    if (!visited_.insert(start).second) return std::string();
    for (std::uint64_t at = 0; at < length;) {
      const std::uint32_t record = image_.U8(start + at);
      if (record == 0) {
        // Records never cross a block: the rest of this one is padding.
        at = (at / block_ + 1) * block_;
        continue;
      }
      if (record < 34 || at + record > length) return "a damaged ISO 9660 disk: a folder entry runs past its folder";
      const std::uint64_t here = start + at;
      at += record;
      const std::uint32_t name_length = image_.U8(here + 32);
      if (33 + name_length > record) return "a damaged ISO 9660 disk: a name runs past its folder entry";
      std::string name(image_.data.begin() + here + 33, image_.data.begin() + here + 33 + name_length);
      if (name_length == 1 && (name[0] == 0 || name[0] == 1)) continue;  // the folder itself and its parent
      const std::uint64_t data = std::uint64_t{image_.U32(here + 2)} * block_, size = image_.U32(here + 10);
      if ((image_.U8(here + 25) & 0x02) != 0) {
        if (depth >= kDeepestFolder) continue;
        if (std::string problem = Folder(image_.U32(here + 2), size, prefix + name + "/", depth + 1); !problem.empty()) {
          return problem;
        }
        continue;
      }
      // "NAME.EXT;1": the version goes, and so does the dot of a name
      // without an extension.
      name = Trimmed(name.substr(0, name.find(';')), ".");
      if (!want_(name)) continue;
      if (!image_.Has(data, size)) return "a damaged ISO 9660 disk: " + name + " lies past its end";
      files_.push_back({prefix + name, std::vector<std::uint8_t>(image_.data.begin() + data, image_.data.begin() + data + size)});
    }
    return std::string();
  }

  Bytes image_;
  WantName want_;
  std::vector<ImageFile>& files_;
  std::uint32_t block_ = 2048;
  std::set<std::uint64_t> visited_;
};

}  // namespace

std::string ReadFatImage(std::span<const std::uint8_t> image, WantName want, std::vector<ImageFile>& files) {
  return FatReader(image, want, files).Read();
}

std::string ReadIsoImage(std::span<const std::uint8_t> image, WantName want, std::vector<ImageFile>& files) {
  return IsoReader(image, want, files).Read();
}

}  // namespace web
