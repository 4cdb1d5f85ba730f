// The lens dialogs: cemented achromat, Fraunhofer doublet and Schmidt camera.
#include <QLabel>

#include "synthesis/achromat.h"
#include "synthesis/fraunhofer.h"
#include "synthesis/qt/synthesis_dialogs.h"
#include "synthesis/schmidt_camera.h"

namespace vn {
namespace {

// "Bezeichnung", "ne" and "ve" of one glass in a row of the glass group.
GlassEdits addGlassRow(QGridLayout* grid, int row, const QString& caption, QWidget* parent) {
    GlassEdits g{shownOnly(parent, 200), shownOnly(parent, 80), shownOnly(parent, 60)};
    g.ne->setAlignment(Qt::AlignRight);
    g.ve->setAlignment(Qt::AlignRight);
    grid->addWidget(new QLabel(caption, parent), row, 0);
    grid->addWidget(g.name, row, 1);
    grid->addWidget(g.ne, row, 2);
    grid->addWidget(g.ve, row, 3);
    return g;
}

QGridLayout* glassGrid(QGroupBox* box) {
    auto* grid = new QGridLayout(box);
    grid->addWidget(new QLabel(QStringLiteral("Bezeichnung"), box), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("ne"), box), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("ve"), box), 0, 3);
    return grid;
}

QLineEdit* messageLine(QWidget* parent, QVBoxLayout* layout) {
    auto* e = shownOnly(parent, 360);
    layout->addWidget(e);
    return e;
}

}  // namespace

DoubletForm::DoubletForm(SynthesisDialog kind, Workspace& ws, SynthesisState& state,
                         QWidget* parent)
    : SynthesisForm(kind,
                    kind == SynthesisDialog::Achromat ? QStringLiteral("Kitt Achromat Synthese")
                                                      : QStringLiteral("Fraunhofer Synthese"),
                    ws, state, parent) {
    const bool fraunhofer = kind == SynthesisDialog::Fraunhofer;
    achromat_ = state.achromat;
    fraunhofer_ = state.fraunhofer;

    auto* glassBox = new QGroupBox(QStringLiteral("Glas"), this);
    QGridLayout* grid = glassGrid(glassBox);
    glass1 = addGlassRow(grid, 1, QStringLiteral("Glas1"), glassBox);
    glass2 = addGlassRow(grid, 2, QStringLiteral("Glas2"), glassBox);
    auto* choice = new QGroupBox(QStringLiteral("GlasWahl"), glassBox);
    auto* choiceRow = new QHBoxLayout(choice);
    glass1Choice = new QRadioButton(QStringLiteral("Glas1"), choice);
    glass2Choice = new QRadioButton(QStringLiteral("Glas2"), choice);
    glass1Choice->setChecked(true);
    choiceRow->addWidget(glass1Choice);
    choiceRow->addWidget(glass2Choice);
    grid->addWidget(choice, 3, 0, 1, 4);
    layout_->addWidget(glassBox);

    auto* inputs = new QGroupBox(QStringLiteral("Eingaben"), this);
    auto* form = new QFormLayout(inputs);
    double& thickness1 = fraunhofer ? fraunhofer_.thickness1 : achromat_.thickness1;
    double& thickness2 = fraunhofer ? fraunhofer_.thickness2 : achromat_.thickness2;
    WahlDick1 = addNumber(form, QStringLiteral("Dicke1"), &thickness1, 2);
    if (fraunhofer) AbstandEdit = addNumber(form, QStringLiteral("Abstand"), &fraunhofer_.gap, 4);
    WahlDick2 = addNumber(form, QStringLiteral("Dicke2"), &thickness2, 2);
    addCommonInputs(form, fraunhofer ? fraunhofer_.common : achromat_.common, 0, 0, 1);
    layout_->addWidget(inputs);

    auto* targets = new QGroupBox(QStringLiteral("Korrektur-Zielwerte"), this);
    auto* targetForm = new QFormLayout(targets);
    WahlZAch = addNumber(targetForm, QStringLiteral("Farblängsfehler"),
                         fraunhofer ? &fraunhofer_.colourTarget : &achromat_.colourTarget, 5, 9);
    WahlZOff =
        addNumber(targetForm, QStringLiteral("Öffnungsfehler"),
                  fraunhofer ? &fraunhofer_.sphericalTarget : &achromat_.sphericalTarget, 3, 7);
    if (fraunhofer)
        WahlZKom = addNumber(targetForm, QStringLiteral("Koma"), &fraunhofer_.comaTarget, 3, 7);
    layout_->addWidget(targets);

    MessageEdit = messageLine(this, layout_);
    messageField_ = MessageEdit;
    layout_->addLayout(addButtons(!fraunhofer, true));
    connect(GlasButton, &QPushButton::clicked, this, &DoubletForm::GlasButtonClick);
    FormPaint();
}

int DoubletForm::secondSlot() const {
    return kind_ == SynthesisDialog::Fraunhofer ? kFraunhoferSecondSlot : 2;
}

void DoubletForm::GlasButtonClick() {
    emit glassRequested(glass2Choice->isChecked() ? secondSlot() : 1);
}

void DoubletForm::FormPaint() {
    glass1.show(state_.glasses, 1);
    glass2.show(state_.glasses, secondSlot());
}

void DoubletForm::FormActivate() {
    // The targets as the last "ok" read them.
    if (kind_ == SynthesisDialog::Fraunhofer) {
        fraunhofer_.colourTarget = state_.fraunhofer.colourTarget;
        fraunhofer_.sphericalTarget = state_.fraunhofer.sphericalTarget;
        fraunhofer_.comaTarget = state_.fraunhofer.comaTarget;
        showValue(WahlZKom);
    } else {
        achromat_.colourTarget = state_.achromat.colourTarget;
        achromat_.sphericalTarget = state_.achromat.sphericalTarget;
    }
    showValue(WahlZAch);
    showValue(WahlZOff);
    FormPaint();
}

SynthesisResult DoubletForm::build() {
    if (kind_ == SynthesisDialog::Fraunhofer) return synthesiseFraunhofer(fraunhofer_, state_, ws_);
    return synthesiseAchromat(achromat_, state_, ws_);
}

SchmidtForm::SchmidtForm(Workspace& ws, SynthesisState& state, QWidget* parent)
    : SynthesisForm(SynthesisDialog::Schmidt, QStringLiteral("Schmidtspiegel Synthese"), ws, state,
                    parent),
      inputs_(state.schmidt) {
    auto* glassBox = new QGroupBox(QStringLiteral("Normdaten für Korrektionsplatte"), this);
    QGridLayout* grid = glassGrid(glassBox);
    glass1 = addGlassRow(grid, 1, QStringLiteral("Glas"), glassBox);
    auto* plate = new QFormLayout;
    WahlDick1 = addNumber(plate, QStringLiteral("Dicke"), &inputs_.thickness, 2);
    NZEdit = addNumber(plate, QStringLiteral("NZ"), &inputs_.neutralZone, 3);
    grid->addLayout(plate, 2, 0, 1, 4);
    layout_->addWidget(glassBox);

    auto* inputs = new QGroupBox(QStringLiteral("Eingaben"), this);
    auto* form = new QFormLayout(inputs);
    addCommonInputs(form, inputs_.common, 0, 0, 1);
    layout_->addWidget(inputs);

    auto* targets = new QGroupBox(QStringLiteral("Korrektur-Zielwerte"), this);
    auto* targetForm = new QFormLayout(targets);
    WahlZoff =
        addNumber(targetForm, QStringLiteral("Öffnungsfehler"), &inputs_.sphericalTarget, 3, 7);
    WahlZAch = addNumber(targetForm, QStringLiteral("Koma"), &inputs_.comaTarget, 5, 9);
    layout_->addWidget(targets);

    MessageEdit = messageLine(this, layout_);
    messageField_ = MessageEdit;
    layout_->addLayout(addButtons(true, true));
    connect(GlasButton, &QPushButton::clicked, this, &SchmidtForm::GlasButtonClick);
    FormPaint();
}

void SchmidtForm::GlasButtonClick() {
    emit glassRequested(1);
}

void SchmidtForm::FormPaint() {
    glass1.show(state_.glasses, 1);
}

SynthesisResult SchmidtForm::build() {
    return synthesiseSchmidtCamera(inputs_, state_, ws_);
}

}  // namespace vn
