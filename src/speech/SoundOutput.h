// Plays 16-bit mono samples through the sound server (PulseAudio, or PipeWire's server for it).
// The server's library is opened on first use, and its calls block, so the stream lives on a
// thread of its own: the caller hands samples over and hears back through signals.
#pragma once

#include <QByteArray>
#include <QObject>

#include <condition_variable>
#include <mutex>
#include <thread>

class SoundOutput final : public QObject
{
    Q_OBJECT
  public:
    explicit SoundOutput(QObject* parent = nullptr);
    ~SoundOutput() override;

    // Whether a sound server is there to ask: its library loads and its address is known
    // ($PULSE_SERVER, or the socket in $XDG_RUNTIME_DIR). Connects to nothing.
    static bool Available();

    // Opens a stream of this rate; what follows arrives as signals.
    void start(int sampleRate);
    bool started() const { return m_thread.joinable(); }
    // Queues samples to play.
    void write(const QByteArray& pcm);
    // No more samples follow: drained() comes once all have been heard.
    void finish();
    // Stops at once, dropping whatever is still queued.
    void stop();

  signals:
    void unavailable(); // no sound server took the stream
    void playing();     // the first samples reached the server
    void drained();     // everything given has been played

  private:
    void run(int sampleRate, quint64 generation);
    void tell(quint64 generation, void (SoundOutput::*signal)());

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QByteArray m_queue;      // under m_mutex
    bool m_finish = false;   // under m_mutex
    bool m_stopping = false; // under m_mutex
    quint64 m_generation = 0;
};
