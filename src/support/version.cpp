// SPDX-License-Identifier: MIT
// quarn::version(): the version this library was built as.
#include "quarn/version.hpp"

namespace quarn {

const char* version() noexcept { return QUARN_VERSION_STRING; }

}  // namespace quarn
