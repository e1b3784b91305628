// sim_letters.exe DRIVES_FILE: gives the devices the drives file lists their
// CD-ROM letters in the running Wine prefix (SimLetters.h) and prints them.
#include <cstdio>
#include <string>

#include "tools/sgio-sim/SimLetters.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: sim_letters.exe DRIVES_FILE\n");
    return 2;
  }
  const std::string given = simletters::GiveLetters(argv[1]);
  std::printf("%s\n", given.c_str());
  return given.compare(0, 7, "error: ") == 0 ? 1 : 0;
}
