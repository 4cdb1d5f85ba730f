// The main window: the side view of the system, its result fields, the
// selection box, the status and tolerance boxes, the menus and the toolbar.
#pragma once

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "mainwindow/layout_painter.h"
#include "mainwindow/layout_picture.h"
#include "mainwindow/selection_logic.h"
#include "mainwindow/window_updates.h"
#include "synthesis/synthesis_state.h"
#include "ui/recording_canvas.h"
#include "workspace/workspace.h"

class QPrinter;

namespace vn {

class AboutWindow;
class DescriptionWindow;
class GlassDialog;
class SynthesisDialogs;
class SystemDataDialog;
class LayoutArea;
class PsfWindow;
class SettingsDialog;
class SpotWindow;
class StarTestWindow;
class UpDown;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(Workspace& ws, QWidget* parent = nullptr);
    ~MainWindow() override;

    Workspace& workspace() { return ws_; }
    LayoutArea* layoutArea() const { return view_; }
    SettingsDialog* settingsDialog() const { return settings_; }
    DescriptionWindow* descriptionWindow() const { return description_; }
    SystemDataDialog* systemDataDialog() const { return editor_; }
    GlassDialog* glassDialog() const { return glass_; }
    // The synthesis dialogs' glass table and inputs, which live as long as
    // the window; the glass dialog fills its slots.
    SynthesisState& synthesisState() { return *synthesis_; }
    SpotWindow* spotWindow() const { return spotWindow_; }
    PsfWindow* psfWindow() const { return psfWindow_; }
    StarTestWindow* starTestWindow() const { return starTestWindow_; }
    // A computation of the analysis windows runs in the background.
    bool analysisBusy() const { return background_.joinable(); }

    // Loads a system file as "Öffnen" does once the file is chosen. A failed
    // load shows its message and keeps the current system.
    bool openFile(const QString& path);
    // Saves under `path` as "Speichern" does once the name is chosen.
    bool saveFile(const QString& path);
    // Asks whether changes may be discarded; true when the user agrees (or
    // saved them, or nothing changed).
    bool maySave();

    // Export and printing of the source chosen in the settings' "Grafik
    // Export" page (main_window_export.cc). exportTo writes the file once its
    // name is chosen and printTo prints once the printer is chosen; both show
    // a failure and return false.
    bool exportTo(const QString& path);
    bool printTo(QPrinter& printer);
    // The proposed file name of "Export", without folder and extension.
    QString proposedExportFile() const;

    // Paint handler of the layout: evaluates, draws and fills the result fields.
    void FormPaint(QPainter& painter);
    // The drawing area changed its size: the next run cycle centres the axis
    // in the new height.
    void drawingAreaResized(QSize size);

    // Style of the two selection fields: the text in `colour` on a dark ground
    // on which all the selection colours read.
    static QString selectionFieldStyle(const QColor& colour);

    // --- controls (names as the window's handlers know them) ---
    QGroupBox* systemBox;  // "System"
    QLineEdit* SystCaption;
    QLineEdit* SystAuthor;
    QLineEdit* ValBrenn;    // "f"
    QLineEdit* ValSchnitt;  // "s"
    QLineEdit* ObstrEdit;   // "Ob"
    QGroupBox* seidelBox;   // "Fehler 3. Ordnung"
    QLineEdit* ValOeff;
    QLineEdit* ValKoma;
    QLineEdit* ValAst;
    QLineEdit* ValKrumm;
    QLineEdit* ValVerz;
    QGroupBox* colourBox;  // "Farbfehler 1.Ordnung"
    QLineEdit* ValAchr;
    QLineEdit* ValSek;
    QLineEdit* ValCVD;
    QGroupBox* selectionBox;  // "Selektion"
    QLineEdit* ItemSel2;
    QLineEdit* Value2;
    UpDown* ValueChange;
    UpDown* PosTab;
    QRadioButton* editMode;     // "Bearb"
    QRadioButton* measureMode;  // "Mess"
    QGroupBox* statusBox;       // "Status Einstellwerte"
    QLineEdit* ZoomStatEdit;
    QLineEdit* ChangeStepEdit;
    QLineEdit* MassStatEdit;
    QLineEdit* FocStepEdit;
    QLineEdit* DiamStatEdit;
    QLineEdit* OrdEdit;
    QGroupBox* toleranceBox;  // "Lagetoleranz"
    QLineEdit* dxEdit;
    QLineEdit* dyEdit;
    QLineEdit* dwEdit;
    QLabel* GruppLabel;
    QLineEdit* GruppEdit;
    QLabel* GruppCheck;
    QLabel* statusMessage;  // why the system cannot be computed

    QMenu* fileMenu;
    QMenu* editMenu;
    QMenu* computeMenu;
    QMenu* synthesisMenu;
    QMenu* optionsMenu;
    QMenu* helpMenu;
    QToolBar* toolbar;
    QAction* toleranceAction;
    QAction* exportAction;  // "Export"
    QAction* printAction;   // "Drucken"
    QAction* undoAction;    // "Rückgängig"
    QAction* redoAction;    // "Wiederholen"

    // Toolbar buttons by their handler's name.
    QToolButton* SpeedNeu;
    QToolButton* SpeedLaden;
    QToolButton* SpeedSpeichern;
    QToolButton* SpeedExport;
    QToolButton* SpeedDrucken;
    QToolButton* SpeedSysEdit;
    QToolButton* SpeedGlasEdit;
    QToolButton* SpeedSpot;
    QToolButton* SpeedPSF;
    QToolButton* SpeedZoomUp;
    QToolButton* SpeedZoomDown;
    QToolButton* SpeedChangeUp;
    QToolButton* SpeedChangeDown;
    QToolButton* SpeedMainAngleUp;
    QToolButton* SpeedMainAngleDown;
    QToolButton* SpeedMassUp;
    QToolButton* SpeedMassDown;
    QToolButton* SpeedFocStepUp;
    QToolButton* SpeedFocStepDown;
    QToolButton* SpeedOrdUp;
    QToolButton* SpeedOrdDown;
    QToolButton* SpeedDiamUp;
    QToolButton* SpeedDiamDown;
    QToolButton* SpeedRed;
    QToolButton* SpeedGreen;
    QToolButton* SpeedBlue;
    QToolButton* SpeedShowStat;
    QToolButton* SpeedDesMode;

public slots:
    void Systemdaten1Click();
    void Glaskatalog1Click();
    void undoClick();
    void redoClick();
    void Export1Click();
    void SpeedExportClick();
    void Drucken1Click();
    void SpeedDruckenClick();
    void Neu1Click();
    void ffnen1Click();
    void Speichern1Click();
    void Schliessen1Click();
    void NormClick();
    void Einstellungen1Click();
    void oleranzanalyse1Click();
    void Info1Click();
    void SpeedZoomUpClick();
    void SpeedZoomDownClick();
    void SpeedChangeUpClick();
    void SpeedChangeDownClick();
    void SpeedMainAngleUpClick();
    void SpeedMainAngleDownClick();
    void SpeedMassUpClick();
    void SpeedMassDownClick();
    void SpeedFocStepUpClick();
    void SpeedFocStepDownClick();
    void SpeedOrdUpClick();
    void SpeedOrdDownClick();
    void SpeedDiamUpClick();
    void SpeedDiamDownClick();
    void SpeedRedClick();
    void SpeedGreenClick();
    void SpeedBlueClick();
    void SpeedShowStatClick();
    void SpeedDesModeClick();
    void FormContextPopup();
    // The mouse in the layout (left button).
    void FormMouseDown(QPoint position);
    void FormMouseMove(QPoint position);
    void FormMouseUp(QPoint position);
    void ValueChangeClick(bool up);
    void PosTabClick(bool up);
    void dxEditChange();
    void dyEditChange();
    // "SpotDiagramm", "PSF" and their toolbar buttons.
    void Spot1Click();
    void PS1Click();
    void SpeedSpotClick();
    void SpeedPSFClick();
    // "Sterntest", also the key S in the PSF window.
    void StarTestClick();
    // The visible analysis windows follow the system: what is stale is
    // computed (in the background at heavy settings) and the pictures are
    // recorded; with `redraw` they are recorded even when nothing is stale.
    void refreshAnalysis(bool redraw = false);
    // The up and down keys in either analysis window.
    void focusThroughPsf(bool up);

    // The run cycle followed by the window's refresh.
    void runCycle();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The cursor-up key shows the spot window (FormKeyDown).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    // The data editor, the glass dialog, the catalogue and the entries of the
    // menu "Bearbeiten" (main_window_editing.cc).
    void buildEditing();
    void readGlassCatalogue();
    // The menu "Synthese" and its dialogs (main_window_synthesis.cc).
    void buildSynthesis();
    // The spot and PSF windows and their commands (main_window_analysis.cc).
    void buildAnalysis();
    AnalysisWindows analysisWindows() const;
    void startBackgroundAnalysis();
    void backgroundAnalysisDone(ComputeStatus status);
    void showAnalysisPictures();
    // The star-test picture recorded again from the last row (its look).
    void redrawStarTest();
    // After the system was replaced outside the editor (undo, redo, a file,
    // "Neu", "Normieren"): an open editor shows it.
    void systemReplacedOutsideEditor();
    void afterUndoOrRedo();
    void buildMenus();
    void buildToolbar();
    QWidget* buildResultColumn();
    QWidget* buildToleranceBox();
    void connectDialogs();
    // Shows the result boxes and the toolbar, enables the menus (after the
    // first run cycle).
    void revealAfterFirstRun();
    // Texts of the run cycle: title, source, status values, design-mode button.
    void refreshRunTexts();
    // The result fields written after every paint.
    void refreshResultFields();
    void refreshSelectionBox();
    LayoutLook layoutLook() const;
    ToleranceCarry toleranceCarry() const;
    void refreshColourButtons();
    void refreshDesignModeButton();
    void refreshCaption();
    void showEvaluation(const EvaluationStatus& status);
    void markModified();
    // A tolerance edit: the offset of the picked surface alone, from `field`.
    void applyOffset(double Surface::*offset, QLineEdit* field, double& value);
    void repaintLayout();
    // The export picture of the chosen source; false with the message shown.
    bool recordExportPicture(GraphicSource source, RecordingCanvas& picture);
    // A new system ("Neu", a loaded file) is drawn at a scale at which it
    // fits the drawing area.
    void fitNewSystem();
    // Runs a command that may write settings fields; an open settings dialog
    // then shows the new values, so that neither "ok" nor "Abbrechen" undoes
    // them.
    void settingsCommand(const std::function<void()>& command);

    Workspace& ws_;
    LayoutArea* view_;
    SettingsDialog* settings_;
    DescriptionWindow* description_;
    AboutWindow* about_;
    SystemDataDialog* editor_ = nullptr;
    GlassDialog* glass_ = nullptr;
    std::unique_ptr<SynthesisState> synthesis_;
    SynthesisDialogs* synthesisDialogs_ = nullptr;
    std::vector<QWidget*> hiddenUntilFirstRun_;
    std::vector<QAction*> hiddenActions_;
    bool firstRunDone_ = false;
    double dx_ = 0.0, dy_ = 0.0, dw_ = 0.0;
    SpotWindow* spotWindow_ = nullptr;
    PsfWindow* psfWindow_ = nullptr;
    StarTestWindow* starTestWindow_ = nullptr;
    // The star test's last row, which the picture is recorded from.
    StarTestState starTest_;
    QAction* spotAction_ = nullptr;
    QAction* psfAction_ = nullptr;
    // The background computation: a workspace of its own, its thread, the
    // change count it was started at and whether a newer change waits.
    std::unique_ptr<Workspace> backgroundWs_;
    std::unique_ptr<WorkerPool> backgroundPool_;
    std::unique_ptr<StarTestState> backgroundStarTest_;
    std::thread background_;
    unsigned long changeCount_ = 0, backgroundCount_ = 0;
    bool backgroundPsf_ = false;
    bool backgroundStar_ = false;
    bool analysisPending_ = false;
};

}  // namespace vn
