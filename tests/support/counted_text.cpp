#include "counted_text.hpp"

namespace testing_support {
namespace {

constexpr std::size_t kMaxCountedText = 255;

}  // namespace

std::string CountedTextProblem(const package::PackageContents& contents) {
  for (int id = 0; id < package::kTextCount; ++id) {
    if (contents.SetupTexts[id].size() > kMaxCountedText) {
      return std::string("text ") + package::kTextNames[id] + " is longer than 255 bytes";
    }
  }
  for (const package::PackageEntry& entry : contents.Entries) {
    if (entry.Name.size() > kMaxCountedText) return "file name " + entry.Name + " is longer than 255 bytes";
  }
  return std::string();
}

}  // namespace testing_support
