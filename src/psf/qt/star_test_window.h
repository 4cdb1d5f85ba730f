// The star-test window "Sterntest": the star's image inside, at and outside
// focus for the PSF colour and the spot window's field point, with the
// defocus of the outermost images, the number of images and the linear or
// logarithmic grey scale. It replays the workspace's recording of its
// picture; the main window computes and records it after every change.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

#include "psf/star_test.h"
#include "psf/star_test_painter.h"
#include "workspace/workspace.h"

namespace vn {

class StarTestWindow : public QWidget {
    Q_OBJECT
public:
    StarTestWindow(Workspace& ws, QWidget* parent);

    // The row the window asks for: the last settings that were valid.
    StarTestSettings settings() const { return settings_; }
    StarTestLook look() const;
    void showRecording();

    QLineEdit* DefocusEdit;  // "Defokus ± λ"
    QLineEdit* StepsEdit;    // "Bilder"
    QRadioButton* LinearButton;
    QRadioButton* LogButton;
    QLabel* MessageLabel;  // what was wrong with the last input

signals:
    // The row must be computed again (defocus, number of images).
    void recomputeRequested();
    // Only the picture is recorded again (linear or logarithmic).
    void redrawRequested();

public slots:
    // Takes over the fields when both hold valid values; otherwise marks
    // the wrong one, says why and keeps the settings and the picture.
    void applyFields();
    void scaleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Workspace& ws_;
    StarTestSettings settings_;
};

}  // namespace vn
