// What a person does with the data editor "Systemdaten", the glass dialog and
// undo and redo in the main window.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "mainwindow/qt/main_window.h"
#include "model/qt/glass_dialog.h"
#include "model/qt/system_data_dialog.h"
#include "model/text_file.h"

using namespace vn;

namespace {

QAction* menuEntry(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

void type(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
}

void click(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton);
}

}  // namespace

class EditorTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<Workspace> ws;
    std::unique_ptr<MainWindow> window;
    SystemDataDialog* editor = nullptr;
    GlassDialog* glass = nullptr;
    QTemporaryDir temp;

    void openEditor() {
        menuEntry(window->editMenu, QStringLiteral("Systemdaten"))->trigger();
        QVERIFY(editor->isVisible());
    }
    int catalogueIndexOf(const char* name) {
        for (std::size_t i = 0; i < glass->catalogue().size(); ++i)
            if (glass->catalogue().lines[i].find(name) != std::string::npos)
                return static_cast<int>(i);
        return -1;
    }

private slots:
    void init() {
        ws = std::make_unique<Workspace>();
        window = std::make_unique<MainWindow>(*ws);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        editor = window->systemDataDialog();
        glass = window->glassDialog();
        // Rewrites go to a copy of the shipped catalogue.
        QFile::remove(temp.filePath(QStringLiteral("DemoGlasdaten.txt")));
        QVERIFY(QFile::copy(QStringLiteral(VARNISTRALE_TEST_DATA_DIR "/DemoGlasdaten.txt"),
                            temp.filePath(QStringLiteral("DemoGlasdaten.txt"))));
        QCOMPARE(glass->readCatalogue({temp.path().toStdString()}), std::string());
    }
    void cleanup() {
        ws->flags.documentModified = false;
        window.reset();
        ws.reset();
    }

    void theMenuOpensTheEditorAtTheRightEdgeOfTheScreen() {
        openEditor();
        QTest::qWait(20);  // the placement after the frame is known
        QCOMPARE(editor->windowTitle(), QStringLiteral("Systemdaten"));
        QCOMPARE(editor->SurfaceControl->count(), 2);
        QCOMPARE(editor->SurfaceControl->tabText(1), QStringLiteral("Fläche1"));
        QCOMPARE(editor->rEdit->text(), QStringLiteral("-2000.00000"));
        QCOMPARE(editor->BlendeEdit->text(), QStringLiteral("100.00"));
        QVERIFY(editor->BrwEdit->isReadOnly());  // outside the normalised mode
        QVERIFY(editor->kindButtons[1]->isChecked());
        QVERIFY(!editor->AktButton->isEnabled());
        const QRect screen = editor->screen()->availableGeometry();
        const QRect frame = editor->frameGeometry();
        QVERIFY(frame.left() >= screen.left());
        QVERIFY(frame.top() >= screen.top());
        QVERIFY(frame.right() <= screen.right());
        QVERIFY(frame.right() >= screen.right() - 2);
    }

    void okWritesTheSystemAsOneStepThatUndoAndRedoExchange() {
        openEditor();
        type(editor->rEdit, QStringLiteral("-3000"));
        click(editor->okBtn);
        QVERIFY(!editor->isVisible());
        QVERIFY(qAbs(ws->model.sys.focalLengthRef - 1500.0) < 1e-6);
        QVERIFY(qAbs(ws->model.surf[1].r + 2.0) < 1e-9);
        QVERIFY(window->computeMenu->isEnabled());  // the run cycle ran
        QVERIFY(ws->flags.documentModified);

        window->undoAction->trigger();
        QCOMPARE(ws->model.sys.focalLengthRef, 1000.0);
        QVERIFY(!ws->flags.documentModified);
        QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(qAbs(ws->model.sys.focalLengthRef - 1500.0) < 1e-6);
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(ws->model.sys.focalLengthRef, 1000.0);
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(qAbs(ws->model.sys.focalLengthRef - 1500.0) < 1e-6);
        // The editor shows what undo brought back.
        openEditor();
        window->undoAction->trigger();
        QCOMPARE(editor->rEdit->text(), QStringLiteral("-2000.00000"));
    }

    void cancelForgetsTheEdits() {
        openEditor();
        type(editor->rEdit, QStringLiteral("-3000"));
        click(editor->InsButton);
        click(editor->CancelBtn);
        QVERIFY(!editor->isVisible());
        QCOMPARE(ws->model.N(), 1);
        QCOMPARE(ws->model.surf[1].r, -2.0);
        QVERIFY(!canUndo(*ws));
        openEditor();
        QCOMPARE(editor->SurfaceControl->count(), 2);
        QCOMPARE(editor->rEdit->text(), QStringLiteral("-2000.00000"));
    }

    void aFieldThatIsNotANumberIsMarkedAndKeepsItsValue() {
        openEditor();
        type(editor->rEdit, QStringLiteral("abc"));
        click(editor->okBtn);
        QVERIFY(editor->isVisible());
        QVERIFY(editor->rEdit->property("invalid").toBool());
        QVERIFY(!editor->messageLabel->text().isEmpty());
        QVERIFY(!canUndo(*ws));
        // Another tab shows the kept value again.
        editor->SurfaceControl->setCurrentIndex(0);
        editor->SurfaceControl->setCurrentIndex(1);
        QCOMPARE(editor->rEdit->text(), QStringLiteral("-2000.00000"));
        QVERIFY(!editor->rEdit->property("invalid").toBool());
    }

    void aDistanceTypedWithoutSignFollowsTheLight() {
        openEditor();
        type(editor->eEdit, QStringLiteral("800"));
        editor->SurfaceControl->setCurrentIndex(0);
        QCOMPARE(editor->editor().buffer().surf[1].e, -800.0);
        editor->SurfaceControl->setCurrentIndex(1);
        QCOMPARE(editor->eEdit->text(), QStringLiteral("-800.00000"));
    }

    void insertionIsRefusedBeyondTwentyNineSurfaces() {
        openEditor();
        for (int i = 1; i < kMaxSurfaces; ++i) click(editor->InsButton);
        QCOMPARE(editor->SurfaceControl->count(), kMaxSurfaces + 1);
        QVERIFY(editor->messageLabel->text().isEmpty());
        click(editor->InsButton);
        QCOMPARE(editor->SurfaceControl->count(), kMaxSurfaces + 1);
        QVERIFY(editor->messageLabel->text().contains(QStringLiteral("29")));
        QCOMPARE(editor->flzEdit->text(), QStringLiteral("29"));
        // Deleting down to one surface, and not further.
        for (int i = 1; i < kMaxSurfaces; ++i) click(editor->DelButton);
        QCOMPARE(editor->SurfaceControl->count(), 2);
        click(editor->DelButton);
        QCOMPARE(editor->SurfaceControl->count(), 2);
        QVERIFY(!editor->messageLabel->text().isEmpty());
    }

    void aGlassChosenForTheEditorGetsTheSignOfTheLight() {
        openEditor();
        click(editor->MediaButton);
        QVERIFY(glass->isVisible());
        QCOMPARE(glass->windowTitle(), QStringLiteral("Glass Choice"));
        QCOMPARE(glass->mode(), GlassDialog::Mode::Choose);
        QVERIFY(!glass->NeuButton->isVisible());
        QVERIFY(glass->neEdit->isReadOnly());
        const int bk7 = catalogueIndexOf("N-BK7 ");
        QVERIFY(bk7 >= 0);
        glass->showRecord(bk7);
        QCOMPARE(glass->map->marked(), bk7);
        click(glass->okButton);
        QVERIFY(!glass->isVisible());
        QVERIFY(editor->nEdits[1]->text().startsWith(QStringLiteral("-1.51")));
        QVERIFY(editor->MediumEdit->text().contains(QStringLiteral("N-BK7")));
        QVERIFY(!canUndo(*ws));  // only the buffer changed
        click(editor->okBtn);
        QVERIFY(QString::fromStdString(ws->model.surf[1].medium).contains("N-BK7"));
        QVERIFY(ws->model.surf[1].n[colourIndex(kGreen)] < -1.5);
    }

    void theFilterAndTheMapChooseAGlass() {
        glass->openEdit();
        QTest::keyClicks(glass->FilterEdit, QStringLiteral("N-F2"));
        QVERIFY(glass->SchottBox->count() >= 1);
        for (int i = 0; i < glass->SchottBox->count(); ++i)
            QVERIFY(glass->SchottBox->itemText(i).contains(QStringLiteral("N-F2")));
        glass->FilterEdit->clear();
        QCOMPARE(glass->SchottBox->count(), static_cast<int>(glass->catalogue().size()));

        const int sf6 = catalogueIndexOf("N-SF6 ");
        QVERIFY(sf6 >= 0);
        const std::vector<GlassMapPoint> points = glassMapPoints(glass->catalogue());
        const GlassMapFrame frame(points, glass->map->width(), glass->map->height());
        const RecordParseResult r = parseCatalogueRecord(glass->catalogue(), idx(sf6));
        const Point p = frame.toPixel(r.record.ve, r.record.ne);
        QTest::mouseClick(glass->map, Qt::LeftButton, {}, QPoint(p.x, p.y));
        QCOMPARE(glass->shownRecord(), sf6);
        QVERIFY(glass->EditType->text().contains(QStringLiteral("N-SF6")));
        click(glass->CancelButton);
    }

    void aRecordAddedWithUebernehmenIsWrittenAndReadsBack() {
        menuEntry(window->editMenu, QStringLiteral("Glaskatalog"))->trigger();
        QCOMPARE(glass->mode(), GlassDialog::Mode::Edit);
        QVERIFY(glass->NeuButton->isVisible());
        const std::size_t before = glass->catalogue().size();
        click(glass->NeuButton);
        type(glass->EditCode, QStringLiteral("123456.789"));
        type(glass->EditType, QStringLiteral("L     Test-Glas      Sel"));
        type(glass->neEdit, QStringLiteral("1.5"));
        type(glass->veEdit, QStringLiteral("6.5"));
        type(glass->PFeEdit, QStringLiteral("0.5"));
        const std::array<const char*, 6> k = {"1.0", "0.2", "1.0", "0.006", "0.02", "100"};
        for (std::size_t i = 0; i < 6; ++i) type(glass->coefEdits[i], QString::fromLatin1(k[i]));
        click(glass->TakeButton);
        QCOMPARE(glass->catalogue().size(), before + 1);
        const std::string line = glass->catalogue().lines.back();
        QVERIFY(line.find("6.50") != std::string::npos);
        click(glass->okButton);
        QCOMPARE(glass->mode(), GlassDialog::Mode::Choose);

        const CatalogueReadResult reread =
            readCatalogueFile(temp.filePath(QStringLiteral("DemoGlasdaten.txt")).toStdString());
        QCOMPARE(reread.error, std::string());
        QCOMPARE(reread.catalogue.lines, glass->catalogue().lines);
        const RecordParseResult r = parseRecord(reread.catalogue.lines.back());
        QCOMPARE(r.record.code, std::string("123456.789 "));
        QCOMPARE(r.record.ve, 6.5);
    }

    void aRecordThatDoesNotReadIsReportedAndChangesNothing() {
        glass->openEdit();
        const int bk7 = catalogueIndexOf("N-BK7 ");
        glass->showRecord(bk7);
        const QString shown = glass->EditType->text();
        // A record broken by hand in the file.
        QFile file(temp.filePath(QStringLiteral("DemoGlasdaten.txt")));
        QVERIFY(file.open(QIODevice::Append));
        file.write("999999.999 L     Kaputt         Sel       abc\r\n");
        file.close();
        QCOMPARE(glass->readCatalogue({temp.path().toStdString()}), std::string());
        glass->showRecord(bk7);
        glass->showRecord(static_cast<int>(glass->catalogue().size()) - 1);
        QVERIFY(glass->messageLabel->text().contains(QStringLiteral("ne")));
        QCOMPARE(glass->EditType->text(), shown);
        QCOMPARE(glass->shownRecord(), bk7);
        click(glass->CancelButton);
    }
};

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
