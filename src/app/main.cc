// Varnistrale: design and analysis of the optics of astronomical telescopes.
#include <QApplication>
#include <QTimer>
#include <memory>

#include "mainwindow/qt/main_window.h"
#include "ui/qt/translations.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Varnistrale"));
    QApplication::setApplicationVersion(QStringLiteral(VARNISTRALE_VERSION));
    vn::installGermanTranslations(app);

    auto workspace = std::make_unique<vn::Workspace>();
    vn::MainWindow window(*workspace);
    QApplication::setWindowIcon(window.windowIcon());
    window.show();

    // A system file named on the command line is opened at start.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) {
        const QString path = arguments.at(1);
        QTimer::singleShot(0, &window, [&window, path] { window.openFile(path); });
    }
    return QApplication::exec();
}
