#include "platform/gbk.h"

#include <iconv.h>

#include <cerrno>

namespace korvalind {
namespace {

// Converts with iconv. At input that does not convert, on_bad(out, rest) appends a replacement
// and returns how many input bytes it stands for (at least 1).
template <typename OnBad>
std::string Convert(const char* to, const char* from, std::string_view in, OnBad on_bad) {
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    while (!in.empty()) in.remove_prefix(on_bad(out, in));
    return out;
  }
  out.reserve(in.size() * 2);
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL (a truncated sequence at the end): replace one byte and go on.
      size_t skip = on_bad(out, std::string_view(src, src_left));
      src += skip;
      src_left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  return Convert("UTF-8", "GBK", gbk, [](std::string& out, std::string_view) -> size_t {
    out += "\xEF\xBF\xBD";
    return 1;
  });
}

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert("GBK", "UTF-8", utf8, [](std::string& out, std::string_view rest) -> size_t {
    out += '?';
    // A well-formed character without a GBK form gives one "?", not one per byte.
    auto lead = static_cast<unsigned char>(rest[0]);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 1;
    if (lead >= 0xF5 || length > rest.size()) return 1;
    for (size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(rest[i]) & 0xC0) != 0x80) return 1;
    }
    return length;
  });
}

}  // namespace korvalind

namespace korvalind {

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                  : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    bool ok = length != 0 && i + length <= text.size();
    for (size_t k = 1; ok && k < length; ++k) {
      ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (ok && length >= 3) {
      auto c1 = static_cast<unsigned char>(text[i + 1]);
      // Overlong forms, UTF-16 surrogates and code points above U+10FFFF are not characters.
      if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
          (c == 0xF4 && c1 >= 0x90)) {
        ok = false;
      }
    }
    if (ok) {
      out.append(text.substr(i, length));
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

}  // namespace korvalind
