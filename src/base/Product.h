// Who we are: the version shown to the user and the project's web site, in
// one place for every window and menu that names them.
#pragma once

#include "base/Version.h"

namespace vexil {

// Our web site; pages of it are opened from the menus and the About page.
constexpr char kProductSite[] = "http://www.example.org";
constexpr char kVersionText[] = "v" VEXIL_VERSION_SHORT;

}  // namespace vexil
