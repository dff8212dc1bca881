#pragma once

#include "CommandLine.h"

namespace gavelry {

/// Runs the program on virtual time following a scenario file and writes the
/// transcript. Returns 0 at the end of the file, 1 when an expect failed, 2
/// when the file has an error (nothing is run then).
int runScenario(const Options &options);

} // namespace gavelry
