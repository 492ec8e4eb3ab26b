#include <iostream>

#include "cli/Cli.h"
#include "cli/Terminal.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  kelvo::cli::TCliContext context{std::cout, std::cerr, kelvo::cli::StandardErrorIsTerminal()};
  return kelvo::cli::RunKelvo(args, context);
}
