#pragma once

#include <nettle/arctwo.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace korvalind::testing {

using Bytes = std::vector<std::uint8_t>;

// "00ff 10" -> {0x00, 0xff, 0x10}; spaces are ignored.
inline Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  int high = -1;
  for (char c : hex) {
    int value;
    if (c >= '0' && c <= '9') {
      value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      value = c - 'a' + 10;
    } else {
      continue;
    }
    if (high < 0) {
      high = value;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + value));
      high = -1;
    }
  }
  return bytes;
}

inline Bytes RandomBytes(std::mt19937& random, size_t size) {
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

inline std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline Bytes AsBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }

// nettle's RC2 ("arctwo"), an implementation independent of ours, in electronic-codebook fashion.
inline Bytes NettleEncipher(const Bytes& key, unsigned effective_bits, const Bytes& plain) {
  arctwo_ctx context;
  arctwo_set_key_ekb(&context, key.size(), key.data(), effective_bits);
  Bytes cipher(plain.size());
  arctwo_encrypt(&context, plain.size(), cipher.data(), plain.data());
  return cipher;
}

inline Bytes NettleDecipher(const Bytes& key, unsigned effective_bits, const Bytes& cipher) {
  arctwo_ctx context;
  arctwo_set_key_ekb(&context, key.size(), key.data(), effective_bits);
  Bytes plain(cipher.size());
  arctwo_decrypt(&context, cipher.size(), plain.data(), cipher.data());
  return plain;
}

}  // namespace korvalind::testing
