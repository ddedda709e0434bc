#include "SpeechPlayer.h"

#include "HttpTransport.h"
#include "LocalVoice.h"
#include "MediaSupport.h"
#include "NetFetch.h"
#include "OnlineVoice.h"
#include "SoundOutput.h"

namespace {

// The largest sound part accepted from the web voice.
constexpr qint64 kMaxPartBytes = 4 << 20;

} // namespace

SpeechPlayer::SpeechPlayer(QObject* parent) : QObject(parent) {}

SpeechPlayer::~SpeechPlayer()
{
    if (m_cancel)
        m_cancel->store(true);
    joinWorkers();
}

bool SpeechPlayer::Silent()
{
    return qEnvironmentVariableIsSet("VERBALTO_NO_AUDIO");
}

SpeechPlayer::Problem SpeechPlayer::check(const QString& code) const
{
    if (!Silent() && !SoundOutput::Available())
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
    m_sounded = false;
    // Without the decoders the web voice cannot sound: the local one speaks from the start.
    const bool wanted = !m_choice.onlineRoot.isEmpty() && !m_choice.preferLocal;
    const bool online = wanted && (Silent() || MediaSupport::CanDecodeMp3());
    if (!online && !LocalVoice::HasVoice(code))
        return wanted ? Problem::Undecodable : Problem::NoVoice;
    m_speaking = true;
    if (online) {
        m_parts = OnlineVoice::Parts(text);
        m_requests = OnlineVoice::Requests(m_choice.onlineRoot, code, text);
        if (m_requests.isEmpty())
            done();
        fetchNext();
    } else {
        startLocal(text);
    }
    return Problem::None;
}

void SpeechPlayer::stop()
{
    ++m_generation;
    if (m_cancel)
        m_cancel->store(true);
    if (m_reply) {
        m_reply->Abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    joinWorkers();
    if (m_output)
        m_output->stop();
    m_parts.clear();
    m_requests.clear();
    m_nextFetch = 0;
    m_onlineBroken = false;
    m_brokenAt = 0;
    m_speaking = false;
}

void SpeechPlayer::fetchNext()
{
    if (m_reply || m_onlineBroken || m_nextFetch >= m_requests.size())
        return;
    NetBackend::FetchRequest request;
    request.url = m_requests.at(m_nextFetch);
    request.transferTimeoutMs = m_choice.onlineTimeoutMs;
    request.maxBytes = kMaxPartBytes;
    m_reply = new NetFetch(
        request,
        [this](NetFetch* reply, const NetFetch::Answer& answer) { partArrived(reply, answer); },
        this);
    emit requested(m_requests.at(m_nextFetch));
}

void SpeechPlayer::partArrived(NetFetch* reply, const NetFetch::Answer& answer)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const qsizetype index = m_nextFetch;
    const QByteArray body = answer.ok ? answer.body : QByteArray();
    if (answer.status != 200 || !OnlineVoice::LooksLikeAudio(body)) {
        onlineFailed(index, false);
        return;
    }
    ++m_nextFetch;
    fetchNext();
    if (Silent()) {
        partDecoded(m_generation, index, {});
        return;
    }
    // One part at a time, so that their samples come back in order.
    if (m_decoder.joinable())
        m_decoder.join();
    m_decoder = std::thread([this, generation = m_generation, index, body] {
        const QByteArray pcm = MediaSupport::DecodeToPcm(body, LocalVoice::SampleRate());
        QMetaObject::invokeMethod(
            this, [this, generation, index, pcm] { partDecoded(generation, index, pcm); },
            Qt::QueuedConnection);
    });
}

void SpeechPlayer::partDecoded(quint64 generation, qsizetype index, const QByteArray& pcm)
{
    if (generation != m_generation || (m_onlineBroken && index >= m_brokenAt))
        return;
    if (!Silent() && pcm.isEmpty()) {
        onlineFailed(index, true);
        return;
    }
    takeSamples(generation, pcm, index + 1 == m_requests.size());
}

void SpeechPlayer::onlineFailed(qsizetype index, bool undecodable)
{
    m_onlineBroken = true;
    m_brokenAt = index;
    if (m_reply) {
        m_reply->Abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (!LocalVoice::HasVoice(m_code)) {
        stop();
        emit failed(undecodable ? Problem::Undecodable : Problem::NoVoice);
        return;
    }
    emit switchedToLocal();
    startLocal(m_parts.mid(index).join(QLatin1Char(' ')));
}

void SpeechPlayer::startLocal(const QString& text)
{
    // The parts decoded before have sent their samples: the local voice's follow them.
    joinWorkers();
    m_cancel = std::make_shared<std::atomic<bool>>(false);
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
    if (generation != m_generation || !m_speaking)
        return;
    if (Silent()) {
        soundStarted();
        if (last)
            done();
        return;
    }
    if (!m_output) {
        m_output = new SoundOutput(this);
        connect(m_output, &SoundOutput::playing, this, &SpeechPlayer::soundStarted);
        connect(m_output, &SoundOutput::drained, this, &SpeechPlayer::done);
        connect(m_output, &SoundOutput::unavailable, this, [this] {
            stop();
            emit failed(Problem::NoOutput);
        });
    }
    if (!m_output->started())
        m_output->start(LocalVoice::SampleRate());
    m_output->write(pcm);
    if (last)
        m_output->finish();
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
    if (m_output)
        m_output->stop();
    m_speaking = false;
    emit finished();
}

void SpeechPlayer::joinWorkers()
{
    if (m_worker.joinable())
        m_worker.join();
    if (m_decoder.joinable())
        m_decoder.join();
}
