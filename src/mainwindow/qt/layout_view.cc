#include "mainwindow/qt/layout_view.h"

#include <QContextMenuEvent>
#include <QPainter>

#include "mainwindow/qt/main_window.h"

namespace vn {

LayoutView::LayoutView(MainWindow* owner) : QWidget(owner), owner_(owner) {
    setObjectName(QStringLiteral("LayoutView"));
    setAutoFillBackground(false);
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);
}

void LayoutView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    owner_->FormPaint(painter);
}

void LayoutView::contextMenuEvent(QContextMenuEvent* event) {
    owner_->FormContextPopup();
    event->accept();
}

}  // namespace vn
