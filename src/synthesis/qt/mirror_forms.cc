// The mirror and catadioptric dialogs: Cassegrain, the two Medial designs, the
// Schmidt-Cassegrain form, and the object that opens them.
#include <QLabel>

#include "synthesis/cassegrain.h"
#include "synthesis/medial_cassegrain.h"
#include "synthesis/medial_triplet.h"
#include "synthesis/qt/synthesis_dialogs.h"
#include "ui/qt/user_numbers.h"

namespace vn {
namespace {

template <size_t N>
QGroupBox* radioGroup(QWidget* parent, const QString& caption, const char* const (&items)[N],
                      std::array<QRadioButton*, N>& buttons, size_t checked) {
    auto* box = new QGroupBox(caption, parent);
    auto* column = new QVBoxLayout(box);
    for (size_t i = 0; i < N; ++i) {
        buttons[i] = new QRadioButton(QString::fromUtf8(items[i]), box);
        column->addWidget(buttons[i]);
    }
    buttons[checked]->setChecked(true);
    return box;
}

constexpr const char* kParameterItems[] = {"Abstand Primär-Sekundär", "Sekundärvergrößerung",
                                           "Obstruktion"};
constexpr const char* kTypeItems[] = {"klassisch", "Dall-Kirkham", "Ritchey-Chrétien",
                                      "Pressman-Camichel"};

}  // namespace

CassegrainForm::CassegrainForm(Workspace& ws, SynthesisState& state, QWidget* parent)
    : SynthesisForm(SynthesisDialog::Cassegrain, QStringLiteral("Cassegrain Sysnthese"), ws, state,
                    parent) {
    cassegrainDialogCreated(ws, state);
    inputs_ = state.cassegrain;

    auto* geometry = new QGroupBox(QStringLiteral("Geometrie"), this);
    auto* form = new QFormLayout(geometry);
    FocPrimEdit =
        addNumber(form, QStringLiteral("Abstand Fokus-Primärspiegel"), &inputs_.layout.e, 2, 4);
    tubeEdit = addNumber(form, QStringLiteral("Abstand Primär-Sekundär"), &inputs_.layout.d, 2, 4);
    mFaktEdit = addNumber(form, QStringLiteral("Sekundärvergrößerung"), &inputs_.layout.m, 2, 4);
    ObstrEdit = addNumber(form, QStringLiteral("Obstruktion"), &inputs_.layout.k, 2, 4);
    layout_->addWidget(geometry);

    auto* choices = new QHBoxLayout;
    choices->addWidget(radioGroup(this, QStringLiteral("Auswahl 2. Parameter"), kParameterItems,
                                  parameterButtons, 0));
    choices->addWidget(
        radioGroup(this, QStringLiteral("Cassegrain-Typ"), kTypeItems, typeButtons, 0));
    layout_->addLayout(choices);

    auto* inputs = new QGroupBox(QStringLiteral("Eingaben"), this);
    auto* common = new QFormLayout(inputs);
    addCommonInputs(common, inputs_.common, 2, 2, 2);
    layout_->addWidget(inputs);

    auto* targets = new QGroupBox(QStringLiteral("Korrektur-Zielwerte"), this);
    auto* targetForm = new QFormLayout(targets);
    WahlZOff = addNumber(targetForm, QStringLiteral("Öffnungsfehler"), &inputs_.sphericalTarget, 5);
    WahlZKom = addNumber(targetForm, QStringLiteral("Koma"), &inputs_.comaTarget, 5);
    layout_->addWidget(targets);

    MessageEdit = shownOnly(this, 360);
    messageField_ = MessageEdit;
    layout_->addWidget(MessageEdit);
    layout_->addLayout(addButtons(true, true));
    GlasButton->hide();  // the Cassegrain has no glass

    for (QRadioButton* b : parameterButtons)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ParaWahlRadioGroupClick();
        });
    for (QRadioButton* b : typeButtons)
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) TypGroupClick();
        });
    for (QLineEdit* e : {FocPrimEdit, tubeEdit, mFaktEdit, ObstrEdit})
        connect(e, &QLineEdit::editingFinished, this, [this, e] { layoutEditExit(e); });
    ParaWahlRadioGroupClick();
    TypGroupClick();
}

void CassegrainForm::ParaWahlRadioGroupClick() {
    for (size_t i = 0; i < parameterButtons.size(); ++i)
        if (parameterButtons[i]->isChecked())
            inputs_.parameter = static_cast<CassegrainParameter>(i);
    tubeEdit->setEnabled(inputs_.parameter == CassegrainParameter::Separation);
    mFaktEdit->setEnabled(inputs_.parameter == CassegrainParameter::Magnification);
    ObstrEdit->setEnabled(inputs_.parameter == CassegrainParameter::Obstruction);
}

void CassegrainForm::TypGroupClick() {
    for (size_t i = 0; i < typeButtons.size(); ++i)
        if (typeButtons[i]->isChecked()) inputs_.type = static_cast<CassegrainType>(i);
    WahlZKom->setEnabled(inputs_.type == CassegrainType::RitcheyChretien);
}

void CassegrainForm::layoutEditExit(QLineEdit* edit) {
    double* value = edit == FocPrimEdit ? &inputs_.layout.e
                    : edit == tubeEdit  ? &inputs_.layout.d
                    : edit == mFaktEdit ? &inputs_.layout.m
                                        : &inputs_.layout.k;
    if (!readNumberField(edit, *value)) return;
    // UpdateSystem on a copy: a layout without solution keeps the last one.
    CassegrainLayout layout = inputs_.layout;
    const std::string error = updateCassegrainLayout(layout, inputs_.parameter);
    showMessage(QString::fromStdString(error));
    if (error.empty()) inputs_.layout = layout;
    showLayout();
}

void CassegrainForm::showLayout() {
    for (QLineEdit* e : {FocPrimEdit, tubeEdit, mFaktEdit, ObstrEdit}) showValue(e);
}

SynthesisResult CassegrainForm::build() {
    const SynthesisResult result = synthesiseCassegrain(inputs_, state_, ws_);
    if (result.wrote) {
        inputs_.layout = state_.cassegrain.layout;
        showLayout();
    }
    return result;
}

MedialForm::MedialForm(SynthesisDialog kind, Workspace& ws, SynthesisState& state, QWidget* parent)
    : SynthesisForm(kind,
                    kind == SynthesisDialog::MedialCassegrain
                        ? QStringLiteral("Medial Cassegrain Synthese")
                        : QStringLiteral("Medial Triplet Synthese"),
                    ws, state, parent),
      cassegrain_(state.medialCassegrain),
      triplet_(state.medialTriplet) {
    const bool cass = cassegrain();
    auto* glassBox = new QGroupBox(QStringLiteral("Glas"), this);
    auto* glassForm = new QFormLayout(glassBox);
    GlasEdit = shownOnly(glassBox, 220);
    WahlBrech = shownOnly(glassBox, 90);
    WahlBrech->setAlignment(Qt::AlignRight);
    WahlBrech->setText(QStringLiteral("1.52"));
    glassForm->addRow(QStringLiteral("Bezeichnung"), GlasEdit);
    glassForm->addRow(QStringLiteral("Brechzahl Hauptfarbe"), WahlBrech);
    layout_->addWidget(glassBox);

    auto* geometry = new QGroupBox(QStringLiteral("Geometrie"), this);
    auto* form = new QFormLayout(geometry);
    if (cass) {
        MedialCassegrainInputs& in = cassegrain_;
        addNumber(form, QStringLiteral("Dicke der Frontlinse"), &in.frontThickness, 3);
        addNumber(form, QStringLiteral("Abstand Mangin-Spiegel"), &in.manginDistance, 3);
        addNumber(form, QStringLiteral("Dicke Mangin-Spiegel"), &in.manginThickness, 3);
        addNumber(form, QStringLiteral("Abstand Fangspiegel"), &in.secondaryDistance, 3);
        addNumber(form, QStringLiteral("Brechkraft Fangspiegel"), &in.secondaryPower, 3);
        addNumber(form, QStringLiteral("Abstand Feldlinse"), &in.fieldLensDistance, 3);
        addNumber(form, QStringLiteral("Dicke Feldlinse"), &in.fieldLensThickness, 3);
    } else {
        MedialTripletInputs& in = triplet_;
        addNumber(form, QStringLiteral("Dicke der Frontlinse"), &in.frontThickness, 3);
        addNumber(form, QStringLiteral("Abstand Mangin-Spiegel"), &in.manginDistance, 3);
        addNumber(form, QStringLiteral("Dicke Mangin-Spiegel"), &in.manginThickness, 3);
        addNumber(form, QStringLiteral("Abstand Feldlinse"), &in.fieldLensDistance, 3);
        addNumber(form, QStringLiteral("Dicke Feldlinse"), &in.fieldLensThickness, 3);
    }
    layout_->addWidget(geometry);

    auto* inputs = new QGroupBox(QStringLiteral("Eingaben"), this);
    auto* common = new QFormLayout(inputs);
    addCommonInputs(common, cass ? cassegrain_.common : triplet_.common, 0, cass ? 2 : 1, 0);
    // The inputs and the targets side by side, so that the tallest of the
    // dialogs still fits a screen 800 pixels high.
    auto* inputsAndTargets = new QHBoxLayout;
    inputsAndTargets->addWidget(inputs, 0, Qt::AlignTop);

    MedialTargets& t = cass ? cassegrain_.targets : triplet_.targets;
    auto* targets = new QGroupBox(QStringLiteral("Korrektur-Zielwerte"), this);
    auto* targetForm = new QFormLayout(targets);
    addNumber(targetForm, QStringLiteral("Farblängsfehler"), &t.longitudinalColour, 5, 9);
    addNumber(targetForm, QStringLiteral("Farbquerfehler"), &t.lateralColour, 5, 9);
    addNumber(targetForm, QStringLiteral("Öffnungsfehler"), &t.spherical, 3, 7);
    addNumber(targetForm, QStringLiteral("Koma"), &t.coma, 3, 7);
    addNumber(targetForm, QStringLiteral("Astigmatismus"), &t.astigmatism, 3, 7);
    addNumber(targetForm, QStringLiteral("Bildfeldkrümmung"), &t.curvature, 3, 7);
    inputsAndTargets->addWidget(targets);
    layout_->addLayout(inputsAndTargets);

    auto* row = new QHBoxLayout;
    auto* equivalent = new QGroupBox(QStringLiteral("Koma  Äquivalentsystem"), this);
    auto* equivalentForm = new QFormLayout(equivalent);
    EquSysSollEdit = addNumber(equivalentForm, QStringLiteral("Sollwert"), &t.equivalentComa, 0);
    EquSysIstEdit = shownOnly(equivalent, 90);
    EquSysIstEdit->setAlignment(Qt::AlignRight);
    equivalentForm->addRow(QStringLiteral("Istwert"), EquSysIstEdit);
    row->addWidget(equivalent);
    static constexpr const char* kSurfaceItems[] = {"Fläche1", "Fläche2"};
    row->addWidget(radioGroup(this, QStringLiteral("Korrektionsfläche Äquivalentsystem"),
                              kSurfaceItems, surfaceButtons, cass ? 1 : 0));
    if (cass) {
        auto* image = new QGroupBox(QStringLiteral("Image"), this);
        auto* imageForm = new QFormLayout(image);
        flatButton = new QRadioButton(QStringLiteral("Flat Field"), image);
        freeButton = new QRadioButton(QStringLiteral("FreeField"), image);
        flatButton->setChecked(cassegrain_.flatField);
        freeButton->setChecked(!cassegrain_.flatField);
        imageForm->addRow(flatButton);
        imageForm->addRow(freeButton);
        bflEdit = addNumber(imageForm, QStringLiteral("bfl"), &cassegrain_.backFocus, 2);
        bflEdit->setEnabled(!cassegrain_.flatField);
        connect(flatButton, &QRadioButton::clicked, this, &MedialForm::FlatButtonClick);
        connect(freeButton, &QRadioButton::clicked, this, &MedialForm::FreeButtonClick);
        row->addWidget(image);
    }
    layout_->addLayout(row);

    // The Part gives these dialogs no message field; refusals and the
    // residuals of the correction loops need one all the same.
    messageField_ = shownOnly(this, 360);
    layout_->addWidget(messageField_);
    layout_->addLayout(addButtons(false, true));
    connect(GlasButton, &QPushButton::clicked, this, &MedialForm::GlasButtonClick);
    FormPaint();
}

void MedialForm::GlasButtonClick() {
    emit glassRequested(1);
}

void MedialForm::FormPaint() {
    const GlassFields f = glassFields(state_.glasses, 1, userDecimalSeparator());
    GlasEdit->setText(QString::fromStdString(f.name));
    GlasEdit->setCursorPosition(0);
    WahlBrech->setText(QString::fromStdString(f.index));
}

void MedialForm::FlatButtonClick() {
    cassegrain_.flatField = true;
    bflEdit->setEnabled(false);
}

void MedialForm::FreeButtonClick() {
    cassegrain_.flatField = false;
    bflEdit->setEnabled(true);
}

SynthesisResult MedialForm::build() {
    const CorrectionSurface sigma =
        surfaceButtons[0]->isChecked() ? CorrectionSurface::Surface1 : CorrectionSurface::Surface2;
    MedialSynthesisResult r;
    if (cassegrain()) {
        cassegrain_.correction = sigma;
        r = synthesiseMedialCassegrain(cassegrain_, state_, ws_);
    } else {
        triplet_.correction = sigma;
        r = synthesiseMedialTriplet(triplet_, state_, ws_);
    }
    equivalentComa_ = r.equivalentComa;
    return r;
}

void MedialForm::written(const SynthesisResult&) {
    EquSysIstEdit->setText(equivalentComa_ ? userFixed(*equivalentComa_, 9, 6) : QString());
}

SchmidtCassForm::SchmidtCassForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Schmidt-Cassegrain Synthese"));
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* geometry = new QGroupBox(QStringLiteral("Geometrie"), this);
    auto* form = new QFormLayout(geometry);
    for (const char* label : {"Abstand Fokus-Primärspiegel", "Abstand Primär-Sekundär",
                              "Sekundärvergrößerung", "Obstruktion"})
        form->addRow(QString::fromUtf8(label), new QLineEdit(geometry));
    layout->addWidget(geometry);
    std::array<QRadioButton*, 3> parameters{};
    std::array<QRadioButton*, 4> types{};
    auto* choices = new QHBoxLayout;
    choices->addWidget(
        radioGroup(this, QStringLiteral("Auswahl 2. Parameter"), kParameterItems, parameters, 0));
    choices->addWidget(radioGroup(this, QStringLiteral("Cassegrain-Typ"), kTypeItems, types, 0));
    layout->addLayout(choices);
    auto* inputs = new QGroupBox(QStringLiteral("Eingaben"), this);
    auto* common = new QFormLayout(inputs);
    for (const char* label : {"f/mm", "Blende", "Feld/°", "Massstab"})
        common->addRow(QString::fromUtf8(label), new QLineEdit(inputs));
    layout->addWidget(inputs);
    auto* targets = new QGroupBox(QStringLiteral("Korrektur-Zielwerte"), this);
    auto* targetForm = new QFormLayout(targets);
    for (const char* label : {"Öffnungsfehler", "Koma", "Astigmatismus"})
        targetForm->addRow(QString::fromUtf8(label), new QLineEdit(targets));
    layout->addWidget(targets);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (const char* text : {"ok", "Cancel", "Schließen"})
        buttons->addWidget(new QPushButton(QString::fromUtf8(text), this));
    layout->addLayout(buttons);
}

SynthesisDialogs::SynthesisDialogs(Workspace& ws, SynthesisState& state, QWidget* parent)
    : QObject(parent), state_(state) {
    // Created in the order of the program's start-up; the Cassegrain dialog's
    // creation sets the system data.
    auto add = [&](SynthesisForm* f) {
        forms_[static_cast<size_t>(f->kind())] = f;
        f->placeAtRightEdge();
        connect(f, &SynthesisForm::glassRequested, this,
                [this, f](int slot) { emit glassRequested(f->kind(), slot); });
        connect(f, &SynthesisForm::systemWritten, this, &SynthesisDialogs::systemWritten);
    };
    add(new MedialForm(SynthesisDialog::MedialCassegrain, ws, state, parent));
    add(new DoubletForm(SynthesisDialog::Achromat, ws, state, parent));
    add(new CassegrainForm(ws, state, parent));
    add(new MedialForm(SynthesisDialog::MedialTriplet, ws, state, parent));
    add(new SchmidtForm(ws, state, parent));
    add(new DoubletForm(SynthesisDialog::Fraunhofer, ws, state, parent));
    schmidtCass_ = new SchmidtCassForm(parent);
}

SynthesisForm* SynthesisDialogs::form(SynthesisDialog kind) const {
    return forms_[static_cast<size_t>(kind)];
}

void SynthesisDialogs::open(SynthesisDialog kind) {
    openSynthesisDialog(state_, kind);
    for (SynthesisForm* f : forms_)
        if (f->kind() != kind && f->isVisible()) f->hide();
    // Hiding another dialog marked it closed; the chosen one counts as open.
    openSynthesisDialog(state_, kind);
    SynthesisForm* f = form(kind);
    f->FormPaint();
    f->show();
    f->raise();
    f->activateWindow();
}

void SynthesisDialogs::openSchmidtCass() {
    schmidtCass_->show();
    schmidtCass_->raise();
}

void SynthesisDialogs::glassChosen() {
    for (SynthesisForm* f : forms_)
        if (f->isVisible()) f->FormPaint();
}

}  // namespace vn
