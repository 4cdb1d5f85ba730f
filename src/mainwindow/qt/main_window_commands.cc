// The main window's command handlers: files, toolbar steps, dialogs.
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "mainwindow/commands.h"
#include "mainwindow/document.h"
#include "mainwindow/picture_export.h"
#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "mainwindow/run_cycle.h"
#include "model/number_format.h"
#include "settings/qt/settings_dialog.h"
#include "ui/qt/about_window.h"
#include "ui/qt/description_window.h"
#include "ui/qt/glyphs.h"
#include "ui/qt/user_numbers.h"

namespace vn {

namespace {

const QString kFileFilter = QStringLiteral("Varnistrale Dateien (*.opt);;alle Dateien (*.*)");

// A text too long for its field shows its start; the whole text is its tip.
void showStart(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
    field->setToolTip(text);
}

}  // namespace

void MainWindow::repaintLayout() {
    view_->update();
    refreshAnalysis();
}

void MainWindow::markModified() {
    setWindowModified(ws_.flags.documentModified);
}

void MainWindow::settingsCommand(const std::function<void()>& command) {
    const SettingsControls before = ws_.settings.controls;
    command();
    settings_->adoptOutsideChanges(before);
}

void MainWindow::fitNewSystem() {
    fitLayoutToView(ws_, view_->width(), view_->height());
}

void MainWindow::runCycle() {
    EvaluationStatus status;
    settingsCommand([&] { status = Start(ws_); });
    showEvaluation(status);
    refreshRunTexts();
    revealAfterFirstRun();
    repaintLayout();
}

void MainWindow::showEvaluation(const EvaluationStatus& status) {
    statusMessage->setText(QString::fromStdString(describe(status)));
}

void MainWindow::refreshCaption() {
    setWindowTitle(QString::fromStdString(mainWindowCaption(ws_.model.sys.fileName)) +
                   QStringLiteral("[*]"));
    setWindowModified(ws_.flags.documentModified);
}

bool MainWindow::maySave() {
    if (!ws_.flags.documentModified) return true;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Varnistrale"),
        QStringLiteral("Das System wurde geändert. Sollen die Änderungen gespeichert werden?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Cancel) return false;
    if (answer == QMessageBox::Discard) return true;
    Speichern1Click();
    return !ws_.flags.documentModified;
}

void MainWindow::Neu1Click() {
    if (!maySave()) return;
    EvaluationStatus status;
    settingsCommand([&] {
        status = newSystem(ws_);
        fitNewSystem();
    });
    description_->load(ws_.model.sys.description);
    showEvaluation(status);
    refreshCaption();
    refreshRunTexts();
    revealAfterFirstRun();
    repaintLayout();
    Systemdaten1Click();
}

void MainWindow::ffnen1Click() {
    if (!maySave()) return;
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Öffnen"), QString(), kFileFilter);
    if (!path.isEmpty()) openFile(path);
}

bool MainWindow::openFile(const QString& path) {
    FileOutcome outcome;
    settingsCommand([&] {
        outcome = openSystemFile(ws_, path.toStdString());
        if (outcome.ok) fitNewSystem();
    });
    if (!outcome.ok) {
        QMessageBox::critical(this, QStringLiteral("Varnistrale"),
                              QString::fromStdString(outcome.message));
        return false;
    }
    description_->load(ws_.model.sys.description);
    systemReplacedOutsideEditor();
    showEvaluation(ws_.evaluation);
    refreshCaption();
    refreshRunTexts();
    revealAfterFirstRun();
    repaintLayout();
    return true;
}

void MainWindow::Speichern1Click() {
    const QString current = QString::fromStdString(ws_.model.sys.fileName);
    QFileDialog dialog(this, QStringLiteral("Speichern"), QFileInfo(current).absolutePath(),
                       kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("opt"));
    dialog.selectFile(current.isEmpty() ? QString() : QFileInfo(current).completeBaseName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    saveFile(dialog.selectedFiles().first());
}

bool MainWindow::saveFile(const QString& path) {
    ws_.model.sys.description = description_->lines();
    const FileOutcome outcome = Speichern(ws_, path.toStdString());
    if (!outcome.ok) {
        QMessageBox::critical(this, QStringLiteral("Varnistrale"),
                              QString::fromStdString(outcome.message));
        return false;
    }
    refreshCaption();
    refreshRunTexts();
    return true;
}

void MainWindow::Schliessen1Click() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (maySave()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::NormClick() {
    normaliseSystem(ws_);
    systemReplacedOutsideEditor();
    markModified();
    repaintLayout();
}

void MainWindow::Einstellungen1Click() {
    settings_->showSettings();
}

void MainWindow::Info1Click() {
    about_->show();
}

void MainWindow::oleranzanalyse1Click() {
    clearToleranceOffsets(ws_);
    dx_ = dy_ = dw_ = 0.0;
    for (QLineEdit* e : {dxEdit, dyEdit, dwEdit}) {
        e->setText(QStringLiteral("0.000"));
        markInvalid(e, false);
    }
    GruppEdit->clear();
    GruppLabel->setText(QStringLiteral("Fläche"));
    GruppCheck->setText(QStringLiteral("nur Fläche"));
    if (toleranceBox->isVisible()) {
        toleranceBox->hide();
        toleranceAction->setChecked(false);
        repaintLayout();
    } else {
        toleranceBox->show();
        toleranceAction->setChecked(true);
    }
}

void MainWindow::applyOffset(double Surface::*offset, QLineEdit* field, double& value) {
    readNumberField(field, value);
    setToleranceOffset(ws_, offset, ws_.selection.pickSurface, value);
    repaintLayout();
}

void MainWindow::dxEditChange() {
    applyOffset(&Surface::tolDx, dxEdit, dx_);
}

void MainWindow::dyEditChange() {
    applyOffset(&Surface::tolDy, dyEdit, dy_);
}

void MainWindow::SpeedZoomUpClick() {
    settingsCommand([this] { zoomLayout(ws_, true); });
    refreshRunTexts();
    repaintLayout();
}

void MainWindow::SpeedZoomDownClick() {
    settingsCommand([this] { zoomLayout(ws_, false); });
    refreshRunTexts();
    repaintLayout();
}

void MainWindow::SpeedChangeUpClick() {
    settingsCommand([this] { changeStepFactor(ws_, true); });
    refreshRunTexts();
}

void MainWindow::SpeedChangeDownClick() {
    settingsCommand([this] { changeStepFactor(ws_, false); });
    refreshRunTexts();
}

void MainWindow::SpeedMainAngleUpClick() {
    settingsCommand([this] { moveRayMarking(ws_, true); });
    repaintLayout();
}

void MainWindow::SpeedMainAngleDownClick() {
    settingsCommand([this] { moveRayMarking(ws_, false); });
    repaintLayout();
}

void MainWindow::SpeedMassUpClick() {
    settingsCommand([this] { changeSpotScale(ws_, true); });
    refreshRunTexts();
    refreshAnalysis(true);
}

void MainWindow::SpeedMassDownClick() {
    settingsCommand([this] { changeSpotScale(ws_, false); });
    refreshRunTexts();
    refreshAnalysis(true);
}

void MainWindow::SpeedFocStepUpClick() {
    settingsCommand([this] { changeFocusStep(ws_, true); });
    refreshRunTexts();
    refreshAnalysis(true);
}

void MainWindow::SpeedFocStepDownClick() {
    settingsCommand([this] { changeFocusStep(ws_, false); });
    refreshRunTexts();
    refreshAnalysis(true);
}

void MainWindow::SpeedOrdUpClick() {
    settingsCommand([this] { changePsfOrder(ws_, true); });
    showEvaluation(ws_.evaluation);
    refreshRunTexts();
    repaintLayout();
}

void MainWindow::SpeedOrdDownClick() {
    settingsCommand([this] { changePsfOrder(ws_, false); });
    showEvaluation(ws_.evaluation);
    refreshRunTexts();
    repaintLayout();
}

void MainWindow::SpeedDiamUpClick() {
    settingsCommand([this] { changePsfDiameter(ws_, true); });
    refreshRunTexts();
    refreshAnalysis(true);
}

void MainWindow::SpeedDiamDownClick() {
    settingsCommand([this] { changePsfDiameter(ws_, false); });
    refreshRunTexts();
    refreshAnalysis(true);
}

void MainWindow::SpeedRedClick() {
    settingsCommand([this] { choosePsfColour(ws_, kRed); });
    refreshColourButtons();
    refreshRunTexts();
    PS1Click();
}

void MainWindow::SpeedGreenClick() {
    settingsCommand([this] { choosePsfColour(ws_, kGreen); });
    refreshColourButtons();
    refreshRunTexts();
    PS1Click();
}

void MainWindow::SpeedBlueClick() {
    settingsCommand([this] { choosePsfColour(ws_, kBlue); });
    refreshColourButtons();
    refreshRunTexts();
    PS1Click();
}

void MainWindow::SpeedShowStatClick() {
    if (SpeedShowStat->text() != QStringLiteral("......")) {
        SpeedShowStat->setText(QStringLiteral("......"));
        SpeedShowStat->setToolTip(QStringLiteral("Statusanzeige Einstellwerte ausschalten"));
        statusBox->show();
    } else {
        SpeedShowStat->setText(QString());
        SpeedShowStat->setToolTip(QStringLiteral("Statusanzeige Einstellwerte einschalten"));
        statusBox->hide();
    }
}

void MainWindow::SpeedDesModeClick() {
    settingsCommand([this] { toggleDesignMode(ws_); });
    refreshDesignModeButton();
    repaintLayout();
}

void MainWindow::FormContextPopup() {
    ws_.view.magnifier = !ws_.view.magnifier;
    repaintLayout();
}

void MainWindow::refreshDesignModeButton() {
    if (ws_.settings.controls.normalised) {
        SpeedDesMode->setIcon(glyphIcon(Glyph::Locked));
        SpeedDesMode->setToolTip(QStringLiteral("Designmodus ´freie Brennweite´ einschalten"));
    } else {
        SpeedDesMode->setIcon(glyphIcon(Glyph::Unlocked));
        SpeedDesMode->setToolTip(QStringLiteral("Designmodus ´feste Brennweite´ einschalten"));
    }
}

void MainWindow::refreshColourButtons() {
    const int colour = ws_.settings.values.psfColour;
    auto paint = [](QToolButton* b, const QColor& c) {
        QPalette palette = b->palette();
        palette.setColor(QPalette::ButtonText, c);
        b->setPalette(palette);
        b->setStyleSheet(QStringLiteral("color: %1;").arg(c.name()));
    };
    paint(SpeedRed, colour == kRed ? QColor(0xFF, 0, 0) : QColor(Qt::black));
    paint(SpeedGreen, colour == kGreen ? QColor(0, 0x80, 0) : QColor(Qt::black));
    paint(SpeedBlue, colour == kBlue ? QColor(0, 0, 0xFF) : QColor(Qt::black));
}

void MainWindow::refreshRunTexts() {
    const SystemData& sys = ws_.model.sys;
    const SharedSettings& v = ws_.settings.values;
    showStart(SystCaption, QString::fromStdString(sys.title));
    showStart(SystAuthor, QString::fromStdString(sys.source));
    ZoomStatEdit->setText(userFixed(sys.graphScale, 9, 0));
    ChangeStepEdit->setText(userFixed(v.stepFactor, 9, 0));
    MassStatEdit->setText(userFixed(v.spotZoom, 9, 0));
    FocStepEdit->setText(
        QString::fromStdString(fmt::exponent(v.focusStep, 1, 1, userDecimalSeparator())));
    DiamStatEdit->setText(userFixed(v.psfDiameter, 9, 0));
    OrdEdit->setText(userFixed(v.psfOrder, 9, 0));
    const QColor diamColour = v.psfColour == kRed    ? QColor(0x80, 0, 0)
                              : v.psfColour == kBlue ? QColor(0, 0, 0x80)
                                                     : QColor(0, 0x64, 0);
    DiamStatEdit->setStyleSheet(QStringLiteral("color: %1;").arg(diamColour.name()));
    refreshDesignModeButton();
    setWindowModified(ws_.flags.documentModified);
}

}  // namespace vn
