// quarvex-windir-fixture DIR: writes a small Windows 98 directory made here (system.dat,
// advapi32.dll, krnl386.exe, regedit.exe with version resources and 1999 time stamps) for
// trying --windows-dir, and for tools/windows-check.sh. See testkit/host_fixtures.h.
#include <exception>
#include <iostream>

#include "testkit/host_fixtures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: quarvex-windir-fixture DIR\n";
    return 2;
  }
  try {
    quarvex::testkit::WriteWindowsDirectory(argv[1]);
  } catch (const std::exception& e) {
    std::cerr << "quarvex-windir-fixture: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
