// The main window's drawing area: the side view of the system.
#pragma once

#include <QWidget>

namespace vn {

class MainWindow;

class LayoutArea : public QWidget {
    Q_OBJECT
public:
    explicit LayoutArea(MainWindow* owner);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    MainWindow* owner_;
};

}  // namespace vn
