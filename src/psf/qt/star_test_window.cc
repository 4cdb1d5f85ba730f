#include "psf/qt/star_test_window.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <cmath>

#include "ui/qt/qpainter_canvas.h"
#include "ui/qt/user_numbers.h"

namespace vn {

namespace {

constexpr int kControlsHeight = 40;

}  // namespace

StarTestWindow::StarTestWindow(Workspace& ws, QWidget* parent)
    : QWidget(parent, Qt::Window), ws_(ws) {
    setObjectName(QStringLiteral("TStarTestForm"));
    setWindowTitle(QStringLiteral("Sterntest"));
    setFixedSize(kStarTestPictureWidth, kStarTestPictureHeight + kControlsHeight);

    auto* controls = new QWidget(this);
    controls->setGeometry(0, kStarTestPictureHeight, kStarTestPictureWidth, kControlsHeight);
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(10, 4, 10, 8);
    auto* defocusLabel = new QLabel(QStringLiteral("Defokus ± λ"));
    DefocusEdit = new QLineEdit(userShortest(settings_.defocusWaves));
    DefocusEdit->setObjectName(QStringLiteral("DefocusEdit"));
    DefocusEdit->setFixedWidth(60);
    DefocusEdit->setToolTip(
        QStringLiteral("Defokussierung der äußeren Bilder in Wellen (Spitze-Tal), %1 bis %2")
            .arg(userShortest(kStarTestMinDefocus), userShortest(kStarTestMaxDefocus)));
    auto* stepsLabel = new QLabel(QStringLiteral("Bilder"));
    StepsEdit = new QLineEdit(QString::number(settings_.steps));
    StepsEdit->setObjectName(QStringLiteral("StepsEdit"));
    StepsEdit->setFixedWidth(40);
    StepsEdit->setToolTip(QStringLiteral("Anzahl der Bilder, %1 bis %2")
                              .arg(kStarTestMinSteps)
                              .arg(kStarTestMaxSteps));
    LinearButton = new QRadioButton(QStringLiteral("linear"));
    LinearButton->setObjectName(QStringLiteral("LinearButton"));
    LogButton = new QRadioButton(QStringLiteral("logarithmisch"));
    LogButton->setObjectName(QStringLiteral("LogButton"));
    LinearButton->setChecked(true);
    MessageLabel = new QLabel;
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setStyleSheet(QStringLiteral("color: #C00000;"));
    row->addWidget(defocusLabel);
    row->addWidget(DefocusEdit);
    row->addSpacing(16);
    row->addWidget(stepsLabel);
    row->addWidget(StepsEdit);
    row->addSpacing(16);
    row->addWidget(LinearButton);
    row->addWidget(LogButton);
    row->addSpacing(16);
    row->addWidget(MessageLabel, 1);

    connect(DefocusEdit, &QLineEdit::editingFinished, this, &StarTestWindow::applyFields);
    connect(StepsEdit, &QLineEdit::editingFinished, this, &StarTestWindow::applyFields);
    connect(LinearButton, &QRadioButton::clicked, this, &StarTestWindow::scaleClicked);
    connect(LogButton, &QRadioButton::clicked, this, &StarTestWindow::scaleClicked);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // At the bottom left of the screen, beside the spot window.
        const QRect area = screen->availableGeometry();
        move(area.left(), std::max(area.top(), area.bottom() + 1 - height()));
    }
}

StarTestLook StarTestWindow::look() const {
    StarTestLook l;
    l.width = kStarTestPictureWidth;
    l.height = kStarTestPictureHeight;
    l.logarithmic = LogButton->isChecked();
    l.separator = userDecimalSeparator();
    return l;
}

void StarTestWindow::showRecording() {
    update();
}

void StarTestWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QPainterCanvas canvas(painter);
    canvas.fillRect(
        {0, 0}, {width(), height()},
        rgb(palette().color(QPalette::Window).red(), palette().color(QPalette::Window).green(),
            palette().color(QPalette::Window).blue()));
    ws_.pictures.starTest.replay(canvas);
}

void StarTestWindow::applyFields() {
    double defocus = settings_.defocusWaves;
    QString problem;
    if (!parseUserNumber(DefocusEdit->text(), defocus) || !std::isfinite(defocus)) {
        markInvalid(DefocusEdit, true);
        MessageLabel->setText(
            QStringLiteral("Defokus: „%1“ ist keine Zahl.").arg(DefocusEdit->text()));
        return;
    }
    double steps = settings_.steps;
    if (!parseUserNumber(StepsEdit->text(), steps) || steps != std::floor(steps)) {
        markInvalid(StepsEdit, true);
        MessageLabel->setText(
            QStringLiteral("Bilder: „%1“ ist keine ganze Zahl.").arg(StepsEdit->text()));
        return;
    }
    StarTestSettings next;
    next.defocusWaves = defocus;
    next.steps = std::fabs(steps) < 1000.0 ? static_cast<int>(steps) : 1000;
    const std::string range = checkStarTestSettings(next);
    if (!range.empty()) {
        const bool defocusWrong =
            !(defocus >= kStarTestMinDefocus && defocus <= kStarTestMaxDefocus);
        markInvalid(defocusWrong ? DefocusEdit : StepsEdit, true);
        markInvalid(defocusWrong ? StepsEdit : DefocusEdit, false);
        MessageLabel->setText(
            (defocusWrong ? QStringLiteral("Defokus: ") : QStringLiteral("Bilder: ")) +
            QString::fromStdString(range));
        return;
    }
    markInvalid(DefocusEdit, false);
    markInvalid(StepsEdit, false);
    MessageLabel->clear();
    if (next.defocusWaves == settings_.defocusWaves && next.steps == settings_.steps) return;
    settings_ = next;
    emit recomputeRequested();
}

void StarTestWindow::scaleClicked() {
    emit redrawRequested();
}

}  // namespace vn
