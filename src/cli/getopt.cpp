#include "cli/getopt.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace vx {

int optind = 1;
int optpos = 1;
char* optarg = nullptr;
int optopt = 0;
int opterr = 1;

namespace {

constexpr char kIllegalOption[] = ": illegal option -- ";
constexpr char kMissingArgument[] = ": option requires an argument -- ";

// Writes "<program> <text> <character>\n" to the error console. The whole
// line must fit the 260-byte message buffer, so an overlong program name is
// cut rather than the buffer overrun.
void ReportOptionError(const char* program, const char* text, int character) {
  if (opterr == 0) return;
  char message[plat::MAX_NAME];
  if (program == nullptr) program = "";
  // Fixed part: the blank after the name, the text, a blank, the character,
  // the line end and the terminating zero.
  const std::size_t fixed = 1 + std::strlen(text) + 1 + 1 + 1 + 1;
  const std::size_t room = sizeof message - fixed;
  const std::size_t length = std::strlen(program);
  const int shown = static_cast<int>(length < room ? length : room);
  std::snprintf(message, sizeof message, "%.*s %s %c\n", shown, program, text,
                character);
  plat::WriteErrorConsole(message, std::strlen(message));
}

// Moves past the character just examined, to the next argument when it was
// the last one of its group.
void StepPastCharacter(const char* argument) {
  ++optpos;
  if (argument[optpos] == '\0') {
    optpos = 1;
    ++optind;
  }
}

}  // namespace

int getopt(int argc, char* const* argv, const char* optstring) {
  if (optpos == 1) {
    if (optind >= argc) return -1;
    const char* first = argv[optind];
    if (first[0] != '-' || first[1] == '\0') return -1;
    if (std::strcmp(first, "--") == 0) {
      ++optind;
      return -1;
    }
  }

  char* const argument = argv[optind];
  const char character = argument[optpos];
  optopt = static_cast<signed char>(character);

  const char* letter = character == ':' || character == '\0'
                           ? nullptr
                           : std::strchr(optstring, character);
  if (letter == nullptr) {
    ReportOptionError(argv[0], kIllegalOption, optopt);
    StepPastCharacter(argument);
    return '?';
  }

  if (letter[1] == ':') {
    if (argument[optpos + 1] != '\0') {
      optarg = argument + optpos + 1;
      ++optind;
    } else {
      ++optind;
      if (optind >= argc) {
        ReportOptionError(argv[0], kMissingArgument, optopt);
        optpos = 1;
        return '?';
      }
      optarg = argv[optind];
      ++optind;
    }
    optpos = 1;
    return static_cast<unsigned char>(character);
  }

  StepPastCharacter(argument);
  optarg = nullptr;
  // Unsigned, so that no letter can ever read as the -1 that ends the scan.
  return static_cast<unsigned char>(character);
}

void ResetOptionScannerForTesting() {
  optind = 1;
  optpos = 1;
  optarg = nullptr;
  optopt = 0;
  opterr = 1;
}

}  // namespace vx
