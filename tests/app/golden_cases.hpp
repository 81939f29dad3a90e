// The bundled runs whose console output and ub.rep are stored in tests/data/golden/: an
// instance of the source tree and the settings file it is run with.
#pragma once

#include <ostream>

namespace zemko_test {

struct GoldenCase {
    const char* name;          // name of the stored results
    const char* instance;      // data file, relative to the source tree
    const char* settings;      // ZEMKO.INI content, or nullptr for no file
    bool widest_beam = false;  // the runs of the widest beam, which take seconds
};

inline const GoldenCase GOLDEN_CASES[] = {
    {"example_defaults", "examples/flowshop20.txt", nullptr},
    {"uniform40_defaults", "tests/data/uniform40.txt", "/* default settings */\n"},
    {"route2_trace", "tests/data/route2_12.txt", "OUTPUT = 1\nBeam = 4\n"},
    {"ties_all_options", "tests/data/ties15.txt",
     "Perturb = 0\nALPHA = 50\nBeam = 7\nFilter = 1\nBetterUB = 1\nMoreLoops = 1\n"},
    {"ties_pareto_trace", "tests/data/ties15.txt",
     "ParetoBeam = 1\nRecoveryStep = 0\nOUTPUT = 1\nALPHA = 100\n"},
    {"uniform40_narrow_beam", "tests/data/uniform40.txt",
     "Beam = 3\nALPHA = 0\nOUTPUT = 2\nMoreLoops = 1\nBetterUB = 1\nFoo = 1\nBeam\n"},
    {"mixed_routes", "tests/data/mixed_routes.txt", "OUTPUT = 2\n"},
    // The widest beam on few jobs: the free stack overflows (lost nodes) and, on 22 jobs, the
    // count crosses three zones.
    {"lost_nodes17", "tests/data/lost_nodes17.txt", "ParetoBeam = 2\nRecoveryStep = 0\n", true},
    {"many_zones22", "tests/data/many_zones22.txt", "ParetoBeam = 2\nRecoveryStep = 0\n", true},
};

// Names a case in the test log.
inline void PrintTo(const GoldenCase& c, std::ostream* os) {
    *os << c.name;
}

}  // namespace zemko_test
