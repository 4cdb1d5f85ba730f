// Export of the pictures: proposed names, sizes, the layout's export picture
// and metafiles read back by an independent reader.
#include "mainwindow/picture_export.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "mainwindow/commands.h"
#include "mainwindow/document.h"
#include "mainwindow/layout_export.h"
#include "recording_queries.h"
#include "ui/emf_writer.h"
#include "workspace/workspace.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
const std::string kExamples = std::string(VARNISTRALE_TEST_DATA_DIR) + "/examples/";

TEST(PictureExport, ProposedNamesArePrefixAndFileNameWithoutFolderAndExtension) {
    EXPECT_EQ(proposedExportName(GraphicSource::SpotWindow, "/home/a/mirror1.opt"), "Spotmirror1");
    EXPECT_EQ(proposedExportName(GraphicSource::PsfWindow, "C:\\optik\\mirror1.opt"), "PSFmirror1");
    // Without a system file the prefix stands alone; every source has its own.
    std::set<std::string> prefixes;
    for (GraphicSource s : {GraphicSource::Layout, GraphicSource::SpotWindow,
                            GraphicSource::PsfWindow, GraphicSource::PsfGraph}) {
        const std::string prefix = proposedExportName(s, "");
        EXPECT_FALSE(prefix.empty());
        prefixes.insert(prefix);
    }
    EXPECT_EQ(prefixes.size(), 4u);
    EXPECT_EQ(proposedExportName(GraphicSource::SpotWindow, ""), "Spot");
}

TEST(PictureExport, SizesFollowTheBitmapWidthTheMetafileZoomAndThePage) {
    const RecordingCanvas spot(658, 471), graph(220, 220);
    // A bitmap of the spot window 600 wide keeps the window's aspect ratio.
    ExportSize s =
        exportSize(GraphicSource::SpotWindow, GraphicDestination::Bitmap, spot, 600, 100);
    EXPECT_EQ(s.width, 600);
    EXPECT_EQ(s.height, 429);  // 471 x 600 / 658 = 429.48
    EXPECT_EQ(s.drawnWidth, 600);
    // The PSF graph is square, whatever the zoom.
    s = exportSize(GraphicSource::PsfGraph, GraphicDestination::Bitmap, graph, 300, 50);
    EXPECT_EQ(s.width, 300);
    EXPECT_EQ(s.height, 300);
    // A metafile is 650 pixels wide at zoom 100 and half of that at 50.
    s = exportSize(GraphicSource::SpotWindow, GraphicDestination::Metafile, spot, 600, 100);
    EXPECT_EQ(s.width, 650);
    EXPECT_EQ(s.height, 465);  // 471 x 650 / 658 = 465.3
    s = exportSize(GraphicSource::SpotWindow, GraphicDestination::Metafile, spot, 600, 50);
    EXPECT_EQ(s.width, 325);
    // Printing: the page width at zoom 100, half of it at 50.
    EXPECT_EQ(printSize(spot, 4800, 100).width, 4800);
    EXPECT_EQ(printSize(spot, 4800, 50).width, 2400);
    EXPECT_EQ(printSize(spot, 4800, 50).height, 1718);  // 471 x 2400 / 658 = 1717.9
    // An empty recording still gives a picture of at least one pixel.
    EXPECT_GE(
        exportSize(GraphicSource::Layout, GraphicDestination::Bitmap, RecordingCanvas(), 0, 100)
            .width,
        1);
}

using test::textAt;

TEST(LayoutExport, WritesTheResultTextsTheDescriptionTheCaptionAndTheIcon) {
    auto ws = std::make_unique<Workspace>();
    Initialize(*ws);
    ASSERT_TRUE(openSystemFile(*ws, kExamples + "cassegrain-classical.opt").ok);
    ws->model.sys.description = {"erste Zeile", "zweite Zeile", "dritte Zeile", "", "  "};
    fitLayoutToView(*ws, kDesignLayoutWidth, kDesignLayoutHeight);
    LayoutLook look;
    look.width = kDesignLayoutWidth;
    look.height = kDesignLayoutHeight;
    RecordingCanvas picture;
    ASSERT_TRUE(recordLayoutExport(*ws, look, "Varnistrale - cassegrain-classical", picture).ok);
    EXPECT_EQ(picture.width(), kDesignLayoutWidth);

    const auto expectText = [&](Point p, const std::string& start) {
        const DrawCommand* t = textAt(picture, p);
        ASSERT_NE(t, nullptr) << "no text at " << p.x << "," << p.y;
        EXPECT_EQ(t->text.substr(0, start.size()), start) << t->text;
        EXPECT_EQ(t->width, 8);
    };
    expectText({20, 20}, ws->model.sys.title);
    expectText({20, 60}, "f: 1999.9");
    expectText({90, 60}, "s: ");
    expectText({160, 60}, "Ob: 0.2");
    expectText({230, 20}, "Fehler 3. Ordnung");
    expectText({230, 60}, "Öffng  :  ");
    expectText({430, 40}, "Krümm :  ");
    expectText({540, 20}, "Farbfehler 1. Ordnung ");
    expectText({640, 60}, "CVD  :  ");
    expectText({750, 20}, "selektiert ");
    expectText({45, 648}, "Varnistrale - cassegrain-classical");
    // The description's last line with text sits at y = 643, the block grows upwards.
    expectText({580, 643}, "dritte Zeile");
    expectText({580, 623}, "zweite Zeile");
    expectText({580, 603}, "erste Zeile");
    // The icon's background at (2, 638) onwards.
    bool icon = false;
    for (const DrawCommand& cmd : picture.commands())
        if (cmd.kind == DrawCommand::Kind::FillRect && cmd.points[0] == Point{3, 639}) icon = true;
    EXPECT_TRUE(icon);

    // Only line 0 holds text: it is written at 623, one row above the empty line 1.
    ws->model.sys.description = {"allein"};
    ASSERT_TRUE(recordLayoutExport(*ws, look, "c", picture).ok);
    expectText({580, 623}, "allein");
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(EmfWriter, AnIndependentReaderFindsTheLinesCirclesAndTexts) {
    if (std::system("command -v emf2svg-conv >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "emf2svg-conv is not installed";
    RecordingCanvas c(200, 100);
    c.fillRect({0, 0}, {200, 100}, 0xF0F0F0);
    c.setPen(0x0000FF, 1);
    c.line({10, 10}, {190, 90});
    c.circle({50, 50}, 20);
    const Point poly[] = {{100, 10}, {120, 30}, {140, 10}};
    c.polyline(poly, 3);
    c.setBrush(0xFF0000);
    c.ellipse({150, 50}, {170, 70});
    c.setPixel({5, 5}, 0x00FF00);
    c.text({20, 80}, "Öffnung 5µm", 8, 0x008000);
    // A mirror of negative radius comes with the box's corners swapped.
    c.arc({120, 90}, {80, 50}, {100, 90}, {100, 50});

    const fs::path dir = fs::temp_directory_path() / ("emf_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path emf = dir / "bild.emf", svg = dir / "bild.svg";
    ASSERT_EQ(writeEmfFile(c, 400, 200, 2.0, 2.0, emf.string()), "");
    EXPECT_FALSE(fs::exists(dir / "bild.emf.part"));
    const std::string cmd = "emf2svg-conv -i '" + emf.string() + "' -o '" + svg.string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string text = slurp(svg);
    EXPECT_NE(text.find("Öffnung 5µm"), std::string::npos);
    EXPECT_NE(text.find("#0000FF"), std::string::npos)
        << "the red pen (0x0000FF is red)" << text.substr(0, 400);
    EXPECT_NE(text.find("<ellipse"), std::string::npos);
    EXPECT_EQ(text.find(" A -"), std::string::npos) << "an arc of negative radius";
    // The line runs at twice the size: to (380, 180).
    EXPECT_NE(text.find("380"), std::string::npos);
    fs::remove_all(dir);
}

TEST(EmfWriter, AFailedWriteLeavesNoHalfWrittenFile) {
    RecordingCanvas c(10, 10);
    c.line({0, 0}, {9, 9});
    EXPECT_NE(writeEmfFile(c, 10, 10, 1, 1, "/no/such/folder/x.emf"), "");
    EXPECT_FALSE(fs::exists("/no/such/folder/x.emf.part"));
}

}  // namespace
}  // namespace vn
