#include "ui/glass_map.h"

#include <gtest/gtest.h>

#include "ui/recording_canvas.h"

namespace vn {
namespace {

GlassCatalogue catalogue() {
    GlassCatalogue c;
    auto add = [&c](const char* code, const char* type, double ne, double ve) {
        GlassRecord r;
        r.code = code;
        r.type = type;
        r.ne = ne;
        r.ve = ve;
        r.PFe = 0.5;
        r.K = {1.0, 0.2, 1.0, 0.006, 0.02, 100.0};
        const ComposedRecord composed = composeRecord(r);
        c.display.push_back(composed.display);
        c.lines.push_back(composed.line);
    };
    add("517642.251", "S     N-BK7          Sel", 1.51872, 63.96);
    add("620364.360", "S     N-F2           Sel", 1.62408, 36.11);
    add("100000.000", "L     Luft           n/L", 1.0, 0.0);
    c.lines.push_back("not a record");
    c.display.push_back("not a record");
    add("805254.000", "S     N-SF6          Sel", 1.81265, 25.24);
    return c;
}

std::vector<const DrawCommand*> marks(const RecordingCanvas& canvas) {
    std::vector<const DrawCommand*> out;
    Rgb brush = 0;
    for (const DrawCommand& c : canvas.commands()) {
        if (c.kind == DrawCommand::Kind::Brush) brush = c.colour;
        if (c.kind == DrawCommand::Kind::Ellipse && brush == kGlassMapMarked) out.push_back(&c);
    }
    return out;
}

TEST(GlassMap, ShowsTheGlassesWithADispersionAndMarksTheShownOne) {
    const std::vector<GlassMapPoint> points = glassMapPoints(catalogue());
    ASSERT_EQ(points.size(), 3u);  // without air and the line that does not read
    EXPECT_EQ(points[2].index, 4u);

    RecordingCanvas canvas(300, 200);
    drawGlassMap(canvas, points, 300, 200, 1);
    int dots = 0;
    for (const DrawCommand& c : canvas.commands())
        if (c.kind == DrawCommand::Kind::Ellipse) ++dots;
    EXPECT_EQ(dots, 4);  // three glasses and the mark
    const auto marked = marks(canvas);
    ASSERT_EQ(marked.size(), 1u);
    const GlassMapFrame frame(points, 300, 200);
    const Point f2 = frame.toPixel(36.11, 1.62408);
    EXPECT_LT(marked[0]->points[0].x, f2.x);
    EXPECT_GT(marked[0]->points[1].x, f2.x);

    // The Abbe number falls to the right and the index rises upwards.
    const Point bk7 = frame.toPixel(63.96, 1.51872), sf6 = frame.toPixel(25.24, 1.81265);
    EXPECT_LT(bk7.x, sf6.x);
    EXPECT_GT(bk7.y, sf6.y);
    EXPECT_GE(bk7.x, frame.left());
    EXPECT_LE(sf6.x, frame.right());
    EXPECT_GE(sf6.y, frame.top());

    RecordingCanvas none(300, 200);
    drawGlassMap(none, points, 300, 200, 2);  // air is not on the map
    EXPECT_TRUE(marks(none).empty());
}

TEST(GlassMap, AClickPicksTheNearestGlassNearby) {
    const std::vector<GlassMapPoint> points = glassMapPoints(catalogue());
    const GlassMapFrame frame(points, 300, 200);
    const Point sf6 = frame.toPixel(25.24, 1.81265);
    EXPECT_EQ(glassAtPixel(points, 300, 200, {sf6.x + 3, sf6.y - 2}), 4);
    EXPECT_EQ(glassAtPixel(points, 300, 200, {sf6.x + 30, sf6.y + 30}), -1);
    EXPECT_EQ(glassAtPixel({}, 300, 200, sf6), -1);
}

}  // namespace
}  // namespace vn
