// The synthesis dialogs as a user meets them: opening and closing by the menu's
// rules, the inputs and their formats, the glass choice, "ok" and what it
// writes, which must be what the batch command writes for the same inputs.
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "mainwindow/document.h"
#include "model/data_paths.h"
#include "model/glass_catalogue.h"
#include "synthesis/qt/synthesis_dialogs.h"

using namespace vn;

namespace {

struct Desk {
    std::unique_ptr<Workspace> ws = std::make_unique<Workspace>();
    SynthesisState state;
    std::unique_ptr<SynthesisDialogs> dialogs;
    Desk() {
        Initialize(*ws);
        dialogs = std::make_unique<SynthesisDialogs>(*ws, state, nullptr);
    }
    ~Desk() {
        for (SynthesisDialog d :
             {SynthesisDialog::Achromat, SynthesisDialog::Fraunhofer, SynthesisDialog::Cassegrain,
              SynthesisDialog::Schmidt, SynthesisDialog::MedialCassegrain,
              SynthesisDialog::MedialTriplet})
            delete dialogs->form(d);
        delete dialogs->schmidtCass();
    }
};

GlassRecord glass(const char* name) {
    const CatalogueReadResult read =
        readCatalogueFile(std::string(VARNISTRALE_TEST_DATA_DIR) + "/DemoGlasdaten.txt");
    GlassRecord r;
    if (!findGlassByName(read.catalogue, name, r)) qFatal("no glass %s", name);
    return r;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

class SynthesisDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void openingOneClosesTheOthersAndEmptiesTheSlotsButCassegrain();
    void theInputsShowTheirDefaultsInTheirFormats();
    void okWritesTheCommonInputsAndTwiceGivesTheSameSystem();
    void badInputIsNamedAndWritesNothing();
    void withoutGlassTheDialogAsksForOne();
    void everyDesignWritesWhatTheBatchCommandWrites();
};

void SynthesisDialogsTest::openingOneClosesTheOthersAndEmptiesTheSlotsButCassegrain() {
    Desk d;
    d.dialogs->open(SynthesisDialog::Schmidt);
    QVERIFY(d.dialogs->form(SynthesisDialog::Schmidt)->isVisible());
    QVERIFY(chooseDialogGlass(d.state, SynthesisDialog::Schmidt, 1, glass("N-BK7"), d.ws->model)
                .empty());
    d.dialogs->glassChosen();
    auto* schmidt = static_cast<SchmidtForm*>(d.dialogs->form(SynthesisDialog::Schmidt));
    QCOMPARE(schmidt->glass1.ne->text(), QStringLiteral("1.518722"));

    d.dialogs->open(SynthesisDialog::Cassegrain);
    QVERIFY(!schmidt->isVisible());
    QVERIFY(glassChosen(d.state.glasses[1]));  // Cassegrain keeps the slots

    d.dialogs->open(SynthesisDialog::Achromat);
    QVERIFY(!d.dialogs->form(SynthesisDialog::Cassegrain)->isVisible());
    QVERIFY(!glassChosen(d.state.glasses[1]));  // the others empty them
    QVERIFY(d.state.open[static_cast<size_t>(SynthesisDialog::Achromat)]);
    // Opening the open dialog again changes nothing.
    QVERIFY(chooseDialogGlass(d.state, SynthesisDialog::Achromat, 1, glass("N-BK7"), d.ws->model)
                .empty());
    d.dialogs->open(SynthesisDialog::Achromat);
    QVERIFY(glassChosen(d.state.glasses[1]));
    // "Auswahl Glas" asks for the slot of the chosen radio item.
    auto* achromat = static_cast<DoubletForm*>(d.dialogs->form(SynthesisDialog::Achromat));
    QSignalSpy asked(d.dialogs.get(), &SynthesisDialogs::glassRequested);
    achromat->glass2Choice->setChecked(true);
    achromat->GlasButton->click();
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0][1].toInt(), 2);
    auto* fraunhofer = static_cast<DoubletForm*>(d.dialogs->form(SynthesisDialog::Fraunhofer));
    fraunhofer->glass2Choice->setChecked(true);
    fraunhofer->GlasButton->click();
    QCOMPARE(asked[1][1].toInt(), 3);
}

void SynthesisDialogsTest::theInputsShowTheirDefaultsInTheirFormats() {
    Desk d;
    // Creating the Cassegrain dialog set the system data.
    QCOMPARE(d.ws->model.sys.focalLength, 2000.0);
    QCOMPARE(d.ws->model.sys.fieldAngle, 0.25);
    auto* cass = static_cast<CassegrainForm*>(d.dialogs->form(SynthesisDialog::Cassegrain));
    QCOMPARE(cass->windowTitle(), QStringLiteral("Cassegrain Sysnthese"));
    QCOMPARE(cass->FeldEdit->text(), QStringLiteral("0.50"));
    QCOMPARE(cass->BrennEdit->text(), QStringLiteral("2000.00"));
    QCOMPARE(cass->MassEdit->text(), QStringLiteral("2000"));
    QCOMPARE(cass->mFaktEdit->text(), QStringLiteral("3.75"));
    QCOMPARE(cass->ObstrEdit->text(), QStringLiteral("0.25"));
    QVERIFY(cass->tubeEdit->isEnabled() && !cass->mFaktEdit->isEnabled());
    QVERIFY(!cass->WahlZKom->isEnabled());
    cass->typeButtons[2]->setChecked(true);  // Ritchey-Chrétien
    QVERIFY(cass->WahlZKom->isEnabled());
    cass->parameterButtons[2]->setChecked(true);  // Obstruktion
    QVERIFY(cass->ObstrEdit->isEnabled() && !cass->tubeEdit->isEnabled());
    cass->ObstrEdit->setText(QStringLiteral("0.3"));
    cass->layoutEditExit(cass->ObstrEdit);  // UpdateSystem
    QCOMPARE(cass->ObstrEdit->text(), QStringLiteral("0.30"));
    QCOMPARE(cass->mFaktEdit->text(), QStringLiteral("2.80"));  // (1 - k)/(k - e)

    auto* achromat = static_cast<DoubletForm*>(d.dialogs->form(SynthesisDialog::Achromat));
    QCOMPARE(achromat->windowTitle(), QStringLiteral("Kitt Achromat Synthese"));
    QCOMPARE(achromat->WahlDick1->text(), QStringLiteral("0.02"));
    QCOMPARE(achromat->WahlZAch->text(), QStringLiteral("0.00000"));
    QCOMPARE(achromat->WahlZOff->text(), QStringLiteral("0.000"));
    QCOMPARE(achromat->FeldEdit->text(), QStringLiteral("1.0"));
    QVERIFY(achromat->CloseButton);
    auto* fraunhofer = static_cast<DoubletForm*>(d.dialogs->form(SynthesisDialog::Fraunhofer));
    QCOMPARE(fraunhofer->AbstandEdit->text(), QStringLiteral("0.0010"));
    QVERIFY(!fraunhofer->CloseButton);
    auto* medial = static_cast<MedialForm*>(d.dialogs->form(SynthesisDialog::MedialCassegrain));
    QCOMPARE(medial->OffEdit->text(), QStringLiteral("3.33"));
    QCOMPARE(medial->WahlBrech->text(), QStringLiteral("1.520000"));  // set at creation
    QVERIFY(medial->surfaceButtons[1]->isChecked());
    QVERIFY(!medial->bflEdit->isEnabled());
    medial->freeButton->click();
    QVERIFY(medial->bflEdit->isEnabled());
    auto* triplet = static_cast<MedialForm*>(d.dialogs->form(SynthesisDialog::MedialTriplet));
    QVERIFY(triplet->surfaceButtons[0]->isChecked());
    QVERIFY(!triplet->bflEdit);
    QCOMPARE(d.dialogs->schmidtCass()->windowTitle(),
             QStringLiteral("Schmidt-Cassegrain Synthese"));
}

void SynthesisDialogsTest::okWritesTheCommonInputsAndTwiceGivesTheSameSystem() {
    Desk d;
    d.dialogs->open(SynthesisDialog::Cassegrain);
    auto* cass = d.dialogs->form(SynthesisDialog::Cassegrain);
    QSignalSpy written(d.dialogs.get(), &SynthesisDialogs::systemWritten);
    cass->FeldEdit->setText(QStringLiteral("1"));
    cass->MassEdit->setText(QStringLiteral("1000"));
    cass->okBut->click();
    QCOMPARE(written.size(), 1);
    QCOMPARE(d.ws->model.sys.fieldAngle, 0.5);  // the edit holds the full field
    QCOMPARE(d.ws->settings.controls.systemScale, 1000.0);
    QCOMPARE(d.ws->model.sys.title, std::string("Cassegrain Synthese"));
    const SystemModel first = d.ws->model;
    cass->okBut->click();
    QCOMPARE(written.size(), 2);
    QCOMPARE(d.ws->model.surf[1].r, first.surf[1].r);
    QCOMPARE(d.ws->model.surf[2].k, first.surf[2].k);
    QVERIFY(cass->isVisible());  // "ok" keeps the dialog open
    // A target shown as "0.000" reads as 0, whatever was stored before.
    d.state.cassegrain.sphericalTarget = 0.5;
    cass->okBut->click();
    QCOMPARE(d.state.cassegrain.sphericalTarget, 0.0);
    cass->CancBut->click();
    QVERIFY(!cass->isVisible());
    QVERIFY(!d.state.open[static_cast<size_t>(SynthesisDialog::Cassegrain)]);
}

void SynthesisDialogsTest::badInputIsNamedAndWritesNothing() {
    Desk d;
    d.dialogs->open(SynthesisDialog::Cassegrain);
    auto* cass = d.dialogs->form(SynthesisDialog::Cassegrain);
    const SystemModel before = d.ws->model;
    cass->FeldEdit->setText(QStringLiteral("1"));
    cass->OffEdit->setText(QStringLiteral("zehn"));
    QSignalSpy written(d.dialogs.get(), &SynthesisDialogs::systemWritten);
    cass->okBut->click();
    QCOMPARE(written.size(), 0);
    QVERIFY(cass->MessageEdit->text().contains(QStringLiteral("Blende")));
    QCOMPARE(d.ws->model.sys.fieldAngle, before.sys.fieldAngle);
    QCOMPARE(d.ws->model.N(), before.N());
}

void SynthesisDialogsTest::withoutGlassTheDialogAsksForOne() {
    Desk d;
    d.dialogs->open(SynthesisDialog::MedialTriplet);
    auto* triplet = d.dialogs->form(SynthesisDialog::MedialTriplet);
    const int surfaces = d.ws->model.N();
    triplet->okBut->click();
    QCOMPARE(d.ws->model.N(), surfaces);
    auto* message = triplet->findChildren<QLineEdit*>().last();
    QCOMPARE(message->text(), QStringLiteral("Glas auswählen"));
}

void SynthesisDialogsTest::everyDesignWritesWhatTheBatchCommandWrites() {
    QTemporaryDir dir;
    struct Design {
        SynthesisDialog kind;
        const char* type;
        std::vector<std::pair<int, const char*>> glasses;  // slot, glass
        int typeButton = -1;                               // Cassegrain type
    };
    const std::vector<Design> designs = {
        {SynthesisDialog::Achromat, "achromat", {{1, "N-BK7"}, {2, "N-F2"}}},
        {SynthesisDialog::Fraunhofer, "fraunhofer", {{1, "N-BK7"}, {3, "N-F2"}}},
        {SynthesisDialog::Cassegrain, "cassegrain", {}},
        {SynthesisDialog::Cassegrain, "cassegrain", {}, 2},
        {SynthesisDialog::Schmidt, "schmidt", {{1, "N-BK7"}}},
        {SynthesisDialog::MedialCassegrain, "medial-cassegrain", {{1, "N-BK7"}}},
        {SynthesisDialog::MedialTriplet, "medial-triplet", {{1, "N-BK7"}}},
    };
    const char* typeNames[] = {"classical", "dall-kirkham", "ritchey-chretien",
                               "pressman-camichel"};
    int round = 0;
    for (const Design& design : designs) {
        Desk d;
        d.dialogs->open(design.kind);
        SynthesisForm* form = d.dialogs->form(design.kind);
        QStringList args = {QStringLiteral("synth"), QString::fromUtf8(design.type)};
        for (auto [slot, name] : design.glasses) {
            QVERIFY(
                chooseDialogGlass(d.state, design.kind, slot, glass(name), d.ws->model).empty());
            const bool second = slot > 1;
            args << (second ? QStringLiteral("--glass2") : QStringLiteral("--glass1"))
                 << QString::fromUtf8(name);
        }
        if (design.typeButton >= 0) {
            static_cast<CassegrainForm*>(form)->typeButtons[design.typeButton]->setChecked(true);
            args << QStringLiteral("--type") << QString::fromUtf8(typeNames[design.typeButton]);
        }
        d.dialogs->glassChosen();
        form->okBut->click();
        const QString gui = dir.filePath(QStringLiteral("gui%1.opt").arg(round));
        const QString cli = dir.filePath(QStringLiteral("cli%1.opt").arg(round));
        ++round;
        QVERIFY2(Speichern(*d.ws, gui.toStdString()).ok, design.type);
        QProcess p;
        p.setWorkingDirectory(QStringLiteral(VARNISTRALE_TEST_DATA_DIR));
        args << QStringLiteral("-o") << cli;
        p.start(QStringLiteral(VARNISTRALE_CLI_PATH), args);
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QCOMPARE(fileBytes(gui), fileBytes(cli));
    }
}

QTEST_MAIN(SynthesisDialogsTest)
#include "synthesis_dialogs_test.moc"
