#include "ScenarioRunner.h"

#include <cstdio>

namespace gavelry {

int runScenario(const Options &options)
{
    std::fprintf(stderr, "gavelry: %s: scenarios cannot be run by this build\n",
                 qPrintable(options.scenario));
    return 2;
}

} // namespace gavelry
