#include "cli_commands.h"

int main(int argc, char** argv) {
    return quillon::cli::run(argc, argv);
}
