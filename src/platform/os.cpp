// Selection of the Os that the free functions of platform.h forward to.
#include "platform/platform.h"

namespace vx::plat {
namespace {

Os* installed_os = nullptr;

}  // namespace

Os& CurrentOs() { return installed_os != nullptr ? *installed_os : RealOs(); }

Os* InstallOs(Os* os) {
  Os* previous = installed_os;
  installed_os = os;
  return previous;
}

}  // namespace vx::plat
