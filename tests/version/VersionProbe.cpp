// Prints the version record of its own file, one value a line, so a test can
// change the record in a copy of this program and see what the copy reads.
#include <cstdio>

#include "version/VerInf.h"

int main() {
  const q17::TVersionInfo info(q17::RunningProgramFile());
  std::printf("%d\n%s\n%s\n%s\n%s\n", info.Valid() ? 1 : 0, info.GetProductName().c_str(),
              info.GetFileVersion().c_str(), info.GetLegalCopyright().c_str(), info.GetComments().c_str());
  return 0;
}
