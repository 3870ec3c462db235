// Arbitrary bytes as an enciphered directory file: deciphered in memory and from a file, loaded,
// queried; and the same bytes as plain text enciphered and deciphered back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cipher/file_cipher.h"
#include "directory/loader.h"
#include "fuzz/fuzz_support.h"
#include "platform/file_io.h"
#include "platform/paths.h"

namespace korvalind::fuzz {

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static const std::string folder = ScratchFolder();
  static const std::string enciphered_path = JoinPath(folder, "Korvalind.dat");
  static const std::string deciphered_path = JoinPath(folder, "deciphered");
  std::string_view bytes = AsText(data, size);
  WriteScratchFile(enciphered_path, bytes);

  // The whole-file decipher writes every whole block and fails on a short tail.
  Status to_file = DecipherFileChecked(enciphered_path, deciphered_path, CipherKey);
  std::string from_file;
  Require(ReadWholeFile(deciphered_path, &from_file).ok(), "no deciphered file");
  Require(from_file.size() == size / 8 * 8, "deciphered file is not the whole blocks");
  Require(to_file.ok() == (size % 8 == 0), "decipher result and length disagree");

  std::string plain;
  bool deciphered = DecipherBytes(bytes, CipherKey, &plain);
  Require(deciphered == (size % 8 == 0), "in-memory decipher and length disagree");
  if (deciphered) Require(plain == from_file, "file and memory decipher differ");

  DirectoryImage loaded;
  Status load = LoadDirectory(enciphered_path, &loaded);
  if (deciphered) {
    DirectoryImage parsed;
    Status parse = ParseDeciphered(plain, enciphered_path, &parsed);
    Require(load.ok() == parse.ok() && SameImage(loaded, parsed), "load and parse disagree");
  } else {
    Require(!load.ok() && loaded.data.empty(), "a file of broken blocks was loaded");
  }
  if (!load.ok()) {
    Require(load.message().find(enciphered_path) != std::string::npos, "error without the path");
  }
  ExerciseImage(loaded, bytes.substr(0, 16));

  // The same bytes as a plain file: enciphered to whole blocks with 1 to 8 zero fill bytes.
  std::string cipher = EncipherBytes(bytes, CipherKey);
  Require(cipher.size() == (size / 8 + 1) * 8, "enciphered length");
  std::string back;
  Require(DecipherBytes(cipher, CipherKey, &back), "own cipher text refused");
  Require(back.size() == cipher.size() && back.compare(0, size, bytes) == 0 &&
              back.find_first_not_of('\0', size) == std::string::npos,
          "round trip differs");
  return 0;
}

}  // namespace korvalind::fuzz
