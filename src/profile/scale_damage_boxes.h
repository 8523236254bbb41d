// Listing, validation and rescaling of a damage profile's BOXES section.
#ifndef VEXTOR_PROFILE_SCALE_DAMAGE_BOXES_H
#define VEXTOR_PROFILE_SCALE_DAMAGE_BOXES_H

#include <cstdint>

namespace vx {

// Walks the BOXES section of the profile file `file`: lists each entry on
// standard output and, unless FLAG_VIEWONLY is set, multiplies its six
// numbers by the low 16 bits of `Scale` (as a signed number) and rewrites
// the entry with two decimals per number. The file is read once and written
// once, after every entry succeeded and only if an entry was rewritten.
// Returns 1 when every entry was processed, 0 at the first failure with the
// reason as the last-error value (2: section or key missing, 87: malformed
// entry or a number beyond single precision, else the platform's code for a
// failed read or write).
int ScaleDamageBoxes(const char* file, std::int32_t Scale);

}  // namespace vx

#endif  // VEXTOR_PROFILE_SCALE_DAMAGE_BOXES_H
