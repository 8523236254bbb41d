#include "cli/texts.h"

#include <cstdio>

namespace vx {

namespace {

constexpr char kVersion[] = "1.0.0.9148";
constexpr char kCopyright[] =
    "Copyright (c) 2026 The Vextor developers. All rights reserved.";

constexpr char kHelp[] =
    "  Options:\n"
    "    h - Help, (this)\n"
    "    s - Specify the scale value to set. Default is 2.\n"
    "    v - View Only. View the current scale without updating it.\n"
    "    x - Debug. Emit [numerous] debug messages.\n"
    "    ? - Usage.\n"
    "\n"
    "    nologo - Don't display copyright information.\n"
    "    Scale - The scale value to update the Damage Box values with.\n"
    "    Dpfile - The name of the Damage Profile file to modify.\n"
    "\n"
    "With no parameters, other than the name of a Damage Profile file, Vextor\n"
    "adjusts the Damage Box values in the specified Damage Profile file by\n"
    "mulitplying them by the [default] value \"2\".\n"
    "\n"
    "The \"-s\" option can be used to specify a different scale.\n"
    "\n"
    "A backup copy of the original Damage Profile file is created using a "
    "name\n"
    "built in the following format:\n"
    "\n"
    "Dpbasename.Zyyyymmddhhmmss.DP\n"
    "\n"
    "where \"yyyymmddhhmmss\" is the date and time when the utility began to\n"
    "process the specified file.\n"
    "\n";

}  // namespace

void ShowBanner() {
  std::printf("Vextor Damage Profile Scaling Utility  Version %s\n%s\n\n",
              kVersion, kCopyright);
}

void ShowUsage() {
  std::fputs("Usage: Vextor [-nologo] [-hvx?] [-s Scale] Dpfile [Dpfile ...]\n\n",
             stdout);
}

void ShowHelp() {
  ShowUsage();
  std::fputs(kHelp, stdout);
}

}  // namespace vx
