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

#include <algorithm>
#include <cmath>

using namespace DesktopSupport;

namespace {

class NullSink
{
  public:
    bool start()
    {
        // A runtime folder of its own: another server of the same user does not stop it.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        m_server.setProcessEnvironment(env);
        m_server.start(
            QStringLiteral("pulseaudio"),
            {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
             QStringLiteral("--use-pid-file=no"), QStringLiteral("--exit-idle-time=-1"),
             QStringLiteral("-L"),
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
    // The RMS of each tenth of a second recorded so far.
    QList<double> levels()
    {
        m_recorded += m_parec.readAllStandardOutput();
        const auto* samples = reinterpret_cast<const qint16*>(m_recorded.constData());
        QList<double> out;
        for (qsizetype start = 0; start + 1600 <= m_recorded.size() / 2; start += 1600) {
            double sum = 0;
            for (qsizetype i = start; i < start + 1600; ++i)
                sum += double(samples[i]) * samples[i];
            out.append(std::sqrt(sum / 1600));
        }
        return out;
    }
    double loudest()
    {
        const QList<double> all = levels();
        return all.isEmpty() ? 0 : *std::max_element(all.begin(), all.end());
    }
    // The longest run of tenths as loud as the one before (within 10 %): a held tone gives a
    // long one, speech none.
    int longestSteadyRun()
    {
        int run = 0, longest = 0;
        double before = 0;
        for (double level : levels()) {
            run = level > 1000 && std::abs(level - before) < before / 10 ? run + 1 : 0;
            longest = std::max(longest, run);
            before = level;
        }
        return longest;
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

    // The Google web API on loopback: a translation, and a second of tone as its voice.
    void useGoogleWeb()
    {
        server.setReply(
            "/translate_a/single",
            CannedReply::ok(R"({"sentences":[{"trans":"Bonjour le monde"}]})", "application/json"));
        server.setReply(
            "/translate_tts",
            CannedReply::ok(TestUtil::readFile(QStringLiteral(VERBALTO_SOURCE_DIR) +
                                               QStringLiteral("/tests/app/data/tone.mp3")),
                            "audio/mpeg"));
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

TEST_F(DesktopSpeech, TheWebVoiceIsHeardAndAskedForTheTranslation)
{
    useGoogleWeb();
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=17|19|1|1|15|0|1\n[Service]\nName=google-web\nUrl=" +
                    server.baseUrl().toUtf8() + "\n");
    translateAndSpeak(app);
    EXPECT_TRUE(sink.heard());
    // The web voice's tone itself, not the local voice standing in.
    TestUtil::waitUntil([&] { return sink.longestSteadyRun() >= 5; }, 5000);
    EXPECT_GE(sink.longestSteadyRun(), 5);
    QByteArray asked;
    for (const RecordedRequest& r : server.requests()) {
        if (r.path == "/translate_tts")
            asked = r.query;
    }
    EXPECT_EQ(asked, QByteArray("ie=UTF-8&client=gtx&tl=fr&q=Bonjour%20le%20monde"));
    EXPECT_TRUE(app.running());
}

TEST_F(DesktopSpeech, WithoutGStreamersPluginsTheWindowLivesAndSpeaks)
{
    useGoogleWeb();
    QTemporaryDir gst;
    QDir(gst.path()).mkdir(QStringLiteral("empty"));
    Verbalto app(server);
    app.setSettings("[Setup]\nOptions=17|19|1|1|15|0|1\n[Service]\nName=google-web\nUrl=" +
                    server.baseUrl().toUtf8() + "\n");
    const QString empty = gst.filePath(QStringLiteral("empty"));
    app.setEnvironment(QStringLiteral("GST_PLUGIN_SYSTEM_PATH_1_0"), empty);
    app.setEnvironment(QStringLiteral("GST_PLUGIN_PATH_1_0"), empty);
    app.setEnvironment(QStringLiteral("GST_REGISTRY_1_0"), gst.filePath(QStringLiteral("r.bin")));
    translateAndSpeak(app);
    // The sound cannot be decoded here: the voice on this computer speaks instead.
    EXPECT_TRUE(sink.heard());
    EXPECT_TRUE(app.running());
}
