// Speaks a text with the web voice or the voice on this computer, never blocking the caller.
// The web voice comes in parts fetched one ahead of the one playing; when a part fails (an
// error status, a page instead of sound, no reply within the time-out) or cannot be decoded,
// the rest is spoken by the local voice. Qt's media player is created only where GStreamer
// has what it needs; the local voice plays through Qt's audio output without it.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <memory>
#include <thread>

class QAudioOutput;
class QAudioSink;
class QBuffer;
class QIODevice;
class QMediaPlayer;
class QNetworkReply;
class QTimer;

class SpeechPlayer final : public QObject
{
    Q_OBJECT
  public:
    enum class Problem {
        None,
        NoOutput,    // Qt lists no audio output
        NoVoice,     // neither voice speaks the language
        Undecodable, // the sound could not be played
    };
    Q_ENUM(Problem)
    struct Choice
    {
        QString onlineRoot;       // "" when the service has no voice
        bool preferLocal = false; // [Service] LocalVoice
        int onlineTimeoutMs = 3000;
    };

    explicit SpeechPlayer(QObject* parent = nullptr);
    ~SpeechPlayer() override;

    void setChoice(const Choice& choice) { m_choice = choice; }
    const Choice& choice() const { return m_choice; }
    // Why a text in that language would not sound here, before trying.
    Problem check(const QString& code) const;
    // Starts speaking, after stopping what was spoken; answers check()'s problem when it cannot.
    Problem speak(const QString& text, const QString& code);
    void stop();
    bool speaking() const { return m_speaking; }

    // VERBALTO_NO_AUDIO: everything but the sound device (the sound is thrown away).
    static bool Silent();

  signals:
    void requested(const QUrl& url); // each web voice request, in order
    void switchedToLocal();
    void firstSound(); // the first samples went to the output
    void finished();
    void failed(SpeechPlayer::Problem problem);

  private:
    void fetchNext();
    void partArrived(QNetworkReply* reply);
    void playNextOnline();
    void onlineFailed();
    void onlineFailedWhilePlaying();
    void startLocal(const QString& text);
    void takeSamples(quint64 generation, const QByteArray& pcm, bool last);
    void feed();
    void soundStarted();
    void done();
    void joinWorker();

    Choice m_choice;
    QString m_code;
    bool m_speaking = false;
    bool m_sounded = false;
    quint64 m_generation = 0;

    // The web voice.
    QStringList m_parts;
    QList<QUrl> m_requests;
    qsizetype m_nextFetch = 0;
    qsizetype m_nextPlay = 0;
    QList<QByteArray> m_fetched; // arrived, not yet played
    QNetworkReply* m_reply = nullptr;
    bool m_onlineBroken = false;
    bool m_onlinePlaying = false;
    bool m_undecodable = false;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_output = nullptr;
    QBuffer* m_buffer = nullptr;

    // The local voice.
    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    QByteArray m_pcm;
    bool m_synthDone = false;
    QAudioSink* m_sink = nullptr;
    QIODevice* m_sinkDevice = nullptr;
    QTimer* m_feeder = nullptr;
    qint64 m_written = 0;
    QElapsedTimer m_clock;
};
