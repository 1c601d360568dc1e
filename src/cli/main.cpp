#include <iostream>

#include "cli/cli_app.h"

int main(int argc, char** argv) { return tundrel::cli::Run(argc, argv, std::cout, std::cerr); }
