// The PSF window "PSF": the star image on a logarithmic grey scale, the
// reference image, the MTF and PTF curves, the contrast track and the test
// grating, which is turned and widened with the mouse. It replays the
// workspace's recording of its picture.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QWidget>

#include "psf/grating_overlay.h"
#include "psf/psf_painter.h"
#include "workspace/workspace.h"

namespace vn {

class PsfWindow : public QWidget {
    Q_OBJECT
public:
    PsfWindow(Workspace& ws, QWidget* parent);

    PsfLook look() const;
    // The labels follow the grating and the PSF; the recorded picture is shown.
    void showRecording();
    const GratingOverlay& grating() const { return grating_; }

    QGroupBox* GridGroupBox;  // "Gitter"
    QGroupBox* distGroupBox;  // "Abstand"
    QLabel* LengthLabel;
    QLabel* arcLabel;
    QGroupBox* WinkelBox1;  // "Winkel"
    QLabel* WinkelLabel;
    QLabel* Label2;
    QLabel* muLabel;
    QLabel* secLabel;
    QSlider* ConTrack;
    QCheckBox* GridCheck;
    QLabel* KontrastLabel;
    QProgressBar* ProgressBar1;

signals:
    // Record the picture again (contrast, grating, markers).
    void redrawRequested();
    void focusThroughRequested(bool up);
    // The key S: the star test of this PSF's colour and field point.
    void starTestRequested();

public slots:
    void FormActivate();
    void FormKeyDown(int key);
    void ConTrackChange(int position);
    void GridCheckClick();
    void FormMouseDown(QPoint position);
    void FormMouseMove(QPoint position);
    void FormMouseUp(QPoint position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void showPeriod(double factor);
    void showContrastControls();

    Workspace& ws_;
    GratingOverlay grating_;
};

}  // namespace vn
