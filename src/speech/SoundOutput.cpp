#include "SoundOutput.h"

#include "LazyLibrary.h"

#include <QDir>
#include <QFileInfo>

#include <pulse/simple.h>

namespace {

// libpulse-simple, opened when a sound is first played.
struct Pulse
{
    decltype(&pa_simple_new) open = nullptr;
    decltype(&pa_simple_write) write = nullptr;
    decltype(&pa_simple_drain) drain = nullptr;
    decltype(&pa_simple_flush) flush = nullptr;
    decltype(&pa_simple_free) close = nullptr;
    bool complete = false;
};

const Pulse& pulse()
{
    static const LazyLibrary library({"libpulse-simple.so.0"});
    static const Pulse functions = [] {
        Pulse p;
        p.complete = library.bind(p.open, "pa_simple_new") &&
                     library.bind(p.write, "pa_simple_write") &&
                     library.bind(p.drain, "pa_simple_drain") &&
                     library.bind(p.flush, "pa_simple_flush") &&
                     library.bind(p.close, "pa_simple_free");
        return p;
    }();
    return functions;
}

// A write at a time: short enough that a stop is heard within it.
constexpr qsizetype kChunkBytes = 3200;

} // namespace

SoundOutput::SoundOutput(QObject* parent) : QObject(parent) {}

SoundOutput::~SoundOutput()
{
    stop();
}

bool SoundOutput::Available()
{
    if (!pulse().complete)
        return false;
    if (qEnvironmentVariableIsSet("PULSE_SERVER"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("pulse/native")));
}

void SoundOutput::start(int sampleRate)
{
    stop();
    {
        const std::lock_guard lock(m_mutex);
        m_queue.clear();
        m_finish = false;
        m_stopping = false;
    }
    m_thread = std::thread([this, sampleRate, generation = m_generation] {
        run(sampleRate, generation);
    });
}

void SoundOutput::write(const QByteArray& pcm)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue += pcm;
    }
    m_wake.notify_one();
}

void SoundOutput::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finish = true;
    }
    m_wake.notify_one();
}

void SoundOutput::stop()
{
    ++m_generation; // what the old stream still reports is not heard
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void SoundOutput::tell(quint64 generation, void (SoundOutput::*signal)())
{
    QMetaObject::invokeMethod(
        this,
        [this, generation, signal] {
            if (generation == m_generation)
                emit(this->*signal)();
        },
        Qt::QueuedConnection);
}

void SoundOutput::run(int sampleRate, quint64 generation)
{
    const Pulse& p = pulse();
    const pa_sample_spec spec{PA_SAMPLE_S16LE, quint32(sampleRate), 1};
    // A small buffer: the server starts playing once it is full, and a large one would hold a
    // short text back until its end.
    const quint32 fill = quint32(sampleRate) * 2 / 5; // 200 ms
    const pa_buffer_attr attr{quint32(-1), fill, quint32(-1), quint32(-1), quint32(-1)};
    int error = 0;
    pa_simple* stream = p.complete ? p.open(nullptr, "Verbalto", PA_STREAM_PLAYBACK, nullptr,
                                            "Speech", &spec, nullptr, &attr, &error)
                                   : nullptr;
    if (!stream) {
        tell(generation, &SoundOutput::unavailable);
        return;
    }
    bool heard = false;
    bool ended = false;
    for (;;) {
        QByteArray chunk;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || m_finish || m_queue.size() >= 2; });
            if (m_stopping)
                break;
            // Whole samples only; a finished stream with none left has been written out.
            const qsizetype take = qMin(m_queue.size(), kChunkBytes) & ~qsizetype(1);
            if (take == 0) {
                ended = true;
                break;
            }
            chunk = m_queue.left(take);
            m_queue.remove(0, take);
        }
        if (p.write(stream, chunk.constData(), std::size_t(chunk.size()), &error) < 0) {
            tell(generation, &SoundOutput::unavailable);
            break;
        }
        if (!heard) {
            heard = true;
            tell(generation, &SoundOutput::playing);
        }
    }
    if (ended) {
        p.drain(stream, &error);
        tell(generation, &SoundOutput::drained);
    } else {
        p.flush(stream, &error);
    }
    p.close(stream);
}
