#include "platform/windows/command_line.h"

#include <cstddef>
#include <string>

namespace vx::plat {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Copies the character at `p` into `out` (both bytes of a double-byte
// character) and returns the position after it.
const char* CopyCharacter(const char* p, std::string* out,
                          LeadBytePredicate is_lead_byte) {
  const bool lead = is_lead_byte != nullptr &&
                    is_lead_byte(static_cast<unsigned char>(*p)) != 0 &&
                    p[1] != '\0';
  out->push_back(*p++);
  if (lead) out->push_back(*p++);
  return p;
}

const char* ReadProgramName(const char* p, Argument* arg,
                            LeadBytePredicate is_lead_byte) {
  bool in_quotes = false;
  while (*p != '\0' && (in_quotes || !IsBlank(*p))) {
    if (*p == '"') {
      in_quotes = !in_quotes;
      ++p;
    } else {
      p = CopyCharacter(p, &arg->text, is_lead_byte);
    }
  }
  return p;
}

const char* ReadArgument(const char* p, Argument* arg,
                         LeadBytePredicate is_lead_byte) {
  bool in_quotes = false;
  while (*p != '\0' && (in_quotes || !IsBlank(*p))) {
    if (*p == '\\') {
      std::size_t count = 0;
      while (p[count] == '\\') ++count;
      if (p[count] != '"') {
        arg->text.append(count, '\\');
        p += count;
        continue;
      }
      arg->text.append(count / 2, '\\');
      p += count;
      if (count % 2 == 1) {
        arg->text.push_back('"');
        ++p;
      }
      // With an even count the quote is handled below as a delimiter.
      continue;
    }
    if (*p == '"') {
      if (in_quotes && p[1] == '"') {
        arg->text.push_back('"');
        p += 2;
      } else {
        in_quotes = !in_quotes;
        ++p;
      }
      continue;
    }
    p = CopyCharacter(p, &arg->text, is_lead_byte);
  }
  return p;
}

}  // namespace

std::vector<Argument> SplitCommandLine(const char* line,
                                       LeadBytePredicate is_lead_byte) {
  std::vector<Argument> args;
  if (line == nullptr) return args;
  const char* p = line;

  Argument program{std::string(), *p == '"'};
  p = ReadProgramName(p, &program, is_lead_byte);
  args.push_back(std::move(program));

  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == '\0') break;
    Argument arg{std::string(), *p == '"'};
    p = ReadArgument(p, &arg, is_lead_byte);
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace vx::plat
