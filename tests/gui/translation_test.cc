// Qt's own texts in German: the buttons of the save prompt and the file dialog.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "ui/qt/translations.h"

class TranslationTest : public QObject {
    Q_OBJECT
private slots:
    void messageBoxButtonsAreGerman() {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Varnistrale"),
                        QStringLiteral("Das System wurde geändert."),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Save)->text(), QStringLiteral("Speichern"));
        QCOMPARE(box.button(QMessageBox::Discard)->text(), QStringLiteral("Verwerfen"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    }

    void fileDialogIsGerman() {
        QFileDialog dialog(nullptr, QStringLiteral("Öffnen"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* fileName = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"));
        QVERIFY(fileName);
        QVERIFY2(fileName->text().contains(QStringLiteral("Datei")), qPrintable(fileName->text()));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!vn::installGermanTranslations(app)) {
        qWarning("Qt's German translations are not installed (qt6-translations-l10n)");
        return 1;
    }
    TranslationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "translation_test.moc"
