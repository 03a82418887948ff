// The C library functions SETUP.EXE needs, which links no C runtime: the
// memory and string routines that the compiler emits calls to even in
// code that never names them (copies, clears and comparisons of objects),
// and the few the installer's code calls (strchr, strcmp, strnlen, atoi,
// nearbyint).  Plain byte loops: nearly every call moves a few bytes (the
// output writer's, one byte).  This file is built with
// -fno-tree-loop-distribute-patterns, or the compiler would turn each loop
// back into a call to the routine itself.
#include <cstddef>

extern "C" {

namespace {

void CopyForward(unsigned char* out, const unsigned char* in, std::size_t count) {
  while (count-- > 0) *out++ = *in++;
}

}  // namespace

void* memcpy(void* to, const void* from, std::size_t count) {
  CopyForward(static_cast<unsigned char*>(to), static_cast<const unsigned char*>(from), count);
  return to;
}

void* memmove(void* to, const void* from, std::size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  const auto* in = static_cast<const unsigned char*>(from);
  if (out <= in || out >= in + count) {
    CopyForward(out, in, count);
  } else {
    while (count-- > 0) out[count] = in[count];
  }
  return to;
}

void* memset(void* to, int value, std::size_t count) {
  auto* out = static_cast<unsigned char*>(to);
  while (count-- > 0) *out++ = static_cast<unsigned char>(value);
  return to;
}

int memcmp(const void* a, const void* b, std::size_t count) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (; count > 0; --count, ++x, ++y) {
    if (*x != *y) return *x < *y ? -1 : 1;
  }
  return 0;
}

void* memchr(const void* where, int value, std::size_t count) {
  const auto* p = static_cast<const unsigned char*>(where);
  for (; count > 0; --count, ++p) {
    if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
  }
  return nullptr;
}

std::size_t strlen(const char* text) {
  std::size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

std::size_t strnlen(const char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

char* strchr(const char* text, int value) {
  for (;; ++text) {
    if (*text == static_cast<char>(value)) return const_cast<char*>(text);
    if (*text == '\0') return nullptr;
  }
}

int strcmp(const char* a, const char* b) {
  const auto* x = reinterpret_cast<const unsigned char*>(a);
  const auto* y = reinterpret_cast<const unsigned char*>(b);
  while (*x != 0 && *x == *y) ++x, ++y;
  return *x < *y ? -1 : *x > *y ? 1 : 0;
}

int atoi(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  unsigned value = 0;  // wraps where int would overflow
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + static_cast<unsigned>(*text - '0');
  return static_cast<int>(negative ? 0u - value : value);
}

// Rounds to the nearest whole number, halves to even, as the default
// rounding mode does.  The fraction is taken off exactly (the whole part
// and the number lie within a factor of two of each other), so the x87's
// wider registers change nothing.
double nearbyint(double x) {
  constexpr double kNoFractionBits = 4503599627370496.0;  // 2^52
  const double magnitude = x < 0 ? -x : x;
  if (!(magnitude < kNoFractionBits) || magnitude == 0) return x;  // already whole (-0 too), or NaN
  auto whole = static_cast<long long>(magnitude);
  const double fraction = magnitude - static_cast<double>(whole);
  if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++whole;
  const auto rounded = static_cast<double>(whole);
  return x < 0 ? -rounded : rounded;
}

}  // extern "C"
