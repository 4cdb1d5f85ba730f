// The layout drawing, checked through the primitives it records.
#include "mainwindow/layout_painter.h"

#include <gtest/gtest.h>

#include <memory>

#include "mainwindow/document.h"
#include "mainwindow/layout_picture.h"
#include "mainwindow/run_cycle.h"
#include "ui/recording_canvas.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

using namespace layout_colour;

const std::string kExamples = std::string(VARNISTRALE_TEST_DATA_DIR) + "/examples/";
constexpr int kWidth = 1000, kHeight = 760;

struct Drawn {
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    RecordingCanvas canvas{kWidth, kHeight};
    MarkedRayTexts texts;

    void draw() {
        canvas.clear();
        ASSERT_TRUE(prepareRepaint(*ws).ok);
        texts = paintLayout(canvas, layoutPictureOf(*ws, kWidth, kHeight));
    }
};

Drawn open(const std::string& name) {
    Drawn d;
    Initialize(*d.ws);
    d.ws->view.clientHeight = kHeight;
    EXPECT_TRUE(openSystemFile(*d.ws, kExamples + name).ok);
    d.draw();
    return d;
}

// The line segments drawn in a colour, each as (from, to).
std::vector<std::pair<Point, Point>> lines(const RecordingCanvas& c, Rgb colour) {
    std::vector<std::pair<Point, Point>> out;
    Rgb pen = 0;
    Point current{};
    for (const DrawCommand& cmd : c.commands()) {
        if (cmd.kind == DrawCommand::Kind::Pen) pen = cmd.colour;
        if (cmd.kind == DrawCommand::Kind::MoveTo) current = cmd.points[0];
        if (cmd.kind == DrawCommand::Kind::LineTo) {
            if (pen == colour) out.push_back({current, cmd.points[0]});
            current = cmd.points[0];
        }
    }
    return out;
}

// Lens edges run along the axis between the rims of neighbouring surfaces,
// unlike the flat image plane, which is drawn across it.
std::vector<std::pair<Point, Point>> lensEdges(const RecordingCanvas& c) {
    std::vector<std::pair<Point, Point>> out;
    for (const auto& line : lines(c, rgbBlue))
        if (std::abs(line.first.y - line.second.y) < std::abs(line.first.x - line.second.x))
            out.push_back(line);
    return out;
}

int countArcs(const RecordingCanvas& c, Rgb colour) {
    int count = 0;
    Rgb pen = 0;
    for (const DrawCommand& cmd : c.commands()) {
        if (cmd.kind == DrawCommand::Kind::Pen) pen = cmd.colour;
        if (cmd.kind == DrawCommand::Kind::Arc && pen == colour) ++count;
    }
    return count;
}

TEST(LayoutPainter, SystemWithoutTiltsDrawsTheAxisStraight) {
    Drawn d = open("achromat-f15.opt");
    const auto axis = lines(d.canvas, rgbTeal);
    ASSERT_EQ(axis.size(), 4u);  // surfaces 1..3 and the image plane
    for (const auto& [from, to] : axis) {
        EXPECT_EQ(from.y, d.ws->view.originY);
        EXPECT_EQ(to.y, d.ws->view.originY);
    }
    EXPECT_EQ(axis.front().first.x, 10);
}

TEST(LayoutPainter, TwoMirrorsAreRedWithoutLensEdges) {
    Drawn d = open("cassegrain-classical.opt");
    EXPECT_EQ(countArcs(d.canvas, rgbRed), 2);
    EXPECT_EQ(countArcs(d.canvas, rgbBlue), 0);
    EXPECT_TRUE(lensEdges(d.canvas).empty());  // no glass, no edges
}

TEST(LayoutPainter, CementedDoubletJoinsItsRimsWithLensEdges) {
    Drawn d = open("achromat-f15.opt");
    EXPECT_EQ(countArcs(d.canvas, rgbBlue), 3);
    // Glass in front of surfaces 2 and 3: two edges each.
    const auto edges = lensEdges(d.canvas);
    ASSERT_EQ(edges.size(), 4u);
    for (const auto& [from, to] : edges) EXPECT_LT(std::abs(from.x - to.x), 20);  // thin lenses
}

TEST(LayoutPainter, ObstructionsAndStopsAppearOnlyWithTheMarkedRayPicked) {
    Drawn d = open("stop-obstruction.opt");
    Workspace& ws = *d.ws;
    auto verticalAt = [&](int surface) {
        const int x = ws.layout.vertexPx[static_cast<size_t>(surface)];
        for (Rgb colour : {rgbBlue, rgbAqua})
            for (const auto& [from, to] : lines(d.canvas, colour))
                if (from.x == x && to.x == x && from.y != to.y) return true;
        return false;
    };
    ws.selection.pickMarked = false;
    d.draw();
    EXPECT_FALSE(verticalAt(1));
    EXPECT_FALSE(verticalAt(2));
    ws.selection.pickMarked = true;
    d.draw();
    EXPECT_TRUE(verticalAt(1));
    EXPECT_TRUE(verticalAt(2));
    EXPECT_TRUE(d.texts.shown);
    EXPECT_EQ(d.texts.item, "Zonenstrahl selektiert");
}

TEST(LayoutPainter, FoldingMirrorTurnsTheDrawnAxis) {
    Drawn d = open("newtonian-f5.opt");
    // The segment after the 45 degree diagonal runs across the original axis.
    const auto axis = lines(d.canvas, rgbTeal);
    ASSERT_EQ(axis.size(), 3u);
    const auto& [from, to] = axis.back();
    EXPECT_EQ(from.x, to.x);
    EXPECT_NE(from.y, to.y);
    EXPECT_NEAR(std::abs(to.y - from.y), 0.15 * d.ws->layout.drawScale, 2.0);
}

TEST(LayoutPainter, DiagramsNeedZonesAnUndeviatedAxisAndNoDecentring) {
    Drawn d = open("achromat-f15.opt");
    LayoutPicture pic = layoutPictureOf(*d.ws, kWidth, kHeight);
    EXPECT_TRUE(diagramsShown(pic));
    pic.decentring = 0.001;
    EXPECT_FALSE(diagramsShown(pic));
    pic.forExport = true;  // the exported picture keeps them
    EXPECT_TRUE(diagramsShown(pic));

    Drawn toric = open("toric-mirror.opt");  // tilted mirror: the axis deviates
    EXPECT_FALSE(diagramsShown(layoutPictureOf(*toric.ws, kWidth, kHeight)));
}

TEST(LayoutPicture, TheRecordingKeepsTheLastGoodPicture) {
    auto ws = std::make_unique<Workspace>();
    Initialize(*ws);
    Start(*ws);
    LayoutLook look;
    look.width = 800;
    look.height = 500;
    ASSERT_TRUE(repaintLayout(*ws, look).ok);
    const RecordingCanvas good = ws->pictures.layout;
    EXPECT_EQ(good.width(), 800);
    EXPECT_GT(good.commands().size(), 10u);
    // The marked ray is picked after the run cycle: its texts reach the box.
    EXPECT_EQ(ws->selection.colour, layout_colour::rgbFuchsia);

    ws->model.surf[1].n = {1.0, 1.0, 1.0};  // mirror into the same medium: uncomputable
    ws->model.surf[1].r = 0.0;
    EXPECT_FALSE(repaintLayout(*ws, look).ok);
    EXPECT_EQ(ws->pictures.layout.commands().size(), good.commands().size());
}

}  // namespace
}  // namespace vn
