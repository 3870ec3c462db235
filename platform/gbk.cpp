#include "platform/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

namespace korvalind {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Converts in with the open descriptor cd, appending to *out. At input that does not convert,
// on_bad(out, rest) appends a replacement and returns how many input bytes it stands for (at
// least 1). Without a descriptor every byte goes through on_bad.
template <typename OnBad>
void ConvertWith(iconv_t cd, std::string_view in, std::string* out, OnBad on_bad) {
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    while (!in.empty()) in.remove_prefix(on_bad(*out, in));
    return;
  }
  char buffer[4096];
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t r = iconv(cd, &src, &src_left, &dst, &dst_left);
    out->append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL (a truncated sequence at the end): replace one byte and go on.
      size_t skip = on_bad(*out, std::string_view(src, src_left));
      src += skip;
      src_left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  // Back to the initial state, so that the next text starts afresh.
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
}

template <typename OnBad>
std::string Convert(const char* to, const char* from, std::string_view in, OnBad on_bad) {
  std::string out;
  if (in.empty()) return out;
  iconv_t cd = iconv_open(to, from);
  out.reserve(in.size() * 2);
  ConvertWith(cd, in, &out, on_bad);
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return out;
}

size_t ReplaceGbkByte(std::string& out, std::string_view) {
  out += kReplacement;
  return 1;
}

}  // namespace

bool IsWellFormedGbk(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) continue;
    if (lead == 0x80 || lead == 0xFF || i + 1 == text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[++i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

void AppendControlsReplaced(std::string_view text, bool gbk, bool tsv, std::string* out) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte != 0x7F) continue;
    out->append(text.substr(start, i - start));
    if (tsv && (byte == '\t' || byte == '\n' || byte == '\r')) {
      *out += ' ';
    } else {
      out->append(gbk ? std::string_view("?") : kReplacement);
    }
    start = i + 1;
  }
  out->append(text.substr(start));
}

std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk, ReplaceGbkByte); }

namespace {

bool ConvertExact(const char* to, const char* from, std::string_view in, std::string* out) {
  bool exact = true;
  *out = Convert(to, from, in, [&exact](std::string&, std::string_view) -> size_t {
    exact = false;
    return 1;
  });
  return exact;
}

}  // namespace

bool GbkToUtf8Exact(std::string_view gbk, std::string* out) {
  return ConvertExact("UTF-8", "GBK", gbk, out);
}

bool Utf8ToGbkExact(std::string_view utf8, std::string* out) {
  return ConvertExact("GBK", "UTF-8", utf8, out);
}

GbkToUtf8Converter::GbkToUtf8Converter() : descriptor_(iconv_open("UTF-8", "GBK")) {}

GbkToUtf8Converter::~GbkToUtf8Converter() {
  if (descriptor_ != reinterpret_cast<void*>(-1)) iconv_close(static_cast<iconv_t>(descriptor_));
}

void GbkToUtf8Converter::Append(std::string_view gbk, std::string* out) {
  ConvertWith(static_cast<iconv_t>(descriptor_), gbk, out, ReplaceGbkByte);
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
  AppendValidUtf8(text, &out);
  return out;
}

void AppendValidUtf8(std::string_view text, std::string* out) {
  size_t i = 0;
  while (i < text.size()) {
    // Runs of ASCII, the common case, are copied whole.
    size_t ascii_end = i;
    while (ascii_end < text.size() && static_cast<unsigned char>(text[ascii_end]) < 0x80) {
      ++ascii_end;
    }
    if (ascii_end > i) {
      out->append(text.substr(i, ascii_end - i));
      i = ascii_end;
      continue;
    }
    auto c = static_cast<unsigned char>(text[i]);
    size_t length = c < 0x80                 ? 1
                    : c >= 0xC2 && c <= 0xDF ? 2
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4
                                             : 0;
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
      out->append(text.substr(i, length));
      i += length;
    } else {
      *out += kReplacement;
      ++i;
    }
  }
}

std::string GbkToUtf8ForMessage(std::string_view gbk) {
  std::string converted = GbkToUtf8(gbk);
  std::string shown;
  shown.reserve(converted.size());
  for (char c : converted) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
      continue;
    }
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02x", byte);
    shown += escape;
  }
  return shown;
}

}  // namespace korvalind
