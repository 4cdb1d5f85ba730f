// A pair of small arrow buttons that step a value up or down.
#pragma once

#include <QToolButton>
#include <QWidget>

namespace vn {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(const QString& name, QWidget* parent = nullptr);

    QToolButton* up;
    QToolButton* down;

signals:
    void clicked(bool up);
};

}  // namespace vn
