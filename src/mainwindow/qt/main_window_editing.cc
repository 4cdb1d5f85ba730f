// The main window's editing: the data editor "Systemdaten", the glass dialog
// with the catalogue read at start, and undo and redo of the system.
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include "mainwindow/qt/main_window.h"
#include "model/data_paths.h"
#include "model/qt/glass_dialog.h"
#include "model/qt/system_data_dialog.h"
#include "synthesis/synthesis_state.h"
#include "ui/qt/description_window.h"

namespace vn {

void MainWindow::buildEditing() {
    synthesis_ = std::make_unique<SynthesisState>();
    editor_ = new SystemDataDialog(ws_, description_, this);
    glass_ = new GlassDialog(ws_, *synthesis_, this);

    editMenu->addAction(QStringLiteral("Systemdaten"), this, &MainWindow::Systemdaten1Click);
    editMenu->addAction(QStringLiteral("Glaskatalog"), this, &MainWindow::Glaskatalog1Click);
    editMenu->addSeparator();
    undoAction = editMenu->addAction(QStringLiteral("Rückgängig"), this, &MainWindow::undoClick);
    undoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    redoAction = editMenu->addAction(QStringLiteral("Wiederholen"), this, &MainWindow::redoClick);
    redoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // The entries show whether there is something to take back; the keys
    // work whenever the menu is closed.
    connect(editMenu, &QMenu::aboutToShow, this, [this] {
        undoAction->setEnabled(canUndo(ws_));
        redoAction->setEnabled(canRedo(ws_));
    });
    connect(editMenu, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
            undoAction->setEnabled(true);
            redoAction->setEnabled(true);
        });
    });

    connect(editor_, &SystemDataDialog::systemWritten, this, [this] {
        runCycle();
        markModified();
    });
    connect(editor_, &SystemDataDialog::mediumChoiceRequested, glass_, &GlassDialog::openChoose);
    connect(glass_, &GlassDialog::glassChosen, this, [this](const GlassRecord& glass) {
        if (editor_->isVisible()) editor_->applyGlass(glass);
    });
}

// The catalogue is read once at start; when it is missing the program works
// on without it and says so once.
void MainWindow::readGlassCatalogue() {
    const std::string message = glass_->readCatalogue(dataDirectories(ws_.startDirectory));
    if (message.empty()) return;
    QTimer::singleShot(0, this, [this, message] {
        QMessageBox::warning(this, QStringLiteral("Glass Choice"), QString::fromStdString(message));
    });
}

void MainWindow::Systemdaten1Click() {
    editor_->showEditor();
}

void MainWindow::Glaskatalog1Click() {
    glass_->openEdit();
}

void MainWindow::systemReplacedOutsideEditor() {
    editor_->refill();
}

void MainWindow::afterUndoOrRedo() {
    description_->load(ws_.model.sys.description);
    runCycle();
    refreshCaption();
    systemReplacedOutsideEditor();
}

void MainWindow::undoClick() {
    if (undoChange(ws_)) afterUndoOrRedo();
}

void MainWindow::redoClick() {
    if (redoChange(ws_)) afterUndoOrRedo();
}

}  // namespace vn
