#pragma once

namespace korvalind {

// How many processors this process may run on: its affinity mask where the system has one (a
// container or taskset may allow fewer than the machine holds), else what the library reports.
// At least 1.
unsigned UsableProcessors();

}  // namespace korvalind
