#include "serve/json_text.h"

#include <cstdint>

namespace korvalind::serve {
namespace {

// The length of the well-formed UTF-8 sequence at the start of s, 0 when there is none.
size_t Utf8SequenceLength(std::string_view s) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

void AppendUtf8(std::uint32_t code, std::string* out) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class ArrayParser {
 public:
  ArrayParser(std::string_view json, size_t max_texts, std::vector<std::string>* texts)
      : json_(json), max_texts_(max_texts), texts_(texts) {}

  bool Parse(std::string* error) {
    SkipBlanks();
    if (!Take('[')) return Fail("the body is not a JSON array", error);
    SkipBlanks();
    if (!Take(']')) {
      while (true) {
        SkipBlanks();
        if (texts_->size() == max_texts_) return Fail("the array holds too many texts", error);
        texts_->emplace_back();
        if (!String(&texts_->back())) return Fail("the array holds something but strings", error);
        SkipBlanks();
        if (Take(']')) break;
        if (!Take(',')) return Fail("the JSON array is malformed", error);
      }
    }
    SkipBlanks();
    if (at_ != json_.size()) return Fail("the body goes on after the JSON array", error);
    return true;
  }

 private:
  bool Fail(const char* message, std::string* error) {
    *error = message;
    return false;
  }
  void SkipBlanks() {
    while (at_ < json_.size() &&
           (json_[at_] == ' ' || json_[at_] == '\t' || json_[at_] == '\n' || json_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Take(char c) {
    if (at_ < json_.size() && json_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Hex4(std::uint32_t* value) {
    if (json_.size() - at_ < 4) return false;
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      char c = json_[at_++];
      int digit = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
      if (digit < 0) return false;
      *value = *value * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
  }
  bool String(std::string* out) {
    if (!Take('"')) return false;
    while (at_ < json_.size()) {
      auto c = static_cast<unsigned char>(json_[at_]);
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return false;
      if (c != '\\') {
        size_t length = Utf8SequenceLength(json_.substr(at_));
        if (length == 0) return false;
        out->append(json_.substr(at_, length));
        at_ += length;
        continue;
      }
      if (++at_ == json_.size()) return false;
      char escape = json_[at_++];
      switch (escape) {
        case '"':
        case '\\':
        case '/':
          *out += escape;
          break;
        case 'b':
          *out += '\b';
          break;
        case 'f':
          *out += '\f';
          break;
        case 'n':
          *out += '\n';
          break;
        case 'r':
          *out += '\r';
          break;
        case 't':
          *out += '\t';
          break;
        case 'u': {
          std::uint32_t code;
          if (!Hex4(&code)) return false;
          if (code >= 0xD800 && code <= 0xDBFF) {
            std::uint32_t low;
            if (!Take('\\') || !Take('u') || !Hex4(&low) || low < 0xDC00 || low > 0xDFFF) {
              return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
          }
          AppendUtf8(code, out);
          break;
        }
        default:
          return false;
      }
    }
    return false;
  }

  std::string_view json_;
  size_t at_ = 0;
  size_t max_texts_;
  std::vector<std::string>* texts_;
};

}  // namespace

bool ParseJsonStringArray(std::string_view json, size_t max_texts, std::vector<std::string>* texts,
                          std::string* error) {
  texts->clear();
  return ArrayParser(json, max_texts, texts).Parse(error);
}

}  // namespace korvalind::serve
