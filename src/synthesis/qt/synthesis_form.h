// The frame every synthesis dialog shares: the number edits with their
// formats, the glass fields, the message line, "ok", "Cancel" and
// "Schließen", placement at the right screen edge, and the rule that every
// edit is checked before anything is written.
#pragma once

#include <QDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <vector>

#include "synthesis/synthesis_state.h"
#include "workspace/workspace.h"

namespace vn {

class SynthesisForm : public QDialog {
    Q_OBJECT
public:
    SynthesisForm(SynthesisDialog kind, const QString& caption, Workspace& ws,
                  SynthesisState& state, QWidget* parent);

    SynthesisDialog kind() const { return kind_; }

    // "Auswahl Glas", "ok", "Cancel", "Schließen" and the rest of the frame.
    QPushButton* GlasButton = nullptr;
    QPushButton* okBut = nullptr;
    QPushButton* CancBut = nullptr;
    QPushButton* CloseButton = nullptr;
    QLineEdit* MessageEdit = nullptr;
    QLineEdit* BrennEdit = nullptr;
    QLineEdit* OffEdit = nullptr;
    QLineEdit* FeldEdit = nullptr;
    QLineEdit* MassEdit = nullptr;

    // Shows the chosen glasses of the dialog's slots.
    virtual void FormPaint() {}
    // Writes stored targets back into their edits (achromat, Fraunhofer), then
    // repaints.
    virtual void FormActivate();
    // Reads every edit, refuses the whole "ok" on the first one that is not a
    // number, else builds the system.
    void okButClick();
    void CancButClick();
    void CloseButtonClick();
    // Places the dialog at the right edge of the screen, kept on the screen.
    void placeAtRightEdge();

signals:
    // "Auswahl Glas": the glass dialog is to open in synthesis mode for `slot`.
    void glassRequested(int slot);
    // An "ok" replaced the system.
    void systemWritten();

protected:
    struct NumberField {
        QLineEdit* edit;
        double* value;
        int precision, decimals;
        QString label;
    };

    // A labelled number edit bound to `value`, shown fixed with `decimals`.
    QLineEdit* addNumber(QFormLayout* form, const QString& label, double* value, int decimals,
                         int precision = 9);
    // The four common inputs, bound to `in`.
    void addCommonInputs(QFormLayout* form, CommonInputs& in, int focalDecimals,
                         int fNumberDecimals, int fieldDecimals);
    // Shows the bound value of a field again.
    void showValue(QLineEdit* edit);
    // The buttons row; "Schließen" only where the dialog has it.
    QHBoxLayout* addButtons(bool withClose, bool withGlass);
    // The design: called after every edit was read. Returns the outcome.
    virtual SynthesisResult build() = 0;
    // Hook after a written system (the Medial dialogs show the equivalent coma).
    virtual void written(const SynthesisResult&) {}
    void showMessage(const QString& text);

    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    // FormClose: the dialog no longer counts as open.
    void FormClose();

    SynthesisDialog kind_;
    Workspace& ws_;
    SynthesisState& state_;
    QVBoxLayout* layout_ = nullptr;
    std::vector<NumberField> fields_;
    QLineEdit* messageField_ = nullptr;  // where messages go (MessageEdit or a line)
};

// A field the dialog writes and the user only reads.
QLineEdit* shownOnly(QWidget* parent, int width);

// The glass fields of one slot: "Bezeichnung", "ne", "ve".
struct GlassEdits {
    QLineEdit* name = nullptr;
    QLineEdit* ne = nullptr;
    QLineEdit* ve = nullptr;
    void show(const SynthesisGlassTable& table, int slot) const;
};

}  // namespace vn
