// Entry point of the zemko executable.
#include "app/main_program.hpp"

int main(int argc, char** argv) {
    return zemko::main_program(argc, argv);
}
