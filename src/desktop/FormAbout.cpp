#include "FormAbout.h"

#include "IcoMod.h"
#include "ServiceConfig.h"
#include "StringTable.h"
#include "TrayTexts.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

FormAbout::FormAbout(const QString& languageIndex, QWidget* parent, UrlOpener openUrl)
    : QDialog(parent), m_languageIndex(languageIndex), m_openUrl(std::move(openUrl))
{
    setObjectName(QStringLiteral("FormAbout"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (!m_openUrl)
        m_openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

    m_image1 = new QLabel(this);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setFixedSize(128, 128);
    m_image1->setPixmap(IcoMod::LoadIconResource(QStringLiteral("IDR_MAINFRAME")).pixmap(128, 128));
    m_image1->setCursor(Qt::PointingHandCursor);
    m_image1->installEventFilter(this);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    for (int i = 0; i < 6; ++i) {
        m_labels[i] = new QLabel(this);
        m_labels[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        m_labels[i]->setWordWrap(true);
        m_labels[i]->setTextFormat(Qt::PlainText);
        m_labels[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    // Version first, then description, disclaimer, engine note, copyright and contact.
    texts->addWidget(m_labels[5]);
    for (int i = 0; i < 5; ++i)
        texts->addWidget(m_labels[i]);
    texts->addStretch(1);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(16);
    grid->addWidget(m_image1, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addLayout(texts, 0, 1);
    grid->setColumnStretch(1, 1);
    setFixedWidth(540);

    Form_Load();
}

QUrl FormAbout::ProductPage()
{
    return QUrl(ServiceConfig::ProductPageUrl());
}

void FormAbout::Form_Load()
{
    ApplyCaptions();
    m_labels[5]->setText(QStringLiteral("Ver:") + TrayTexts::VersionText());
    adjustSize();
}

void FormAbout::ApplyCaptions()
{
    const auto text = [this](int n) {
        return StringTable::LoadResString(StringTable::TextId(m_languageIndex, n))
            .value_or(QString());
    };
    setWindowTitle(text(108));
    for (int i = 0; i < 5; ++i)
        m_labels[i]->setText(text(103 + i));
}

void FormAbout::Image1_Click()
{
    m_openUrl(ProductPage());
}

bool FormAbout::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_image1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_image1->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Image1_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
