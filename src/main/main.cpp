// The reportword executable: a thin shell over the program entry.
#include "main/program.h"

int main(int argc, char** argv) {
  return reportword::RunExecutable(argc, argv);
}
