// "Export" and "Drucken": the picture chosen in the settings' page "Grafik
// Export" into a file or onto the printer.
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include "mainwindow/layout_export.h"
#include "mainwindow/picture_export.h"
#include "mainwindow/qt/main_window.h"
#include "mainwindow/window_updates.h"
#include "ui/qt/picture_files.h"

namespace vn {

namespace {

const QString kOtherFormats = QStringLiteral(
    "PNG-Bild (*.png);;SVG-Grafik (*.svg);;PDF-Dokument (*.pdf);;alle Dateien (*.*)");

// The extension a filter of the save dialog stands for, such as ".bmp".
QString extensionOfFilter(const QString& filter) {
    const int star = filter.indexOf(QStringLiteral("(*."));
    if (star < 0) return {};
    const QString ext = filter.mid(star + 2).section(QLatin1Char(')'), 0, 0);
    return ext == QStringLiteral(".*") ? QString() : ext;
}

}  // namespace

QString MainWindow::proposedExportFile() const {
    return QString::fromStdString(
        proposedExportName(ws_.settings.controls.graphicSource, ws_.model.sys.fileName));
}

bool MainWindow::recordExportPicture(GraphicSource source, RecordingCanvas& picture) {
    std::string problem;
    if (source == GraphicSource::Layout) {
        const EvaluationStatus status = recordLayoutExport(
            ws_, layoutLook(), mainWindowCaption(ws_.model.sys.fileName), picture);
        if (!status.ok) problem = describe(status);
    } else {
        const ComputeStatus status = recordWindowExport(ws_, source, analysisWindows(), picture);
        if (!status.ok) problem = status.message ? status.message : "";
    }
    if (problem.empty()) return true;
    QMessageBox::warning(this, QStringLiteral("Export"),
                         QStringLiteral("Das Bild kann nicht gezeichnet werden: ") +
                             QString::fromStdString(problem));
    return false;
}

void MainWindow::Export1Click() {
    const SettingsControls& c = ws_.settings.controls;
    if (c.destination == GraphicDestination::Printer) return;
    const bool bitmap = c.destination == GraphicDestination::Bitmap;
    const QString filter = (bitmap ? QStringLiteral("Bitmap (*.bmp);;")
                                   : QStringLiteral("enhanced Metafile (*.emf);;")) +
                           kOtherFormats;
    const QString defaultExtension = bitmap ? QStringLiteral(".bmp") : QStringLiteral(".emf");
    QString chosenFilter;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export"),
                                                proposedExportFile() + defaultExtension, filter,
                                                &chosenFilter);
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) {
        const QString ext = extensionOfFilter(chosenFilter);
        path += ext.isEmpty() ? defaultExtension : ext;
    }
    exportTo(path);
}

void MainWindow::SpeedExportClick() {
    Export1Click();
}

bool MainWindow::exportTo(const QString& path) {
    const auto format = pictureFormatOf(path);
    if (!format) {
        QMessageBox::warning(this, QStringLiteral("Export"),
                             QStringLiteral("Unbekanntes Bildformat: %1\nMöglich sind .bmp, "
                                            ".emf, .png, .svg und .pdf.")
                                 .arg(QFileInfo(path).fileName()));
        return false;
    }
    const SettingsControls& c = ws_.settings.controls;
    RecordingCanvas picture;
    if (!recordExportPicture(c.graphicSource, picture)) return false;
    const GraphicDestination destination =
        *format == PictureFormat::Emf ? GraphicDestination::Metafile : GraphicDestination::Bitmap;
    const ExportSize size = exportSize(c.graphicSource, destination, picture, c.bitmapWidth,
                                       ws_.settings.values.exportZoom);
    const QString error = writePictureFile(picture, size, path, *format);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Export"), error);
        return false;
    }
    return true;
}

void MainWindow::Drucken1Click() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Drucken"));
    if (dialog.exec() != QDialog::Accepted) return;
    printTo(printer);
}

void MainWindow::SpeedDruckenClick() {
    Drucken1Click();
}

bool MainWindow::printTo(QPrinter& printer) {
    RecordingCanvas picture;
    if (!recordExportPicture(ws_.settings.controls.graphicSource, picture)) return false;
    const QString error = printPicture(printer, picture, ws_.settings.values.exportZoom);
    if (!error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Drucken"), error);
        return false;
    }
    return true;
}

}  // namespace vn
