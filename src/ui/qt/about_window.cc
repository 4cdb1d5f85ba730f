#include "ui/qt/about_window.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace vn {

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Info"));
    setObjectName(QStringLiteral("AboutBox"));
    auto* layout = new QVBoxLayout(this);
    auto* name = new QLabel(QStringLiteral("<h2>Varnistrale</h2>"));
    name->setObjectName(QStringLiteral("ProductName"));
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(VARNISTRALE_VERSION)));
    version->setObjectName(QStringLiteral("Version"));
    auto* text =
        new QLabel(QStringLiteral("Entwurf und Analyse der Optik astronomischer Teleskope:\n"
                                  "paraxiale Daten, Seidel- und Farbfehler, Strahldurchrechnung,\n"
                                  "Spotdiagramme, Beugungsbild, MTF und Strehl, Systemsynthese."));
    for (QLabel* l : {name, version, text}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace vn
