// The main window's paint handler and the result fields it writes.
#include <QPainter>

#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "ui/qt/user_numbers.h"

namespace vn {

void MainWindow::FormPaint(QPainter& painter) {
    painter.fillRect(view_->rect(), palette().color(QPalette::Button));
    if (!firstRunDone_) return;
    const EvaluationStatus status = evaluate(ws_);
    showEvaluation(status);
    if (status.ok) {
        const int N = ws_.model.N();
        ws_.model.surf[static_cast<size_t>(N)].e = ws_.paraxial.backFocus;
    }
    refreshResultFields();
}

void MainWindow::refreshResultFields() {
    const AberrationSums& s = ws_.sums;
    const double lengthFactor =
        ws_.settings.controls.normalised ? 1.0 : ws_.model.sys.focalLengthRef;
    ValOeff->setText(userFixed(s.spherical, 5, 3));
    ValKoma->setText(userFixed(s.coma, 5, 3));
    ValAst->setText(userFixed(s.astigmatism, 5, 3));
    ValKrumm->setText(userFixed(s.curvature, 5, 3));
    ValVerz->setText(userFixed(s.distortion, 5, 3));
    ValSchnitt->setText(userFixed(ws_.paraxial.backFocus * lengthFactor, 7, 5));
    ValBrenn->setText(userFixed(ws_.model.sys.normFocal * lengthFactor, 7, 5));
    ValAchr->setText(userFixed(s.chromatic, 6, 5));
    ValSek->setText(userFixed(s.secondary, 6, 5));
    ValCVD->setText(userFixed(s.lateralColour, 6, 5));
}

}  // namespace vn
