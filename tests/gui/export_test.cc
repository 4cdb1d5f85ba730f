// "Export" and "Drucken" from the main window: every format opens in an
// independent reader, sizes follow the settings, failures leave no file.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "gui_test_support.h"
#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "psf/qt/star_test_window.h"
#include "settings/qt/settings_dialog.h"

using namespace vn;

namespace {

const QString kExamples = QStringLiteral(VARNISTRALE_TEST_DATA_DIR "/examples/");

bool haveProgram(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

// Renders the first page of a PDF at 72 dpi with pdftoppm.
QImage pdfPage(const QString& pdf, const QString& dir) {
    const QString stem = dir + QStringLiteral("/page");
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("72"),
                       QStringLiteral("-singlefile"), pdf, stem});
    return QImage(stem + QStringLiteral(".png"));
}

// The rightmost column that is not white.
int rightmostInk(const QImage& image) {
    for (int x = image.width() - 1; x >= 0; --x)
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) < 250) return x;
    return -1;
}

}  // namespace

class ExportTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<Workspace> ws;
    std::unique_ptr<MainWindow> window;
    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void init() {
        ws = std::make_unique<Workspace>();
        window = std::make_unique<MainWindow>(*ws);
        window->resize(1280, 800);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        ws->settings.controls.graphicSource = GraphicSource::Layout;
    }
    void cleanup() { window.reset(); }

    void theProposedNameIsThePrefixAloneWithoutAFile() {
        ws->settings.controls.graphicSource = GraphicSource::SpotWindow;
        QCOMPARE(window->proposedExportFile(), QStringLiteral("Spot"));
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        QCOMPARE(window->proposedExportFile(), QStringLiteral("Spotnewtonian-f5"));
    }

    void everyFormatOfTheLayoutOpensInAnIndependentReader() {
        QVERIFY(window->openFile(kExamples + "cassegrain-classical.opt"));
        ws->settings.controls.bitmapWidth = 600;
        for (const char* name : {"l.bmp", "l.png", "l.svg", "l.pdf", "l.emf"})
            QVERIFY2(window->exportTo(path(name)), name);
        const QImage bmp(path("l.bmp"), "BMP");
        QCOMPARE(bmp.width(), 600);
        const QSize area = window->layoutArea()->size();
        QVERIFY(std::abs(bmp.height() - 600.0 * area.height() / area.width()) <= 1.0);
        QCOMPARE(QImage(path("l.png")).width(), 600);
        QFile svg(path("l.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray svgText = svg.readAll();
        QVERIFY(svgText.contains("Fehler 3. Ordnung"));  // text stays text
        QVERIFY(svgText.contains("<polyline") || svgText.contains("<path"));
        if (haveProgram("pdftoppm")) {
            const QImage page = pdfPage(path("l.pdf"), dir.path());
            QVERIFY(!page.isNull());
            QVERIFY(rightmostInk(page) > 100);
        }
        if (haveProgram("emf2svg-conv")) {
            QCOMPARE(QProcess::execute(QStringLiteral("emf2svg-conv"),
                                       {QStringLiteral("-i"), path("l.emf"), QStringLiteral("-o"),
                                        path("emf.svg")}),
                     0);
            QFile converted(path("emf.svg"));
            QVERIFY(converted.open(QIODevice::ReadOnly));
            const QByteArray text = converted.readAll();
            QVERIFY(text.contains("Farbfehler 1. Ordnung"));
            QVERIFY(text.contains("cassegrain-classical"));
        }
    }

    void theSpotAndPsfWindowsExportTheirPictures() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        ws->settings.controls.bitmapWidth = 600;
        ws->settings.controls.graphicSource = GraphicSource::SpotWindow;
        QVERIFY(window->exportTo(path("s.bmp")));
        const QImage spot(path("s.bmp"), "BMP");
        QCOMPARE(spot.size(), QSize(600, 429));  // the window's 658 x 471
        ws->settings.controls.graphicSource = GraphicSource::PsfGraph;
        QVERIFY(window->exportTo(path("g.png")));
        QCOMPARE(QImage(path("g.png")).size(), QSize(600, 600));
        ws->settings.controls.graphicSource = GraphicSource::PsfWindow;
        QVERIFY(window->exportTo(path("p.svg")));
        QFile svg(path("p.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        QVERIFY(text.contains("Modulationsgitter"));
        QVERIFY(text.contains("Teilung"));
    }

    void theStarTestIsTheFifthSourceWithTheWindowsRowAndScale() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        SettingsDialog* dialog = window->settingsDialog();
        window->Einstellungen1Click();
        QCOMPARE(dialog->graphChoiceButtons[4]->text(), QStringLiteral("Sterntest"));
        dialog->graphChoiceButtons[4]->setChecked(true);
        QTest::mouseClick(dialog->okBut, Qt::LeftButton);
        QCOMPARE(ws->settings.controls.graphicSource, GraphicSource::StarTest);
        QCOMPARE(window->proposedExportFile(), QStringLiteral("Sterntestnewtonian-f5"));
        // The window's row and scale, also while it is closed.
        StarTestWindow* star = window->starTestWindow();
        star->StepsEdit->setText(QStringLiteral("3"));
        star->applyFields();
        star->LogButton->setChecked(true);
        ws->settings.controls.bitmapWidth = 490;
        QVERIFY(window->exportTo(path("t.svg")));
        QVERIFY(window->exportTo(path("t.png")));
        QCOMPARE(QImage(path("t.png")).width(), 490);
        QFile svg(path("t.svg"));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        QVERIFY(text.contains("logarithmisch"));
        QVERIFY(text.contains("extrafokal"));
        QVERIFY(!text.contains("extrafokal +4"));  // three images: -8, 0, +8
        QVERIFY(text.contains("newtonian-f5"));
    }

    void zoomFiftyPrintsAtHalfThePageWidth() {
        if (!haveProgram("pdftoppm")) QSKIP("pdftoppm is not installed");
        QVERIFY(window->openFile(kExamples + "cassegrain-classical.opt"));
        int ink[2] = {0, 0};
        for (int zoom : {100, 50}) {
            ws->settings.values.exportZoom = zoom;
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setPageMargins(QMarginsF(0, 0, 0, 0));
            const QString pdf = path(zoom == 100 ? "p100.pdf" : "p50.pdf");
            printer.setOutputFileName(pdf);
            QVERIFY(window->printTo(printer));
            const QImage page = pdfPage(pdf, dir.path());
            QVERIFY(!page.isNull());
            ink[zoom == 100 ? 0 : 1] = rightmostInk(page) + 1;
            if (zoom == 100) QVERIFY(ink[0] >= page.width() - 3);
        }
        QVERIFY2(std::abs(ink[1] - ink[0] / 2) <= 3,
                 qPrintable(QStringLiteral("%1 %2").arg(ink[0]).arg(ink[1])));
    }

    void aFailedExportShowsWhyAndLeavesNoFile() {
        QVERIFY(window->openFile(kExamples + "cassegrain-classical.opt"));
        const QString target = QStringLiteral("/no/such/folder/l.png");
        MessageBoxAnswer answer(QMessageBox::Ok);
        QVERIFY(!window->exportTo(target));
        QVERIFY(answer.seen);
        QVERIFY(answer.text.contains(QStringLiteral("nicht geschrieben")));
        QVERIFY(!QFile::exists(target));
        // An unknown extension is refused before anything is drawn.
        MessageBoxAnswer unknown(QMessageBox::Ok);
        QVERIFY(!window->exportTo(path("l.xyz")));
        QVERIFY(unknown.text.contains(QStringLiteral("Unbekanntes Bildformat")));
        QVERIFY(!QFile::exists(path("l.xyz")));
    }
};

QTEST_MAIN(ExportTest)
#include "export_test.moc"
