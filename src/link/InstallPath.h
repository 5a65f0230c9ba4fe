#pragma once

#include "SchemeHandler.h"

namespace clientlink {

// The client's program as its URL handler names it; empty when none is registered
// or the path would not fit the 255-character field it was always read into.
QString TSInstallPath(const platform::SchemeHandler& handler);

} // namespace clientlink
