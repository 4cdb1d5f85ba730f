#include "mainwindow/qt/layout_area.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "mainwindow/qt/main_window.h"

namespace vn {

LayoutArea::LayoutArea(MainWindow* owner) : QWidget(owner), owner_(owner) {
    setObjectName(QStringLiteral("LayoutArea"));
    setAutoFillBackground(false);
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);
}

void LayoutArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    owner_->FormPaint(painter);
}

void LayoutArea::resizeEvent(QResizeEvent* event) {
    owner_->drawingAreaResized(event->size());
}

void LayoutArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) owner_->FormMouseDown(event->position().toPoint());
}

void LayoutArea::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) owner_->FormMouseMove(event->position().toPoint());
}

void LayoutArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) owner_->FormMouseUp(event->position().toPoint());
}

void LayoutArea::contextMenuEvent(QContextMenuEvent* event) {
    owner_->FormContextPopup();
    event->accept();
}

}  // namespace vn
