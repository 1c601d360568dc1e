#pragma once
// The `tundrel` command line.

#include <iosfwd>

namespace tundrel::cli {

// Parses the arguments and runs one command; returns the exit status.
int Run(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tundrel::cli
