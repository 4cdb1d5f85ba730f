#include "settings/qt/settings_dialog.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "mainwindow/commands.h"
#include "ui/qt/user_numbers.h"

namespace vn {

namespace {

QGroupBox* radioGroup(const QString& title, const QStringList& items,
                      std::vector<QRadioButton*>& buttons) {
    auto* box = new QGroupBox(title);
    auto* layout = new QVBoxLayout(box);
    for (const QString& item : items) {
        auto* button = new QRadioButton(item);
        layout->addWidget(button);
        buttons.push_back(button);
    }
    return box;
}

template <size_t N>
void copyButtons(const std::vector<QRadioButton*>& from, std::array<QRadioButton*, N>& to) {
    for (size_t i = 0; i < N; ++i) to[i] = from[i];
}

QComboBox* wavelengthBox(const char* name) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    for (double w : kOfferedWavelengths) box->addItem(userShortest(w));
    return box;
}

QLineEdit* edit(const char* name) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

}  // namespace

SettingsDialog::SettingsDialog(Workspace& ws, QWidget* parent) : QDialog(parent), ws_(ws) {
    setWindowTitle(QStringLiteral("Einstellungen"));
    setObjectName(QStringLiteral("TOptions"));
    setMinimumWidth(480);
    pages = new QTabWidget;
    pages->addTab(buildWavelengthPage(), QStringLiteral("Wellenlängen"));
    pages->addTab(buildSpotPage(), QStringLiteral("Spot"));
    pages->addTab(buildPsfPage(), QStringLiteral("PSF"));
    pages->addTab(buildEditingPage(), QStringLiteral("Bearbeiten"));
    pages->addTab(buildExportPage(), QStringLiteral("Grafik Export"));

    messageLabel = new QLabel;
    messageLabel->setStyleSheet(QStringLiteral("color: #a00000;"));
    okBut = new QPushButton(QStringLiteral("ok"));
    okBut->setObjectName(QStringLiteral("okBut"));
    okBut->setDefault(true);
    CancBut = new QPushButton(QStringLiteral("Abbrechen"));
    CancBut->setObjectName(QStringLiteral("CancBut"));
    connect(okBut, &QPushButton::clicked, this, &SettingsDialog::okButClick);
    connect(CancBut, &QPushButton::clicked, this, &SettingsDialog::CancButClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(messageLabel, 1);
    buttons->addWidget(okBut);
    buttons->addWidget(CancBut);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);

    // Start values of the dialog's own edits.
    ws_.settings.controls.bitmapWidth = 600;
    ws_.settings.controls.zoomPercent = 100;
    ws_.settings.controls.spiderCount = 0;
    fillControls();
}

QSlider* SettingsDialog::slider(int minimum, int maximum) {
    auto* s = new QSlider(Qt::Horizontal);
    s->setRange(minimum, maximum);
    s->setTickPosition(QSlider::TicksBelow);
    return s;
}

// A track bar with its position shown beside it.
QWidget* SettingsDialog::withValue(QSlider* bar) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* value = new QLabel(QString::number(bar->value()));
    value->setMinimumWidth(24);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(bar, &QSlider::valueChanged, value,
            [value](int v) { value->setText(QString::number(v)); });
    layout->addWidget(bar, 1);
    layout->addWidget(value);
    return row;
}

QWidget* SettingsDialog::buildWavelengthPage() {
    auto* page = new QWidget;
    auto* form = new QFormLayout;
    RedBox = wavelengthBox("RedBox");
    GreenBox = wavelengthBox("GreenBox");
    BlueBox = wavelengthBox("BlueBox");
    form->addRow(QStringLiteral("rot"), RedBox);
    form->addRow(QStringLiteral("grün"), GreenBox);
    form->addRow(QStringLiteral("blau"), BlueBox);
    for (QComboBox* box : {RedBox, GreenBox, BlueBox})
        connect(box, &QComboBox::currentTextChanged, this,
                [this] { changed(&SettingsChanges::wavelengthsOrSpiders); });

    std::vector<QRadioButton*> buttons;
    PSFColor = radioGroup(QStringLiteral("PSF Farbe"),
                          {QStringLiteral("rot"), QStringLiteral("grün"), QStringLiteral("blau")},
                          buttons);
    PSFColor->setObjectName(QStringLiteral("PSFColor"));
    copyButtons(buttons, psfColourButtons);
    for (int i = 0; i < 3; ++i) {
        connect(psfColourButtons[static_cast<size_t>(i)], &QRadioButton::toggled, this,
                [this, i](bool on) {
                    if (!on || filling_) return;
                    ws_.settings.controls.psfColourItem = i;
                    changed(&SettingsChanges::psf);
                });
    }
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(PSFColor);
    layout->addStretch();
    return page;
}

QWidget* SettingsDialog::buildSpotPage() {
    auto* page = new QWidget;
    std::vector<QRadioButton*> buttons;
    SpotTarget = radioGroup(QStringLiteral("Durchstoßfläche"),
                            {QStringLiteral("beste Kugel"), QStringLiteral("beste Ebene"),
                             QStringLiteral("senkrechte Ebene")},
                            buttons);
    SpotTarget->setObjectName(QStringLiteral("SpotTarget"));
    copyButtons(buttons, spotTargetButtons);
    for (int i = 0; i < 3; ++i) {
        connect(spotTargetButtons[static_cast<size_t>(i)], &QRadioButton::toggled, this,
                [this, i](bool on) {
                    if (!on || filling_) return;
                    ws_.settings.controls.spotTarget = static_cast<vn::SpotTarget>(i);
                    changed(&SettingsChanges::spot);
                });
    }
    SpotDensBar = slider(1, 4);
    SpotDensBar->setObjectName(QStringLiteral("SpotDensBar"));
    StepBar = slider(1, 4);
    StepBar->setObjectName(QStringLiteral("StepBar"));
    MassBar = slider(1, 51);
    MassBar->setObjectName(QStringLiteral("MassBar"));
    SpiderEdit = edit("SpiderEdit");
    connect(SpotDensBar, &QSlider::valueChanged, this, [this](int v) {
        if (filling_) return;
        ws_.settings.controls.spotDensity = v;
        changed(&SettingsChanges::spot);
        emit runCycleRequested();
    });
    connect(StepBar, &QSlider::valueChanged, this, [this](int v) {
        if (filling_) return;
        ws_.settings.controls.focusStepPosition = v;
        changed();
    });
    connect(MassBar, &QSlider::valueChanged, this, [this](int v) {
        if (filling_) return;
        ws_.settings.controls.spotScale = v;
        changed();
    });
    connect(SpiderEdit, &QLineEdit::textEdited, this,
            [this] { changed(&SettingsChanges::wavelengthsOrSpiders); });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Punktdichte"), withValue(SpotDensBar));
    form->addRow(QStringLiteral("Fokusschritt"), withValue(StepBar));
    form->addRow(QStringLiteral("Massstab"), withValue(MassBar));
    form->addRow(QStringLiteral("Anzahl Streben"), SpiderEdit);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(SpotTarget);
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget* SettingsDialog::buildPsfPage() {
    auto* page = new QWidget;
    DiamBar = slider(10, 50);
    DiamBar->setObjectName(QStringLiteral("DiamBar"));
    ContrBar = slider(30, 60);
    ContrBar->setObjectName(QStringLiteral("ContrBar"));
    OrdBar = slider(1, 12);
    OrdBar->setObjectName(QStringLiteral("OrdBar"));
    ApodBar = slider(0, 20);
    ApodBar->setObjectName(QStringLiteral("ApodBar"));
    connect(DiamBar, &QSlider::valueChanged, this, [this](int v) {
        if (filling_) return;
        ws_.settings.controls.psfDiameter = v;
        changed(&SettingsChanges::psf);
    });
    connect(ContrBar, &QSlider::valueChanged, this, [this](int v) {
        if (filling_) return;
        ws_.settings.controls.psfContrast = v;
        changed();
    });
    connect(OrdBar, &QSlider::valueChanged, this, [this](int v) {
        if (filling_) return;
        ws_.settings.controls.psfOrder = v;
        changed(&SettingsChanges::psf);
    });
    connect(ApodBar, &QSlider::valueChanged, this, [this](int v) {
        if (filling_) return;
        ws_.settings.controls.apodisation = v;
        changed(&SettingsChanges::psf);
        emit runCycleRequested();
    });
    auto* form = new QFormLayout(page);
    form->addRow(QStringLiteral("Durchmesser"), withValue(DiamBar));
    form->addRow(QStringLiteral("Kontrast"), withValue(ContrBar));
    form->addRow(QStringLiteral("Ordnung"), withValue(OrdBar));
    form->addRow(QStringLiteral("Apodisation"), withValue(ApodBar));
    return page;
}

QWidget* SettingsDialog::buildEditingPage() {
    auto* page = new QWidget;
    NormCheck = new QCheckBox(QStringLiteral("Auf Brennweite normiert"));
    NormCheck->setObjectName(QStringLiteral("NormCheck"));
    connect(NormCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (filling_) return;
        ws_.settings.controls.normalised = on;
        changed();
        emit designModeChanged(on);
    });
    SysMassEdit = edit("SysMassEdit");
    std::vector<QRadioButton*> buttons;
    ZoneDirGroup = radioGroup(
        QStringLiteral("Richtungsmarkierung"),
        {QStringLiteral("-wmax"), QStringLiteral("Null"), QStringLiteral("+wmax")}, buttons);
    ZoneDirGroup->setObjectName(QStringLiteral("ZoneDirGroup"));
    copyButtons(buttons, zoneDirButtons);
    for (int i = 0; i < 3; ++i) {
        connect(zoneDirButtons[static_cast<size_t>(i)], &QRadioButton::toggled, this,
                [this, i](bool on) {
                    if (!on || filling_) return;
                    ws_.settings.controls.zoneDirection = i;
                    changed();
                });
    }
    RadStepEdit = edit("RadStepEdit");
    DistStepEdit = edit("DistStepEdit");
    AngleStepEdit = edit("AngleStepEdit");
    BendStepEdit = edit("BendStepEdit");
    StepFaktEdit = edit("StepFaktEdit");
    for (QLineEdit* e :
         {SysMassEdit, RadStepEdit, DistStepEdit, AngleStepEdit, BendStepEdit, StepFaktEdit})
        connect(e, &QLineEdit::textEdited, this, [this] { changed(); });

    auto* steps = new QGroupBox(QStringLiteral("Änderungsschritt"));
    auto* stepForm = new QFormLayout(steps);
    stepForm->addRow(QStringLiteral("Radius/%"), RadStepEdit);
    stepForm->addRow(QStringLiteral("Abstand/%"), DistStepEdit);
    stepForm->addRow(QStringLiteral("Winkel/°"), AngleStepEdit);
    stepForm->addRow(QStringLiteral("Biegung/%"), BendStepEdit);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Systemmaßstab"), SysMassEdit);
    form->addRow(QStringLiteral("Schrittfaktor"), StepFaktEdit);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(NormCheck);
    layout->addLayout(form);
    layout->addWidget(ZoneDirGroup);
    layout->addWidget(steps);
    layout->addStretch();
    return page;
}

QWidget* SettingsDialog::buildExportPage() {
    auto* page = new QWidget;
    std::vector<QRadioButton*> buttons;
    GraphChoice = radioGroup(
        QStringLiteral("Grafik Quelle"),
        {QStringLiteral("System Layout"), QStringLiteral("Spot Fenster"),
         QStringLiteral("PSF Fenster"), QStringLiteral("PSF Graphik"), QStringLiteral("Sterntest")},
        buttons);
    GraphChoice->setObjectName(QStringLiteral("GraphChoice"));
    copyButtons(buttons, graphChoiceButtons);
    for (int i = 0; i < static_cast<int>(graphChoiceButtons.size()); ++i) {
        connect(graphChoiceButtons[static_cast<size_t>(i)], &QRadioButton::toggled, this,
                [this, i](bool on) {
                    if (!on || filling_) return;
                    ws_.settings.controls.graphicSource = static_cast<GraphicSource>(i);
                    changed();
                });
    }
    ZoomBox = new QComboBox;
    ZoomBox->setObjectName(QStringLiteral("ZoomBox"));
    ZoomBox->setEditable(true);
    ZoomBox->addItems({"25", "50", "75", "100", "150", "250", "500"});
    connect(ZoomBox, &QComboBox::currentTextChanged, this, [this] { changed(); });

    auto* target = new QGroupBox(QStringLiteral("Graphik Ziel"));
    auto* targetLayout = new QVBoxLayout(target);
    PrinterButton = new QRadioButton(QStringLiteral("Drucker"));
    MetaButton = new QRadioButton(QStringLiteral("MetaFile"));
    BmpButton = new QRadioButton(QStringLiteral("Bitmap"));
    const std::array<QRadioButton*, 3> destinations = {PrinterButton, MetaButton, BmpButton};
    for (int i = 0; i < 3; ++i) {
        targetLayout->addWidget(destinations[static_cast<size_t>(i)]);
        connect(destinations[static_cast<size_t>(i)], &QRadioButton::toggled, this,
                [this, i](bool on) {
                    if (!on || filling_) return;
                    ws_.settings.controls.destination = static_cast<GraphicDestination>(i);
                    changed();
                });
    }
    BreiteEdit = edit("BreiteEdit");
    connect(BreiteEdit, &QLineEdit::textEdited, this, [this] { changed(); });

    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(ZoomBox);
    zoomRow->addWidget(new QLabel(QStringLiteral("%")));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Zoom Faktor"), zoomRow);
    form->addRow(QStringLiteral("Breite"), BreiteEdit);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GraphChoice);
    layout->addWidget(target);
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

void SettingsDialog::fillControls() {
    filling_ = true;
    const SettingsControls& c = ws_.settings.controls;
    const std::array<QComboBox*, 3> boxes = {RedBox, BlueBox, GreenBox};  // by colour - 1
    for (size_t i = 0; i < 3; ++i) boxes[i]->setEditText(userShortest(c.wavelength[i]));
    psfColourButtons[static_cast<size_t>(c.psfColourItem)]->setChecked(true);
    spotTargetButtons[static_cast<size_t>(c.spotTarget)]->setChecked(true);
    SpotDensBar->setValue(c.spotDensity);
    StepBar->setValue(c.focusStepPosition);
    MassBar->setValue(c.spotScale);
    SpiderEdit->setText(QString::number(c.spiderCount));
    DiamBar->setValue(c.psfDiameter);
    ContrBar->setValue(c.psfContrast);
    OrdBar->setValue(c.psfOrder);
    ApodBar->setValue(c.apodisation);
    NormCheck->setChecked(c.normalised);
    SysMassEdit->setText(userFixed(c.systemScale, 9, 0));
    zoneDirButtons[static_cast<size_t>(c.zoneDirection)]->setChecked(true);
    RadStepEdit->setText(userFixed(c.radiusStep, 9, 1));
    DistStepEdit->setText(userFixed(c.distanceStep, 9, 1));
    AngleStepEdit->setText(userFixed(c.angleStep, 9, 1));
    BendStepEdit->setText(userFixed(c.bendStep, 9, 1));
    StepFaktEdit->setText(userFixed(c.stepFactor, 9, 0));
    graphChoiceButtons[static_cast<size_t>(c.graphicSource)]->setChecked(true);
    ZoomBox->setEditText(QString::number(c.zoomPercent));
    const std::array<QRadioButton*, 3> destinations = {PrinterButton, MetaButton, BmpButton};
    destinations[static_cast<size_t>(c.destination)]->setChecked(true);
    BreiteEdit->setText(QString::number(c.bitmapWidth));
    for (QWidget* w : std::initializer_list<QWidget*>{
             RedBox, GreenBox, BlueBox, SpiderEdit, SysMassEdit, RadStepEdit, DistStepEdit,
             AngleStepEdit, BendStepEdit, StepFaktEdit, ZoomBox, BreiteEdit})
        markInvalid(w, false);
    messageLabel->clear();
    filling_ = false;
}

void SettingsDialog::showSettings() {
    vn::showSettings(ws_.settings, ws_.model);
    shown_ = ws_.settings.controls;
    ws_.settings.changes = {};
    fillControls();
    show();
    raise();
    activateWindow();
}

void SettingsDialog::changed(bool SettingsChanges::*group) {
    if (filling_) return;
    ws_.settings.changes.dialog = true;
    if (group) ws_.settings.changes.*group = true;
}

bool SettingsDialog::readFields() {
    SettingsControls& c = ws_.settings.controls;
    bool ok = true;
    const std::array<QComboBox*, 3> boxes = {RedBox, BlueBox, GreenBox};  // by colour - 1
    for (size_t i = 0; i < 3; ++i) {
        double w = c.wavelength[i];
        const bool good =
            parseUserNumber(boxes[i]->currentText(), w) && w > 0.0 && std::isfinite(w);
        if (good) c.wavelength[i] = w;
        markInvalid(boxes[i], !good);
        ok = ok && good;
    }
    ok = readIntegerField(SpiderEdit, c.spiderCount, 0, 255) && ok;
    double scale = c.systemScale;
    const bool scaleOk = readNumberField(SysMassEdit, scale) && scale > 0.0;
    if (scaleOk) c.systemScale = scale;
    markInvalid(SysMassEdit, !scaleOk);
    ok = ok && scaleOk;
    ok = readNumberField(RadStepEdit, c.radiusStep) && ok;
    ok = readNumberField(DistStepEdit, c.distanceStep) && ok;
    ok = readNumberField(AngleStepEdit, c.angleStep) && ok;
    ok = readNumberField(BendStepEdit, c.bendStep) && ok;
    double factor = c.stepFactor;
    const bool factorOk = readNumberField(StepFaktEdit, factor) && factor >= 1.0 && factor <= 20.0;
    if (factorOk) c.stepFactor = factor;
    markInvalid(StepFaktEdit, !factorOk);
    ok = ok && factorOk;
    double zoom = c.zoomPercent;
    const bool zoomOk =
        parseUserNumber(ZoomBox->currentText(), zoom) && zoom >= 1.0 && zoom <= 10000.0;
    if (zoomOk) c.zoomPercent = static_cast<int>(zoom);
    markInvalid(ZoomBox, !zoomOk);
    ok = ok && zoomOk;
    ok = readIntegerField(BreiteEdit, c.bitmapWidth, 1, 20000) && ok;
    return ok;
}

void SettingsDialog::okButClick() {
    if (!readFields()) {
        messageLabel->setText(QStringLiteral("Markierte Felder enthalten keine gültige Zahl."));
        return;
    }
    finish(true);
}

void SettingsDialog::CancButClick() {
    finish(false);
}

// Escape.
void SettingsDialog::reject() {
    finish(false);
}

// The window's close button. The base class would reject, which is what
// finish(false) already did.
void SettingsDialog::closeEvent(QCloseEvent* event) {
    if (isVisible()) finish(false);
    event->accept();
}

void SettingsDialog::finish(bool apply) {
    if (apply) {
        SettingsEffects effects = closeSettings(ws_.settings, ws_.model, ws_.marked.angle);
        if (effects.applied)
            ws_.settings.values.focusStep = focusStepOf(ws_.settings.controls.focusStepPosition);
        done(Accepted);
        emit settingsClosed(effects);
        return;
    }
    cancelSettings(ws_.settings);
    const bool rerun = shown_.spotDensity != ws_.settings.controls.spotDensity ||
                       shown_.apodisation != ws_.settings.controls.apodisation;
    const bool modeChanged = shown_.normalised != ws_.settings.controls.normalised;
    ws_.settings.controls = shown_;
    done(Rejected);
    if (modeChanged) emit designModeChanged(shown_.normalised);
    if (rerun) emit runCycleRequested();
    emit settingsClosed({});
}

void SettingsDialog::adoptOutsideChanges(const SettingsControls& before) {
    const SettingsControls& now = ws_.settings.controls;
    filling_ = true;
    auto adopt = [&](auto SettingsControls::*field, auto show) {
        if (now.*field == before.*field) return;
        shown_.*field = now.*field;
        show(now.*field);
    };
    adopt(&SettingsControls::systemScale, [this](double v) {
        SysMassEdit->setText(userFixed(v, 9, 0));
        markInvalid(SysMassEdit, false);
    });
    adopt(&SettingsControls::stepFactor, [this](double v) {
        StepFaktEdit->setText(userFixed(v, 9, 0));
        markInvalid(StepFaktEdit, false);
    });
    adopt(&SettingsControls::spiderCount, [this](int v) {
        SpiderEdit->setText(QString::number(v));
        markInvalid(SpiderEdit, false);
    });
    adopt(&SettingsControls::zoneDirection,
          [this](int v) { zoneDirButtons[static_cast<size_t>(v)]->setChecked(true); });
    adopt(&SettingsControls::psfColourItem,
          [this](int v) { psfColourButtons[static_cast<size_t>(v)]->setChecked(true); });
    adopt(&SettingsControls::spotScale, [this](int v) { MassBar->setValue(v); });
    adopt(&SettingsControls::focusStepPosition, [this](int v) { StepBar->setValue(v); });
    adopt(&SettingsControls::spotDensity, [this](int v) { SpotDensBar->setValue(v); });
    adopt(&SettingsControls::psfOrder, [this](int v) { OrdBar->setValue(v); });
    adopt(&SettingsControls::psfDiameter, [this](int v) { DiamBar->setValue(v); });
    adopt(&SettingsControls::normalised, [this](bool v) { NormCheck->setChecked(v); });
    filling_ = false;
}

}  // namespace vn
