// Varnistrale: design and analysis of the optics of astronomical telescopes.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "mainwindow/document.h"
#include "mainwindow/qt/main_window.h"
#include "model/qt/glass_dialog.h"
#include "ui/qt/translations.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnistrale"));
    QApplication::setApplicationVersion(QStringLiteral(VARNISTRALE_VERSION));
    vn::installGermanTranslations(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Entwurf und Analyse der Optik astronomischer Teleskope"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("datei"),
        QStringLiteral("Ein System (.opt), das beim Start geöffnet wird."));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Öffnet Fenster, Glaskatalog und Datei, meldet das Ergebnis und beendet "
                       "sich (für Installationstests)."));
    parser.addOption(check);
    parser.process(app);

    auto workspace = std::make_unique<vn::Workspace>();
    vn::MainWindow window(*workspace);
    QApplication::setWindowIcon(window.windowIcon());
    window.show();

    // A system file named on the command line is opened at start.
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(check)) {
        const std::size_t glasses = window.glassDialog()->catalogue().size();
        // Without the window's message boxes, which nobody could answer here.
        vn::FileOutcome outcome{true, {}};
        if (!files.isEmpty())
            outcome = vn::openSystemFile(*workspace, files.first().toLocal8Bit().toStdString());
        std::printf("Glaskatalog: %zu Gläser\nSystem: %s\n", glasses,
                    outcome.ok ? workspace->model.sys.title.c_str() : outcome.message.c_str());
        return glasses > 0 && outcome.ok ? 0 : 1;
    }
    if (!files.isEmpty()) {
        const QString path = files.first();
        QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
    }
    return QApplication::exec();
}
