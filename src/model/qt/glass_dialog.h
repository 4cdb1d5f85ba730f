// "Glass Choice": the glass catalogue with its records, a glass map, and the
// choice of a glass for the data editor or a synthesis dialog. The dialog is
// English, as its users know it.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <filesystem>
#include <vector>

#include "model/glass_catalogue.h"
#include "synthesis/synthesis_state.h"
#include "ui/glass_map.h"
#include "ui/recording_canvas.h"
#include "workspace/workspace.h"

namespace vn {

// The glass map, drawn by the core painter and replayed here; a click on a
// point picks that glass.
class GlassMapView : public QWidget {
    Q_OBJECT
public:
    explicit GlassMapView(QWidget* parent = nullptr);
    void setCatalogue(const GlassCatalogue& catalogue);
    void setMarked(int index);
    int marked() const { return marked_; }
    const RecordingCanvas& recording() const { return recording_; }

signals:
    void picked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<GlassMapPoint> points_;
    int marked_ = -1;
    RecordingCanvas recording_;
};

class GlassDialog : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Choose, Edit, Synthesis };

    GlassDialog(Workspace& ws, SynthesisState& synthesis, QWidget* parent = nullptr);

    // Reads the catalogue from the first of `directories` that has it.
    // Returns the message for the user when it was not found or not read.
    std::string readCatalogue(const std::vector<std::filesystem::path>& directories);

    // "Glaskatalog": the records can be added and changed.
    void openEdit();
    // "Auswahl Medium ..." of the data editor: "ok" sends glassChosen.
    void openChoose();
    // The glass buttons of the synthesis dialogs: "ok" puts the glass into
    // `slot` of the synthesis glass table for `dialog`.
    void openSynthesis(SynthesisDialog dialog, int slot);

    Mode mode() const { return mode_; }
    const GlassCatalogue& catalogue() const { return catalogue_; }
    // Catalogue index of the record shown in the fields, -1 for none.
    int shownRecord() const { return shown_; }
    // Shows record `index` of the catalogue, as choosing it in the list does.
    void showRecord(int index);

    QLineEdit* FilterEdit;
    QComboBox* SchottBox;  // "Glass Type"
    QLineEdit* EditCode;
    QLineEdit* EditType;
    QLineEdit* neEdit;
    QLineEdit* veEdit;
    QLineEdit* PFeEdit;
    std::array<QLineEdit*, 6> coefEdits;  // B1Edit .. C3Edit
    QPushButton* NeuButton;
    QPushButton* TakeButton;  // "Übernehmen"
    QPushButton* okButton;
    QPushButton* CancelButton;
    QLabel* messageLabel;
    GlassMapView* map;

public slots:
    void SchottBoxChange(int item);
    void NeuClick();
    void TakeClick();
    void GlassOkClick();
    void CancelClick();
    void reject() override;

signals:
    // "ok" in choose and edit mode; the data editor takes it while it is open.
    void glassChosen(const vn::GlassRecord& glass);
    // "ok" in synthesis mode, after the slot was filled.
    void synthesisGlassChosen(vn::SynthesisDialog dialog, int slot);

private:
    void setMode(Mode mode);
    void refillList(int select);
    bool readRecord(GlassRecord& record);
    void showMessage(const QString& text);
    void backToChooseMode();

    Workspace& ws_;
    SynthesisState& synthesis_;
    GlassCatalogue catalogue_;
    std::vector<std::filesystem::path> directories_;
    Mode mode_ = Mode::Choose;
    bool newRecord_ = false;
    bool catalogueChanged_ = false;
    SynthesisDialog synthesisDialog_ = SynthesisDialog::Achromat;
    int synthesisSlot_ = 0;
    int shown_ = -1;
};

}  // namespace vn
