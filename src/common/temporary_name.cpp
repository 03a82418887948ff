#include "common/temporary_name.hpp"

namespace common {
namespace {

constexpr std::string_view kInfix = ".pmsetup-";
constexpr std::string_view kSuffix = ".partial";
constexpr std::string_view kTokenCharacters = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr std::size_t kTokenLength = 8;

}  // namespace

std::string TemporaryName(std::string_view final_name, std::uint32_t pid, std::uint64_t random) {
  std::string name(final_name);
  name += kInfix;
  name += std::to_string(pid);
  name += '-';
  for (std::size_t k = 0; k < kTokenLength; ++k, random /= kTokenCharacters.size()) {
    name += kTokenCharacters[random % kTokenCharacters.size()];
  }
  name += kSuffix;
  return name;
}

std::optional<TemporaryOf> ParseTemporaryName(std::string_view name) {
  if (!name.ends_with(kSuffix)) return std::nullopt;
  name.remove_suffix(kSuffix.size());
  if (name.size() < kTokenLength + 1) return std::nullopt;
  const std::string_view token = name.substr(name.size() - kTokenLength);
  if (token.find_first_not_of(kTokenCharacters) != std::string_view::npos) return std::nullopt;
  name.remove_suffix(kTokenLength);
  if (!name.ends_with('-')) return std::nullopt;
  name.remove_suffix(1);
  const std::size_t infix = name.rfind(kInfix);
  if (infix == std::string_view::npos || infix == 0) return std::nullopt;
  const std::string_view digits = name.substr(infix + kInfix.size());
  if (digits.empty() || digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string_view::npos ||
      (digits.size() > 1 && digits[0] == '0')) {
    return std::nullopt;
  }
  const std::uint64_t pid = std::stoull(std::string(digits));
  if (pid > UINT32_MAX) return std::nullopt;
  return TemporaryOf{std::string(name.substr(0, infix)), static_cast<std::uint32_t>(pid)};
}

}  // namespace common
