// The spot window "Spot Diagramm": the spots of the axis and the field point,
// the field chooser, the report, the focus track and the focal-surface choice.
// It replays the workspace's recording of its picture; the main window
// computes and records it after every change.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

#include "spot/spot_painter.h"
#include "workspace/workspace.h"

namespace vn {

class SpotWindow : public QWidget {
    Q_OBJECT
public:
    SpotWindow(Workspace& ws, QWidget* parent);

    // How the picture is drawn in this window (its colours, the separator).
    SpotLook look() const;
    // The controls follow the workspace (the focus track, the choice of
    // surface); the recorded picture is shown.
    void showRecording();

    QGroupBox* GroupBox1;  // "Fokalfläche"
    QSlider* FocTrack;
    QRadioButton* FlatButton;
    QRadioButton* FreeButton;
    QRadioButton* PerpButton;
    QCheckBox* CheckRes;

signals:
    // The spots must be computed again and the picture recorded (the field
    // point, the focal surface), or only recorded again (the focus).
    void recomputeRequested();
    void redrawRequested();
    // "Auflösung hoch": the run cycle samples the pupil anew.
    void runCycleRequested();
    // The up and down keys step the focus through the PSF window.
    void focusThroughRequested(bool up);
    void psfWindowRequested();

public slots:
    void FormActivate();
    void FormMouseDown(QPoint position);
    void FormKeyDown(int key);
    void FormKeyUp(int key);
    void FocTrackChange(int position);
    void FreeButtonClick();
    void FlatButtonClick();
    void PerpButtonClick();
    void CheckResClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void surfaceChosen(int kind);

    Workspace& ws_;
};

}  // namespace vn
