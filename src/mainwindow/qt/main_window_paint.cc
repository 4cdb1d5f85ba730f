// The main window's paint handler, the mouse in the layout and the result
// fields the paint writes.
#include <QMouseEvent>
#include <QPainter>

#include "mainwindow/layout_painter.h"
#include "mainwindow/layout_picture.h"
#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "mainwindow/result_texts.h"
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
    // Seidel sums that are not computable stay empty; the status line says why.
    const ResultTexts t = resultTexts(ws_, userDecimalSeparator());
    for (auto [field, text] : {std::pair{ValOeff, &t.spherical},
                               {ValKoma, &t.coma},
                               {ValAst, &t.astigmatism},
                               {ValKrumm, &t.curvature},
                               {ValVerz, &t.distortion},
                               {ValSchnitt, &t.backFocus},
                               {ValBrenn, &t.focal},
                               {ObstrEdit, &t.obstruction},
                               {ValAchr, &t.chromatic},
                               {ValSek, &t.secondary},
                               {ValCVD, &t.lateralColour}})
        field->setText(QString::fromStdString(*text));
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
