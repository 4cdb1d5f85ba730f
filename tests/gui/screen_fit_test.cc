// The main window on a screen of 1280 x 800 pixels, as a laptop has it: where
// it is placed, that it stays on the screen with all its boxes shown, and that
// every example system is drawn in full in the visible drawing.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <memory>

#include "mainwindow/layout_painter.h"
#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "ui/recording_canvas.h"

using namespace vn;

namespace {

const QString kExamples = QStringLiteral(VARNISTRALE_TEST_DATA_DIR "/examples/");
constexpr int kScreenWidth = 1280, kScreenHeight = 800;
// The screen lies away from the desktop's origin, as a second monitor may: a
// window placed by its client area would stick out of it by its frame.
constexpr int kScreenX = 100, kScreenY = 50;

QRect globalRect(const QWidget* w) {
    return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
}

void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

// The box of everything the layout draws of the system (the diagrams left out).
QRect drawnBox(const Workspace& ws, int width, int height) {
    LayoutPicture picture = layoutPictureOf(ws, width, height);
    picture.zoneCount = 0;  // no LA/OSC diagrams
    RecordingCanvas canvas(width, height);
    paintLayout(canvas, picture);
    QRect box;
    auto add = [&box](Point p) { box |= QRect(p.x, p.y, 1, 1); };
    for (const DrawCommand& cmd : canvas.commands()) {
        if (cmd.kind == DrawCommand::Kind::Arc) {
            add(cmd.points[2]);  // the rim points; the vertex lies on the axis
            add(cmd.points[3]);
        } else if (cmd.kind != DrawCommand::Kind::FillRect) {
            for (Point p : cmd.points) add(p);
        }
    }
    return box;
}

}  // namespace

class ScreenFitTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<Workspace> ws;
    std::unique_ptr<MainWindow> window;

private slots:
    void init() {
        ws = std::make_unique<Workspace>();
        window = std::make_unique<MainWindow>(*ws);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        settle();
    }
    void cleanup() {
        ws->flags.documentModified = false;
        window.reset();
        ws.reset();
    }

    void theScreenIsTheOneOfALaptop() {
        QCOMPARE(QGuiApplication::primaryScreen()->geometry(),
                 QRect(kScreenX, kScreenY, kScreenWidth, kScreenHeight));
    }

    void theFrameIsPlacedOnTheScreenAndCarriesTheIcon() {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(window->frameGeometry()),
                 qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                .arg(window->frameGeometry().x())
                                .arg(window->frameGeometry().y())
                                .arg(window->frameGeometry().width())
                                .arg(window->frameGeometry().height())));
        QCOMPARE(window->frameGeometry().topLeft(), screen.topLeft());
        QVERIFY(!window->windowIcon().isNull());
        const QImage icon = window->windowIcon().pixmap(32, 32).toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        int opaque = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) opaque += qAlpha(icon.pixel(x, y)) > 200;
        QVERIFY(opaque > 32 * 32 / 2);
    }

    void everyControlStaysOnTheScreenWithBothBoxesShown() {
        QVERIFY(window->openFile(kExamples + "schmidt-camera.opt"));
        QTest::mouseClick(window->SpeedShowStat, Qt::LeftButton);
        window->oleranzanalyse1Click();
        settle();
        QVERIFY(window->statusBox->isVisible());
        QVERIFY(window->toleranceBox->isVisible());
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(screen.contains(window->frameGeometry()));
        const QList<QWidget*> shown = {window->dxEdit,    window->dyEdit,      window->dwEdit,
                                       window->GruppEdit, window->statusBar(), window->layoutArea(),
                                       window->toolbar};
        for (QWidget* w : shown) {
            QVERIFY2(w->isVisible(), qPrintable(w->objectName()));
            QVERIFY2(screen.contains(globalRect(w)), qPrintable(w->objectName()));
        }
        // Every button of the toolbar is on it, none in its overflow menu.
        for (QToolButton* b : window->toolbar->findChildren<QToolButton*>()) {
            if (b->objectName().startsWith(QStringLiteral("Speed")) && b->isEnabled())
                QVERIFY2(b->isVisible() && window->toolbar->rect().contains(b->geometry()),
                         qPrintable(b->objectName()));
        }
        // The LA/OSC diagrams at the bottom of the drawing are on the screen.
        LayoutArea* area = window->layoutArea();
        QVERIFY(screen.contains(area->mapToGlobal(QPoint(510, area->height() - 95))));
        QVERIFY(area->height() > 300);
        // The result column scrolls to whatever does not fit.
        auto* scroll = window->findChild<QScrollArea*>(QStringLiteral("ResultScroll"));
        QVERIFY(scroll);
        QVERIFY(screen.contains(globalRect(scroll->viewport())));
        const int hidden = scroll->widget()->height() - scroll->viewport()->height();
        QVERIFY(hidden <= 0 || scroll->verticalScrollBar()->maximum() >= hidden);
        scroll->ensureWidgetVisible(window->OrdEdit);
        settle();
        QVERIFY(screen.contains(globalRect(window->OrdEdit)));
    }

    void everyExampleIsDrawnInFull() {
        QStringList systems = {QString()};  // "Neu"
        for (const QString& name :
             QDir(kExamples).entryList({QStringLiteral("*.opt")}, QDir::Files, QDir::Name))
            systems << name;
        LayoutArea* area = window->layoutArea();
        for (const QString& name : systems) {
            if (name.isEmpty())
                window->Neu1Click();
            else
                QVERIFY(window->openFile(kExamples + name));
            area->repaint();
            const QRect visible(0, 0, area->width(), area->height());
            const QRect box = drawnBox(*ws, area->width(), area->height());
            QVERIFY2(visible.contains(box),
                     qPrintable(QStringLiteral("%1: drawn %2..%3 x %4..%5 in %6 x %7")
                                    .arg(name.isEmpty() ? QStringLiteral("Neu") : name)
                                    .arg(box.left())
                                    .arg(box.right())
                                    .arg(box.top())
                                    .arg(box.bottom())
                                    .arg(area->width())
                                    .arg(area->height())));
        }
    }
};

int main(int argc, char** argv) {
    // An offscreen screen of the laptop's size (window frames of 2 pixels).
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QStringLiteral("{\"windowFrameMargins\": true, \"screens\": [{\"name\": \"Laptop\", "
                              "\"x\": %1, \"y\": %2, \"width\": %3, \"height\": %4, "
                              "\"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}")
                   .arg(kScreenX)
                   .arg(kScreenY)
                   .arg(kScreenWidth)
                   .arg(kScreenHeight)
                   .toUtf8());
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
    QApplication app(argc, argv);
    ScreenFitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "screen_fit_test.moc"
