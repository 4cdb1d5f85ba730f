#include "psf/qt/psf_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

#include "base/units.h"
#include "model/number_format.h"
#include "ui/qt/qpainter_canvas.h"
#include "ui/qt/user_numbers.h"

namespace vn {

namespace {

Rgb rgbOf(const QColor& c) {
    return rgb(c.red(), c.green(), c.blue());
}

QLabel* label(const QString& text, const char* name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

PsfWindow::PsfWindow(Workspace& ws, QWidget* parent) : QWidget(parent, Qt::Window), ws_(ws) {
    setObjectName(QStringLiteral("TPSFForm"));
    setWindowTitle(QStringLiteral("PSF"));
    setFixedSize(kPsfWindowWidth, kPsfWindowHeight);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(QStringLiteral(
        "Pfeiltasten auf/ab: Fokus durch die PSF\nS: Sterntest (intra- und extrafokal)"));

    GridGroupBox = new QGroupBox(QStringLiteral("Gitter"), this);
    GridGroupBox->setObjectName(QStringLiteral("GridGroupBox"));
    GridGroupBox->setGeometry(224, 244, 185, 85);
    GridGroupBox->setStyleSheet(QStringLiteral("QGroupBox { color: #800080; }"));
    distGroupBox = new QGroupBox(QStringLiteral("Abstand"), GridGroupBox);
    distGroupBox->setObjectName(QStringLiteral("distGroupBox"));
    distGroupBox->setGeometry(70, 14, 110, 66);
    distGroupBox->setStyleSheet(QStringLiteral("QGroupBox { color: black; }"));
    secLabel = label(QString(), "secLabel", distGroupBox);
    secLabel->setGeometry(6, 18, 50, 18);
    arcLabel = label(QStringLiteral("arcsec"), "arcLabel", distGroupBox);
    arcLabel->setGeometry(60, 18, 45, 18);
    muLabel = label(QString(), "muLabel", distGroupBox);
    muLabel->setGeometry(6, 40, 50, 18);
    LengthLabel = label(QStringLiteral("µm"), "LengthLabel", distGroupBox);
    LengthLabel->setGeometry(60, 40, 40, 18);
    for (QLabel* l : {secLabel, muLabel}) l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    WinkelBox1 = new QGroupBox(QStringLiteral("Winkel"), GridGroupBox);
    WinkelBox1->setObjectName(QStringLiteral("WinkelBox1"));
    WinkelBox1->setGeometry(5, 14, 60, 66);
    WinkelBox1->setStyleSheet(QStringLiteral("QGroupBox { color: black; }"));
    WinkelLabel = label(QString(), "WinkelLabel", WinkelBox1);
    WinkelLabel->setGeometry(4, 28, 36, 18);
    WinkelLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    WinkelLabel->setStyleSheet(QStringLiteral("color: #800080;"));
    Label2 = label(QStringLiteral("°"), "Label2", WinkelBox1);
    Label2->setGeometry(42, 28, 12, 18);

    KontrastLabel = label(QStringLiteral("Kontrast"), "KontrastLabel", this);
    KontrastLabel->setGeometry(430, 300, 60, 16);
    ConTrack = new QSlider(Qt::Horizontal, this);
    ConTrack->setObjectName(QStringLiteral("ConTrack"));
    ConTrack->setRange(30, 60);
    ConTrack->setTickInterval(5);
    ConTrack->setTickPosition(QSlider::TicksBelow);
    ConTrack->setValue(30);
    ConTrack->setGeometry(425, 316, 120, 26);
    GridCheck = new QCheckBox(QStringLiteral("Markierung"), this);
    GridCheck->setObjectName(QStringLiteral("GridCheck"));
    GridCheck->setChecked(true);
    GridCheck->setGeometry(430, 345, 110, 20);
    for (QWidget* w : std::initializer_list<QWidget*>{ConTrack, GridCheck, KontrastLabel})
        w->hide();
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(32, 0, 153, 9);

    connect(ConTrack, &QSlider::valueChanged, this, &PsfWindow::ConTrackChange);
    connect(GridCheck, &QCheckBox::clicked, this, &PsfWindow::GridCheckClick);

    grating_.angle = Nearest(ws_.psf.gratingAngle);
    markPsfStale(ws_);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // At the top right of the screen.
        const QRect area = screen->availableGeometry();
        move(std::max(area.left(), area.right() + 1 - width()), area.top());
    }
}

PsfLook PsfWindow::look() const {
    PsfLook l;
    l.background = rgbOf(palette().color(QPalette::Button));
    l.tooltip = rgbOf(palette().color(QPalette::ToolTipBase));
    l.separator = userDecimalSeparator();
    l.contrast = ws_.settings.controls.psfContrast;
    l.markers = GridCheck->isChecked();
    l.gratingAngle = grating_.angle;
    l.halfAngle = grating_.halfAngle;
    return l;
}

void PsfWindow::showPeriod(double factor) {
    const double arcsec = gratingPeriodArcsec(factor, ws_.psf.gridAngle, ws_.psf.radius);
    const double um = gratingPeriodUm(arcsec, ws_.model.sys.focalLength);
    secLabel->setText(userFixed(arcsec, 5, 2));
    muLabel->setText(userFixed(um, 5, 2));
}

void PsfWindow::showRecording() {
    WinkelLabel->setText(QString::number(grating_.angle));
    showPeriod(std::sin(grating_.halfAngle * kDegree));
    update();
}

void PsfWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPainterCanvas canvas(painter);
    if (ws_.pictures.psf.commands().empty())
        canvas.fillRect({0, 0}, {width(), height()}, look().background);
    ws_.pictures.psf.replay(canvas);
}

bool PsfWindow::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) FormActivate();
    return QWidget::event(e);
}

void PsfWindow::showContrastControls() {
    for (QWidget* w : std::initializer_list<QWidget*>{ConTrack, GridCheck, KontrastLabel})
        w->show();
}

void PsfWindow::FormActivate() {
    grating_.angle = Nearest(ws_.psf.gratingAngle);
    showContrastControls();
    const QSignalBlocker block(ConTrack);
    ConTrack->setValue(ws_.settings.controls.psfContrast);
    showRecording();
}

void PsfWindow::keyPressEvent(QKeyEvent* e) {
    FormKeyDown(e->key());
}

void PsfWindow::FormKeyDown(int key) {
    if (key == Qt::Key_Up || key == Qt::Key_Down) emit focusThroughRequested(key == Qt::Key_Up);
    if (key == Qt::Key_S) emit starTestRequested();
}

void PsfWindow::ConTrackChange(int position) {
    setPsfContrast(ws_, position);
    emit redrawRequested();
}

void PsfWindow::GridCheckClick() {
    emit redrawRequested();
}

void PsfWindow::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) FormMouseDown(e->position().toPoint());
}

void PsfWindow::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) FormMouseMove(e->position().toPoint());
}

void PsfWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) FormMouseUp(e->position().toPoint());
}

void PsfWindow::FormMouseDown(QPoint p) {
    showContrastControls();
    gratingPress(grating_, p.x(), p.y());
}

void PsfWindow::FormMouseMove(QPoint p) {
    gratingMove(grating_, p.x(), p.y());
    if (grating_.rotating)
        WinkelLabel->setText(
            QString::fromStdString(fmt::fixedWidth(grating_.delta, 5, 0)).trimmed());
    else if (grating_.movingFirst || grating_.movingSecond)
        showPeriod(gratingPreviewFactor(grating_));
}

void PsfWindow::FormMouseUp(QPoint p) {
    const GratingRelease r = gratingRelease(grating_, p.x(), p.y());
    ws_.psf.gratingAngle = grating_.angle;
    if (r.repaint) emit redrawRequested();
    showRecording();
}

}  // namespace vn
