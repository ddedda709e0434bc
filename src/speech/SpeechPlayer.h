// Speaks a text with the web voice or the voice on this computer, never blocking the caller.
// The web voice comes in parts, each fetched while the one before is decoded and played; when a
// part fails (an error status, a page instead of sound, no reply within the time-out, a sound
// that cannot be decoded) the rest is spoken by the local voice. Both voices end up as samples
// played one after another through one stream to the sound server, so the parts follow without
// a gap.
#pragma once

#include "NetFetch.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <memory>
#include <thread>

class SoundOutput;

class SpeechPlayer final : public QObject
{
    Q_OBJECT
  public:
    enum class Problem {
        None,
        NoOutput,    // Qt lists no audio output
        NoVoice,     // neither voice speaks the language
        Undecodable, // the sound could not be decoded and no local voice speaks it
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

    // VERBALTO_NO_AUDIO: no sound device and no decoding; the rest goes as it would.
    static bool Silent();

  signals:
    void requested(const QUrl& url); // each web voice request, in order
    void switchedToLocal();
    void firstSound(); // the first samples went to the output
    void finished();
    void failed(SpeechPlayer::Problem problem);

  private:
    void fetchNext();
    void partArrived(NetFetch* reply, const NetBackend::FetchAnswer& answer);
    void partDecoded(quint64 generation, qsizetype index, const QByteArray& pcm);
    void onlineFailed(qsizetype index, bool undecodable);
    void startLocal(const QString& text);
    void takeSamples(quint64 generation, const QByteArray& pcm, bool last);
    void soundStarted();
    void done();
    void joinWorkers();

    Choice m_choice;
    QString m_code;
    bool m_speaking = false;
    bool m_sounded = false;
    quint64 m_generation = 0;

    // The web voice.
    QStringList m_parts;
    QList<QUrl> m_requests;
    qsizetype m_nextFetch = 0;
    NetFetch* m_reply = nullptr;
    bool m_onlineBroken = false;
    qsizetype m_brokenAt = 0; // the first part the local voice speaks
    std::thread m_decoder;

    // Synthesis, and the samples on their way to the output.
    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    SoundOutput* m_output = nullptr;
};
