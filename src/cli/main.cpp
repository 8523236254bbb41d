// Entry point: the argument list as the platform splits it, with the
// program's own pattern expansion, handed to the command driver.
#include <string>
#include <vector>

#include "cli/driver.h"
#include "cli/expand_arguments.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments =
      vx::ExpandArguments(vx::plat::GetCommandArguments(argc, argv));
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return vx::RunVextor(static_cast<int>(arguments.size()), pointers.data());
}
