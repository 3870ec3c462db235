#include "cipher/file_cipher.h"
#include "cli/commands.h"

namespace korvalind::cli {
namespace {

// Source and target from the operands, or the maintainer buttons' fixed names.
bool Operands(const Arguments& args, const char* default_source, const char* default_target,
              std::string* source, std::string* target) {
  if (args.operands.empty()) {
    *source = default_source;
    *target = default_target;
    return true;
  }
  if (args.operands.size() == 2) {
    *source = args.operands[0];
    *target = args.operands[1];
    return true;
  }
  PrintError("give both SOURCE and TARGET, or neither");
  return false;
}

}  // namespace

int RunEncipher(const Arguments& args) {
  std::string source, target;
  if (!Operands(args, "korvalind.dat", "11111", &source, &target)) return kExitUsage;
  Status status = EncipherFileChecked(source, target, CipherKey);
  if (!status.ok()) PrintError(status.message());
  return status.ok() ? kExitOk : kExitFailed;
}

int RunDecipher(const Arguments& args) {
  std::string source, target;
  if (!Operands(args, "11111", "dd.TMP", &source, &target)) return kExitUsage;
  Status status = DecipherFileChecked(source, target, CipherKey);
  if (!status.ok()) PrintError(status.message());
  return status.ok() ? kExitOk : kExitFailed;
}

}  // namespace korvalind::cli
