#include "FontDialog.h"

#include "ModFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kWeightRole = Qt::UserRole;
constexpr int kItalicRole = Qt::UserRole + 1;

// The sixteen colours of the classic font dialog, as 0x00BBGGRR.
constexpr quint32 kColours[] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                                0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// The captions are the standard font dialog's own, so Qt's translations give them in the
// interface language just as they do for the other standard dialogs.
QString caption(const char* text)
{
    return QCoreApplication::translate("QFontDialog", text);
}

QIcon swatch(quint32 bgr)
{
    QPixmap pixmap(32, 14);
    pixmap.fill(ModFont::ToColor(bgr));
    QPainter painter(&pixmap);
    painter.setPen(Qt::gray);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

QString sizeText(double size)
{
    return QString::number(size, 'g', 4);
}

} // namespace

FontDialog::FontDialog(const FontRecord& initial, QWidget* parent)
    : QDialog(parent), m_initial(initial), m_wanted(initial)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(caption("Select Font"));
    m_initial.pointSize = ModFont::LimitSize(initial.pointSize);

    m_familyEdit = new QLineEdit(this);
    m_familyList = new QListWidget(this);
    m_familyList->addItems(QFontDatabase::families());
    m_styleList = new QListWidget(this);
    m_sizeEdit = new QLineEdit(this);
    // Digits with one decimal separator; the range is enforced on OK so that typing "14"
    // is never rewritten after its "1".
    m_sizeEdit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,3}([.,]\\d{0,2})?")), m_sizeEdit));
    m_sizeList = new QListWidget(this);
    for (double size : ModFont::OfferedSizes())
        m_sizeList->addItem(sizeText(size));

    auto* labels = new QGridLayout;
    const std::pair<const char*, QWidget*> columns[] = {
        {"&Font", m_familyEdit}, {"Font st&yle", m_styleList}, {"&Size", m_sizeEdit}};
    for (int c = 0; c < 3; ++c) {
        auto* label = new QLabel(caption(columns[c].first), this);
        label->setBuddy(columns[c].second);
        labels->addWidget(label, 0, c);
    }
    m_styleEdit = new QLineEdit(this);
    m_styleEdit->setReadOnly(true);
    labels->addWidget(m_familyEdit, 1, 0);
    labels->addWidget(m_styleEdit, 1, 1);
    labels->addWidget(m_sizeEdit, 1, 2);
    labels->addWidget(m_familyList, 2, 0);
    labels->addWidget(m_styleList, 2, 1);
    labels->addWidget(m_sizeList, 2, 2);
    labels->setColumnStretch(0, 3);
    labels->setColumnStretch(1, 2);
    labels->setColumnStretch(2, 1);

    auto* effects = new QGroupBox(caption("Effects"), this);
    m_strikeout = new QCheckBox(caption("Stri&keout"), effects);
    m_underline = new QCheckBox(caption("&Underline"), effects);
    m_colour = new QComboBox(effects);
    m_colour->setIconSize(QSize(32, 14));
    m_colour->setToolTip(QCoreApplication::translate("QColorDialog", "Select Color"));
    for (quint32 bgr : kColours)
        m_colour->addItem(swatch(bgr), QString(), bgr);
    auto* effectsLayout = new QVBoxLayout(effects);
    effectsLayout->addWidget(m_strikeout);
    effectsLayout->addWidget(m_underline);
    effectsLayout->addWidget(m_colour);
    effectsLayout->addStretch();

    auto* sampleBox = new QGroupBox(caption("Sample"), this);
    m_sample = new QLabel(QStringLiteral("AaBbYyZz 中文字體"), sampleBox);
    m_sample->setAlignment(Qt::AlignCenter);
    m_sample->setMinimumSize(220, 80);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    sampleLayout->addWidget(m_sample);

    auto* lower = new QHBoxLayout;
    lower->addWidget(effects);
    lower->addWidget(sampleBox, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(labels);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    m_familyEdit->setText(initial.faceName);
    familyTyped(initial.faceName);
    m_sizeEdit->setText(sizeText(m_initial.pointSize));
    sizeTyped(m_sizeEdit->text());
    m_underline->setChecked(initial.underline);
    m_strikeout->setChecked(initial.strikeout);
    selectColour(initial.colour);

    connect(m_familyEdit, &QLineEdit::textEdited, this, &FontDialog::familyTyped);
    connect(m_familyList, &QListWidget::itemClicked, this, &FontDialog::familyChosen);
    connect(m_familyList, &QListWidget::currentRowChanged, this, [this] {
        // Keys in the list choose a family; typing only selects what matches.
        if (m_familyList->hasFocus())
            familyChosen();
    });
    connect(m_styleList, &QListWidget::currentItemChanged, this, &FontDialog::styleChosen);
    connect(m_sizeEdit, &QLineEdit::textEdited, this, &FontDialog::sizeTyped);
    connect(m_sizeList, &QListWidget::currentTextChanged, this, [this](const QString& text) {
        if (m_sizeList->hasFocus() && !text.isEmpty())
            m_sizeEdit->setText(text);
        updateSample();
    });
    for (QCheckBox* box : {m_underline, m_strikeout})
        connect(box, &QCheckBox::toggled, this, &FontDialog::updateSample);
    connect(m_colour, &QComboBox::currentIndexChanged, this, &FontDialog::updateSample);
    updateSample();
    m_sizeEdit->setFocus();
}

FontRecord FontDialog::record() const
{
    FontRecord record = styleRecord();
    record.pointSize =
        ModFont::LimitSize(ModFont::ParseSize(m_sizeEdit->text()).value_or(m_initial.pointSize));
    record.underline = m_underline->isChecked();
    record.strikeout = m_strikeout->isChecked();
    record.colour = m_colour->currentData().toUInt();
    return record;
}

FontRecord FontDialog::styleRecord() const
{
    FontRecord record = m_initial;
    const QString typed = m_familyEdit->text().trimmed();
    if (const QListWidgetItem* family = m_familyList->currentItem())
        record.faceName = family->text();
    else if (!typed.isEmpty())
        record.faceName = typed;
    if (const QListWidgetItem* style = m_styleList->currentItem()) {
        record.weight = style->data(kWeightRole).toInt();
        record.italic = style->data(kItalicRole).toBool();
    }
    return record;
}

void FontDialog::familyTyped(const QString& text)
{
    // Typing selects the family of that name, else the first that starts with the text, and
    // leaves the text as typed; a family the system lacks selects nothing and is kept as typed.
    const QString wanted = text.trimmed();
    QListWidgetItem* found = nullptr;
    if (!wanted.isEmpty()) {
        const auto exact = m_familyList->findItems(wanted, Qt::MatchFixedString);
        const auto start = m_familyList->findItems(wanted, Qt::MatchStartsWith);
        found = !exact.isEmpty() ? exact.first() : !start.isEmpty() ? start.first() : nullptr;
    }
    {
        QSignalBlocker block(m_familyList);
        m_familyList->setCurrentItem(found);
        if (found)
            m_familyList->scrollToItem(found);
    }
    fillStyles();
}

void FontDialog::familyChosen()
{
    if (QListWidgetItem* item = m_familyList->currentItem())
        m_familyEdit->setText(item->text());
    fillStyles();
}

void FontDialog::fillStyles()
{
    const QString family = styleRecord().faceName;
    QList<std::tuple<QString, int, bool>> styles;
    for (const QString& style : QFontDatabase::styles(family)) {
        const int weight = QFontDatabase::weight(family, style);
        // Oblique faces stand for italic: the record knows only the one flag.
        const bool slanted = QFontDatabase::font(family, style, 12).style() != QFont::StyleNormal;
        if (weight > 0)
            styles.append({style, weight, slanted});
    }
    // A family this system lacks (the default Tahoma, often) still offers the four plain styles.
    if (styles.isEmpty()) {
        for (const auto& [weight, italic] :
             {std::pair{400, false}, {400, true}, {700, false}, {700, true}}) {
            QFont font;
            font.setWeight(QFont::Weight(weight));
            font.setItalic(italic);
            styles.append({QFontDatabase::styleString(font), weight, italic});
        }
    }
    QSignalBlocker block(m_styleList);
    m_styleList->clear();
    int best = 0;
    int bestDistance = INT_MAX;
    for (const auto& [name, weight, italic] : styles) {
        auto* item = new QListWidgetItem(name, m_styleList);
        item->setData(kWeightRole, weight);
        item->setData(kItalicRole, italic);
        const int distance =
            std::abs(weight - m_wanted.weight) + (italic != m_wanted.italic) * 1000;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = m_styleList->count() - 1;
        }
    }
    m_styleList->setCurrentRow(best);
    showStyle();
}

void FontDialog::styleChosen()
{
    m_wanted = styleRecord();
    showStyle();
}

void FontDialog::showStyle()
{
    const QListWidgetItem* style = m_styleList->currentItem();
    m_styleEdit->setText(style ? style->text() : QString());
    updateSample();
}

void FontDialog::sizeTyped(const QString& text)
{
    QSignalBlocker block(m_sizeList);
    m_sizeList->clearSelection();
    m_sizeList->setCurrentRow(-1);
    if (const std::optional<double> size = ModFont::ParseSize(text)) {
        const auto matches = m_sizeList->findItems(sizeText(*size), Qt::MatchExactly);
        if (!matches.isEmpty()) {
            m_sizeList->setCurrentItem(matches.first());
            m_sizeList->scrollToItem(matches.first());
        }
    }
    updateSample();
}

void FontDialog::selectColour(quint32 bgr)
{
    int index = m_colour->findData(bgr);
    if (index < 0) {
        // A colour outside the sixteen stays as the record carries it.
        m_colour->addItem(swatch(bgr), QString(), bgr);
        index = m_colour->count() - 1;
    }
    m_colour->setCurrentIndex(index);
}

void FontDialog::updateSample()
{
    if (!m_sample)
        return;
    const FontRecord shown = record();
    m_sample->setFont(ModFont::ToFont(shown));
    QPalette palette = m_sample->palette();
    palette.setColor(QPalette::WindowText, ModFont::ToColor(shown.colour));
    m_sample->setPalette(palette);
}
