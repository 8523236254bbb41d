// Placeholder until the update transaction lands: fails every file, with
// ERROR_FILE_NOT_FOUND when it does not exist and ERROR_NOT_SUPPORTED
// otherwise. It never reports success.
#include "files/process_dp_file.h"

#include "platform/platform.h"

namespace vx {

int ProcessDpFile(const char* Uname, std::int32_t) {
  if (plat::GetFileAttributesA(Uname) == plat::INVALID_FILE_ATTRIBUTES) {
    plat::SetLastError(plat::ERROR_FILE_NOT_FOUND);
  } else {
    plat::SetLastError(plat::ERROR_NOT_SUPPORTED);
  }
  return 0;
}

}  // namespace vx
