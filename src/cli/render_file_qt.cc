// The render command's files through Qt's painters, on the offscreen platform
// so that no display is needed.
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "cli/render_output.h"
#include "ui/qt/picture_files.h"

namespace vn::cli {

bool writeRenderedPicture(const RecordingCanvas& picture, const ExportSize& size,
                          const std::string& path, std::string& error) {
    // Qt's notes about the platform (no runtime folder, no display) are no
    // business of a batch command's user.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    int argc = 1;
    char name[] = "varnistrale-cli";
    char* argv[] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    const QString file = QFile::decodeName(path.c_str());
    const auto format = pictureFormatOf(file);
    if (!format) {
        error = "unknown picture format: " + path;
        return false;
    }
    const QString message = writePictureFile(picture, size, file, *format);
    error = message.toStdString();
    return message.isEmpty();
}

}  // namespace vn::cli
