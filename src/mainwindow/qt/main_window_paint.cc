// The main window's paint handler, the mouse in the layout and the result
// fields the paint writes.
#include <QMouseEvent>
#include <QPainter>

#include "mainwindow/layout_painter.h"
#include "mainwindow/layout_picture.h"
#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "mainwindow/run_cycle.h"
#include "mainwindow/selection_logic.h"
#include "ui/qt/qpainter_canvas.h"
#include "ui/qt/up_down.h"
#include "ui/qt/user_numbers.h"

namespace vn {

namespace {

Rgb rgbOf(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

}  // namespace

LayoutLook MainWindow::layoutLook() const {
    LayoutLook look;
    look.width = view_->width();
    look.height = view_->height();
    look.background = rgbOf(palette().color(QPalette::Button));
    look.highlight = rgbOf(palette().color(QPalette::ToolTipBase));
    look.decentring = dy_;
    return look;
}

void MainWindow::FormPaint(QPainter& painter) {
    QPainterCanvas canvas(painter);
    if (!firstRunDone_) {
        canvas.fillRect({0, 0}, {view_->width(), view_->height()},
                        rgbOf(palette().color(QPalette::Button)));
        return;
    }
    const EvaluationStatus status = vn::repaintLayout(ws_, layoutLook());
    showEvaluation(status);
    // An uncomputable system keeps the last good picture, with the reason in
    // the status line.
    ws_.pictures.layout.replay(canvas);
    if (!status.ok) return;
    refreshSelectionBox();
    refreshResultFields();
}

QString MainWindow::selectionFieldStyle(const QColor& colour) {
    return QStringLiteral("QLineEdit { color: %1; background-color: #101010; }").arg(colour.name());
}

void MainWindow::drawingAreaResized(QSize size) {
    ws_.view.clientHeight = size.height();
}

void MainWindow::refreshSelectionBox() {
    const SelectionState& s = ws_.selection;
    const QString style = selectionFieldStyle(QPainterCanvas::qcolor(s.colour));
    for (auto [field, text] : {std::pair{ItemSel2, &s.itemText}, {Value2, &s.valueText}}) {
        field->setText(QString::fromStdString(*text));
        field->setCursorPosition(0);
        if (field->styleSheet() != style) field->setStyleSheet(style);
    }
    ValueChange->setVisible(ws_.flags.selectionActive);
    PosTab->setVisible(ws_.flags.selectionActive);
    GruppLabel->setText(QString::fromStdString(s.groupLabel));
    GruppCheck->setText(QStringLiteral("nur ") + QString::fromStdString(s.groupLabel));
    GruppEdit->setText(s.groupNumber > 0 ? QString::number(s.groupNumber) : QString());
}

void MainWindow::refreshResultFields() {
    const AberrationSums& s = ws_.sums;
    const double lengthFactor =
        ws_.settings.controls.normalised ? 1.0 : ws_.model.sys.focalLengthRef;
    // Seidel sums that are not computable stay empty; the status line says why.
    const bool seidel = ws_.evaluation.seidelComputable;
    const auto seidelText = [seidel](float v) { return seidel ? userFixed(v, 5, 3) : QString(); };
    ValOeff->setText(seidelText(s.spherical));
    ValKoma->setText(seidelText(s.coma));
    ValAst->setText(seidelText(s.astigmatism));
    ValKrumm->setText(seidelText(s.curvature));
    ValVerz->setText(seidelText(s.distortion));
    ValSchnitt->setText(userFixed(ws_.paraxial.backFocus * lengthFactor, 7, 5));
    ValBrenn->setText(userFixed(ws_.model.sys.normFocal * lengthFactor, 7, 5));
    ObstrEdit->setText(userFixed(ws_.layout.obstructionRatio, 5, 3));
    ValAchr->setText(userFixed(s.chromatic, 6, 5));
    ValSek->setText(userFixed(s.secondary, 6, 5));
    ValCVD->setText(userFixed(s.lateralColour, 6, 5));
}

ToleranceCarry MainWindow::toleranceCarry() const {
    return {dx_, dy_, toleranceBox->isVisible()};
}

void MainWindow::FormMouseDown(QPoint position) {
    if (!firstRunDone_) return;
    pickAt(ws_, {position.x(), position.y()}, toleranceCarry());
    refreshSelectionBox();
    repaintLayout();
}

void MainWindow::FormMouseMove(QPoint position) {
    if (!ws_.selection.measuring) {
        ws_.selection.dragging = true;
        ws_.selection.lastDrag = {position.x(), position.y()};
    }
}

void MainWindow::FormMouseUp(QPoint position) {
    if (!firstRunDone_) return;
    releaseAt(ws_, {position.x(), position.y()});
    refreshSelectionBox();
    repaintLayout();
}

void MainWindow::ValueChangeClick(bool up) {
    stepPickedValue(ws_, up);
    setWindowModified(true);
    refreshSelectionBox();
    repaintLayout();
}

void MainWindow::PosTabClick(bool up) {
    movePick(ws_, up, toleranceCarry());
    refreshSelectionBox();
    repaintLayout();
}

}  // namespace vn
