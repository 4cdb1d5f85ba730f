#include "ui/qt/picture_files.h"

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "ui/emf_writer.h"
#include "ui/qt/qpainter_canvas.h"

namespace vn {

namespace {

constexpr int kScreenDpi = 96;

// Draws the recording stretched to the drawn size from the top-left corner.
void drawStretched(QPainter& painter, const RecordingCanvas& picture, const ExportSize& size,
                   double deviceScale = 1.0) {
    const double w = std::max(1, picture.width()), h = std::max(1, picture.height());
    painter.scale(deviceScale * size.drawnWidth / w, deviceScale * size.drawnHeight / h);
    QPainterCanvas canvas(painter);
    picture.replay(canvas);
}

QString cannotWrite(const QString& path, const QString& reason) {
    return QStringLiteral("Die Datei %1 konnte nicht geschrieben werden: %2").arg(path, reason);
}

QString commit(QSaveFile& file, const QString& path) {
    if (file.error() != QFileDevice::NoError || !file.commit())
        return cannotWrite(path, file.errorString());
    return {};
}

}  // namespace

std::optional<PictureFormat> pictureFormatOf(const QString& path) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("bmp")) return PictureFormat::Bmp;
    if (ext == QLatin1String("png")) return PictureFormat::Png;
    if (ext == QLatin1String("svg")) return PictureFormat::Svg;
    if (ext == QLatin1String("pdf")) return PictureFormat::Pdf;
    if (ext == QLatin1String("emf")) return PictureFormat::Emf;
    return std::nullopt;
}

QString writePictureFile(const RecordingCanvas& picture, const ExportSize& size,
                         const QString& path, PictureFormat format) {
    if (format == PictureFormat::Emf) {
        const double w = std::max(1, picture.width()), h = std::max(1, picture.height());
        const std::string error =
            writeEmfFile(picture, size.width, size.height, size.drawnWidth / w,
                         size.drawnHeight / h, QFile::encodeName(path).toStdString());
        return QString::fromStdString(error);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return cannotWrite(path, file.errorString());
    switch (format) {
        case PictureFormat::Bmp:
        case PictureFormat::Png: {
            QImage image(size.width, size.height, QImage::Format_RGB32);
            if (image.isNull()) return QStringLiteral("Zu wenig Speicher für das Bild.");
            image.fill(Qt::white);
            {
                QPainter painter(&image);
                drawStretched(painter, picture, size);
            }
            if (!image.save(&file, format == PictureFormat::Bmp ? "BMP" : "PNG")) {
                file.cancelWriting();
                return cannotWrite(path, file.errorString());
            }
            break;
        }
        case PictureFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setResolution(kScreenDpi);
            svg.setSize(QSize(size.width, size.height));
            svg.setViewBox(QRect(0, 0, size.width, size.height));
            svg.setTitle(QFileInfo(path).completeBaseName());
            svg.setDescription(QStringLiteral("Varnistrale"));
            QPainter painter;
            if (!painter.begin(&svg)) return cannotWrite(path, file.errorString());
            painter.fillRect(QRect(0, 0, size.width, size.height), Qt::white);
            drawStretched(painter, picture, size);
            painter.end();
            break;
        }
        case PictureFormat::Pdf: {
            QPdfWriter pdf(&file);
            pdf.setResolution(kScreenDpi);
            pdf.setCreator(QStringLiteral("Varnistrale"));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            pdf.setPageSize(
                QPageSize(QSizeF(size.width * 72.0 / kScreenDpi, size.height * 72.0 / kScreenDpi),
                          QPageSize::Point, QString(), QPageSize::ExactMatch));
            QPainter painter;
            if (!painter.begin(&pdf)) return cannotWrite(path, file.errorString());
            drawStretched(painter, picture, size);
            painter.end();
            break;
        }
        case PictureFormat::Emf:
            break;
    }
    return commit(file, path);
}

QString printPicture(QPrinter& printer, const RecordingCanvas& picture, int zoomPercent) {
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("Der Drucker kann nicht beginnen zu drucken.");
    // The page in units of the screen's pixels, so that the picture keeps its
    // proportions whatever the printer's resolution.
    const double deviceScale = static_cast<double>(printer.resolution()) / kScreenDpi;
    const int pageWidth = static_cast<int>(painter.viewport().width() / deviceScale);
    drawStretched(painter, picture, printSize(picture, pageWidth, zoomPercent), deviceScale);
    painter.end();
    return {};
}

}  // namespace vn
