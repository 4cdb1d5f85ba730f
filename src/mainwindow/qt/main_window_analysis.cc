// The spot, PSF and star-test windows: created with the main window, opened
// from the menu "Berechnen" and the toolbar, and kept up to date after every
// change of the system while they are visible. Heavier settings compute in the
// background on a copy of the workspace; a result that a newer change has
// made stale is dropped.
#include <QKeyEvent>
#include <QMetaObject>

#include "mainwindow/picture_export.h"
#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "psf/qt/psf_window.h"
#include "psf/qt/star_test_window.h"
#include "spot/focus_model.h"
#include "spot/qt/spot_window.h"

namespace vn {

void MainWindow::buildAnalysis() {
    spotWindow_ = new SpotWindow(ws_, this);
    psfWindow_ = new PsfWindow(ws_, this);
    starTestWindow_ = new StarTestWindow(ws_, this);
    connect(spotWindow_, &SpotWindow::recomputeRequested, this, [this] { refreshAnalysis(true); });
    connect(spotWindow_, &SpotWindow::redrawRequested, this, [this] { refreshAnalysis(true); });
    connect(spotWindow_, &SpotWindow::runCycleRequested, this, &MainWindow::runCycle);
    connect(spotWindow_, &SpotWindow::focusThroughRequested, this, &MainWindow::focusThroughPsf);
    connect(psfWindow_, &PsfWindow::redrawRequested, this, [this] { refreshAnalysis(true); });
    connect(psfWindow_, &PsfWindow::focusThroughRequested, this, &MainWindow::focusThroughPsf);
    connect(psfWindow_, &PsfWindow::starTestRequested, this, &MainWindow::StarTestClick);
    connect(starTestWindow_, &StarTestWindow::recomputeRequested, this,
            [this] { refreshAnalysis(true); });
    connect(starTestWindow_, &StarTestWindow::redrawRequested, this, &MainWindow::redrawStarTest);
}

MainWindow::~MainWindow() {
    if (background_.joinable()) background_.join();
}

AnalysisWindows MainWindow::analysisWindows() const {
    AnalysisWindows w;
    w.spot = spotWindow_ && spotWindow_->isVisible();
    w.psf = psfWindow_ && psfWindow_->isVisible();
    w.starTest = starTestWindow_ && starTestWindow_->isVisible();
    if (spotWindow_) w.spotLook = spotWindow_->look();
    if (psfWindow_) w.psfLook = psfWindow_->look();
    if (starTestWindow_) {
        w.starTestLook = starTestWindow_->look();
        w.starTestSettings = starTestWindow_->settings();
    }
    w.spotLook.caption = w.psfLook.caption = mainWindowCaption(ws_.model.sys.fileName);
    return w;
}

void MainWindow::Spot1Click() {
    spotWindow_->show();
    spotWindow_->raise();
    spotWindow_->activateWindow();
    refreshAnalysis(true);
}

void MainWindow::PS1Click() {
    psfWindow_->show();
    psfWindow_->raise();
    psfWindow_->activateWindow();
    refreshAnalysis(true);
}

void MainWindow::StarTestClick() {
    starTestWindow_->show();
    starTestWindow_->raise();
    starTestWindow_->activateWindow();
    refreshAnalysis(true);
}

void MainWindow::redrawStarTest() {
    if (!starTestWindow_->isVisible()) return;
    recordStarTest(ws_, starTest_, starTestWindow_->look());
    starTestWindow_->showRecording();
}

void MainWindow::SpeedSpotClick() {
    Spot1Click();
}

void MainWindow::SpeedPSFClick() {
    // The PSF is made from the spot rays: after a change the spots come first.
    if (ws_.flags.modelChanged)
        Spot1Click();
    else
        PS1Click();
}

void MainWindow::showAnalysisPictures() {
    spotWindow_->showRecording();
    psfWindow_->showRecording();
    starTestWindow_->showRecording();
}

void MainWindow::refreshAnalysis(bool redraw) {
    if (!firstRunDone_ || !spotWindow_ || !psfWindow_ || !starTestWindow_) return;
    const AnalysisWindows w = analysisWindows();
    if (!w.spot && !w.psf && !w.starTest) return;
    const ProgramFlags& f = ws_.flags;
    const bool stale =
        f.modelChanged || f.focalSurfaceChanged || !f.spotComputed || (w.psf && f.psfStale);
    if (!stale && !redraw) return;
    ++changeCount_;
    if (analysisBusy()) {
        analysisPending_ = true;
        return;
    }
    // The star test's row is computed at every update of its window, as the
    // focus, the field point or the system may have moved.
    if ((stale && analysisIsHeavy(ws_)) || (w.starTest && starTestIsHeavy(w.starTestSettings))) {
        startBackgroundAnalysis();
        return;
    }
    updateAnalysis(ws_, w, starTest_);
    psfWindow_->ProgressBar1->setRange(0, 100);
    psfWindow_->ProgressBar1->setValue(100);
    showAnalysisPictures();
    // The spot computation wrote its focal surface into the model.
    view_->update();
}

void MainWindow::startBackgroundAnalysis() {
    if (!backgroundWs_) backgroundWs_ = std::make_unique<Workspace>();
    if (!backgroundPool_) backgroundPool_ = std::make_unique<WorkerPool>(0);
    if (!backgroundStarTest_) backgroundStarTest_ = std::make_unique<StarTestState>();
    copyAnalysisInputs(ws_, *backgroundWs_);
    backgroundCount_ = changeCount_;
    backgroundPsf_ = psfWindow_->isVisible();
    backgroundStar_ = starTestWindow_->isVisible();
    analysisPending_ = false;
    psfWindow_->ProgressBar1->setRange(0, 0);  // busy
    Workspace* job = backgroundWs_.get();
    WorkerPool* pool = backgroundPool_.get();
    const bool psf = backgroundPsf_;
    StarTestState* star = backgroundStar_ ? backgroundStarTest_.get() : nullptr;
    const StarTestSettings starSettings = starTestWindow_->settings();
    background_ = std::thread([this, job, pool, psf, star, starSettings] {
        const ComputeStatus status = computeAnalysis(*job, psf, starSettings, star, *pool);
        QMetaObject::invokeMethod(
            this, [this, status] { backgroundAnalysisDone(status); }, Qt::QueuedConnection);
    });
}

void MainWindow::backgroundAnalysisDone(ComputeStatus) {
    background_.join();
    psfWindow_->ProgressBar1->setRange(0, 100);
    psfWindow_->ProgressBar1->setValue(100);
    if (changeCount_ != backgroundCount_ || analysisPending_) {
        // A newer change came in: this result is stale.
        refreshAnalysis(true);
        return;
    }
    adoptAnalysis(ws_, *backgroundWs_);
    const AnalysisWindows w = analysisWindows();
    if (w.spot) recordSpots(ws_, w.spotLook);
    if (w.psf) {
        if (backgroundPsf_) {
            recordPsf(ws_, w.psfLook);
        } else {
            // The PSF window was opened during the computation.
            refreshAnalysis(true);
            return;
        }
    }
    if (w.starTest) {
        if (backgroundStar_) {
            std::swap(starTest_, *backgroundStarTest_);
            recordStarTest(ws_, starTest_, w.starTestLook);
        } else {
            // The star-test window was opened during the computation.
            refreshAnalysis(true);
            return;
        }
    }
    showAnalysisPictures();
    view_->update();
}

void MainWindow::focusThroughPsf(bool up) {
    if (!ws_.flags.spotComputed) return;
    psfWindow_->show();
    const AnalysisWindows w = analysisWindows();
    if (analysisIsHeavy(ws_) || analysisBusy() ||
        (w.starTest && starTestIsHeavy(w.starTestSettings))) {
        stepFocusThroughPsf(ws_, up);
        markPsfStale(ws_);
        refreshAnalysis(true);
        return;
    }
    vn::focusThroughPsf(ws_, up, w, starTest_);
    showAnalysisPictures();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up && firstRunDone_) {
        Spot1Click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace vn
