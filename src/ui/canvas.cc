#include "ui/canvas.h"

namespace vn {

void Canvas::circle(Point c, int r) {
    const Point topLeft{c.x - r, c.y - r}, bottomRight{c.x + r, c.y + r};
    const Point right{c.x + r, c.y}, left{c.x - r, c.y};
    arc(topLeft, bottomRight, right, left);
    arc(topLeft, bottomRight, left, right);
}

}  // namespace vn
