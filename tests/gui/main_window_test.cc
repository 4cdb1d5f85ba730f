// What a person does with the main window: start it, open and save systems,
// step settings with the toolbar, use the settings dialog.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <memory>

#include "gui_test_support.h"
#include "mainwindow/qt/layout_area.h"
#include "mainwindow/qt/main_window.h"
#include "settings/qt/settings_dialog.h"
#include "ui/qt/description_window.h"
#include "ui/qt/up_down.h"

using namespace vn;

namespace {

const QString kExamples = QStringLiteral(VARNISTRALE_TEST_DATA_DIR "/examples/");

void click(QToolButton* b) {
    QTest::mouseClick(b, Qt::LeftButton);
}

// Contrast ratio of two colours by their relative luminance (1 .. 21).
double contrast(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Lets posted layout requests run without painting the drawing.
void settleLayouts() {
    for (int i = 0; i < 3; ++i) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<Workspace> ws;
    std::unique_ptr<MainWindow> window;
    QTemporaryDir temp;

private slots:
    void init() {
        ws = std::make_unique<Workspace>();
        window = std::make_unique<MainWindow>(*ws);
        window->resize(1700, 1000);  // room for the whole toolbar
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // The menu "Synthese": every design opens its dialog, and an "ok" there
    // replaces the system and runs the main window's cycle.
    void theSynthesisMenuOpensTheDesignsAndOkRunsTheCycle() {
        // After start-up the model holds what the Cassegrain dialog set.
        QCOMPARE(ws->model.sys.focalLength, 2000.0);
        QStringList names;
        QAction* cassegrain = nullptr;
        for (QAction* a : window->synthesisMenu->actions()) {
            names << a->text();
            QVERIFY(a->isEnabled());
            if (a->text() == QStringLiteral("Cassegrain")) cassegrain = a;
        }
        QCOMPARE(names, (QStringList{"Cassegrain", "Achromat", "Schmidt", "Schmidt-Cass.",
                                     "Fraunhofer", "Medial-Triplet", "Medial-Cass."}));
        cassegrain->trigger();
        QDialog* dialog = nullptr;
        for (QDialog* d : window->findChildren<QDialog*>())
            if (d->isVisible() && d->windowTitle() == QStringLiteral("Cassegrain Sysnthese"))
                dialog = d;
        QVERIFY(dialog);
        QPushButton* ok = nullptr;
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("ok")) ok = b;
        QVERIFY(ok);
        ok->click();
        QCOMPARE(ws->model.sys.title, std::string("Cassegrain Synthese"));
        QCOMPARE(ws->model.N(), 2);
        QVERIFY(window->isWindowModified());
    }
    void cleanup() {
        ws->flags.documentModified = false;
        window.reset();
        ws.reset();
    }

    void startsInItsWaitingState() {
        QCOMPARE(window->windowTitle(), QStringLiteral("Varnistrale"));
        QVERIFY(!window->computeMenu->isEnabled());
        QVERIFY(!window->optionsMenu->isEnabled());
        QVERIFY(window->fileMenu->isEnabled());
        QVERIFY(window->synthesisMenu->isEnabled());
        QVERIFY(!window->seidelBox->isVisible());
        QVERIFY(!window->SpeedZoomUp->isVisible());
        QVERIFY(window->SpeedNeu->isVisible());
        QVERIFY(window->SpeedLaden->isVisible());
        QCOMPARE(ws->model.N(), 1);  // the default mirror
    }

    void newSystemRunsTheCycleAndShowsTheResults() {
        window->Neu1Click();
        QCoreApplication::processEvents();  // the toolbar lays out its shown buttons
        QVERIFY(window->computeMenu->isEnabled());
        QVERIFY(window->seidelBox->isVisible());
        QVERIFY(window->SpeedZoomUp->isVisible());
        window->layoutArea()->repaint();
        QCOMPARE(window->ValOeff->text(), QStringLiteral("0.250"));
        QCOMPARE(window->ValAchr->text(), QStringLiteral("0.00000"));
    }

    void openingAFileShowsItsNameAndResults() {
        QVERIFY(window->openFile(kExamples + "ritchey-chretien.opt"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Varnistrale - ritchey-chretien[*]"));
        window->layoutArea()->repaint();
        QCOMPARE(window->SystCaption->text(), QStringLiteral("Ritchey-Chrétien 250/2000"));
        QCOMPARE(window->ValKoma->text(), QStringLiteral("0.000"));
        QVERIFY(window->ValBrenn->text().startsWith(QStringLiteral("1999.99")));
    }

    void failedLoadKeepsTheSystemAndSaysWhy() {
        QVERIFY(window->openFile(kExamples + "achromat-f15.opt"));
        const QString bad = temp.filePath(QStringLiteral("bad.opt"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kein System\r\n");
        file.close();
        MessageBoxAnswer answer(QMessageBox::Ok);
        QVERIFY(!window->openFile(bad));
        QVERIFY(answer.seen);
        QVERIFY(answer.text.endsWith(QStringLiteral(" is no Varnistrale data file")));
        QCOMPARE(ws->model.N(), 3);
        QCOMPARE(window->SystCaption->text(), QStringLiteral("Verkitteter Achromat 100/1500"));
    }

    void discardingChangesNeedsConsent() {
        QVERIFY(window->openFile(kExamples + "achromat-f15.opt"));
        window->NormClick();  // a change of the system
        QVERIFY(ws->flags.documentModified);
        {
            MessageBoxAnswer answer(QMessageBox::Cancel);
            window->Neu1Click();
            QVERIFY(answer.seen);
        }
        QCOMPARE(ws->model.N(), 3);  // still the achromat
        {
            MessageBoxAnswer answer(QMessageBox::Discard);
            window->Neu1Click();
            QVERIFY(answer.seen);
        }
        QCOMPARE(ws->model.N(), 1);
        QVERIFY(!ws->flags.documentModified);
    }

    void savingWritesTheFileAndClearsTheChangeMark() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        window->NormClick();
        const QString path = temp.filePath(QStringLiteral("saved.opt"));
        QVERIFY(window->saveFile(path));
        QVERIFY(!ws->flags.documentModified);
        QVERIFY(QFile::exists(path));
        QVERIFY(!QFile::exists(path + QStringLiteral(".tmp-write")));
        QCOMPARE(window->windowTitle(), QStringLiteral("Varnistrale - saved[*]"));
    }

    void toolbarStepsStopAtTheirLimits() {
        window->Neu1Click();
        ws->model.sys.graphScale = 3000;
        click(window->SpeedZoomUp);
        QCOMPARE(ws->model.sys.graphScale, 3000.0);
        QCOMPARE(window->ZoomStatEdit->text(), QStringLiteral("3000"));
        ws->model.sys.graphScale = 350;
        click(window->SpeedZoomDown);
        QCOMPARE(ws->model.sys.graphScale, 200.0);

        ws->settings.controls.stepFactor = 20;
        click(window->SpeedChangeUp);
        QCOMPARE(window->ChangeStepEdit->text(), QStringLiteral("20"));
        ws->settings.controls.stepFactor = 1;
        click(window->SpeedChangeDown);
        QCOMPARE(window->ChangeStepEdit->text(), QStringLiteral("1"));

        ws->settings.controls.spotScale = 6;
        click(window->SpeedMassDown);
        QCOMPARE(ws->settings.controls.spotScale, 1);
        QCOMPARE(window->MassStatEdit->text(), QStringLiteral("200"));

        ws->settings.controls.focusStepPosition = 4;
        click(window->SpeedFocStepUp);
        QCOMPARE(window->FocStepEdit->text(), QStringLiteral("1E-3"));

        ws->settings.controls.psfOrder = 9;
        click(window->SpeedOrdUp);
        QCOMPARE(ws->settings.controls.spotDensity, 4);
        QCOMPARE(window->OrdEdit->text(), QStringLiteral("10"));
        QVERIFY(ws->flags.psfStale);

        ws->settings.controls.psfDiameter = 25;
        click(window->SpeedDiamUp);
        QCOMPARE(window->DiamStatEdit->text(), QStringLiteral("60"));

        ws->settings.controls.zoneDirection = 2;
        click(window->SpeedMainAngleUp);
        QCOMPARE(ws->settings.controls.zoneDirection, 2);
        QCOMPARE(ws->marked.angle, ws->model.sys.fieldAngle);
    }

    void colourButtonsChooseThePsfColour() {
        window->Neu1Click();
        click(window->SpeedBlue);
        QCOMPARE(ws->settings.values.psfColour, 2);
        QVERIFY(window->SpeedBlue->styleSheet().contains(QStringLiteral("#0000ff")));
        QVERIFY(window->SpeedGreen->styleSheet().contains(QStringLiteral("#000000")));
        click(window->SpeedRed);
        QCOMPARE(ws->settings.values.psfColour, 1);
    }

    void statusBoxAndDesignModeToggle() {
        window->Neu1Click();
        QVERIFY(!window->statusBox->isVisible());
        click(window->SpeedShowStat);
        QVERIFY(window->statusBox->isVisible());
        QCOMPARE(window->SpeedShowStat->toolTip(),
                 QStringLiteral("Statusanzeige Einstellwerte ausschalten"));
        click(window->SpeedShowStat);
        QVERIFY(!window->statusBox->isVisible());

        QCOMPARE(window->SpeedDesMode->toolTip(),
                 QStringLiteral("Designmodus ´feste Brennweite´ einschalten"));
        click(window->SpeedDesMode);
        QVERIFY(ws->settings.controls.normalised);
        QCOMPARE(window->SpeedDesMode->toolTip(),
                 QStringLiteral("Designmodus ´freie Brennweite´ einschalten"));
        QVERIFY(window->settingsDialog()->NormCheck->isChecked());
    }

    void settingsCancelAfterAWavelengthChangeChangesNothing() {
        QVERIFY(window->openFile(kExamples + "achromat-f15.opt"));
        const auto wavelengths = ws->model.sys.wavelength;
        const auto indices = ws->model.surf[1].n;
        SettingsDialog* dialog = window->settingsDialog();
        window->Einstellungen1Click();
        dialog->BlueBox->setEditText(QStringLiteral("0.5"));
        dialog->DiamBar->setValue(30);
        QTest::mouseClick(dialog->CancBut, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ws->model.sys.wavelength, wavelengths);
        QCOMPARE(ws->model.surf[1].n, indices);
        QCOMPARE(ws->settings.controls.psfDiameter, 20);  // the slider is returned too
    }

    void settingsOkAppliesAWavelengthAndBlue() {
        QVERIFY(window->openFile(kExamples + "achromat-f15.opt"));
        SettingsDialog* dialog = window->settingsDialog();
        window->Einstellungen1Click();
        dialog->BlueBox->setEditText(QStringLiteral("0.5"));
        dialog->psfColourButtons[2]->setChecked(true);  // "blau"
        QTest::mouseClick(dialog->okBut, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ws->model.sys.wavelength[colourIndex(kBlue)], 0.5);
        QCOMPARE(ws->settings.values.psfColour, 2);
        QVERIFY(window->SpeedBlue->styleSheet().contains(QStringLiteral("#0000ff")));
        QVERIFY(ws->flags.modelChanged);
    }

    void aSettingsFieldThatIsNotANumberIsMarkedAndKeepsItsValue() {
        window->Neu1Click();
        SettingsDialog* dialog = window->settingsDialog();
        window->Einstellungen1Click();
        QTest::keyClicks(dialog->StepFaktEdit, QStringLiteral("x"));
        QTest::mouseClick(dialog->okBut, Qt::LeftButton);
        QVERIFY(dialog->isVisible());  // stays open with the field marked
        QVERIFY(dialog->StepFaktEdit->property("invalid").toBool());
        QVERIFY(!dialog->messageLabel->text().isEmpty());
        QCOMPARE(ws->settings.controls.stepFactor, 1.0);
        dialog->StepFaktEdit->setText(QStringLiteral("3"));
        QTest::mouseClick(dialog->okBut, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ws->settings.controls.stepFactor, 3.0);
    }

    void clicksInTheLayoutPickAndStep() {
        QVERIFY(window->openFile(kExamples + "achromat-f15.opt"));
        LayoutArea* area = window->layoutArea();
        area->repaint();
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(area->width() - 40, 30));
        area->repaint();
        QCOMPARE(window->ItemSel2->text(), QStringLiteral("keine Selektion"));
        QVERIFY(window->ItemSel2->styleSheet().contains(QStringLiteral("#808080")));
        QVERIFY(!window->ValueChange->isVisible());

        const QPoint vertex(ws->layout.vertexPx[2], ws->layout.vertexPy[2]);
        QTest::mouseClick(area, Qt::LeftButton, {}, vertex);
        QCOMPARE(window->ItemSel2->text(), QStringLiteral("Fläche 2  Winkel/°"));
        QVERIFY(window->ValueChange->isVisible());
        QVERIFY(window->PosTab->isVisible());
        QTest::mouseClick(window->ValueChange->up, Qt::LeftButton);
        QCOMPARE(ws->model.surf[2].u, ws->settings.values.angleStep);
        QVERIFY(ws->flags.documentModified);
        QCOMPARE(window->Value2->text(), QStringLiteral("0.1000"));
        QTest::mouseClick(window->PosTab->up, Qt::LeftButton);
        QCOMPARE(window->ItemSel2->text(), QStringLiteral("Fläche 3  Winkel/°"));
    }

    void aDistanceSteppedUpAndDownIsRestored() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        LayoutArea* area = window->layoutArea();
        area->repaint();
        const QPoint middle((ws->layout.vertexPx[1] + ws->layout.vertexPx[2]) / 2,
                            ws->layout.vertexPy[1]);
        QTest::mouseClick(area, Qt::LeftButton, {}, middle);
        QCOMPARE(window->ItemSel2->text(), QStringLiteral("Fläche 1  Abstand"));
        const double before = ws->model.surf[1].e;
        QTest::mouseClick(window->ValueChange->up, Qt::LeftButton);
        QVERIFY(ws->model.surf[1].e != before);
        QTest::mouseClick(window->ValueChange->down, Qt::LeftButton);
        QCOMPARE(ws->model.surf[1].e, before);
    }

    void measuringHundredPixels() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        ws->settings.controls.systemScale = 1000;
        window->runCycle();
        LayoutArea* area = window->layoutArea();
        area->repaint();
        QCOMPARE(ws->layout.drawScale, 1000.0);
        window->measureMode->setChecked(true);
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(area->width() - 300, 40));
        QCOMPARE(window->ItemSel2->text(), QStringLiteral("erster Meßpunkt:"));
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(area->width() - 200, 40));
        QCOMPARE(window->ItemSel2->text(), QStringLiteral("Abstand / mm"));
        QCOMPARE(window->Value2->text(), QStringLiteral("100.0000"));
    }

    void magnifierDoublesTheDrawingScale() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        window->layoutArea()->repaint();
        const double scale = ws->layout.drawScale;
        window->FormContextPopup();
        window->layoutArea()->repaint();
        QCOMPARE(ws->layout.drawScale, 2 * scale);
    }

    void anUncomputableSystemKeepsItsLastPictureAndSaysWhy() {
        QVERIFY(window->openFile(kExamples + "achromat-f15.opt"));
        window->layoutArea()->repaint();
        QVERIFY(window->statusMessage->text().isEmpty());
        ws->model.surf[2].r = 0.0;
        window->layoutArea()->repaint();
        QVERIFY(window->statusMessage->text().contains(QStringLiteral("nicht berechenbar")));
        QVERIFY(window->statusMessage->text().contains(QStringLiteral("Fläche 2")));
        ws->model.surf[2].r = -0.43;
        window->layoutArea()->repaint();
        QVERIFY(window->statusMessage->text().isEmpty());
    }

    void everySelectionColourReadsOnTheSelectionFields() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        LayoutArea* area = window->layoutArea();
        area->repaint();
        const QPoint middle((ws->layout.vertexPx[1] + ws->layout.vertexPx[2]) / 2,
                            ws->layout.vertexPy[1]);
        QTest::mouseClick(area, Qt::LeftButton, {}, middle);
        QCOMPARE(window->ItemSel2->text(), QStringLiteral("Fläche 1  Abstand"));
        // The colours of the picks, the measurement and "keine Selektion".
        const QColor colours[] = {Qt::white,
                                  QColor(0xFF, 0xFF, 0),
                                  QColor(0, 0xFF, 0xFF),
                                  QColor(0xFF, 0, 0xFF),
                                  QColor(0x80, 0x80, 0x80),
                                  QColor(0xFF, 0, 0)};
        for (QLineEdit* field : {window->ItemSel2, window->Value2}) {
            // The ground is the commonest colour inside the frame.
            const QImage image = field->grab().toImage();
            QHash<QRgb, int> count;
            for (int y = 4; y < image.height() - 4; ++y)
                for (int x = 4; x < image.width() - 4; ++x) ++count[image.pixel(x, y)];
            QRgb commonest = 0;
            for (auto it = count.begin(); it != count.end(); ++it)
                if (it.value() > count.value(commonest)) commonest = it.key();
            const QColor ground(commonest);
            for (const QColor& c : colours)
                QVERIFY2(contrast(ground, c) >= 4.5,
                         qPrintable(QStringLiteral("%1 on %2 in %3")
                                        .arg(c.name(), ground.name(), field->objectName())));
        }
    }

    void theAxisIsCentredInTheDrawingAsItIsWhenAFileIsOpened() {
        // As when a file named on the command line is opened: the window is
        // shown, but the drawing has not been painted yet.
        window.reset();
        window = std::make_unique<MainWindow>(*ws);
        window->resize(1500, 640);
        window->show();
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        QCOMPARE(ws->view.originY, window->layoutArea()->height() / 2);

        // A lower window, not painted since: the next run cycle centres the axis in it.
        window->layoutArea()->setUpdatesEnabled(false);
        window->resize(1500, 560);
        QTest::qWait(20);
        window->runCycle();
        QCOMPARE(ws->view.originY, window->layoutArea()->height() / 2);
    }

    void escapeAndTheCloseButtonCancelTheSettings() {
        window->Neu1Click();
        SettingsDialog* dialog = window->settingsDialog();
        window->Einstellungen1Click();
        dialog->OrdBar->setValue(12);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ws->settings.controls.psfOrder, 2);
        window->Einstellungen1Click();
        QCOMPARE(dialog->OrdBar->value(), 2);

        const auto wavelengths = ws->model.sys.wavelength;
        dialog->BlueBox->setEditText(QStringLiteral("0.5"));
        dialog->DiamBar->setValue(30);
        dialog->close();  // the window's close button
        QVERIFY(!dialog->isVisible());
        QCOMPARE(ws->model.sys.wavelength, wavelengths);
        QCOMPARE(ws->settings.controls.psfDiameter, 20);
    }

    void toolbarStepsShowInAnOpenSettingsDialogAndStay() {
        window->Neu1Click();
        SettingsDialog* dialog = window->settingsDialog();
        window->Einstellungen1Click();
        const double scale = ws->model.sys.graphScale;
        click(window->SpeedZoomDown);
        click(window->SpeedChangeUp);
        click(window->SpeedOrdUp);
        click(window->SpeedMassUp);
        QCOMPARE(dialog->SysMassEdit->text(), QString::number(scale - 200));
        QCOMPARE(dialog->StepFaktEdit->text(), QStringLiteral("2"));
        QCOMPARE(dialog->OrdBar->value(), 3);
        QCOMPARE(dialog->MassBar->value(), 25);
        QTest::mouseClick(dialog->okBut, Qt::LeftButton);
        window->runCycle();
        QCOMPARE(ws->model.sys.graphScale, scale - 200);
        QCOMPARE(ws->settings.values.stepFactor, 2.0);
        QCOMPARE(ws->settings.controls.psfOrder, 3);

        // "Abbrechen" returns what the dialog changed, not what the toolbar did.
        window->Einstellungen1Click();
        dialog->ContrBar->setValue(50);
        click(window->SpeedDiamUp);
        click(window->SpeedDesMode);
        QCOMPARE(dialog->DiamBar->value(), 30);
        QVERIFY(dialog->NormCheck->isChecked());
        QTest::mouseClick(dialog->CancBut, Qt::LeftButton);
        QCOMPARE(ws->settings.controls.psfDiameter, 30);
        QCOMPARE(ws->settings.controls.psfContrast, 45);
        QVERIFY(ws->settings.controls.normalised);
    }

    void longTitlesShowTheirStartAndTheSelectionBoxKeepsItsHeight() {
        QVERIFY(window->openFile(kExamples + "refractor-diagonal.opt"));
        ws->model.sys.title = "Refraktor mit Zenitspiegel unter 45 Grad und langer Beschreibung";
        ws->model.sys.source = "aus einem Lehrbuch der Optik, zweite Auflage, Seite 123";
        window->runCycle();
        QCOMPARE(window->SystCaption->cursorPosition(), 0);
        QCOMPARE(window->SystAuthor->cursorPosition(), 0);

        LayoutArea* area = window->layoutArea();
        area->repaint();
        settleLayouts();
        QVERIFY(window->ValueChange->isVisible());  // the marked ray of the run cycle
        const int height = window->selectionBox->height();
        const QPoint modes = window->editMode->mapTo(window.get(), QPoint(0, 0));
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(area->width() - 20, 15));
        settleLayouts();
        QVERIFY(!window->ValueChange->isVisible());
        QCOMPARE(window->selectionBox->height(), height);
        QCOMPARE(window->editMode->mapTo(window.get(), QPoint(0, 0)), modes);
    }

    void theSettingsDialogSpeaksGerman() {
        QCOMPARE(window->settingsDialog()->CancBut->text(), QStringLiteral("Abbrechen"));
    }

    void descriptionEditsMarkTheSystemChanged() {
        QVERIFY(window->openFile(kExamples + "newtonian-f5.opt"));
        QVERIFY(window->descriptionWindow()->DescrMemo->toPlainText().startsWith(
            QStringLiteral("Parabolspiegel")));
        window->descriptionWindow()->DescrMemo->appendPlainText(QStringLiteral("neu"));
        QVERIFY(ws->flags.documentModified);
        QCOMPARE(ws->model.sys.description.back(), std::string("neu"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
