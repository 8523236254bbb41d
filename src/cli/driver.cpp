#include "cli/driver.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cli/diagnostics.h"
#include "cli/getopt.h"
#include "cli/run_flags.h"
#include "cli/scale_text.h"
#include "cli/texts.h"
#include "files/process_dp_file.h"
#include "platform/platform.h"

namespace vx {

namespace {

constexpr char kOptions[] = "ehn:s:vx?";
constexpr std::int32_t kDefaultScale = 2;

// What the option scan decided.
enum class ScanResult { kProcessFiles, kStop };

// Acts on the options from left to right. The first -h, -?, option error or
// unreadable scale ends the run: `status` then holds its exit status.
ScanResult ScanOptions(int argc, char** argv, std::int32_t* scale,
                       int* status) {
  for (;;) {
    const int option = getopt(argc, argv, kOptions);
    switch (option) {
      case -1:
        return ScanResult::kProcessFiles;
      case 'e':
        RunFlags |= FLAG_ERRTEXT;
        break;
      case 'v':
        RunFlags |= FLAG_VIEWONLY;
        break;
      case 'x':
        RunFlags |= FLAG_DEBUG;
        break;
      case 'n':
        if (std::strcmp(optarg, "ologo") == 0) RunFlags |= FLAG_NOLOGO;
        break;
      case 's':
        if (ReadScale(optarg, scale) == 0) {
          std::printf(
              "ERROR:%x  The scale must be a whole number from -32768 to "
              "32767: %s\n",
              plat::ERROR_INVALID_PARAMETER, optarg);
          *status = EXIT_BAD_COMMAND;
          return ScanResult::kStop;
        }
        break;
      case 'h':
        ShowHelp();
        *status = EXIT_ALL_DONE;
        return ScanResult::kStop;
      default:
        // '?' is both the letter -? and the scanner's error result; only
        // the scanner's record of the character tells them apart.
        ShowUsage();
        *status = optopt == '?' ? EXIT_ALL_DONE : EXIT_BAD_COMMAND;
        return ScanResult::kStop;
    }
  }
}

}  // namespace

int RunVextor(int argc, char** argv) {
  std::int32_t scale = kDefaultScale;
  int status = EXIT_ALL_DONE;
  if (ScanOptions(argc, argv, &scale, &status) == ScanResult::kStop) {
    return status;
  }

  if ((RunFlags & FLAG_NOLOGO) == 0) ShowBanner();
  if (optind >= argc) {
    std::printf("ERROR:%x  At least one .DP file must be specified.\n",
                plat::ERROR_INVALID_PARAMETER);
    return EXIT_BAD_COMMAND;
  }

  while (optind < argc) {
    const char* name = argv[optind++];
    if (ProcessDpFile(name, scale) != 0) continue;
    // Read once: printing may disturb the thread's last-error value.
    const plat::DWORD code = plat::GetLastError();
    std::printf("ERROR:%x  Processing failed for %s\n", code, name);
    // The error text on standard error belongs after this line.
    std::fflush(stdout);
    ShowErrorText(code);
    status = EXIT_SOME_FAILED;
  }
  return status;
}

}  // namespace vx
