// Entry point of the zemko executable.
#include <iostream>

#include "app/main_program.hpp"

int main(int argc, char** argv) {
    // All output goes through std::cout, which then needs no locking with C's stdio.
    std::ios::sync_with_stdio(false);
    return zemko::main_program(argc, argv);
}
