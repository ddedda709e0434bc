// "Service settings": which translation service, at which address, with which key.
#pragma once

#include "TranslationService.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class SettingsStore;

class ServiceDialog final : public QDialog
{
    Q_OBJECT
  public:
    ServiceDialog(SettingsStore& store, const QString& languageIndex, QWidget* parent = nullptr);

    // OK: stores the choice; a failed write is told and the dialog stays.
    void accept() override;

    // What the fields say now (the name always a known one).
    ServiceSettings chosen() const;

    QComboBox* serviceList() const { return m_service; }
    QLineEdit* urlField() const { return m_url; }
    QLineEdit* keyField() const { return m_key; }
    QToolButton* showKeyButton() const { return m_showKey; }
    QPushButton* testButton() const { return m_test; }
    QLabel* testOutcome() const { return m_outcome; }
    QCheckBox* fallbackBox() const { return m_fallback; }
    QCheckBox* localVoiceBox() const { return m_localVoice; }

  signals:
    // Stored; the window takes it at once.
    void serviceSaved(const ServiceSettings& service);

  private:
    QString text(int n) const;
    void showDefaultUrl();
    void test();

    SettingsStore& m_store;
    QString m_languageIndex;
    QComboBox* m_service = nullptr;
    QLineEdit* m_url = nullptr;
    QLineEdit* m_key = nullptr;
    QToolButton* m_showKey = nullptr;
    QPushButton* m_test = nullptr;
    QLabel* m_outcome = nullptr;
    QCheckBox* m_fallback = nullptr;
    QCheckBox* m_localVoice = nullptr;
};
