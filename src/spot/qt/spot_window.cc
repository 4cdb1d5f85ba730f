#include "spot/qt/spot_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "spot/focus_model.h"
#include "spot/spot_computation.h"
#include "ui/qt/qpainter_canvas.h"
#include "ui/qt/user_numbers.h"

namespace vn {

namespace {

Rgb rgbOf(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

}  // namespace

SpotWindow::SpotWindow(Workspace& ws, QWidget* parent) : QWidget(parent, Qt::Window), ws_(ws) {
    setObjectName(QStringLiteral("TSpotForm"));
    setWindowTitle(QStringLiteral("Spot Diagramm"));
    setFixedSize(kSpotWindowWidth, kSpotWindowHeight);
    setFocusPolicy(Qt::StrongFocus);

    GroupBox1 = new QGroupBox(QStringLiteral("Fokalfläche"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(496, 288, 145, 113);
    FocTrack = new QSlider(Qt::Horizontal);
    FocTrack->setObjectName(QStringLiteral("FocTrack"));
    FocTrack->setRange(1, 200);
    FocTrack->setValue(100);
    FlatButton = new QRadioButton(QStringLiteral("beste Ebene"));
    FlatButton->setObjectName(QStringLiteral("FlatButton"));
    FreeButton = new QRadioButton(QStringLiteral("beste Kugel"));
    FreeButton->setObjectName(QStringLiteral("FreeButton"));
    PerpButton = new QRadioButton(QStringLiteral("senkrechte Ebene"));
    PerpButton->setObjectName(QStringLiteral("PerpButton"));
    FreeButton->setChecked(true);
    auto* column = new QVBoxLayout(GroupBox1);
    column->setContentsMargins(6, 2, 6, 2);
    column->setSpacing(0);
    column->addWidget(FocTrack);
    column->addWidget(FlatButton);
    column->addWidget(FreeButton);
    column->addWidget(PerpButton);
    CheckRes = new QCheckBox(QStringLiteral("Auflösung hoch"), this);
    CheckRes->setObjectName(QStringLiteral("CheckRes"));
    CheckRes->setGeometry(500, 405, 140, 20);
    // Hidden until the window is activated.
    for (QWidget* w :
         std::initializer_list<QWidget*>{FocTrack, FlatButton, FreeButton, PerpButton, CheckRes})
        w->hide();

    connect(FocTrack, &QSlider::valueChanged, this, &SpotWindow::FocTrackChange);
    connect(FreeButton, &QRadioButton::clicked, this, &SpotWindow::FreeButtonClick);
    connect(FlatButton, &QRadioButton::clicked, this, &SpotWindow::FlatButtonClick);
    connect(PerpButton, &QRadioButton::clicked, this, &SpotWindow::PerpButtonClick);
    connect(CheckRes, &QCheckBox::clicked, this, &SpotWindow::CheckResClick);
    FocTrack->installEventFilter(this);

    createSpotStore(ws_);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // At the bottom right of the screen, kept on it.
        const QRect area = screen->availableGeometry();
        move(std::max(area.left(), area.right() + 1 - width()),
             std::max(area.top(), area.bottom() + 1 - height()));
    }
}

SpotLook SpotWindow::look() const {
    SpotLook l;
    l.background = rgbOf(palette().color(QPalette::Button));
    l.desktop = 0x6B3A00;
    l.separator = userDecimalSeparator();
    return l;
}

void SpotWindow::showRecording() {
    const QSignalBlocker block(FocTrack);
    FocTrack->setValue(ws_.spot.window.focusTrack);
    const SpotTarget t = ws_.settings.values.spotTarget;
    FreeButton->setChecked(t == SpotTarget::BestSphere);
    FlatButton->setChecked(t == SpotTarget::BestPlane);
    PerpButton->setChecked(t == SpotTarget::PerpendicularPlane);
    update();
}

void SpotWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPainterCanvas canvas(painter);
    if (ws_.pictures.spot.commands().empty())
        canvas.fillRect({0, 0}, {width(), height()}, look().background);
    ws_.pictures.spot.replay(canvas);
}

bool SpotWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(e);
}

void SpotWindow::FormActivate() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{FocTrack, FlatButton, FreeButton, PerpButton, CheckRes})
        w->show();
    showRecording();
    FocTrack->setFocus();
}

void SpotWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) FormMouseDown(e->position().toPoint());
}

void SpotWindow::FormMouseDown(QPoint p) {
    if (pickFieldPoint(ws_, p.x(), p.y())) emit recomputeRequested();
}

void SpotWindow::keyPressEvent(QKeyEvent* e) {
    FormKeyDown(e->key());
}

void SpotWindow::keyReleaseEvent(QKeyEvent* e) {
    if (!e->isAutoRepeat()) FormKeyUp(e->key());
}

bool SpotWindow::eventFilter(QObject* watched, QEvent* e) {
    // The focus track's keys are the window's (FocTrackKeyDown/KeyUp).
    if (watched == FocTrack && e->type() == QEvent::KeyPress) {
        FormKeyDown(static_cast<QKeyEvent*>(e)->key());
        return true;
    }
    if (watched == FocTrack && e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (!k->isAutoRepeat()) FormKeyUp(k->key());
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void SpotWindow::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_Right:
        case Qt::Key_Left:
            if (!ws_.flags.spotComputed) return;
            stepFocusKey(ws_, key == Qt::Key_Right);
            emit redrawRequested();
            break;
        case Qt::Key_Up:
        case Qt::Key_Down:
            markPsfStale(ws_);
            emit focusThroughRequested(key == Qt::Key_Up);
            break;
        default:
            break;
    }
}

void SpotWindow::FormKeyUp(int) {
    if (ws_.spot.window.focusKey) {
        ws_.spot.window.focusKey = false;
        emit redrawRequested();
    }
}

void SpotWindow::FocTrackChange(int position) {
    if (!ws_.flags.spotComputed) return;
    moveFocusTrack(ws_, position);
    emit redrawRequested();
}

void SpotWindow::surfaceChosen(int kind) {
    chooseFocalSurface(ws_, kind);
    FocTrack->setFocus();
    emit recomputeRequested();
}

void SpotWindow::FreeButtonClick() {
    surfaceChosen(0);
}

void SpotWindow::FlatButtonClick() {
    surfaceChosen(1);
}

void SpotWindow::PerpButtonClick() {
    surfaceChosen(2);
}

void SpotWindow::CheckResClick() {
    setSpotResolution(ws_, CheckRes->isChecked() ? 2 : 1);
    emit runCycleRequested();
    FocTrack->setFocus();
}

}  // namespace vn
