// The 18 x 18 speech button beside the source text and the translation. It reads its page file
// and, when clicked, speaks the page's text: with the web voice where the service has one, else
// with the voice on this computer. A second click stops it. When it cannot sound it says why, in
// its tooltip and in a note on click; a language no voice speaks leaves it disabled.
#pragma once

#include "SpeechPlayer.h"
#include "TranslationService.h"

#include <QMessageBox>
#include <QPointer>
#include <QToolButton>

class SpeechButton final : public QToolButton
{
    Q_OBJECT
  public:
    explicit SpeechButton(QWidget* parent);

    // Takes the page at path (what a browser view would display); the button speaks its sound.
    void navigate(const QString& path);
    QString location() const { return m_path; }
    // Where the voice comes from: the service's web voice, or the one on this computer.
    void setService(const ServiceSettings& service);
    // Interface language ("1", "2", "3") of the tooltip and the notes.
    void setInterfaceLanguage(const QString& languageIndex);
    // The first address the last click asked for (empty when only the local voice spoke).
    QUrl lastRequest() const;
    SpeechPlayer& player() { return *m_player; }
    // The note the last click showed, while it stays open.
    QMessageBox* note() const { return m_note; }

  signals:
    void played(const QUrl& url);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void speak();
    void refresh();
    QString text(int n) const;
    void tell(SpeechPlayer::Problem problem);

    QString m_path;
    QString m_code;
    QString m_languageIndex = QStringLiteral("1");
    QString m_lastRequest;
    SpeechPlayer* m_player = nullptr;
    QPointer<QMessageBox> m_note;
};
