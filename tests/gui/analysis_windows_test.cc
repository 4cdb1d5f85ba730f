// What a person does with the spot and PSF windows: pick a field point, move
// the focus, step it through the PSF, and watch both follow the main window.
#include <QDialog>
#include <QPushButton>
#include <QtTest>
#include <cmath>
#include <memory>

#include "mainwindow/qt/main_window.h"
#include "psf/qt/psf_window.h"
#include "spot/qt/spot_window.h"
#include "ui/qt/up_down.h"

using namespace vn;

namespace {

const QString kExamples = QStringLiteral(VARNISTRALE_TEST_DATA_DIR "/examples/");

}  // namespace

class AnalysisWindowsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Workspace> ws_;
    std::unique_ptr<MainWindow> window_;

    void open(const char* file) {
        ws_ = std::make_unique<Workspace>();
        window_ = std::make_unique<MainWindow>(*ws_);
        window_->show();
        QVERIFY(window_->openFile(kExamples + QString::fromLatin1(file)));
        window_->Spot1Click();
        window_->PS1Click();
        QVERIFY(ws_->flags.spotComputed);
        QVERIFY(ws_->psf.computed);
    }

private slots:
    void clickLeftOfTheChooserChangesNothingRightOfItScalesTheAngle() {
        open("newtonian-f5.opt");
        SpotWindow* spot = window_->spotWindow();
        const SpotWindowState before = ws_->spot.window;
        const auto pictureBefore = ws_->pictures.spot.commands().size();
        QTest::mouseClick(spot, Qt::LeftButton, {}, QPoint(275, 120));
        QCOMPARE(ws_->spot.window.selectedX, before.selectedX);
        QCOMPARE(ws_->spot.window.selectedY, before.selectedY);
        QVERIFY(ws_->flags.spotComputed);
        QCOMPARE(ws_->pictures.spot.commands().size(), pictureBefore);

        const double wmax = ws_->model.sys.fieldAngle;
        QTest::mouseClick(spot, Qt::LeftButton, {}, QPoint(425, 175));  // 50 px right
        QCOMPARE(ws_->spot.window.selectedX, 425);
        QVERIFY(ws_->flags.spotComputed);
        QVERIFY(std::fabs(ws_->spot.results.fieldAngle - 0.5 * wmax) < 1e-12);
        // Outside the chooser square, 200 px below the centre.
        QTest::mouseClick(spot, Qt::LeftButton, {}, QPoint(375, 375));
        QVERIFY(std::fabs(ws_->spot.results.fieldAngle - 2.0 * wmax) < 1e-12);
    }

    void trackAt100ShowsTheImageSurfaceAndUpStepsThePsfFocus() {
        open("schmidt-camera.opt");
        SpotWindow* spot = window_->spotWindow();
        const double delta = ws_->spot.results.delta;
        spot->FocTrack->setValue(150);
        QVERIFY(ws_->spot.window.focus != delta);
        spot->FocTrack->setValue(100);
        QCOMPARE(ws_->spot.window.focus, delta);

        spot->FocTrack->setValue(130);
        const double F = ws_->spot.window.focus;
        QTest::keyClick(spot, Qt::Key_Up);
        const double step = ws_->settings.values.focusStep;
        QVERIFY(std::fabs(ws_->spot.window.focus - F / (1.0 + step)) < 1e-15);
        QCOMPARE(ws_->spot.window.referenceFocus, ws_->spot.window.focus);
        QCOMPARE(spot->FocTrack->value(), 100);
        QVERIFY(!ws_->flags.psfStale);
        QVERIFY(ws_->psf.defocus != 0.0);
        QVERIFY(window_->psfWindow()->isVisible());
    }

    void aStepInTheMainWindowUpdatesBothWindowsAtOnce() {
        open("newtonian-f5.opt");
        // The marked ray is the selection after the run cycle; a radius pick
        // on the mirror lets the step change the system.
        ws_->selection.pickRadius = true;
        ws_->selection.pickSurface = 1;
        ws_->flags.selectionActive = true;
        const double before = ws_->spot.results.focusShift;
        const double strehlBefore = ws_->psf.analysis.strehlPeak;
        for (int i = 0; i < 20; ++i) window_->ValueChangeClick(true);
        QVERIFY(!ws_->flags.modelChanged);
        QVERIFY(!ws_->flags.psfStale);
        QVERIFY(ws_->spot.results.focusShift != before ||
                ws_->psf.analysis.strehlPeak != strehlBefore);
    }

    void theUpKeyInTheMainWindowShowsTheSpotWindow() {
        ws_ = std::make_unique<Workspace>();
        window_ = std::make_unique<MainWindow>(*ws_);
        window_->show();
        QVERIFY(window_->openFile(kExamples + "newtonian-f5.opt"));
        QVERIFY(!window_->spotWindow()->isVisible());
        QTest::keyClick(window_.get(), Qt::Key_Up);
        QVERIFY(window_->spotWindow()->isVisible());
        QVERIFY(ws_->flags.spotComputed);
    }

    void aSynthesisOkUpdatesBothWindowsAtOnce() {
        open("newtonian-f5.opt");
        QAction* cassegrain = nullptr;
        for (QAction* a : window_->synthesisMenu->actions())
            if (a->text() == QStringLiteral("Cassegrain")) cassegrain = a;
        QVERIFY(cassegrain);
        cassegrain->trigger();
        QPushButton* ok = nullptr;
        for (QDialog* d : window_->findChildren<QDialog*>())
            if (d->isVisible())
                for (QPushButton* b : d->findChildren<QPushButton*>())
                    if (b->text() == QStringLiteral("ok")) ok = b;
        QVERIFY(ok);
        ok->click();
        QCOMPARE(ws_->model.sys.title, std::string("Cassegrain Synthese"));
        // Without a click in either window: the spots and the PSF are those of
        // the new system, and the spot picture names it.
        QVERIFY(!ws_->flags.modelChanged);
        QVERIFY(!ws_->flags.psfStale);
        QCOMPARE(ws_->spot.results.fieldAngle, 0.25);
        bool named = false;
        for (const DrawCommand& c : ws_->pictures.spot.commands())
            if (c.kind == DrawCommand::Kind::Text && c.text == "Cassegrain Synthese") named = true;
        QVERIFY(named);
    }

    void heavySettingsComputeInTheBackgroundAndDropStaleResults() {
        open("newtonian-f5.opt");
        SpotWindow* spot = window_->spotWindow();
        ws_->settings.controls.spotDensity = 4;
        spot->CheckRes->setChecked(true);
        spot->CheckResClick();  // the densest grid: the background takes it
        QVERIFY(window_->analysisBusy());
        // A newer change while it runs: the older result is dropped.
        QTest::mouseClick(spot, Qt::LeftButton, {}, QPoint(425, 175));
        QTRY_VERIFY_WITH_TIMEOUT(!window_->analysisBusy(), 60000);
        QCOMPARE(ws_->spot.results.rings, 97);
        QCOMPARE(ws_->spot.results.azimuths, 144);
        QVERIFY(std::fabs(ws_->spot.results.fieldAngle - 0.5 * ws_->model.sys.fieldAngle) < 1e-12);
        QVERIFY(!ws_->flags.modelChanged);
        QVERIFY(ws_->psf.computed && !ws_->flags.psfStale);
        QCOMPARE(window_->psfWindow()->ProgressBar1->value(), 100);
    }

    void turningTheGratingStoresTheSnappedAngle() {
        open("newtonian-f5.opt");
        PsfWindow* psf = window_->psfWindow();
        QTest::mousePress(psf, Qt::LeftButton, {}, QPoint(110, 70));
        QTest::mouseRelease(psf, Qt::LeftButton, {}, QPoint(160, 90));
        QCOMPARE(ws_->psf.gratingAngle, static_cast<double>(psf->grating().angle));
        QVERIFY(psf->grating().angle % 5 == 0);
        QVERIFY(psf->grating().angle != 0);
        QVERIFY(psf->ConTrack->isVisible());
    }
};

QTEST_MAIN(AnalysisWindowsTest)
#include "analysis_windows_test.moc"
