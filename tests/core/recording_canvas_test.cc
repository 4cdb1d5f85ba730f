#include "ui/recording_canvas.h"

#include <gtest/gtest.h>

namespace vn {
namespace {

TEST(RecordingCanvas, RecordsPrimitivesInOrderAndReplaysThemScaled) {
    RecordingCanvas picture(200, 100);
    picture.setPen(0x0000FF, 1);
    picture.line({10, 20}, {30, 40});
    picture.circle({50, 50}, 4);
    picture.text({5, 5}, "Öffng", 8, 0x008000);
    picture.setPixel({7, 9}, 0xFF0000);
    ASSERT_EQ(picture.commands().size(), 7u);  // pen, move, line, two arcs, text, pixel
    const DrawCommand& arc = picture.commands()[3];
    EXPECT_EQ(arc.kind, DrawCommand::Kind::Arc);
    EXPECT_EQ(arc.points[0], (Point{46, 46}));
    EXPECT_EQ(arc.points[2],
              (Point{54, 50}));  // starts on the right, counter-clockwise to the left
    EXPECT_EQ(arc.points[3], (Point{46, 50}));

    RecordingCanvas copy;
    picture.replay(copy, 2.0, 2.0);
    ASSERT_EQ(copy.commands().size(), picture.commands().size());
    EXPECT_EQ(copy.commands()[2].points[0], (Point{60, 80}));
    EXPECT_EQ(copy.commands()[5].text, "Öffng");
    EXPECT_EQ(copy.commands()[5].width, 16);  // text size scales with the picture
    // An enlarged pixel becomes a filled block of the scale's size.
    EXPECT_EQ(copy.commands()[6].kind, DrawCommand::Kind::FillRect);
    EXPECT_EQ(copy.commands()[6].points[1], (Point{16, 20}));
}

}  // namespace
}  // namespace vn
