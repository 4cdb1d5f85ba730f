#include "mainwindow/qt/layout_area.h"

#include <QContextMenuEvent>
#include <QPainter>

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

void LayoutArea::contextMenuEvent(QContextMenuEvent* event) {
    owner_->FormContextPopup();
    event->accept();
}

}  // namespace vn
