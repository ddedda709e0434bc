// The 18 x 18 speech button beside the source text and the translation. It reads its page
// file and, when clicked, plays the page's sound from the service. The audio player is created
// on the first click; without an audio output or a reply it stays silent.
#pragma once

#include <QToolButton>

class QMediaPlayer;
class QAudioOutput;

class SpeechButton final : public QToolButton
{
    Q_OBJECT
  public:
    explicit SpeechButton(QWidget* parent);

    // Takes the page at path (what a browser view would display); the button speaks its sound.
    void navigate(const QString& path);
    QString location() const { return m_path; }
    // The address the last click asked for (empty when the page had no sound).
    QUrl lastRequest() const;

  signals:
    void played(const QUrl& url);

  private:
    void speak();

    QString m_path;
    QString m_lastRequest;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_output = nullptr;
};
