#include "SpeechPlayer.h"

#include "HttpTransport.h"
#include "LocalVoice.h"
#include "MediaSupport.h"
#include "OnlineVoice.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioOutput>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

// The largest sound part accepted from the web voice.
constexpr qint64 kMaxPartBytes = 4 << 20;

} // namespace

SpeechPlayer::SpeechPlayer(QObject* parent) : QObject(parent) {}

SpeechPlayer::~SpeechPlayer()
{
    if (m_cancel)
        m_cancel->store(true);
    joinWorker();
}

bool SpeechPlayer::Silent()
{
    return qEnvironmentVariableIsSet("VERBALTO_NO_AUDIO");
}

SpeechPlayer::Problem SpeechPlayer::check(const QString& code) const
{
    if (!Silent() && QMediaDevices::audioOutputs().isEmpty())
        return Problem::NoOutput;
    const bool online = !m_choice.onlineRoot.isEmpty() && !m_choice.preferLocal;
    if (!online && !LocalVoice::HasVoice(code))
        return Problem::NoVoice;
    return Problem::None;
}

SpeechPlayer::Problem SpeechPlayer::speak(const QString& text, const QString& code)
{
    stop();
    const Problem problem = check(code);
    if (problem != Problem::None)
        return problem;
    m_code = code;
    m_speaking = true;
    m_sounded = false;
    // Without the decoders the web voice cannot sound: the local one speaks from the start.
    const bool wanted = !m_choice.onlineRoot.isEmpty() && !m_choice.preferLocal;
    const bool online = wanted && (Silent() || MediaSupport::CanPlayMp3());
    if (online) {
        m_parts = OnlineVoice::Parts(text);
        m_requests = OnlineVoice::Requests(m_choice.onlineRoot, code, text);
        fetchNext();
        if (m_requests.isEmpty())
            done();
    } else {
        if (!LocalVoice::HasVoice(code)) {
            m_speaking = false;
            return wanted ? Problem::Undecodable : Problem::NoVoice;
        }
        startLocal(text);
    }
    return Problem::None;
}

void SpeechPlayer::stop()
{
    ++m_generation;
    if (m_cancel)
        m_cancel->store(true);
    joinWorker();
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_onlinePlaying = false;
    if (m_player)
        m_player->stop();
    if (m_sink)
        m_sink->stop();
    m_sinkDevice = nullptr;
    if (m_feeder)
        m_feeder->stop();
    m_parts.clear();
    m_requests.clear();
    m_fetched.clear();
    m_nextFetch = m_nextPlay = 0;
    m_onlineBroken = false;
    m_undecodable = false;
    m_pcm.clear();
    m_synthDone = false;
    m_speaking = false;
}

void SpeechPlayer::fetchNext()
{
    if (m_reply || m_onlineBroken || m_nextFetch >= m_requests.size())
        return;
    QNetworkRequest request(m_requests.at(m_nextFetch));
    request.setTransferTimeout(m_choice.onlineTimeoutMs);
    m_reply = SharedNetwork().get(request);
    m_reply->setReadBufferSize(0);
    emit requested(m_requests.at(m_nextFetch));
    QNetworkReply* reply = m_reply;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > kMaxPartBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { partArrived(reply); });
}

void SpeechPlayer::partArrived(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray body =
        reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    if (status != 200 || !OnlineVoice::LooksLikeAudio(body)) {
        onlineFailed();
        return;
    }
    m_fetched.append(body);
    ++m_nextFetch;
    fetchNext();
    if (!m_onlinePlaying)
        playNextOnline();
}

void SpeechPlayer::onlineFailed()
{
    m_onlineBroken = true;
    if (!m_onlinePlaying)
        playNextOnline();
}

void SpeechPlayer::playNextOnline()
{
    if (m_fetched.isEmpty()) {
        m_onlinePlaying = false;
        if (m_onlineBroken) {
            if (!LocalVoice::HasVoice(m_code)) {
                const Problem problem = m_undecodable ? Problem::Undecodable : Problem::NoVoice;
                stop();
                emit failed(problem);
                return;
            }
            emit switchedToLocal();
            startLocal(m_parts.mid(m_nextPlay).join(QLatin1Char(' ')));
        } else if (m_nextPlay >= m_requests.size()) {
            done();
        }
        return;
    }
    const QByteArray sound = m_fetched.takeFirst();
    m_onlinePlaying = true;
    if (Silent()) {
        soundStarted();
        const quint64 generation = m_generation;
        QTimer::singleShot(0, this, [this, generation] {
            if (generation != m_generation)
                return;
            ++m_nextPlay;
            playNextOnline();
        });
        return;
    }
    if (!m_player) {
        m_player = new QMediaPlayer(this);
        m_output = new QAudioOutput(this);
        m_player->setAudioOutput(m_output);
        connect(m_player, &QMediaPlayer::mediaStatusChanged, this,
                [this](QMediaPlayer::MediaStatus status) {
                    if (!m_onlinePlaying)
                        return;
                    if (status == QMediaPlayer::EndOfMedia) {
                        ++m_nextPlay;
                        playNextOnline();
                    } else if (status == QMediaPlayer::BufferedMedia) {
                        soundStarted();
                    } else if (status == QMediaPlayer::InvalidMedia) {
                        m_fetched.clear();
                        onlineFailedWhilePlaying();
                    }
                });
        connect(m_player, &QMediaPlayer::errorOccurred, this, [this] {
            if (!m_onlinePlaying)
                return;
            m_fetched.clear();
            onlineFailedWhilePlaying();
        });
    }
    delete m_buffer;
    m_buffer = new QBuffer(this);
    m_buffer->setData(sound);
    m_buffer->open(QIODevice::ReadOnly);
    m_player->setSourceDevice(m_buffer, QUrl(QStringLiteral("speech.mp3")));
    m_player->play();
}

void SpeechPlayer::onlineFailedWhilePlaying()
{
    // The part that would not play is spoken again by the local voice, with the rest.
    m_onlinePlaying = false;
    m_onlineBroken = true;
    m_undecodable = true;
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation == m_generation)
            playNextOnline();
    });
}

void SpeechPlayer::startLocal(const QString& text)
{
    joinWorker();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_pcm.clear();
    m_synthDone = false;
    const QStringList sentences = LocalVoice::Sentences(text);
    const QString code = m_code;
    const quint64 generation = m_generation;
    m_worker = std::thread([this, sentences, code, generation, cancel = m_cancel] {
        for (qsizetype i = 0; i < sentences.size(); ++i) {
            const QByteArray pcm = LocalVoice::Synthesize(sentences.at(i), code, cancel.get());
            if (cancel->load())
                return;
            const bool last = i + 1 == sentences.size();
            QMetaObject::invokeMethod(
                this, [this, generation, pcm, last] { takeSamples(generation, pcm, last); },
                Qt::QueuedConnection);
        }
        if (sentences.isEmpty())
            QMetaObject::invokeMethod(
                this, [this, generation] { takeSamples(generation, {}, true); },
                Qt::QueuedConnection);
    });
}

void SpeechPlayer::takeSamples(quint64 generation, const QByteArray& pcm, bool last)
{
    if (generation != m_generation)
        return;
    m_pcm += pcm;
    m_synthDone = last;
    if (Silent()) {
        if (!m_pcm.isEmpty())
            soundStarted();
        m_pcm.clear();
        if (last)
            done();
        return;
    }
    if (!m_sink) {
        QAudioFormat format;
        format.setSampleRate(LocalVoice::SampleRate());
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        m_sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), format, this);
        // A small buffer: the sound server starts playing once it is full, and a large one
        // would hold a short text back until its end.
        m_sink->setBufferSize(format.bytesForDuration(200000));
        m_feeder = new QTimer(this);
        m_feeder->setInterval(20);
        connect(m_feeder, &QTimer::timeout, this, &SpeechPlayer::feed);
    }
    if (!m_sinkDevice) {
        m_sinkDevice = m_sink->start();
        m_written = 0;
        m_clock.start();
        if (!m_sinkDevice) {
            stop();
            emit failed(Problem::NoOutput);
            return;
        }
        m_feeder->start();
    }
    feed();
}

void SpeechPlayer::feed()
{
    if (!m_sinkDevice)
        return;
    const qsizetype room = qMin(m_pcm.size(), qsizetype(m_sink->bytesFree())) & ~qsizetype(1);
    if (room > 0) {
        const qint64 written = m_sinkDevice->write(m_pcm.constData(), room);
        if (written > 0) {
            m_pcm.remove(0, written);
            m_written += written;
            soundStarted();
        }
    }
    if (!m_synthDone || !m_pcm.isEmpty())
        return;
    // Finished when the output has drained what it was given.
    const qint64 playedMs = m_written * 1000 / (2 * qMax(1, LocalVoice::SampleRate()));
    if (m_sink->state() == QAudio::IdleState || m_clock.elapsed() > playedMs + 500)
        done();
}

void SpeechPlayer::soundStarted()
{
    if (m_sounded)
        return;
    m_sounded = true;
    emit firstSound();
}

void SpeechPlayer::done()
{
    if (!m_speaking)
        return;
    if (m_sink)
        m_sink->stop();
    m_sinkDevice = nullptr;
    if (m_feeder)
        m_feeder->stop();
    m_speaking = false;
    emit finished();
}

void SpeechPlayer::joinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}
