#include "mainwindow/qt/main_window.h"

#include <QApplication>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWidgetAction>

#include "mainwindow/document.h"
#include "mainwindow/qt/layout_area.h"
#include "settings/qt/settings_dialog.h"
#include "ui/qt/about_window.h"
#include "ui/qt/app_icon.h"
#include "ui/qt/description_window.h"
#include "ui/qt/glyphs.h"
#include "ui/qt/up_down.h"
#include "ui/qt/user_numbers.h"

namespace vn {

namespace {

constexpr int kResultPanelWidth = 250;

QLineEdit* resultField(const char* name, int width = 90) {
    auto* field = new QLineEdit;
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setMaximumWidth(width);
    field->setAlignment(Qt::AlignRight);
    return field;
}

QGroupBox* groupBox(const QString& title, const char* name) {
    auto* box = new QGroupBox(title);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// The boxes of the result column are set close, so that on a screen 800
// pixels high the column needs to scroll only with the status box shown.
template <class Layout>
Layout* compact(Layout* layout) {
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(3);
    return layout;
}

}  // namespace

MainWindow::MainWindow(Workspace& ws, QWidget* parent) : QMainWindow(parent), ws_(ws) {
    setObjectName(QStringLiteral("TVarnistrale"));
    view_ = new LayoutArea(this);
    // The drawing with the tolerance box below it, and beside them the result
    // column, which scrolls when the window is too low for all its boxes.
    auto* central = new QWidget;
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* drawingColumn = new QVBoxLayout;
    drawingColumn->setContentsMargins(0, 0, 0, 0);
    drawingColumn->setSpacing(0);
    drawingColumn->addWidget(view_, 1);
    row->addLayout(drawingColumn, 1);
    row->addWidget(buildResultColumn());
    drawingColumn->addWidget(buildToleranceBox());
    setCentralWidget(central);

    statusMessage = new QLabel;
    statusMessage->setObjectName(QStringLiteral("StatusMessage"));
    statusMessage->setStyleSheet(QStringLiteral("color: #a00000;"));
    statusBar()->addWidget(statusMessage, 1);

    settings_ = new SettingsDialog(ws_, this);
    description_ = new DescriptionWindow(this);
    about_ = new AboutWindow(this);
    buildMenus();
    buildToolbar();
    buildEditing();
    connectDialogs();
    FormCreate();
    // The spot and PSF windows come right after the main window.
    buildAnalysis();
    // After the default system: creating the Cassegrain dialog sets its data.
    buildSynthesis();
    readGlassCatalogue();
}

void MainWindow::FormCreate() {
    ws_.startDirectory = QDir::currentPath().toStdString();
    ws_.settings.separator = userDecimalSeparator();
    QApplication::setApplicationName(QStringLiteral("Varnistrale"));
    setWindowTitle(QStringLiteral("Varnistrale"));
    setWindowIcon(applicationIcon());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        // The size is that of the client area; the position is that of the
        // frame, so that the title bar lies on the screen.
        const QRect area = screen->availableGeometry();
        resize(std::max(640, area.width() - 30), std::max(480, area.height() - 50));
        move(area.topLeft());
    }
    Initialize(ws_);
    for (QWidget* w : hiddenUntilFirstRun_) w->hide();
    for (QAction* a : hiddenActions_) a->setVisible(false);
    computeMenu->setEnabled(false);
    optionsMenu->setEnabled(false);
    statusBox->hide();
    toleranceBox->hide();
}

void MainWindow::buildMenus() {
    auto add = [this](QMenu* menu, const QString& text, auto slot, bool enabled = true) {
        QAction* action = menu->addAction(text, this, slot);
        action->setEnabled(enabled);
        return action;
    };
    fileMenu = menuBar()->addMenu(QStringLiteral("Datei"));
    add(fileMenu, QStringLiteral("Neu"), &MainWindow::Neu1Click)->setShortcut(QKeySequence::New);
    add(fileMenu, QStringLiteral("Öffnen"), &MainWindow::ffnen1Click)
        ->setShortcut(QKeySequence::Open);
    add(fileMenu, QStringLiteral("Speichern"), &MainWindow::Speichern1Click)
        ->setShortcut(QKeySequence::Save);
    fileMenu->addSeparator();
    exportAction = add(fileMenu, QStringLiteral("Export"), &MainWindow::Export1Click);
    printAction = add(fileMenu, QStringLiteral("Drucken"), &MainWindow::Drucken1Click);
    printAction->setShortcut(QKeySequence::Print);
    fileMenu->addSeparator();
    add(fileMenu, QStringLiteral("Schliessen"), &MainWindow::Schliessen1Click);

    editMenu = menuBar()->addMenu(QStringLiteral("Bearbeiten"));  // filled by buildEditing

    computeMenu = menuBar()->addMenu(QStringLiteral("Berechnen"));
    spotAction_ = add(computeMenu, QStringLiteral("SpotDiagramm"), &MainWindow::Spot1Click);
    psfAction_ = add(computeMenu, QStringLiteral("PSF"), &MainWindow::PS1Click);
    add(computeMenu, QStringLiteral("Sterntest"), &MainWindow::StarTestClick);
    add(computeMenu, QStringLiteral("Normieren"), &MainWindow::NormClick);

    synthesisMenu = menuBar()->addMenu(QStringLiteral("Synthese"));

    optionsMenu = menuBar()->addMenu(QStringLiteral("Optionen"));
    add(optionsMenu, QStringLiteral("Einstellungen"), &MainWindow::Einstellungen1Click);
    toleranceAction =
        add(optionsMenu, QStringLiteral("Toleranzanalyse"), &MainWindow::oleranzanalyse1Click);
    toleranceAction->setCheckable(true);

    helpMenu = menuBar()->addMenu(QStringLiteral("Hilfe"));
    add(helpMenu, QStringLiteral("Info"), &MainWindow::Info1Click);
}

void MainWindow::buildToolbar() {
    toolbar = addToolBar(QStringLiteral("Werkzeuge"));
    toolbar->setObjectName(QStringLiteral("Toolbar"));
    toolbar->setMovable(false);
    toolbar->setIconSize(QSize(24, 24));
    auto button = [this](const char* name, const QString& hint, const QIcon& icon, auto slot,
                         bool shownAtStart = false) {
        auto* b = new QToolButton;
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(hint);
        b->setIcon(icon);
        b->setAutoRaise(true);
        QAction* action = toolbar->addWidget(b);
        if constexpr (!std::is_same_v<decltype(slot), std::nullptr_t>) {
            connect(b, &QToolButton::clicked, this, slot);
            // A widget in a toolbar is shown and hidden through its action.
            if (!shownAtStart) hiddenActions_.push_back(action);
        } else {
            // The button of a window the program does not have yet stays away.
            b->setEnabled(false);
            action->setVisible(false);
        }
        return b;
    };
    SpeedNeu = button("SpeedNeu", QStringLiteral("Neues System"), glyphIcon(Glyph::NewSystem),
                      &MainWindow::Neu1Click, true);
    SpeedLaden = button("SpeedLaden", QStringLiteral("System laden"), glyphIcon(Glyph::Open),
                        &MainWindow::ffnen1Click, true);
    SpeedSpeichern = button("SpeedSpeichern", QStringLiteral("System speichern"),
                            glyphIcon(Glyph::Save), &MainWindow::Speichern1Click);
    SpeedExport = button("SpeedExport", QStringLiteral("Grafik exportieren"),
                         glyphIcon(Glyph::Export), &MainWindow::SpeedExportClick);
    SpeedDrucken = button("SpeedDrucken", QStringLiteral("Grafik drucken"), glyphIcon(Glyph::Print),
                          &MainWindow::SpeedDruckenClick);
    hiddenActions_.push_back(toolbar->addSeparator());
    SpeedSysEdit = button("SpeedSysEdit", QStringLiteral("Systemdaten editieren"),
                          glyphIcon(Glyph::SystemData), &MainWindow::Systemdaten1Click);
    SpeedGlasEdit = button("SpeedGlasEdit", QStringLiteral("Glasdaten editieren"),
                           glyphIcon(Glyph::GlassData), &MainWindow::Glaskatalog1Click);
    SpeedSpot = button("SpeedSpot", QStringLiteral("Spotdiagramm"), glyphIcon(Glyph::Spot),
                       &MainWindow::SpeedSpotClick);
    SpeedPSF = button("SpeedPSF", QStringLiteral("PSF-Diagramm"), glyphIcon(Glyph::Psf),
                      &MainWindow::SpeedPSFClick);
    hiddenActions_.push_back(toolbar->addSeparator());
    SpeedZoomUp = button("SpeedZoomUp", QStringLiteral("Layout größer"), glyphIcon(Glyph::ZoomIn),
                         &MainWindow::SpeedZoomUpClick);
    SpeedZoomDown = button("SpeedZoomDown", QStringLiteral("Layout kleiner"),
                           glyphIcon(Glyph::ZoomOut), &MainWindow::SpeedZoomDownClick);
    SpeedChangeUp = button("SpeedChangeUp", QStringLiteral("Änderungsschritt größer"),
                           textIcon(QStringLiteral("C+")), &MainWindow::SpeedChangeUpClick);
    SpeedChangeDown = button("SpeedChangeDown", QStringLiteral("Änderungsschritt kleiner"),
                             textIcon(QStringLiteral("C-")), &MainWindow::SpeedChangeDownClick);
    SpeedMainAngleUp = button("SpeedMainAngleUp", QStringLiteral("Strahlmarkierung höher"),
                              textIcon(QStringLiteral("S+")), &MainWindow::SpeedMainAngleUpClick);
    SpeedMainAngleDown =
        button("SpeedMainAngleDown", QStringLiteral("Strahlmarkierung tiefer"),
               textIcon(QStringLiteral("S-")), &MainWindow::SpeedMainAngleDownClick);
    hiddenActions_.push_back(toolbar->addSeparator());
    SpeedMassUp = button("SpeedMassUp", QStringLiteral("Spot größer"),
                         textIcon(QStringLiteral("M+")), &MainWindow::SpeedMassUpClick);
    SpeedMassDown = button("SpeedMassDown", QStringLiteral("Spot kleiner"),
                           textIcon(QStringLiteral("M-")), &MainWindow::SpeedMassDownClick);
    SpeedFocStepUp = button("SpeedFocStepUp", QStringLiteral("Fokusschritt größer"),
                            textIcon(QStringLiteral("F+")), &MainWindow::SpeedFocStepUpClick);
    SpeedFocStepDown = button("SpeedFocStepDown", QStringLiteral("Fokusschritt kleiner"),
                              textIcon(QStringLiteral("F-")), &MainWindow::SpeedFocStepDownClick);
    SpeedOrdUp = button("SpeedOrdUp", QStringLiteral("Ordnung größer"),
                        textIcon(QStringLiteral("O+")), &MainWindow::SpeedOrdUpClick);
    SpeedOrdDown = button("SpeedOrdDown", QStringLiteral("Ordnung kleiner"),
                          textIcon(QStringLiteral("O-")), &MainWindow::SpeedOrdDownClick);
    SpeedDiamUp = button("SpeedDiamUp", QStringLiteral("PSF-Durchmesser größer"),
                         textIcon(QStringLiteral("D+")), &MainWindow::SpeedDiamUpClick);
    SpeedDiamDown = button("SpeedDiamDown", QStringLiteral("PSF-Durchmesser kleiner"),
                           textIcon(QStringLiteral("D-")), &MainWindow::SpeedDiamDownClick);
    hiddenActions_.push_back(toolbar->addSeparator());
    SpeedRed = button("SpeedRed", QStringLiteral("Lange Wellenlänge für PSF"), QIcon(),
                      &MainWindow::SpeedRedClick);
    SpeedGreen = button("SpeedGreen", QStringLiteral("Mittlere Wellenlänge für PSF"), QIcon(),
                        &MainWindow::SpeedGreenClick);
    SpeedBlue = button("SpeedBlue", QStringLiteral("Kurze Wellenlänge für PSF"), QIcon(),
                       &MainWindow::SpeedBlueClick);
    SpeedRed->setText(QStringLiteral("rot"));
    SpeedGreen->setText(QStringLiteral("grün"));
    SpeedBlue->setText(QStringLiteral("blau"));
    for (QToolButton* b : {SpeedRed, SpeedGreen, SpeedBlue})
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    hiddenActions_.push_back(toolbar->addSeparator());
    SpeedShowStat =
        button("SpeedShowStat", QStringLiteral("Statusanzeige Einstellwerte einschalten"),
               glyphIcon(Glyph::Status), &MainWindow::SpeedShowStatClick);
    SpeedShowStat->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedDesMode = button("SpeedDesMode", QString(), glyphIcon(Glyph::Unlocked),
                          &MainWindow::SpeedDesModeClick);
    refreshColourButtons();
    refreshDesignModeButton();
}

QWidget* MainWindow::buildResultColumn() {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("ResultPanel"));
    panel->setFixedWidth(kResultPanelWidth);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(4, 2, 4, 2);
    column->setSpacing(4);

    systemBox = groupBox(QStringLiteral("System"), "SystemBox");
    SystCaption = resultField("SystCaption", 1000);
    SystAuthor = resultField("SystAuthor", 1000);
    SystCaption->setAlignment(Qt::AlignLeft);
    SystAuthor->setAlignment(Qt::AlignLeft);
    ValBrenn = resultField("ValBrenn");
    ValSchnitt = resultField("ValSchnitt");
    ObstrEdit = resultField("ObstrEdit");
    auto* systemForm = compact(new QFormLayout(systemBox));
    systemForm->addRow(SystCaption);
    systemForm->addRow(SystAuthor);
    systemForm->addRow(QStringLiteral("f"), ValBrenn);
    systemForm->addRow(QStringLiteral("s"), ValSchnitt);
    systemForm->addRow(QStringLiteral("Ob"), ObstrEdit);

    seidelBox = groupBox(QStringLiteral("Fehler 3. Ordnung"), "SeidelBox");
    auto* seidelForm = compact(new QFormLayout(seidelBox));
    seidelForm->addRow(new QLabel(QStringLiteral("Seidel")));
    ValOeff = resultField("ValOeff");
    ValKoma = resultField("ValKoma");
    ValAst = resultField("ValAst");
    ValKrumm = resultField("ValKrumm");
    ValVerz = resultField("ValVerz");
    seidelForm->addRow(QStringLiteral("Öffng"), ValOeff);
    seidelForm->addRow(QStringLiteral("Koma"), ValKoma);
    seidelForm->addRow(QStringLiteral("Astig"), ValAst);
    seidelForm->addRow(QStringLiteral("Krümm"), ValKrumm);
    seidelForm->addRow(QStringLiteral("Verz"), ValVerz);

    colourBox = groupBox(QStringLiteral("Farbfehler 1.Ordnung"), "ColourBox");
    auto* colourForm = compact(new QFormLayout(colourBox));
    colourForm->addRow(new QLabel(QStringLiteral("Gauss")));
    ValAchr = resultField("ValAchr");
    ValSek = resultField("ValSek");
    ValCVD = resultField("ValCVD");
    colourForm->addRow(QStringLiteral("Chr"), ValAchr);
    colourForm->addRow(QStringLiteral("Sek"), ValSek);
    colourForm->addRow(QStringLiteral("CVD"), ValCVD);

    selectionBox = groupBox(QStringLiteral("Selektion"), "SelectionBox");
    ItemSel2 = resultField("ItemSel2", 1000);
    ItemSel2->setAlignment(Qt::AlignLeft);
    Value2 = resultField("Value2", 1000);
    ValueChange = new UpDown(QStringLiteral("ValueChange"));
    PosTab = new UpDown(QStringLiteral("PosTab"));
    editMode = new QRadioButton(QStringLiteral("Bearb"));
    editMode->setObjectName(QStringLiteral("EditMode"));
    measureMode = new QRadioButton(QStringLiteral("Mess"));
    measureMode->setObjectName(QStringLiteral("MeasureMode"));
    editMode->setChecked(true);
    auto* selectionGrid = compact(new QGridLayout(selectionBox));
    selectionGrid->addWidget(ItemSel2, 0, 0, 1, 2);
    selectionGrid->addWidget(Value2, 1, 0);
    selectionGrid->addWidget(ValueChange, 1, 1);
    selectionGrid->addWidget(new QLabel(QStringLiteral("Fläche")), 2, 0, Qt::AlignRight);
    selectionGrid->addWidget(PosTab, 2, 1);
    auto* modes = new QHBoxLayout;
    modes->addWidget(editMode);
    modes->addWidget(measureMode);
    selectionGrid->addLayout(modes, 3, 0, 1, 2);
    // The up/down controls keep their room while hidden, so that the box keeps
    // its height and the mode buttons stay where the mouse expects them.
    for (QWidget* w : {static_cast<QWidget*>(ValueChange), static_cast<QWidget*>(PosTab)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->hide();
    }
    for (QLineEdit* field : {ItemSel2, Value2})
        field->setStyleSheet(selectionFieldStyle(QColor(0x80, 0x80, 0x80)));

    statusBox = groupBox(QStringLiteral("Status Einstellwerte"), "StatusBox");
    auto* statusForm = compact(new QFormLayout(statusBox));
    ZoomStatEdit = resultField("ZoomStatEdit");
    ChangeStepEdit = resultField("ChangeStepEdit");
    MassStatEdit = resultField("MassStatEdit");
    FocStepEdit = resultField("FocStepEdit");
    DiamStatEdit = resultField("DiamStatEdit");
    OrdEdit = resultField("OrdEdit");
    statusForm->addRow(QStringLiteral("Layout Zoom"), ZoomStatEdit);
    statusForm->addRow(QStringLiteral("Änderungsfaktor"), ChangeStepEdit);
    statusForm->addRow(QStringLiteral("Spot Zoom"), MassStatEdit);
    statusForm->addRow(QStringLiteral("Fokusschritt"), FocStepEdit);
    statusForm->addRow(QStringLiteral("PSF Größe"), DiamStatEdit);
    statusForm->addRow(QStringLiteral("PSF Ordnung"), OrdEdit);

    for (QGroupBox* box : {systemBox, seidelBox, colourBox, selectionBox, statusBox})
        column->addWidget(box);
    column->addStretch();
    hiddenUntilFirstRun_.insert(hiddenUntilFirstRun_.end(),
                                {systemBox, seidelBox, colourBox, selectionBox});

    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("ResultScroll"));
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setFixedWidth(kResultPanelWidth + scroll->verticalScrollBar()->sizeHint().width());
    return scroll;
}

// The box "Lagetoleranz": one row at the bottom of the window, under the
// drawing, so that showing it never makes the window taller.
QWidget* MainWindow::buildToleranceBox() {
    toleranceBox = groupBox(QStringLiteral("Lagetoleranz"), "ToleranceBox");
    auto* row = new QHBoxLayout(toleranceBox);
    auto numberEdit = [](const char* name) {
        auto* e = new QLineEdit(QStringLiteral("0.000"));
        e->setObjectName(QString::fromLatin1(name));
        e->setMaximumWidth(90);
        return e;
    };
    dxEdit = numberEdit("dxEdit");
    dyEdit = numberEdit("dyEdit");
    dwEdit = numberEdit("dwEdit");
    GruppLabel = new QLabel(QStringLiteral("Fläche"));
    GruppEdit = resultField("GruppEdit", 50);
    GruppCheck = new QLabel(QStringLiteral("nur Fläche"));
    for (auto [caption, field] : {std::pair{"dx", dxEdit}, {"dy", dyEdit}, {"dw", dwEdit}}) {
        row->addWidget(new QLabel(QString::fromLatin1(caption)));
        row->addWidget(field);
        row->addSpacing(8);
    }
    row->addWidget(GruppLabel);
    row->addWidget(GruppEdit);
    row->addSpacing(8);
    row->addWidget(GruppCheck);
    row->addStretch();
    connect(dxEdit, &QLineEdit::textEdited, this, &MainWindow::dxEditChange);
    connect(dyEdit, &QLineEdit::textEdited, this, &MainWindow::dyEditChange);
    return toleranceBox;
}

void MainWindow::connectDialogs() {
    connect(ValueChange, &UpDown::clicked, this, &MainWindow::ValueChangeClick);
    connect(PosTab, &UpDown::clicked, this, &MainWindow::PosTabClick);
    connect(measureMode, &QRadioButton::toggled, this, [this](bool on) {
        ws_.selection.measuring = on;
        repaintLayout();
    });
    connect(settings_, &SettingsDialog::runCycleRequested, this, &MainWindow::runCycle);
    connect(settings_, &SettingsDialog::designModeChanged, this,
            [this] { refreshDesignModeButton(); });
    connect(settings_, &SettingsDialog::settingsClosed, this, [this](SettingsEffects effects) {
        if (effects.applied) {
            if (effects.recomputeResults) markResultsStale(ws_);
            if (effects.recomputePsf) markPsfStale(ws_);
            refreshColourButtons();
            refreshRunTexts();
        }
        repaintLayout();
    });
    connect(description_, &DescriptionWindow::edited, this, [this] {
        editDescription(ws_, description_->lines());
        markModified();
    });
}

void MainWindow::revealAfterFirstRun() {
    if (firstRunDone_) return;
    firstRunDone_ = true;
    for (QWidget* w : hiddenUntilFirstRun_) w->show();
    for (QAction* a : hiddenActions_) a->setVisible(true);
    computeMenu->setEnabled(true);
    optionsMenu->setEnabled(true);
}

}  // namespace vn
