#include "ui/qt/up_down.h"

#include <QVBoxLayout>

namespace vn {

UpDown::UpDown(const QString& name, QWidget* parent) : QWidget(parent) {
    setObjectName(name);
    up = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    up->setObjectName(name + QStringLiteral("Up"));
    down = new QToolButton(this);
    down->setArrowType(Qt::DownArrow);
    down->setObjectName(name + QStringLiteral("Down"));
    for (QToolButton* b : {up, down}) {
        b->setFixedSize(22, 14);
        b->setAutoRepeat(true);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { emit clicked(true); });
    connect(down, &QToolButton::clicked, this, [this] { emit clicked(false); });
}

}  // namespace vn
