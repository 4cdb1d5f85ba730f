// The six synthesis dialogs of the menu "Synthese", the form "Schmidt-Cass."
// without actions, and the object that opens and closes them by the menu's
// rules.
#pragma once

#include <QButtonGroup>
#include <QObject>
#include <array>

#include "synthesis/qt/synthesis_form.h"

namespace vn {

// "Kitt Achromat Synthese" and "Fraunhofer Synthese": two glasses, the
// targets written back on activation.
class DoubletForm : public SynthesisForm {
    Q_OBJECT
public:
    DoubletForm(SynthesisDialog kind, Workspace& ws, SynthesisState& state, QWidget* parent);

    QRadioButton* glass1Choice = nullptr;  // GlasWahlRadioGroup "Glas1"
    QRadioButton* glass2Choice = nullptr;  // "Glas2"
    GlassEdits glass1, glass2;
    QLineEdit* WahlDick1 = nullptr;
    QLineEdit* AbstandEdit = nullptr;  // Fraunhofer only
    QLineEdit* WahlDick2 = nullptr;
    QLineEdit* WahlZAch = nullptr;
    QLineEdit* WahlZOff = nullptr;
    QLineEdit* WahlZKom = nullptr;  // Fraunhofer only

    void GlasButtonClick();
    void FormPaint() override;
    void FormActivate() override;

protected:
    SynthesisResult build() override;

private:
    int secondSlot() const;
    AchromatInputs achromat_;
    FraunhoferInputs fraunhofer_;
};

// "Schmidtspiegel Synthese".
class SchmidtForm : public SynthesisForm {
    Q_OBJECT
public:
    SchmidtForm(Workspace& ws, SynthesisState& state, QWidget* parent);

    GlassEdits glass1;
    QLineEdit* WahlDick1 = nullptr;
    QLineEdit* NZEdit = nullptr;
    QLineEdit* WahlZoff = nullptr;
    QLineEdit* WahlZAch = nullptr;

    void GlasButtonClick();
    void FormPaint() override;

protected:
    SynthesisResult build() override;

private:
    SchmidtInputs inputs_;
};

// "Cassegrain Sysnthese" (the caption as users know it).
class CassegrainForm : public SynthesisForm {
    Q_OBJECT
public:
    // Creating the dialog sets the system to 2000 mm, f/10, 0.25° and scale 2000.
    CassegrainForm(Workspace& ws, SynthesisState& state, QWidget* parent);

    QLineEdit* FocPrimEdit = nullptr;
    QLineEdit* tubeEdit = nullptr;
    QLineEdit* mFaktEdit = nullptr;
    QLineEdit* ObstrEdit = nullptr;
    QLineEdit* WahlZOff = nullptr;
    QLineEdit* WahlZKom = nullptr;
    std::array<QRadioButton*, 3> parameterButtons{};  // ParaWahlRadioGroup
    std::array<QRadioButton*, 4> typeButtons{};       // TypGroup

    void ParaWahlRadioGroupClick();
    void TypGroupClick();
    // FocPrimEditExit, tubeEditExit, mFaktEditExit, ObstrEditExit: the edit's
    // value, then UpdateSystem.
    void layoutEditExit(QLineEdit* edit);

protected:
    SynthesisResult build() override;

private:
    void showLayout();
    CassegrainInputs inputs_;
};

// "Medial Cassegrain Synthese" and "Medial Triplet Synthese".
class MedialForm : public SynthesisForm {
    Q_OBJECT
public:
    MedialForm(SynthesisDialog kind, Workspace& ws, SynthesisState& state, QWidget* parent);

    QLineEdit* WahlBrech = nullptr;  // slot 1's green index, shown only
    QLineEdit* GlasEdit = nullptr;
    QLineEdit* EquSysSollEdit = nullptr;
    QLineEdit* EquSysIstEdit = nullptr;
    QLineEdit* bflEdit = nullptr;                   // Medial-Cassegrain only
    QRadioButton* flatButton = nullptr;             // "Flat Field"
    QRadioButton* freeButton = nullptr;             // "FreeField"
    std::array<QRadioButton*, 2> surfaceButtons{};  // WahlKorrFl "Fläche1", "Fläche2"

    void GlasButtonClick();
    void FormPaint() override;
    void FlatButtonClick();
    void FreeButtonClick();

protected:
    SynthesisResult build() override;
    void written(const SynthesisResult& result) override;

private:
    bool cassegrain() const { return kind_ == SynthesisDialog::MedialCassegrain; }
    MedialCassegrainInputs cassegrain_;
    MedialTripletInputs triplet_;
    std::optional<double> equivalentComa_;
};

// "Schmidt-Cassegrain Synthese": the layout of the Cassegrain dialog with a
// group of correction targets; nothing in it acts.
class SchmidtCassForm : public QDialog {
    Q_OBJECT
public:
    explicit SchmidtCassForm(QWidget* parent);
};

// The dialogs of the menu "Synthese", created once at start-up.
class SynthesisDialogs : public QObject {
    Q_OBJECT
public:
    SynthesisDialogs(Workspace& ws, SynthesisState& state, QWidget* parent);

    SynthesisForm* form(SynthesisDialog kind) const;
    SchmidtCassForm* schmidtCass() const { return schmidtCass_; }

    // The menu command of a dialog: the other open dialogs close and the glass
    // table empties unless the dialog was open already (Cassegrain keeps the
    // table); then it shows.
    void open(SynthesisDialog kind);
    void openSchmidtCass();
    // A glass was chosen in synthesis mode: the open dialogs show it at once.
    void glassChosen();

signals:
    void glassRequested(SynthesisDialog dialog, int slot);
    void systemWritten();

private:
    SynthesisState& state_;
    std::array<SynthesisForm*, kSynthesisDialogs> forms_{};
    SchmidtCassForm* schmidtCass_ = nullptr;
};

}  // namespace vn
