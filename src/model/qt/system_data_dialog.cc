#include "model/qt/system_data_dialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "model/number_format.h"
#include "ui/qt/description_window.h"
#include "ui/qt/user_numbers.h"

namespace vn {
namespace {

constexpr std::array<int, 3> kListedSlots = {colourIndex(kRed), colourIndex(kGreen),
                                             colourIndex(kBlue)};
constexpr std::array<SurfaceKind, 5> kKinds = {SurfaceKind::Refraction, SurfaceKind::Reflection,
                                               SurfaceKind::Obstruction, SurfaceKind::Stop,
                                               SurfaceKind::Schmidt};

QLineEdit* edit(const char* name, int width = 100) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    e->setMinimumWidth(width);
    e->setAlignment(Qt::AlignRight);
    return e;
}

QPushButton* button(const QString& text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* caption(const char* text, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(text));
    l->setBuddy(buddy);
    return l;
}

int kindNumber(SurfaceKind kind) {
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i] == kind) return static_cast<int>(i);
    return 0;
}

}  // namespace

SystemDataDialog::SystemDataDialog(Workspace& ws, DescriptionWindow* description, QWidget* parent)
    : QDialog(parent), ws_(ws), description_(description) {
    setObjectName(QStringLiteral("TDataForm"));
    setWindowTitle(QStringLiteral("Systemdaten"));

    KopfEdit = edit("KopfEdit", 300);
    AutorEdit = edit("AutorEdit", 300);
    for (QLineEdit* e : {KopfEdit, AutorEdit}) e->setAlignment(Qt::AlignLeft);
    BrwEdit = edit("BrwEdit");
    BlendeEdit = edit("BlendeEdit");
    wmaxEdit = edit("wmaxEdit");
    s0Edit = edit("s0Edit");
    epEdit = edit("epEdit");
    flzEdit = edit("flzEdit", 50);
    flzEdit->setEnabled(false);
    auto* systemBox = new QGroupBox(QStringLiteral("System"));
    auto* sg = new QGridLayout(systemBox);
    sg->addWidget(caption("Titel", KopfEdit), 0, 0);
    sg->addWidget(KopfEdit, 0, 1, 1, 5);
    sg->addWidget(caption("Quelle", AutorEdit), 1, 0);
    sg->addWidget(AutorEdit, 1, 1, 1, 5);
    sg->addWidget(caption("Brennweite", BrwEdit), 2, 0);
    sg->addWidget(BrwEdit, 2, 1);
    sg->addWidget(caption("Öffnung", BlendeEdit), 2, 2);
    sg->addWidget(BlendeEdit, 2, 3);
    sg->addWidget(caption("Bildwinkel", wmaxEdit), 2, 4);
    sg->addWidget(wmaxEdit, 2, 5);
    sg->addWidget(caption("Objektweite", s0Edit), 3, 0);
    sg->addWidget(s0Edit, 3, 1);
    sg->addWidget(caption("Eintrittspupille", epEdit), 3, 2);
    sg->addWidget(epEdit, 3, 3);
    sg->addWidget(caption("Flächenzahl", flzEdit), 3, 4);
    sg->addWidget(flzEdit, 3, 5);

    SurfaceControl = new QTabBar;
    SurfaceControl->setObjectName(QStringLiteral("SurfaceControl"));
    SurfaceControl->setExpanding(false);
    SurfaceControl->setUsesScrollButtons(true);
    SurfaceControl->setDrawBase(true);

    rEdit = edit("rEdit");
    kEdit = edit("kEdit");
    SchmidtEdit = edit("SchmidtEdit");
    NZEdit = edit("NZEdit");
    uEdit = edit("uEdit");
    hEdit = edit("hEdit");
    A2Edit = edit("A2Edit");
    A4Edit = edit("A4Edit");
    A6Edit = edit("A6Edit");
    A8Edit = edit("A8Edit");
    DirCheck = new QCheckBox(QStringLiteral("Sagittal"));
    DirCheck->setObjectName(QStringLiteral("DirCheck"));
    SurfKind = new QGroupBox(QStringLiteral("Flächenart"));
    SurfKind->setObjectName(QStringLiteral("SurfKind"));
    kindGroup_ = new QButtonGroup(this);
    auto* kindColumn = new QVBoxLayout(SurfKind);
    const std::array<const char*, 5> kindNames = {"Refraktion", "Reflektion", "Obstruktion",
                                                  "Blende", "Schmidt"};
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        kindButtons[i] = new QRadioButton(QString::fromUtf8(kindNames[i]));
        kindButtons[i]->setObjectName(QStringLiteral("Kind") + QString::fromUtf8(kindNames[i]));
        kindGroup_->addButton(kindButtons[i], static_cast<int>(i));
        kindColumn->addWidget(kindButtons[i]);
    }
    auto* surfaceBox = new QGroupBox;
    auto* fg = new QGridLayout(surfaceBox);
    const std::array<std::pair<const char*, QLineEdit*>, 6> left = {{{"Radius", rEdit},
                                                                     {"SC", kEdit},
                                                                     {"SchmidtFakt", SchmidtEdit},
                                                                     {"NeutrZone", NZEdit},
                                                                     {"Winkel", uEdit},
                                                                     {"Grenze", hEdit}}};
    for (int i = 0; i < 6; ++i) {
        fg->addWidget(caption(left[idx(i)].first, left[idx(i)].second), i, 0);
        fg->addWidget(left[idx(i)].second, i, 1);
    }
    const std::array<std::pair<const char*, QLineEdit*>, 4> right = {
        {{"A2", A2Edit}, {"A4", A4Edit}, {"A6", A6Edit}, {"Torus", A8Edit}}};
    for (int i = 0; i < 4; ++i) {
        fg->addWidget(caption(right[idx(i)].first, right[idx(i)].second), i, 2);
        fg->addWidget(right[idx(i)].second, i, 3);
    }
    fg->addWidget(DirCheck, 4, 3);
    fg->addWidget(SurfKind, 0, 4, 6, 1);

    eEdit = edit("eEdit");
    MediumEdit = edit("MediumEdit", 200);
    MediumEdit->setAlignment(Qt::AlignLeft);
    MediumEdit->setMaxLength(static_cast<int>(kBufferMediumLength));
    MediaButton = button(QStringLiteral("Auswahl Medium ..."), "MediaButton");
    auto* gapBox = new QGroupBox(QStringLiteral("bis nächste Fläche"));
    auto* gg = new QGridLayout(gapBox);
    gg->addWidget(caption("Abstand", eEdit), 0, 0);
    gg->addWidget(eEdit, 0, 1);
    gg->addWidget(caption("Medium", MediumEdit), 1, 0);
    gg->addWidget(MediumEdit, 1, 1, 1, 2);
    gg->addWidget(MediaButton, 0, 2);

    auto* indexBox = new QGroupBox(QStringLiteral("Brechzahlen/Wellenlängen"));
    auto* ig = new QGridLayout(indexBox);
    const std::array<const char*, 3> nNames = {"nRedEdit", "nGreenEdit", "nBlueEdit"};
    const std::array<const char*, 3> lNames = {"LlongEdit", "LmeanEdit", "LshortEdit"};
    const std::array<const char*, 3> lCaptions = {"lang/nm", "mittel/nm", "kurz/nm"};
    for (int i = 0; i < 3; ++i) {
        nEdits[idx(i)] = edit(nNames[idx(i)]);
        lambdaEdits[idx(i)] = edit(lNames[idx(i)], 80);
        lambdaEdits[idx(i)]->setReadOnly(true);
        lambdaEdits[idx(i)]->setFocusPolicy(Qt::NoFocus);
        ig->addWidget(nEdits[idx(i)], i, 0);
        ig->addWidget(caption(lCaptions[idx(i)], lambdaEdits[idx(i)]), i, 1);
        ig->addWidget(lambdaEdits[idx(i)], i, 2);
    }

    InsButton = button(QStringLiteral("einfügen"), "InsButton");
    DelButton = button(QStringLiteral(" löschen"), "DelButton");
    InsAbstEdit = edit("InsAbstEdit", 70);
    InsAbstEdit->setText(userFixed(1.0, 3, 1));
    auto* manageBox = new QGroupBox(QStringLiteral("Flächenverwaltung"));
    auto* mg = new QGridLayout(manageBox);
    mg->addWidget(InsButton, 0, 0);
    mg->addWidget(DelButton, 1, 0);
    mg->addWidget(caption("Distanz", InsAbstEdit), 0, 1);
    mg->addWidget(InsAbstEdit, 0, 2);

    AktButton = button(QStringLiteral("Aktualisieren"), "AktButton");
    AktCheck = new QCheckBox(QStringLiteral("Akt. möglich"));
    AktCheck->setObjectName(QStringLiteral("AktCheck"));
    AktBrennEdit = edit("AktBrennEdit");
    BlEdit = edit("BlEdit");
    for (QLineEdit* e : {AktBrennEdit, BlEdit}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
    }
    auto* currentBox = new QGroupBox(QStringLiteral("Aktuelle Daten"));
    auto* cg = new QGridLayout(currentBox);
    cg->addWidget(AktButton, 0, 0);
    cg->addWidget(AktCheck, 1, 0);
    cg->addWidget(caption("f", AktBrennEdit), 0, 1);
    cg->addWidget(AktBrennEdit, 0, 2);
    cg->addWidget(caption("Bl", BlEdit), 1, 1);
    cg->addWidget(BlEdit, 1, 2);

    DescrButton = button(QStringLiteral("Beschreibung"), "DescrButton");
    okBtn = button(QStringLiteral("ok"), "okBtn");
    okBtn->setDefault(true);
    CancelBtn = button(QStringLiteral("Cancel"), "CancelBtn");
    messageLabel = new QLabel;
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setStyleSheet(QStringLiteral("color: #a00000;"));
    messageLabel->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(systemBox);
    layout->addWidget(SurfaceControl);
    layout->addWidget(surfaceBox);
    auto* gapRow = new QHBoxLayout;
    gapRow->addWidget(gapBox, 1);
    gapRow->addWidget(indexBox);
    layout->addLayout(gapRow);
    auto* lowerRow = new QHBoxLayout;
    lowerRow->addWidget(manageBox);
    lowerRow->addWidget(currentBox);
    layout->addLayout(lowerRow);
    layout->addWidget(messageLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(DescrButton);
    buttons->addStretch();
    buttons->addWidget(okBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);

    numbers_ = {
        {BrwEdit, &EditorFields::focalLength, 5, 2},
        {BlendeEdit, &EditorFields::aperture, 5, 2},
        {wmaxEdit, &EditorFields::fieldAngle, 5, 2},
        {s0Edit, &EditorFields::objectDistance, 7, 2},
        {epEdit, &EditorFields::entrancePupil, 5, 2},
        {rEdit, &EditorFields::r, 7, 5},
        {kEdit, &EditorFields::k, 7, 5},
        {SchmidtEdit, &EditorFields::schmidt, 7, 5},
        {NZEdit, &EditorFields::nz, 7, 5},
        {uEdit, &EditorFields::u, 7, 5},
        {hEdit, &EditorFields::h, 3, 2},
        {A2Edit, &EditorFields::A2, 0, 0},
        {A4Edit, &EditorFields::A4, 0, 0},
        {A6Edit, &EditorFields::A6, 0, 0},
        {A8Edit, &EditorFields::A8, 7, 5},
        {eEdit, &EditorFields::e, 7, 5},
    };

    // Tab order: system values, then the surface from the radius to the
    // indices, then the buttons.
    const std::vector<QWidget*> order = {
        KopfEdit,       AutorEdit,   BrwEdit,   BlendeEdit,  wmaxEdit,  s0Edit,         epEdit,
        SurfaceControl, rEdit,       kEdit,     SchmidtEdit, NZEdit,    uEdit,          hEdit,
        A2Edit,         A4Edit,      A6Edit,    A8Edit,      DirCheck,  kindButtons[0], eEdit,
        MediumEdit,     MediaButton, nEdits[0], nEdits[1],   nEdits[2], InsButton,      DelButton,
        InsAbstEdit,    AktButton,   AktCheck,  DescrButton, okBtn,     CancelBtn};
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

    connect(SurfaceControl, &QTabBar::currentChanged, this,
            &SystemDataDialog::SurfaceControlChange);
    connect(kindGroup_, &QButtonGroup::idClicked, this, &SystemDataDialog::SurfKindClick);
    connect(MediaButton, &QPushButton::clicked, this, &SystemDataDialog::MediaButtonClick);
    connect(InsButton, &QPushButton::clicked, this, &SystemDataDialog::InsButtonClick);
    connect(DelButton, &QPushButton::clicked, this, &SystemDataDialog::DelButtonClick);
    connect(AktButton, &QPushButton::clicked, this, &SystemDataDialog::AktButtonClick);
    connect(AktCheck, &QCheckBox::toggled, AktButton, &QPushButton::setEnabled);
    connect(DescrButton, &QPushButton::clicked, this, [this] {
        description_->show();
        description_->raise();
    });
    connect(okBtn, &QPushButton::clicked, this, &SystemDataDialog::okBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &SystemDataDialog::CancelBtnClick);
    resetCurrentData();
}

void SystemDataDialog::showEditor() {
    const bool wasVisible = isVisible();
    editor_.fill(ws_.model, ws_.settings.controls.normalised);
    rebuildTabs();
    fieldsToTexts();
    resetCurrentData();
    messageLabel->clear();
    show();
    if (!wasVisible) {
        // Placed once shown, when the frame that the window system adds is
        // known; it may arrive a moment later.
        resize(sizeHint());
        placeAtRightEdge();
        QTimer::singleShot(0, this, [this] { placeAtRightEdge(); });
    }
    raise();
    activateWindow();
}

void SystemDataDialog::refill() {
    if (!isVisible()) return;
    editor_.fill(ws_.model, ws_.settings.controls.normalised);
    rebuildTabs();
    fieldsToTexts();
}

// At the right edge of the screen and centred in its height, inside it.
void SystemDataDialog::placeAtRightEdge() {
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect frame = frameGeometry();  // move() places the frame
    const int x = std::max(area.left(), area.right() + 1 - frame.width());
    const int y = std::max(area.top(), area.top() + (area.height() - frame.height()) / 2);
    move(x, y);
}

void SystemDataDialog::resetCurrentData() {
    AktCheck->setChecked(false);
    AktButton->setEnabled(false);
    AktBrennEdit->clear();
    BlEdit->clear();
    flzEdit->setEnabled(false);
}

void SystemDataDialog::showCurrentData() {
    const CurrentData& c = editor_.current();
    if (!c.shown) return;
    AktBrennEdit->setText(userFixed(c.focalLength, 7, 5));
    BlEdit->setText(userFixed(c.fNumber, 7, 5));
}

void SystemDataDialog::message(const std::string& text) {
    messageLabel->setText(QString::fromStdString(text));
}

void SystemDataDialog::rebuildTabs() {
    const QSignalBlocker blocker(SurfaceControl);
    while (SurfaceControl->count() > 0) SurfaceControl->removeTab(SurfaceControl->count() - 1);
    for (int i = 0; i <= editor_.buffer().N(); ++i)
        SurfaceControl->addTab(QStringLiteral("Fläche%1").arg(i));
    SurfaceControl->setCurrentIndex(editor_.shownSurface());
}

// The texts the user changed go into the editor's fields; a text that is not
// a number is marked and the field keeps its value. Texts left alone keep the
// exact values, not their rounded display.
bool SystemDataDialog::textsToFields() {
    EditorFields& f = editor_.fields();
    f.title = KopfEdit->text().toStdString();
    f.source = AutorEdit->text().toStdString();
    f.medium = MediumEdit->text().toStdString();
    f.sagittal = DirCheck->isChecked();
    bool valid = true;
    auto read = [&valid](QLineEdit* e, double& value) {
        if (!e->isModified()) return;
        if (readNumberField(e, value))
            e->setModified(false);
        else
            valid = false;
    };
    for (const NumberField& n : numbers_) read(n.edit, f.*(n.value));
    for (int i = 0; i < 3; ++i) read(nEdits[idx(i)], f.n[idx(kListedSlots[idx(i)])]);
    return valid;
}

void SystemDataDialog::fieldsToTexts() {
    const EditorFields& f = editor_.fields();
    const QSignalBlocker blocker(SurfaceControl);
    SurfaceControl->setCurrentIndex(editor_.shownSurface());
    KopfEdit->setText(QString::fromStdString(f.title));
    AutorEdit->setText(QString::fromStdString(f.source));
    MediumEdit->setText(QString::fromStdString(f.medium));
    DirCheck->setChecked(f.sagittal);
    for (const NumberField& n : numbers_) {
        const double v = f.*(n.value);
        n.edit->setText(n.precision > 0
                            ? userFixed(v, n.precision, n.decimals)
                            : QString::fromStdString(fmt::general(v, 4, userDecimalSeparator())));
        n.edit->setCursorPosition(0);
        markInvalid(n.edit, false);
    }
    for (int i = 0; i < 3; ++i) {
        const int slot = kListedSlots[idx(i)];
        nEdits[idx(i)]->setText(userFixed(f.n[idx(slot)], 7, 5));
        markInvalid(nEdits[idx(i)], false);
        lambdaEdits[idx(i)]->setText(userFixed(f.wavelengthNm[idx(slot)], 7, 2));
        lambdaEdits[idx(i)]->setStyleSheet(f.wavelengthMarked[idx(slot)]
                                               ? QStringLiteral("background-color: #ff6060;")
                                               : QString());
    }
    flzEdit->setText(userFixed(f.surfaceCount, 3, 0));
    BrwEdit->setReadOnly(!f.focalLengthEditable);
    BrwEdit->setFocusPolicy(f.focalLengthEditable ? Qt::StrongFocus : Qt::NoFocus);
    kindButtons[idx(kindNumber(f.kind))]->setChecked(true);
    SurfKind->setEnabled(editor_.shownSurface() > 0);
}

void SystemDataDialog::SurfaceControlChange(int tab) {
    textsToFields();
    editor_.selectTab(tab);
    fieldsToTexts();
}

void SystemDataDialog::SurfKindClick(int kind) {
    if (kind < 0 || kind >= static_cast<int>(kKinds.size())) return;
    textsToFields();
    editor_.chooseKind(kKinds[idx(kind)]);
    fieldsToTexts();
}

void SystemDataDialog::MediaButtonClick() {
    textsToFields();
    editor_.prepareMediumChoice();
    fieldsToTexts();
    emit mediumChoiceRequested();
}

void SystemDataDialog::applyGlass(const GlassRecord& glass) {
    textsToFields();
    message(editor_.applyGlass(glass));
    fieldsToTexts();
}

void SystemDataDialog::InsButtonClick() {
    double distance = 1.0;
    if (!readNumberField(InsAbstEdit, distance)) {
        message("Die Distanz ist keine Zahl.");
        return;
    }
    textsToFields();
    const std::string refused = editor_.insertSurface(distance);
    message(refused);
    if (refused.empty()) InsAbstEdit->setText(userFixed(1.0, 3, 0));
    rebuildTabs();
    fieldsToTexts();
}

void SystemDataDialog::DelButtonClick() {
    textsToFields();
    message(editor_.deleteSurface());
    rebuildTabs();
    fieldsToTexts();
}

void SystemDataDialog::AktButtonClick() {
    if (!textsToFields()) {
        message("Ein markiertes Feld enthält keine Zahl; bitte korrigieren.");
        return;
    }
    message(editor_.update());
    fieldsToTexts();
    showCurrentData();
}

void SystemDataDialog::okBtnClick() {
    if (!textsToFields()) {
        message("Ein markiertes Feld enthält keine Zahl; bitte korrigieren.");
        return;
    }
    editor_.buffer().description = description_->lines();
    SystemModel system = ws_.model;
    editor_.accept(system, AktCheck->isChecked());
    replaceSystem(ws_, system);
    description_->hide();
    hide();
    emit systemWritten();
}

void SystemDataDialog::CancelBtnClick() {
    editor_.fill(ws_.model, ws_.settings.controls.normalised);
    description_->hide();
    hide();
}

void SystemDataDialog::reject() {
    CancelBtnClick();
}

}  // namespace vn
