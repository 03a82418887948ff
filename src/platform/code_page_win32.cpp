#include <windows.h>

#include "platform/code_page.hpp"

namespace platform {
namespace {

// All of text as UTF-16, or nothing when a byte sequence is not valid in
// code page `from`.
std::optional<std::wstring> Wide(const std::string& text, UINT from) {
  if (text.empty()) return std::wstring();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length);
  return wide;
}

// UTF-16 text in code page `to`; nothing when a character has no exact
// place there (no "best fit" stand-ins, no default character).
std::optional<std::string> Narrow(const std::wstring& wide, UINT to) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const bool utf8 = to == CP_UTF8;
  BOOL defaulted = FALSE;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* used_default = utf8 ? nullptr : &defaulted;
  const int length = WideCharToMultiByte(to, flags, wide.data(), size, nullptr, 0, nullptr, used_default);
  if (length <= 0 || defaulted) return std::nullopt;
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(to, flags, wide.data(), size, text.data(), length, nullptr, used_default);
  if (defaulted) return std::nullopt;
  return text;
}

}  // namespace

bool KnownCodePage(int code_page) { return ListedCodePage(code_page) && IsValidCodePage(static_cast<UINT>(code_page)); }

std::optional<std::string> ToCodePage(const std::string& utf8, int code_page) {
  if (!KnownCodePage(code_page)) return std::nullopt;
  const auto wide = Wide(utf8, CP_UTF8);
  return wide ? Narrow(*wide, static_cast<UINT>(code_page)) : std::nullopt;
}

std::optional<std::string> ConvertedFromCodePage(const std::string& text, int code_page) {
  if (!KnownCodePage(code_page)) return std::nullopt;
  const auto wide = Wide(text, static_cast<UINT>(code_page));
  return wide ? Narrow(*wide, CP_UTF8) : std::nullopt;
}

std::string Composed(const std::string& utf8) { return utf8; }

// The blocks of CJK, kana, hangul and the full-width forms.
int DisplayColumns(char32_t c) {
  const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
                    (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                    (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
  return wide ? 2 : 1;
}

std::optional<std::string> SystemPath(const std::string& utf8) { return ToCodePage(utf8, static_cast<int>(GetACP())); }

std::u32string CaseFolded(const std::string& utf8) {
  auto wide = Wide(utf8, CP_UTF8);
  if (!wide) return std::u32string(utf8.begin(), utf8.end());
  if (!wide->empty()) CharUpperBuffW(wide->data(), static_cast<DWORD>(wide->size()));
  return std::u32string(wide->begin(), wide->end());
}

}  // namespace platform
