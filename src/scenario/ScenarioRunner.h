#pragma once

#include "app/Options.h"

namespace gavelry {

/// Runs the program on virtual time following a scenario file and writes the
/// transcript. Returns 0 at the end of the file, 1 when an expect failed or
/// the transcript could not be written whole, 2 when the file has an error
/// (nothing is run then).
///
/// The whole file is parsed and every control it names is looked up in the
/// windows before the first statement runs. The run's configuration folder
/// is a fresh temporary one, or a copy of --config-dir (never written). The
/// transcript's times, like `at`, count from the beginning of the run, which
/// is the program's start whenever `start` comes before the first `wait`.
int runScenario(const Options &options);

} // namespace gavelry
