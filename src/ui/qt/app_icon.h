// The program's own icon: a concave telescope mirror with a fan of rays.
#pragma once

#include <QIcon>

namespace vn {

// The icon of the main window and of the application, rendered from its SVG
// at the usual icon sizes.
QIcon applicationIcon();

}  // namespace vn
