// The per-file update transaction.
#ifndef VEXTOR_FILES_PROCESS_DP_FILE_H
#define VEXTOR_FILES_PROCESS_DP_FILE_H

#include <cstdint>

namespace vx {

// Carries the damage profile named by `Uname` through backup, rescaling on a
// work copy, and replacement (listing only under FLAG_VIEWONLY). Returns 1
// on success; 0 on failure with the failing step's code as the last-error
// value, every file left as it was.
int ProcessDpFile(const char* Uname, std::int32_t Scale);

}  // namespace vx

#endif  // VEXTOR_FILES_PROCESS_DP_FILE_H
