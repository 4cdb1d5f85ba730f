// What a person does with the star-test window: open it from the menu or the
// PSF window, change the system and watch it follow, type a wrong defocus,
// switch to the logarithmic scale, ask for a large row.
#include <QtTest>
#include <algorithm>
#include <memory>

#include "mainwindow/qt/main_window.h"
#include "psf/qt/psf_window.h"
#include "psf/qt/star_test_window.h"

using namespace vn;

namespace {

const QString kExamples = QStringLiteral(VARNISTRALE_TEST_DATA_DIR "/examples/");

QAction* menuEntry(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

bool samePicture(const RecordingCanvas& a, const RecordingCanvas& b) {
    return std::equal(a.commands().begin(), a.commands().end(), b.commands().begin(),
                      b.commands().end(), [](const DrawCommand& x, const DrawCommand& y) {
                          return x.kind == y.kind && x.colour == y.colour && x.points == y.points &&
                                 x.text == y.text;
                      });
}

int textsContaining(const RecordingCanvas& c, const std::string& part) {
    return static_cast<int>(
        std::count_if(c.commands().begin(), c.commands().end(), [&](const DrawCommand& d) {
            return d.kind == DrawCommand::Kind::Text && d.text.find(part) != std::string::npos;
        }));
}

void enter(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

}  // namespace

class StarTestWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Workspace> ws_;
    std::unique_ptr<MainWindow> window_;

    StarTestWindow* open(const char* file) {
        ws_ = std::make_unique<Workspace>();
        window_ = std::make_unique<MainWindow>(*ws_);
        window_->show();
        if (!window_->openFile(kExamples + QString::fromLatin1(file))) return nullptr;
        QAction* entry = menuEntry(window_->computeMenu, QStringLiteral("Sterntest"));
        if (!entry) return nullptr;
        entry->trigger();
        return window_->starTestWindow();
    }

private slots:
    void opensFromTheMenuAndWithTheKeySInThePsfWindow() {
        StarTestWindow* star = open("newtonian-f5.opt");
        QVERIFY(star);
        QVERIFY(star->isVisible());
        QCOMPARE(star->windowTitle(), QStringLiteral("Sterntest"));
        QVERIFY(ws_->flags.spotComputed);
        QCOMPARE(textsContaining(ws_->pictures.starTest, "intrafokal"), 2);
        QCOMPARE(textsContaining(ws_->pictures.starTest, "Fokus"), 1);
        QCOMPARE(textsContaining(ws_->pictures.starTest, "extrafokal +8"), 1);

        star->hide();
        window_->PS1Click();
        PsfWindow* psf = window_->psfWindow();
        QVERIFY(psf->toolTip().contains(QStringLiteral("S: Sterntest")));
        QTest::keyClick(psf, Qt::Key_S);
        QVERIFY(star->isVisible());
    }

    void aStepInTheMainWindowChangesThePictureAtOnce() {
        QVERIFY(open("newtonian-f5.opt"));
        const RecordingCanvas before = ws_->pictures.starTest;
        // A radius pick on the mirror lets the step change the system.
        ws_->selection.pickRadius = true;
        ws_->selection.pickSurface = 1;
        ws_->flags.selectionActive = true;
        for (int i = 0; i < 10; ++i) window_->ValueChangeClick(true);
        QVERIFY(!window_->analysisBusy());
        QVERIFY(!ws_->flags.modelChanged);
        QVERIFY(!samePicture(ws_->pictures.starTest, before));
    }

    void badInputNamesTheFieldAndKeepsTheRow() {
        StarTestWindow* star = open("newtonian-f5.opt");
        QVERIFY(star);
        const RecordingCanvas before = ws_->pictures.starTest;
        enter(star->DefocusEdit, QStringLiteral("acht"));
        QVERIFY(star->MessageLabel->text().startsWith(QStringLiteral("Defokus")));
        QVERIFY(star->MessageLabel->text().contains(QStringLiteral("keine Zahl")));
        QCOMPARE(star->settings().defocusWaves, kStarTestDefaultDefocus);
        QVERIFY(samePicture(ws_->pictures.starTest, before));

        enter(star->DefocusEdit, QStringLiteral("8"));
        enter(star->StepsEdit, QStringLiteral("12"));
        QVERIFY(star->MessageLabel->text().startsWith(QStringLiteral("Bilder")));
        QVERIFY(star->MessageLabel->text().contains(QStringLiteral("2 bis 11")));
        QCOMPARE(star->settings().steps, kStarTestDefaultSteps);
        QVERIFY(samePicture(ws_->pictures.starTest, before));
        enter(star->DefocusEdit, QStringLiteral("90"));
        QVERIFY(star->MessageLabel->text().startsWith(QStringLiteral("Defokus")));
        QVERIFY(samePicture(ws_->pictures.starTest, before));

        // Good values again: the mark goes and the row follows.
        enter(star->DefocusEdit, QStringLiteral("6"));
        enter(star->StepsEdit, QStringLiteral("3"));
        QVERIFY(star->MessageLabel->text().isEmpty());
        QCOMPARE(star->settings().steps, 3);
        QCOMPARE(star->settings().defocusWaves, 6.0);
        QCOMPARE(textsContaining(ws_->pictures.starTest, "extrafokal +6"), 1);
        QCOMPARE(textsContaining(ws_->pictures.starTest, "intrafokal"), 1);
    }

    void theLogarithmicSwitchRedrawsTheSameRow() {
        StarTestWindow* star = open("schmidt-camera.opt");
        QVERIFY(star);
        const RecordingCanvas linear = ws_->pictures.starTest;
        QVERIFY(textsContaining(linear, "linear") > 0);
        star->LogButton->click();
        QVERIFY(!samePicture(ws_->pictures.starTest, linear));
        QVERIFY(textsContaining(ws_->pictures.starTest, "logarithmisch") > 0);
        star->LinearButton->click();
        QVERIFY(samePicture(ws_->pictures.starTest, linear));
    }

    void aLargeRowIsComputedInTheBackgroundAndTheNewestSettingsWin() {
        StarTestWindow* star = open("newtonian-f5.opt");
        QVERIFY(star);
        enter(star->StepsEdit, QStringLiteral("11"));
        QVERIFY(window_->analysisBusy());
        // Newer settings while it runs: the older row is dropped.
        enter(star->DefocusEdit, QStringLiteral("10"));
        QTRY_VERIFY_WITH_TIMEOUT(!window_->analysisBusy(), 60000);
        QCOMPARE(textsContaining(ws_->pictures.starTest, "intrafokal"), 5);
        QCOMPARE(textsContaining(ws_->pictures.starTest, "extrafokal +10"), 1);
        QVERIFY(!ws_->flags.modelChanged);
    }
};

QTEST_MAIN(StarTestWindowTest)
#include "star_test_window_test.moc"
