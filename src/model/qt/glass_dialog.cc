#include "model/qt/glass_dialog.h"

#include <QDate>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "model/text_file.h"
#include "ui/qt/qpainter_canvas.h"
#include "ui/qt/user_numbers.h"

namespace vn {

GlassMapView::GlassMapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("GlassMap"));
    setMinimumSize(300, 220);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Click a glass to choose it"));
}

void GlassMapView::setCatalogue(const GlassCatalogue& catalogue) {
    points_ = glassMapPoints(catalogue);
    update();
}

void GlassMapView::setMarked(int index) {
    marked_ = index;
    update();
}

void GlassMapView::paintEvent(QPaintEvent*) {
    recording_ = RecordingCanvas(width(), height());
    drawGlassMap(recording_, points_, width(), height(), marked_);
    QPainter painter(this);
    QPainterCanvas canvas(painter);
    recording_.replay(canvas);
}

void GlassMapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPoint p = event->position().toPoint();
    const int index = glassAtPixel(points_, width(), height(), {p.x(), p.y()});
    if (index >= 0) emit picked(index);
}

namespace {

QLineEdit* field(const char* name, int width) {
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    e->setMinimumWidth(width);
    return e;
}

}  // namespace

GlassDialog::GlassDialog(Workspace& ws, SynthesisState& synthesis, QWidget* parent)
    : QDialog(parent), ws_(ws), synthesis_(synthesis) {
    setObjectName(QStringLiteral("TSchottForm"));
    setWindowTitle(QStringLiteral("Glass Choice"));

    FilterEdit = field("FilterEdit", 200);
    FilterEdit->setPlaceholderText(QStringLiteral("Type to filter the list"));
    FilterEdit->setClearButtonEnabled(true);
    SchottBox = new QComboBox;
    SchottBox->setObjectName(QStringLiteral("SchottBox"));
    SchottBox->setMinimumWidth(520);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    SchottBox->setFont(mono);
    EditCode = field("EditCode", 110);
    EditType = field("EditType", 200);
    neEdit = field("neEdit", 90);
    veEdit = field("veEdit", 90);
    PFeEdit = field("PFeEdit", 90);
    const std::array<const char*, 6> names = {"B1Edit", "B2Edit", "B3Edit",
                                              "C1Edit", "C2Edit", "C3Edit"};
    for (std::size_t i = 0; i < 6; ++i) coefEdits[i] = field(names[i], 130);
    NeuButton = new QPushButton(QStringLiteral("Neu"));
    NeuButton->setObjectName(QStringLiteral("NeuButton"));
    TakeButton = new QPushButton(QStringLiteral("Übernehmen"));
    TakeButton->setObjectName(QStringLiteral("TakeButton"));
    okButton = new QPushButton(QStringLiteral("ok"));
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("Cancel"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    messageLabel = new QLabel;
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setStyleSheet(QStringLiteral("color: #a00000;"));
    messageLabel->setWordWrap(true);
    map = new GlassMapView;

    auto* layout = new QVBoxLayout(this);
    auto* listRow = new QGridLayout;
    listRow->addWidget(new QLabel(QStringLiteral("Filter")), 0, 0);
    listRow->addWidget(FilterEdit, 0, 1);
    listRow->addWidget(new QLabel(QStringLiteral("Glass Type")), 1, 0);
    listRow->addWidget(SchottBox, 1, 1);
    layout->addLayout(listRow);

    auto* middle = new QHBoxLayout;
    auto* grid = new QGridLayout;
    int row = 0;
    auto addRow = [&](const char* caption, QWidget* w, int column = 0) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, column);
        grid->addWidget(w, row, column + 1);
    };
    addRow("Code.Dense", EditCode);
    ++row;
    addRow("Source Type Calc", EditType);
    ++row;
    addRow("ne", neEdit);
    ++row;
    addRow("ve", veEdit);
    ++row;
    addRow("PF´e", PFeEdit);
    ++row;
    const std::array<const char*, 6> captions = {"B1", "B2", "B3", "C1", "C2", "C3"};
    for (std::size_t i = 0; i < 3; ++i) {
        addRow(captions[i], coefEdits[i]);
        grid->addWidget(new QLabel(QString::fromLatin1(captions[i + 3])), row, 2);
        grid->addWidget(coefEdits[i + 3], row, 3);
        ++row;
    }
    middle->addLayout(grid);
    middle->addWidget(map, 1);
    layout->addLayout(middle, 1);

    auto* legend =
        new QLabel(QStringLiteral("L: Literature     S: Schott    O: Ohara    H: Hoya     C: "
                                  "Corning\nSel: Sellmeier   Cau:  Cauchy   n/L: n(Lambda)"));
    legend->setObjectName(QStringLiteral("Legend"));
    layout->addWidget(legend);
    layout->addWidget(messageLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(NeuButton);
    buttons->addWidget(TakeButton);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    setTabOrder(FilterEdit, SchottBox);
    setTabOrder(SchottBox, EditCode);
    setTabOrder(EditCode, EditType);
    setTabOrder(EditType, neEdit);
    setTabOrder(neEdit, veEdit);
    setTabOrder(veEdit, PFeEdit);
    QWidget* previous = PFeEdit;
    for (QLineEdit* e : coefEdits) {
        setTabOrder(previous, e);
        previous = e;
    }
    setTabOrder(previous, NeuButton);
    setTabOrder(NeuButton, TakeButton);
    setTabOrder(TakeButton, okButton);
    setTabOrder(okButton, CancelButton);

    connect(SchottBox, &QComboBox::activated, this, &GlassDialog::SchottBoxChange);
    connect(FilterEdit, &QLineEdit::textChanged, this, [this] { refillList(shown_); });
    connect(NeuButton, &QPushButton::clicked, this, &GlassDialog::NeuClick);
    connect(TakeButton, &QPushButton::clicked, this, &GlassDialog::TakeClick);
    connect(okButton, &QPushButton::clicked, this, &GlassDialog::GlassOkClick);
    connect(CancelButton, &QPushButton::clicked, this, &GlassDialog::CancelClick);
    connect(map, &GlassMapView::picked, this, &GlassDialog::showRecord);
    setMode(Mode::Choose);
}

std::string GlassDialog::readCatalogue(const std::vector<std::filesystem::path>& directories) {
    directories_ = directories;
    CatalogueReadResult read = vn::readCatalogue(directories);
    catalogue_ = std::move(read.catalogue);
    shown_ = -1;
    map->setCatalogue(catalogue_);
    refillList(-1);
    if (catalogue_.size() > 0) showRecord(0);
    return read.error;
}

void GlassDialog::setMode(Mode mode) {
    mode_ = mode;
    const bool edit = mode == Mode::Edit;
    NeuButton->setVisible(edit);
    TakeButton->setVisible(edit);
    // Outside edit mode the fields are read-only rather than disabled, so that
    // their figures stay readable.
    std::vector<QLineEdit*> fields = {EditCode, EditType, neEdit, veEdit, PFeEdit};
    fields.insert(fields.end(), coefEdits.begin(), coefEdits.end());
    for (QLineEdit* e : fields) {
        e->setReadOnly(!edit);
        e->setFocusPolicy(edit ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void GlassDialog::backToChooseMode() {
    setMode(Mode::Choose);
    newRecord_ = false;
    catalogueChanged_ = false;
    messageLabel->clear();
}

void GlassDialog::openEdit() {
    setMode(Mode::Edit);
    show();
    raise();
    activateWindow();
}

void GlassDialog::openChoose() {
    setMode(Mode::Choose);
    show();
    raise();
    activateWindow();
}

void GlassDialog::openSynthesis(SynthesisDialog dialog, int slot) {
    setMode(Mode::Synthesis);
    synthesisDialog_ = dialog;
    synthesisSlot_ = slot;
    show();
    raise();
    activateWindow();
}

// The list shows the records whose text holds the filter, each with its
// catalogue index as data.
void GlassDialog::refillList(int select) {
    const QString filter = FilterEdit->text().trimmed();
    const QSignalBlocker blocker(SchottBox);
    SchottBox->clear();
    for (std::size_t i = 0; i < catalogue_.size(); ++i) {
        const QString text = QString::fromStdString(catalogue_.display[i]);
        if (!filter.isEmpty() && !text.contains(filter, Qt::CaseInsensitive)) continue;
        SchottBox->addItem(text, static_cast<int>(i));
    }
    SchottBox->setCurrentIndex(SchottBox->findData(select));
}

void GlassDialog::SchottBoxChange(int item) {
    if (item < 0) return;
    showRecord(SchottBox->itemData(item).toInt());
}

void GlassDialog::showRecord(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= catalogue_.size()) return;
    const RecordParseResult parsed = parseCatalogueRecord(catalogue_, idx(index));
    if (!parsed.error.empty()) {
        showMessage(QString::fromStdString(parsed.error));
        return;
    }
    messageLabel->clear();
    shown_ = index;
    newRecord_ = false;
    const GlassRecord& r = parsed.record;
    EditCode->setText(QString::fromStdString(r.code));
    EditType->setText(QString::fromStdString(r.type));
    neEdit->setText(userFixed(r.ne, 8, 5));
    veEdit->setText(userFixed(r.ve, 6, 2));
    PFeEdit->setText(userFixed(r.PFe, 8, 4));
    for (std::size_t i = 0; i < 6; ++i) coefEdits[i]->setText(userFixed(r.K[i], 13, 9));
    for (QLineEdit* e : {neEdit, veEdit, PFeEdit}) markInvalid(e, false);
    for (QLineEdit* e : coefEdits) markInvalid(e, false);
    {
        const QSignalBlocker blocker(SchottBox);
        if (SchottBox->findData(index) < 0) FilterEdit->clear();
        SchottBox->setCurrentIndex(SchottBox->findData(index));
    }
    map->setMarked(index);
}

void GlassDialog::showMessage(const QString& text) {
    messageLabel->setText(text);
}

bool GlassDialog::readRecord(GlassRecord& record) {
    bool ok = true;
    record.code = EditCode->text().toStdString();
    record.type = EditType->text().toStdString();
    ok &= readNumberField(neEdit, record.ne);
    ok &= readNumberField(veEdit, record.ve);
    ok &= readNumberField(PFeEdit, record.PFe);
    for (std::size_t i = 0; i < 6; ++i) ok &= readNumberField(coefEdits[i], record.K[i]);
    if (!ok)
        showMessage(QStringLiteral("A marked field is not a number; the record is unchanged."));
    return ok;
}

void GlassDialog::NeuClick() {
    for (QLineEdit* e : {EditCode, EditType, neEdit, veEdit, PFeEdit}) e->clear();
    for (QLineEdit* e : coefEdits) e->clear();
    newRecord_ = true;
    map->setMarked(-1);
    EditCode->setFocus();
}

void GlassDialog::TakeClick() {
    GlassRecord record;
    if (!readRecord(record)) return;
    const StoreResult stored = storeRecord(catalogue_, record, newRecord_, shown_);
    if (!stored.error.empty()) {
        showMessage(QString::fromStdString(stored.error));
        return;
    }
    newRecord_ = false;
    catalogueChanged_ = true;
    map->setCatalogue(catalogue_);
    refillList(static_cast<int>(stored.index));
    showRecord(static_cast<int>(stored.index));
}

void GlassDialog::GlassOkClick() {
    GlassRecord glass;
    if (shown_ >= 0 || mode_ == Mode::Edit) {
        if (!readRecord(glass)) return;
    }
    const bool haveGlass = shown_ >= 0 || !glass.type.empty();
    if (haveGlass && mode_ != Mode::Synthesis) emit glassChosen(glass);
    if (haveGlass && mode_ == Mode::Synthesis) {
        const std::string error =
            chooseDialogGlass(synthesis_, synthesisDialog_, synthesisSlot_, glass, ws_.model);
        if (!error.empty()) {
            showMessage(QString::fromStdString(error));
            return;
        }
        emit synthesisGlassChosen(synthesisDialog_, synthesisSlot_);
    }
    if (catalogueChanged_) {
        const std::string date =
            QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
        std::filesystem::path written;
        const std::string error = writeCatalogue(directories_, catalogue_, date, &written);
        if (!error.empty()) {
            QMessageBox::warning(this, QStringLiteral("Glass Choice"),
                                 QString::fromStdString(error));
        } else {
            catalogue_.file = written.string();
        }
    }
    backToChooseMode();
    hide();
}

void GlassDialog::CancelClick() {
    backToChooseMode();
    hide();
}

void GlassDialog::reject() {
    CancelClick();
}

}  // namespace vn
