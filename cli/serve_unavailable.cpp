// korvalind serve in a program configured with KORVALIND_BUILD_SERVE=OFF: the command stays
// known, so that its users learn why it does not run.
#include "cli/commands.h"

namespace korvalind::cli {

int RunServe(const Arguments& /*args*/) {
  PrintError(
      "this korvalind was built without the service: korvalind serve needs a build configured "
      "with -DKORVALIND_BUILD_SERVE=ON (and Boost)");
  return kExitUsage;
}

}  // namespace korvalind::cli
