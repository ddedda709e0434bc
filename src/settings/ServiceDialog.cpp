#include "ServiceDialog.h"

#include "FileCommands.h"
#include "SettingsStore.h"
#include "StringTable.h"
#include "services/ServiceSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

ServiceDialog::ServiceDialog(SettingsStore& store, const QString& languageIndex, QWidget* parent)
    : QDialog(parent), m_store(store), m_languageIndex(languageIndex)
{
    setObjectName(QStringLiteral("ServiceDialog"));
    setWindowTitle(text(230));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_service = new QComboBox(this);
    for (const QString& name : TranslationServices::Names())
        m_service->addItem(text(TranslationServices::MenuText(name)), name);
    m_url = new QLineEdit(this);
    m_url->setMinimumWidth(320);
    m_key = new QLineEdit(this);
    m_key->setEchoMode(QLineEdit::Password);
    m_showKey = new QToolButton(this);
    m_showKey->setText(text(210));
    m_showKey->setCheckable(true);
    m_test = new QPushButton(text(211), this);
    m_outcome = new QLabel(this);
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_outcome->setMinimumHeight(40);
    m_fallback = new QCheckBox(text(238), this);
    m_localVoice = new QCheckBox(text(273), this);

    auto* keyRow = new QHBoxLayout;
    keyRow->addWidget(m_key, 1);
    keyRow->addWidget(m_showKey);
    auto* testRow = new QHBoxLayout;
    testRow->addWidget(m_test);
    testRow->addWidget(m_outcome, 1);
    auto* form = new QFormLayout;
    form->addRow(text(207), m_service);
    form->addRow(text(208), m_url);
    form->addRow(text(209), keyRow);
    form->addRow(QString(), m_fallback);
    form->addRow(QString(), m_localVoice);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(text(212), QDialogButtonBox::AcceptRole);
    buttons->addButton(text(213), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(form);
    layout->addLayout(testRow);
    layout->addWidget(buttons);

    const ServiceSettings stored = m_store.ReadService();
    m_service->setCurrentIndex(qMax(0, m_service->findData(stored.name)));
    m_url->setText(stored.url);
    m_key->setText(stored.key);
    m_fallback->setChecked(stored.fallback);
    m_localVoice->setChecked(stored.localVoice);
    showDefaultUrl();

    connect(m_service, &QComboBox::currentIndexChanged, this, [this] {
        m_outcome->clear();
        showDefaultUrl();
    });
    connect(m_key, &QLineEdit::textChanged, this, &ServiceDialog::showDefaultUrl);
    connect(m_showKey, &QToolButton::toggled, this, [this](bool shown) {
        m_key->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(m_test, &QPushButton::clicked, this, &ServiceDialog::test);
    connect(buttons, &QDialogButtonBox::accepted, this, &ServiceDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ServiceDialog::reject);
}

QString ServiceDialog::text(int n) const
{
    return ServiceSupport::Say(m_languageIndex, n);
}

ServiceSettings ServiceDialog::chosen() const
{
    ServiceSettings service;
    service.name = TranslationServices::Normalized(m_service->currentData().toString());
    service.url = m_url->text().trimmed();
    service.key = m_key->text().trimmed();
    service.fallback = m_fallback->isChecked();
    service.localVoice = m_localVoice->isChecked();
    return service;
}

void ServiceDialog::showDefaultUrl()
{
    const ServiceSettings service = chosen();
    m_url->setPlaceholderText(ServiceSupport::Say(
        m_languageIndex, 214, {TranslationServices::DefaultUrl(service.name, service.key)}));
}

void ServiceDialog::test()
{
    m_outcome->setText(text(228));
    m_test->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Test asks afresh, whatever an earlier translation learned.
    ServiceSupport::ClearListCache();
    const ServiceLanguages languages =
        TranslationServices::Make(chosen())->Languages(m_languageIndex);
    QApplication::restoreOverrideCursor();
    m_test->setEnabled(true);
    m_outcome->setText(languages.message);
}

void ServiceDialog::accept()
{
    const ServiceSettings service = chosen();
    if (const FileSave::SaveResult saved = m_store.WriteService(service); !saved) {
        QMessageBox box(QMessageBox::Warning, text(100),
                        FileCommands::NotSavedText(m_languageIndex, saved), QMessageBox::Ok, this);
        box.exec();
        return;
    }
    emit serviceSaved(service);
    QDialog::accept();
}
