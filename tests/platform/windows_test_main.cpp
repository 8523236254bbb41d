// Entry point of the test programs in Windows builds.
//
// The C runtime opens streams in text mode on Windows and writes each LF as
// CR LF. Test discovery reads the test list line by line and would take the
// CR for part of the names, and tests that capture output compare it with
// LF line ends. So the standard streams, and every file opened without an
// explicit mode, use binary mode here.
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  _fmode = _O_BINARY;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
