#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace korvalind {

// The directory key, an 8-byte ASCII string, used for every file the program enciphers.
extern const std::string CipherKey;

// Enciphers the file sourcePath into targetPath with RC2 (effective key bits 1024, each 8-byte
// block by itself). The last block holds the remaining 0 to 7 bytes and 1 to 8 zero fill bytes,
// so the target is 8 * (L / 8 + 1) bytes for a source of L bytes. Returns 1 on success, 0 on
// failure: source missing, target not creatable, or a read or write error (a full disk). The
// target is written under a temporary name in its folder, flushed to the disk and renamed into
// place when complete (keeping the permissions of a file it replaces), so that a failure leaves
// it as it was; a target that is a device or a FIFO is written straight. key: at most its first
// 255 bytes count; an empty key, and a target that is the source itself, are refused without
// touching any file. Reading and enciphering overlap with writing (on a second thread).
int EncipherFile(const char* sourcePath, const char* targetPath, const char* key);

// The inverse: every block deciphered and written whole, fill bytes included. A source whose
// length is not a multiple of 8 has its whole blocks written (the target is renamed into place
// with them) and then gives 0.
int DecipherFile(const char* sourcePath, const char* targetPath, const char* key);

// The same operations with the reason for a failure, naming the file: for the command line.
Status EncipherFileChecked(const std::string& sourcePath, const std::string& targetPath,
                           std::string_view key);
Status DecipherFileChecked(const std::string& sourcePath, const std::string& targetPath,
                           std::string_view key);

// In memory: the enciphered form of plain (always 8 * (size / 8 + 1) bytes), and the deciphered
// form of cipher (its size must be a multiple of 8; false otherwise, *plain untouched).
// An empty key (after the cut at its NUL) is refused: no bytes, or false.
std::string EncipherBytes(std::string_view plain, std::string_view key);
[[nodiscard]] bool DecipherBytes(std::string_view cipher, std::string_view key, std::string* plain);

// Deciphers size bytes at data in place, without a copy (for large loaded files). False, with
// data untouched, when size is not a multiple of 8 or the key is empty.
[[nodiscard]] bool DecipherInPlace(std::uint8_t* data, size_t size, std::string_view key);

}  // namespace korvalind
