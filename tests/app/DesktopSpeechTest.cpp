// Speech heard through a real PulseAudio server whose null sink parec records, with the real
// program clicked from outside.
#include "ApertiumServer.h"
#include "DesktopSupport.h"
#include "ReplyPages.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

using namespace DesktopSupport;

namespace {

class NullSink
{
  public:
    bool start()
    {
        m_server.start(
            QStringLiteral("pulseaudio"),
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
             QStringLiteral("--exit-idle-time=-1"), QStringLiteral("-L"),
             QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket()),
             QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=nullout")});
        if (!m_server.waitForStarted(5000))
            return false;
        return TestUtil::waitUntil([&] { return QFileInfo::exists(socket()); }, 10000);
    }
    QString address() const { return QStringLiteral("unix:") + socket(); }

    void record()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_SERVER"), address());
        m_parec.setProcessEnvironment(env);
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("-d"), QStringLiteral("nullout.monitor"),
                       QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                       QStringLiteral("--rate=16000")});
        m_parec.waitForStarted(5000);
    }
    // The loudest tenth of a second recorded so far, as the RMS of its samples.
    double loudest()
    {
        m_recorded += m_parec.readAllStandardOutput();
        const auto* samples = reinterpret_cast<const qint16*>(m_recorded.constData());
        const qsizetype count = m_recorded.size() / 2;
        double best = 0;
        for (qsizetype start = 0; start + 1600 <= count; start += 1600) {
            double sum = 0;
            for (qsizetype i = start; i < start + 1600; ++i)
                sum += double(samples[i]) * samples[i];
            best = std::max(best, std::sqrt(sum / 1600));
        }
        return best;
    }
    bool heard()
    {
        return TestUtil::waitUntil([&] { return loudest() > 300; }, 15000);
    }
    ~NullSink()
    {
        for (QProcess* p : {&m_parec, &m_server}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000)) {
                    p->kill();
                    p->waitForFinished();
                }
            }
        }
    }

  private:
    QString socket() const { return m_dir.filePath(QStringLiteral("pa.sock")); }

    QTemporaryDir m_dir;
    QProcess m_server;
    QProcess m_parec;
    QByteArray m_recorded;
};

class DesktopSpeech : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!HaveTools(
                {QStringLiteral("xdotool"), QStringLiteral("pulseaudio"), QStringLiteral("parec")}))
            GTEST_SKIP() << "needs an X display, xdotool, pulseaudio and parec";
        ASSERT_TRUE(sink.start());
        server.setReply("/translate_t", CannedReply::ok(ReplyPages::PageUtf8(
                                            {QStringLiteral("Bonjour le monde")})));
    }

    // Starts the program on the null sink, translates and clicks the translation's button.
    void translateAndSpeak(Verbalto& app)
    {
        app.unsetEnvironment(QStringLiteral("VERBALTO_NO_AUDIO"));
        app.setEnvironment(QStringLiteral("PULSE_SERVER"), sink.address());
        ASSERT_TRUE(app.start());
        ASSERT_FALSE(app.waitForWindow().isEmpty());
        app.clickPic1(200, 60);
        app.type(QStringLiteral("Good morning"));
        app.key(QStringLiteral("F5"));
        sink.record();
        // The button appears with the translation; a click before it falls on the empty area.
        // Another click only after a silence: a second click stops the speech.
        for (int attempt = 0; attempt < 8; ++attempt) {
            app.clickPic1(604, 172);
            if (TestUtil::waitUntil([&] { return sink.loudest() > 300; }, 2500))
                break;
        }
    }

    NullSink sink;
    TestHttpServer server;
};

} // namespace

TEST_F(DesktopSpeech, ApertiumsSpanishIsSpokenByTheVoiceOnThisComputer)
{
    ApertiumServer apertium;
    ASSERT_TRUE(apertium.started());
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=17|49|1|1|15|0|1\n[Service]\nName=apertium\nUrl=" +
                    apertium.baseUrl().toUtf8() + "\n");
    translateAndSpeak(app);
    EXPECT_TRUE(sink.heard());
    EXPECT_TRUE(app.running());
}

TEST_F(DesktopSpeech, WithoutGStreamersPluginsTheWindowLivesAndSpeaks)
{
    QTemporaryDir gst;
    QDir(gst.path()).mkdir(QStringLiteral("empty"));
    // The web voice answers with sound: only the missing decoders keep Qt's player away.
    server.setReply("/translate_a/single",
                    CannedReply::ok(R"({"sentences":[{"trans":"Bonjour le monde"}],"src":"en"})",
                                    "application/json"));
    server.setReply(
        "/translate_tts",
        CannedReply::ok(QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(4000, '\0'), "audio/mpeg"));
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=17|19|1|1|15|0|1\n[Service]\nName=google-web\nUrl=" +
                    server.baseUrl().toUtf8() + "\n");
    const QString empty = gst.filePath(QStringLiteral("empty"));
    app.setEnvironment(QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"), empty);
    app.setEnvironment(QStringLiteral("GST_PLUGIN_PATH_1_0"), empty);
    app.setEnvironment(QStringLiteral("GST_REGISTRY_1_0"), gst.filePath(QStringLiteral("r.bin")));
    translateAndSpeak(app);
    EXPECT_TRUE(sink.heard());
    EXPECT_TRUE(app.running());
}
