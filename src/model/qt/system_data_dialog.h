// "Systemdaten": the data editor. It edits its own buffer in millimetres (the
// core's SystemEditor) and writes the system only on "ok", as one step that
// can be undone.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <array>
#include <vector>

#include "model/editor_buffer.h"
#include "workspace/workspace.h"

namespace vn {

class DescriptionWindow;

class SystemDataDialog : public QDialog {
    Q_OBJECT
public:
    SystemDataDialog(Workspace& ws, DescriptionWindow* description, QWidget* parent = nullptr);

    // Fills the buffer from the system and shows the dialog at the right edge
    // of the screen.
    void showEditor();
    // The system was replaced outside the dialog (loaded, "Neu", "Normieren",
    // undo): an open dialog shows it.
    void refill();

    SystemEditor& editor() { return editor_; }

    QLineEdit* KopfEdit;    // "Titel"
    QLineEdit* AutorEdit;   // "Quelle"
    QLineEdit* BrwEdit;     // "Brennweite"
    QLineEdit* BlendeEdit;  // "Öffnung"
    QLineEdit* wmaxEdit;    // "Bildwinkel"
    QLineEdit* s0Edit;      // "Objektweite"
    QLineEdit* epEdit;      // "Eintrittspupille"
    QLineEdit* flzEdit;     // "Flächenzahl"
    QTabBar* SurfaceControl;
    QLineEdit* rEdit;
    QLineEdit* kEdit;
    QLineEdit* SchmidtEdit;
    QLineEdit* NZEdit;
    QLineEdit* uEdit;
    QLineEdit* hEdit;
    QLineEdit* A2Edit;
    QLineEdit* A4Edit;
    QLineEdit* A6Edit;
    QLineEdit* A8Edit;  // "Torus"
    QCheckBox* DirCheck;
    QGroupBox* SurfKind;
    std::array<QRadioButton*, 5> kindButtons;  // in the order of SurfaceKind
    QLineEdit* eEdit;
    QLineEdit* MediumEdit;
    std::array<QLineEdit*, 3> nEdits;       // red, green, blue as listed
    std::array<QLineEdit*, 3> lambdaEdits;  // LlongEdit, LmeanEdit, LshortEdit
    QPushButton* MediaButton;
    QPushButton* InsButton;
    QPushButton* DelButton;
    QLineEdit* InsAbstEdit;
    QPushButton* AktButton;
    QCheckBox* AktCheck;
    QLineEdit* AktBrennEdit;
    QLineEdit* BlEdit;
    QPushButton* DescrButton;
    QPushButton* okBtn;
    QPushButton* CancelBtn;
    QLabel* messageLabel;

public slots:
    void SurfaceControlChange(int tab);
    void SurfKindClick(int kind);
    void MediaButtonClick();
    void InsButtonClick();
    void DelButtonClick();
    void AktButtonClick();
    void okBtnClick();
    void CancelBtnClick();
    void reject() override;
    // The glass dialog's "ok" while the editor is open.
    void applyGlass(const vn::GlassRecord& glass);

signals:
    // "Auswahl Medium ...": the glass dialog opens in choose mode.
    void mediumChoiceRequested();
    // "ok" wrote the system: the run cycle and a repaint follow.
    void systemWritten();

private:
    struct NumberField {
        QLineEdit* edit;
        double EditorFields::*value;
        int precision;  // 0: general format with 4 significant digits
        int decimals;
    };
    // False when a changed text is not a number.
    bool textsToFields();
    void fieldsToTexts();
    void rebuildTabs();
    void resetCurrentData();
    void showCurrentData();
    void placeAtRightEdge();
    void message(const std::string& text);

    Workspace& ws_;
    DescriptionWindow* description_;
    SystemEditor editor_;
    std::vector<NumberField> numbers_;
    QButtonGroup* kindGroup_;
};

}  // namespace vn
