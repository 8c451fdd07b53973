// Writes its one argument through ffglex::DebugLog, for CheckDebugLog.cmake.
#include "glhelpers/Utilities.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  ffglex::DebugLog(argv[1]);
  return 0;
}
