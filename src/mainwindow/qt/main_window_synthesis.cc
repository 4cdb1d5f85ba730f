// The menu "Synthese": the design dialogs, their glass choice through the
// glass dialog's synthesis mode, and the run cycle after each "ok".
#include "mainwindow/qt/main_window.h"
#include "model/qt/glass_dialog.h"
#include "synthesis/qt/synthesis_dialogs.h"

namespace vn {

void MainWindow::buildSynthesis() {
    synthesisDialogs_ = new SynthesisDialogs(ws_, *synthesis_, this);
    struct Entry {
        const char* name;
        SynthesisDialog dialog;
    };
    for (const Entry& e : {Entry{"Cassegrain", SynthesisDialog::Cassegrain},
                           Entry{"Achromat", SynthesisDialog::Achromat},
                           Entry{"Schmidt", SynthesisDialog::Schmidt}}) {
        synthesisMenu->addAction(QString::fromUtf8(e.name), this,
                                 [this, d = e.dialog] { synthesisDialogs_->open(d); });
    }
    synthesisMenu->addAction(QStringLiteral("Schmidt-Cass."), this,
                             [this] { synthesisDialogs_->openSchmidtCass(); });
    for (const Entry& e : {Entry{"Fraunhofer", SynthesisDialog::Fraunhofer},
                           Entry{"Medial-Triplet", SynthesisDialog::MedialTriplet},
                           Entry{"Medial-Cass.", SynthesisDialog::MedialCassegrain}}) {
        synthesisMenu->addAction(QString::fromUtf8(e.name), this,
                                 [this, d = e.dialog] { synthesisDialogs_->open(d); });
    }
    connect(synthesisDialogs_, &SynthesisDialogs::glassRequested, glass_,
            &GlassDialog::openSynthesis);
    connect(glass_, &GlassDialog::synthesisGlassChosen, synthesisDialogs_,
            [this] { synthesisDialogs_->glassChosen(); });
    // The design has replaced the system and run the cycle; the window shows
    // it, and the scale the dialog wrote reaches an open settings dialog.
    connect(synthesisDialogs_, &SynthesisDialogs::systemWritten, this, [this] {
        runCycle();
        markModified();
    });
}

}  // namespace vn
