// "Einstellungen": the settings dialog. Its controls are the settings store;
// closing it applies what changed.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <array>

#include "settings/settings.h"
#include "workspace/workspace.h"

namespace vn {

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(Workspace& ws, QWidget* parent = nullptr);

    // Shows the dialog with the system wavelengths and the current PSF colour.
    void showSettings();

    // A command outside the dialog (a toolbar button, the run cycle, a new
    // system) wrote settings: the controls that changed since `before` show
    // the new values, and "Abbrechen" returns them to these values, not to
    // those of before.
    void adoptOutsideChanges(const SettingsControls& before);

    // Page "Wellenlängen"
    QComboBox* RedBox;
    QComboBox* GreenBox;
    QComboBox* BlueBox;
    QGroupBox* PSFColor;
    std::array<QRadioButton*, 3> psfColourButtons;  // "rot", "grün", "blau"
    // Page "Spot"
    QGroupBox* SpotTarget;
    std::array<QRadioButton*, 3> spotTargetButtons;
    QSlider* SpotDensBar;
    QSlider* StepBar;
    QSlider* MassBar;
    QLineEdit* SpiderEdit;
    // Page "PSF"
    QSlider* DiamBar;
    QSlider* ContrBar;
    QSlider* OrdBar;
    QSlider* ApodBar;
    // Page "Bearbeiten"
    QCheckBox* NormCheck;
    QLineEdit* SysMassEdit;
    QGroupBox* ZoneDirGroup;
    std::array<QRadioButton*, 3> zoneDirButtons;
    QLineEdit* RadStepEdit;
    QLineEdit* DistStepEdit;
    QLineEdit* AngleStepEdit;
    QLineEdit* BendStepEdit;
    QLineEdit* StepFaktEdit;
    // Page "Grafik Export"
    QGroupBox* GraphChoice;
    std::array<QRadioButton*, 5> graphChoiceButtons;
    QComboBox* ZoomBox;
    QRadioButton* PrinterButton;
    QRadioButton* MetaButton;
    QRadioButton* BmpButton;
    QLineEdit* BreiteEdit;

    QTabWidget* pages;
    QLabel* messageLabel;
    QPushButton* okBut;
    QPushButton* CancBut;

public slots:
    // "ok": closes the dialog, applying what changed; a field that is not a
    // number keeps the dialog open with the field marked.
    void okButClick();
    // "Abbrechen", Escape and the window's close button: closes without
    // applying and returns the controls to the values they had when the
    // dialog was shown.
    void CancButClick();
    void reject() override;

signals:
    // A control that takes effect at once asks for the run cycle.
    void runCycleRequested();
    // "Auf Brennweite normiert" switched the design mode.
    void designModeChanged(bool fixedFocalLength);
    // The dialog closed; `effects` says what the rest of the program must do.
    void settingsClosed(SettingsEffects effects);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildWavelengthPage();
    QWidget* buildSpotPage();
    QWidget* buildPsfPage();
    QWidget* buildEditingPage();
    QWidget* buildExportPage();
    QSlider* slider(int minimum, int maximum);
    QWidget* withValue(QSlider* bar);
    void fillControls();
    // Reads the edit fields into the store; false when a field is not a number.
    bool readFields();
    void changed(bool SettingsChanges::*group = nullptr);
    // Applies (ok) or forgets (cancel) what changed, hides the dialog and
    // tells the main window.
    void finish(bool apply);

    Workspace& ws_;
    SettingsControls shown_;  // the controls when the dialog was shown
    bool filling_ = false;
};

}  // namespace vn
