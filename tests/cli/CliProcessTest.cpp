// The built verbalto-cli against the loopback server, with its own settings folder.
#include "ApertiumServer.h"
#include "ModUniTxt.h"
#include "ReplyPages.h"
#include "ResultsFile.h"
#include "SettingsStore.h"
#include "TestHttpServer.h"
#include "TestUtil.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QStringList args(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* a : list)
        out.append(QString::fromUtf8(a));
    return out;
}

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

// The form fields of a recorded request, decoded.
QMap<QString, QString> formOf(const RecordedRequest& request)
{
    QByteArray body = request.body;
    body.replace('+', ' ');
    QMap<QString, QString> fields;
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype eq = pair.indexOf('=');
        fields.insert(QString::fromUtf8(pair.left(eq)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(pair.mid(eq + 1))));
    }
    return fields;
}

class CliProcess : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_config.isValid());
        ASSERT_TRUE(QFileInfo::exists(TestUtil::binPath(QStringLiteral("verbalto-cli"))));
        m_server.setReply("/translate_t", CannedReply::ok(ReplyPages::PageUtf8({utf8("Bonjour")})));
        // The loopback server plays the page service.
        ServiceSettings page;
        page.name = QStringLiteral("page");
        ASSERT_TRUE(SettingsStore(settingsPath()).WriteService(page));
    }

    QString settingsPath() const
    {
        return m_config.path() + QStringLiteral("/Verbalto/Verbalto.ini");
    }
    QString tempPath(const char* name) const { return m_config.filePath(QString::fromUtf8(name)); }

    void storeOptions(const char* options)
    {
        ASSERT_TRUE(SettingsStore(settingsPath())
                        .SaveSetting(SettingsStore::kOptionsKey, QString::fromLatin1(options)));
    }

    // A reply that comes at all comes at once; the short time-out is for silent servers.
    Outcome run(const QStringList& arguments, const QByteArray& input = {},
                const QString& serviceUrl = {}, int timeoutMs = 5000)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        // Lists kept by one test stay out of the others and out of the user's cache.
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_config.path() + QStringLiteral("/cache"));
        env.insert(QStringLiteral("VERBALTO_TRANSLATE_URL"),
                   serviceUrl.isEmpty() ? m_server.baseUrl() : serviceUrl);
        env.insert(QStringLiteral("VERBALTO_TIMEOUT_MS"), QString::number(timeoutMs));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        p.setProcessEnvironment(env);
        p.start(TestUtil::binPath(QStringLiteral("verbalto-cli")), arguments);
        if (!p.waitForStarted())
            return {};
        p.write(input);
        p.closeWriteChannel();
        // The event loop runs meanwhile, so a server on this thread can answer.
        if (!TestUtil::waitUntil([&] { return p.state() == QProcess::NotRunning; }, 20000)) {
            p.kill();
            p.waitForFinished();
            return {};
        }
        Outcome o;
        o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        o.out = p.readAllStandardOutput();
        o.err = p.readAllStandardError();
        return o;
    }

    QMap<QString, QString> onlyForm()
    {
        EXPECT_EQ(m_server.requestCount(), 1);
        if (m_server.requestCount() < 1)
            return {};
        return formOf(m_server.requests().constLast());
    }

    QTemporaryDir m_config;
    TestHttpServer m_server;
};

TEST_F(CliProcess, FreshConfigurationTranslatesIntoEnglishAsTheWindowDoes)
{
    const Outcome o = run(args({"good", "morning", "&", "100%", "a+b"}));
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, QByteArray("Bonjour\n"));
    EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
    ASSERT_EQ(m_server.requestCount(), 1);
    const RecordedRequest r = m_server.requests().first();
    EXPECT_EQ(r.method, QByteArray("POST"));
    EXPECT_EQ(r.path, QByteArray("/translate_t"));
    EXPECT_EQ(r.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
    EXPECT_EQ(r.body, QByteArray("prev=hp&hl=en&ie=UTF-8&js=y&text=good+morning+%26+100%25+a%2Bb"
                                 "&file=&sl=&tl=en"));
}

TEST_F(CliProcess, StoredOptionsGiveTheDefaultsAndOptionsOverrideThem)
{
    storeOptions("2|19|1|1|22|1|1"); // source Afrikaans is not a default of ours; target French
    EXPECT_EQ(run(args({"hello"})).exitCode, 0);
    auto form = onlyForm();
    EXPECT_EQ(form.value(QStringLiteral("tl")), QStringLiteral("fr"));
    EXPECT_EQ(form.value(QStringLiteral("hl")), QStringLiteral("de"));
    EXPECT_EQ(form.value(QStringLiteral("sl")), QString()); // detection unless -s says otherwise

    m_server.clearRequests();
    EXPECT_EQ(run(args({"-s", "en", "--to=zh-TW", "--hl", "ja", "hello"})).exitCode, 0);
    form = onlyForm();
    EXPECT_EQ(form.value(QStringLiteral("sl")), QStringLiteral("en"));
    EXPECT_EQ(form.value(QStringLiteral("tl")), QStringLiteral("zh-TW"));
    EXPECT_EQ(form.value(QStringLiteral("hl")), QStringLiteral("ja"));

    // A damaged record never sends an empty language: bad fields take their defaults.
    storeOptions("0|900|1|1|abc");
    m_server.clearRequests();
    EXPECT_EQ(run(args({"--from", "fr", "hello"})).exitCode, 0);
    form = onlyForm();
    EXPECT_EQ(form.value(QStringLiteral("tl")), QStringLiteral("en"));
    EXPECT_EQ(form.value(QStringLiteral("hl")), QStringLiteral("en"));
    EXPECT_EQ(form.value(QStringLiteral("sl")), QStringLiteral("fr"));
}

TEST_F(CliProcess, ReadsStandardInputWholeAsUtf8)
{
    const QString text = utf8("Grüße,\nzweite Zeile\n\n");
    EXPECT_EQ(run(args({"-t", "en"}), "\xEF\xBB\xBF" + text.toUtf8()).exitCode, 0);
    EXPECT_EQ(onlyForm().value(QStringLiteral("text")), text);

    // Read in chunks: characters across their ends stay whole, and a cut-off end still shows.
    QString longText;
    while (longText.size() < (3 << 18)) // about 1.5 MB: across a chunk end
        longText += utf8("é東😀 ");
    m_server.clearRequests();
    EXPECT_EQ(run(args({"-t", "en"}), longText.toUtf8() + "\xE2\x82").exitCode, 0);
    EXPECT_TRUE(onlyForm().value(QStringLiteral("text")) == longText + QChar(0xFFFD));
}

TEST_F(CliProcess, DetectsTheEncodingOfAFile)
{
    const QString text = utf8("Grüße aus 東京\r\nline two ");
    const QString le = tempPath("le.txt");
    const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    ASSERT_TRUE(TestUtil::writeFile(le, "\xFF\xFE" + utf16));
    EXPECT_EQ(run({QStringLiteral("-f"), le}).exitCode, 0);
    EXPECT_EQ(onlyForm().value(QStringLiteral("text")), text);

    m_server.clearRequests();
    const QString be = tempPath("be.txt");
    ModUniTxt::TextFormat format = ModUniTxt::Utf16BE;
    ASSERT_TRUE(ModUniTxt::WriteUniText(be, text, false, format, ModUniTxt::Utf16BE));
    EXPECT_EQ(run({QStringLiteral("-f"), be, QStringLiteral("--json")}).exitCode, 0);
    EXPECT_EQ(onlyForm().value(QStringLiteral("text")), text);
}

TEST_F(CliProcess, PlainOutputShowsEachSectionAfterABlankLine)
{
    m_server.setReply("/translate_t",
                      CannedReply::ok(ReplyPages::PageUtf8(
                          {utf8("Bonjour "), utf8("le monde")}, QStringLiteral("bon-zhoor"),
                          QStringLiteral("nom<div><div>jour</div><div>journée</div></div>"))));
    const Outcome o = run(args({"-t", "fr", "good", "morning"}));
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(o.out),
              utf8("Bonjour le monde\n\nbon-zhoor\n\nnom:\n1. jour\n2. journée\n"));
}

TEST_F(CliProcess, JsonKeepsTheExactStrings)
{
    m_server.setReply("/translate_t",
                      CannedReply::ok(ReplyPages::PageUtf8(
                          {utf8("Er sagte &quot;ja&quot;<br>日本語 \\ ok")}, QString(),
                          QStringLiteral("v<div><div>a&amp;b</div></div>"))));
    const QString source = utf8("He said \"yes\"\r\nTokyo \\ é\t");
    const Outcome o = run(args({"--json"}), source.toUtf8());
    ASSERT_EQ(o.exitCode, 0);
    ASSERT_TRUE(o.out.endsWith('\n'));
    EXPECT_EQ(o.out.count('\n'), 1);
    const QByteArray sourceJson = QByteArray("\"source\": \"He said \\\"yes\\\"\\r\\nTokyo \\\\ ") +
                                  utf8("é").toUtf8() + "\\t\"";
    EXPECT_TRUE(o.out.contains(sourceJson)) << o.out.toStdString();
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(o.out, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << o.out.toStdString();
    EXPECT_EQ(json.value(QStringLiteral("source")).toString(), source);
    EXPECT_EQ(json.value(QStringLiteral("translation")).toString(),
              utf8("Er sagte \"ja\"\r\n日本語 \\ ok"));
    EXPECT_EQ(json.value(QStringLiteral("romanization")).toString(), QString());
    EXPECT_EQ(json.value(QStringLiteral("dictionary")).toString(),
              QStringLiteral("v:\r\n1. a&amp;b\r\n"));
}

TEST_F(CliProcess, BlankTextSendsNothing)
{
    const Outcome words = run(args({"  ", " "}));
    EXPECT_EQ(words.exitCode, 0);
    EXPECT_EQ(words.out, QByteArray("\n"));
    const Outcome piped = run(args({"--json"}), "   ");
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_EQ(piped.out,
              QByteArray("{\"source\": \"   \", \"translation\": \"\", "
                         "\"romanization\": \"\", \"dictionary\": \"\", "
                         "\"service\": \"page\", \"detected\": \"\", \"fallbackFrom\": \"\", "
                         "\"fallbackReason\": \"\"}\n"));
    const QString empty = tempPath("empty.txt");
    ASSERT_TRUE(TestUtil::writeFile(empty, "\xEF\xBB\xBF  "));
    EXPECT_EQ(run({QStringLiteral("-f"), empty}).exitCode, 0);
    EXPECT_EQ(m_server.requestCount(), 0);

    // Only spaces count as blank: a line break is sent.
    EXPECT_EQ(run(args({"\n"})).exitCode, 0);
    EXPECT_EQ(m_server.requestCount(), 1);
}

TEST_F(CliProcess, WritesTheResultsFileOfSaveResults)
{
    m_server.setReply("/translate_t", CannedReply::ok(ReplyPages::PageUtf8(
                                          {utf8("Bonjour")}, QStringLiteral("  "),
                                          QStringLiteral("nom<div><div>jour</div></div>"))));
    const QString path = tempPath("results.txt");
    ASSERT_TRUE(TestUtil::writeFile(path, "old content that is longer than the new one? no"));
    const Outcome o = run({QStringLiteral("-o"), path, QStringLiteral("good morning")});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, QByteArray("Bonjour\n\n\n\nnom:\n1. jour\n"));

    const QByteArray bytes = TestUtil::readFile(path);
    ASSERT_TRUE(bytes.startsWith(QByteArray("\xFE\xFF\x00\x2A", 4)));
    QStringDecoder utf16be(QStringConverter::Utf16BE);
    const QString text = utf16be.decode(bytes.mid(2));
    // The romanization decodes to a line break, which counts as not blank.
    const QString expected = ResultsFile::BuildResultsText(
        QStringLiteral("good morning"), QStringLiteral("Bonjour"), QStringLiteral("\r\n"),
        QStringLiteral("nom:\r\n1. jour\r\n"), QDateTime::currentDateTime(), QLocale::c());
    const qsizetype firstBreak = text.indexOf(QStringLiteral("\r\n"));
    ASSERT_GT(firstBreak, 0);
    EXPECT_TRUE(text.left(firstBreak).startsWith(QString(18, u'*') + utf8("日期:")));
    EXPECT_EQ(text.mid(firstBreak), expected.mid(expected.indexOf(QStringLiteral("\r\n"))));
}

TEST_F(CliProcess, BlankTextStillSavesItsResults)
{
    const QString path = tempPath("blank.txt");
    EXPECT_EQ(run({QStringLiteral("-o"), path, QStringLiteral(" ")}).exitCode, 0);
    QStringDecoder utf16be(QStringConverter::Utf16BE);
    const QString text = utf16be.decode(TestUtil::readFile(path).mid(2));
    EXPECT_TRUE(text.endsWith(utf8(" 翻译结果 ") + QString(23, u'-') + QStringLiteral("\r\n\r\n")))
        << text.toStdString();
    EXPECT_EQ(m_server.requestCount(), 0);
}

TEST_F(CliProcess, AnyReplyCountsAsAnswered)
{
    m_server.setReply("/translate_t",
                      CannedReply::withStatus(503, ReplyPages::PageUtf8({utf8("Hallo")})));
    const Outcome busy = run(args({"hello"}));
    EXPECT_EQ(busy.exitCode, 0);
    EXPECT_EQ(busy.out, QByteArray("Hallo\n"));
    EXPECT_TRUE(busy.err.contains("503"));

    m_server.setReply("/translate_t", CannedReply::ok("<html>a changed layout</html>"));
    const Outcome odd = run(args({"--json", "hello"}));
    EXPECT_EQ(odd.exitCode, 0);
    EXPECT_TRUE(odd.out.contains("\"translation\": \"\""));
}

TEST_F(CliProcess, NoReplyIsExitOneWithOneLine)
{
    m_server.setReply("/translate_t", CannedReply::closeConnection());
    const Outcome closed = run(args({"hello"}));
    EXPECT_EQ(closed.exitCode, 1);
    EXPECT_TRUE(closed.out.isEmpty());
    EXPECT_EQ(closed.err.count('\n'), 1) << closed.err.toStdString();

    m_server.setReply("/translate_t", CannedReply::hang());
    const Outcome silent = run(args({"hello"}), {}, {}, 400);
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_TRUE(silent.err.contains("no answer within 400 ms")) << silent.err.toStdString();
    EXPECT_EQ(silent.err.count('\n'), 1);

    const Outcome refused = run(args({"hello"}), {}, QStringLiteral("http://127.0.0.1:1"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(
        refused.err.startsWith("verbalto-cli: no reply from http://127.0.0.1:1/translate_t"))
        << refused.err.toStdString();
    EXPECT_EQ(refused.err.count('\n'), 1);
}

TEST_F(CliProcess, APageThatBreaksOffIsNoReply)
{
    // Headers and the start of a page, then a close or silence.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    bool closeAfterStart = true;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &closeAfterStart] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                          "Content-Length: 5000\r\n\r\n");
            socket->write(ReplyPages::PageUtf8({utf8("Bonj")}).left(300));
            socket->flush();
            if (closeAfterStart)
                socket->disconnectFromHost();
        });
    });
    const QString url = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());

    const Outcome closed = run(args({"hello"}), {}, url);
    EXPECT_EQ(closed.exitCode, 1);
    EXPECT_TRUE(closed.out.isEmpty());
    EXPECT_TRUE(closed.err.contains("broke off")) << closed.err.toStdString();

    closeAfterStart = false;
    const Outcome silent = run(args({"hello"}), {}, url, 400);
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_TRUE(silent.out.isEmpty());
    EXPECT_EQ(silent.err.count('\n'), 1);
}

TEST_F(CliProcess, UsageErrorsAreExitTwoAndSendNothing)
{
    const Outcome unknown = run(args({"-t", "xx", "hello"}));
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("\"xx\""));
    EXPECT_TRUE(unknown.err.contains("zh-CN zh-TW"));
    EXPECT_TRUE(unknown.out.isEmpty());
    EXPECT_EQ(run(args({"-s", "english", "hello"})).exitCode, 2);
    EXPECT_EQ(run(args({"--hl", "EN", "hello"})).exitCode, 2);
    EXPECT_EQ(run(args({"hello", "-t"})).exitCode, 2);
    EXPECT_EQ(run(args({"--colour", "hello"})).exitCode, 2);
    EXPECT_EQ(run(args({"-f", "x.txt", "hello"})).exitCode, 2);
    EXPECT_EQ(m_server.requestCount(), 0);
}

TEST_F(CliProcess, UnreadableFileIsExitThree)
{
    const QString utf32 = tempPath("utf32.txt");
    ASSERT_TRUE(TestUtil::writeFile(utf32, QByteArray("\xFF\xFE\x00\x00H\x00\x00\x00", 8)));
    for (const QString& path :
         {tempPath("missing.txt"), m_config.path(), utf32, QStringLiteral("/dev/null")}) {
        const Outcome o = run({QStringLiteral("-f"), path});
        EXPECT_EQ(o.exitCode, 3) << path.toStdString();
        EXPECT_TRUE(o.err.contains(path.toUtf8())) << o.err.toStdString();
        EXPECT_TRUE(o.out.isEmpty());
    }
    EXPECT_EQ(m_server.requestCount(), 0);
}

TEST_F(CliProcess, UnwritableResultsFileIsExitThreeButTheTranslationIsShown)
{
    const QString plainFile = tempPath("plain");
    ASSERT_TRUE(TestUtil::writeFile(plainFile, "x"));
    const QString path = plainFile + QStringLiteral("/results.txt");
    const Outcome o = run({QStringLiteral("-o"), path, QStringLiteral("hello")});
    EXPECT_EQ(o.exitCode, 3);
    EXPECT_EQ(o.out, QByteArray("Bonjour\n"));
    EXPECT_TRUE(o.err.contains(path.toUtf8())) << o.err.toStdString();
    EXPECT_EQ(TestUtil::readFile(plainFile), QByteArray("x"));

    // A full disk is named (/dev/full fails every write, for any user).
    const Outcome full =
        run({QStringLiteral("-o"), QStringLiteral("/dev/full"), QStringLiteral("hello")});
    EXPECT_EQ(full.exitCode, 3);
    EXPECT_TRUE(full.err.contains("\"/dev/full\": the disk is full")) << full.err.toStdString();
}

TEST_F(CliProcess, FullDiskKeepsTheOldResultsFileAndIsExitThree)
{
    if (!TestUtil::canFillDisk())
        GTEST_SKIP() << "needs root and unshare";
    QTemporaryDir disk;
    const QString path = disk.filePath(QStringLiteral("results.txt"));
    ASSERT_TRUE(TestUtil::writeFile(path, "earlier results"));
    // Blank text is saved without asking the service; its results need more room than the old
    // file takes.
    EXPECT_EQ(TestUtil::runOnFullDisk(disk.path(),
                                      TestUtil::binPath(QStringLiteral("verbalto-cli")),
                                      {QStringLiteral("-o"), path, QString(3000, u' ')}),
              3);
    EXPECT_EQ(TestUtil::readFile(path), QByteArray("earlier results"));
}

TEST_F(CliProcess, InformationOptions)
{
    const Outcome version = run(args({"--version"}));
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QByteArray("verbalto-cli " VERBALTO_VERSION "\n"));
    const Outcome help = run(args({"--help"}));
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: verbalto-cli [-s CODE]"));
    const Outcome list = run(args({"--list-languages"}));
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out.count('\n'), 59);
    EXPECT_TRUE(list.out.contains("\nzh-TW\tChinese (Traditional)\n"));
    EXPECT_EQ(m_server.requestCount(), 0);
}

} // namespace

TEST_F(CliProcess, ServicesAreChosenOnTheCommandLineOrFromTheSettings)
{
    const Outcome list = run(args({"--list-services"}));
    EXPECT_EQ(list.exitCode, 0);
    for (const char* name : {"page\t", "apertium\t", "libretranslate\t", "deepl\t", "google-web\t"})
        EXPECT_TRUE(list.out.contains(name)) << name;
    const Outcome unknown = run(args({"--service", "babel", "hello"}));
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("unknown service \"babel\""));

    m_server.setReply("/languages", CannedReply::ok(R"([{"code":"en"},{"code":"fr"}])"));
    m_server.setReply("/translate", CannedReply::ok(R"({"translatedText":"Bonjour",
        "detectedLanguage":{"confidence":80,"language":"en"}})"));
    qputenv("VERBALTO_API_KEY", "from-env");
    const QString url = m_server.baseUrl();
    Outcome o = run(args({"--service", "libretranslate", "--service-url", url.toUtf8().constData(),
                          "-t", "fr", "--json", "hello"}));
    qunsetenv("VERBALTO_API_KEY");
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(o.out).object();
    EXPECT_EQ(json.value(QStringLiteral("translation")).toString(), u"Bonjour");
    EXPECT_EQ(json.value(QStringLiteral("service")).toString(), u"libretranslate");
    EXPECT_EQ(json.value(QStringLiteral("detected")).toString(), u"en");
    EXPECT_TRUE(m_server.requests().last().body.contains("api_key=from-env"));

    // Stored settings apply without options; a refusal is exit 4 with the service's words.
    ServiceSettings stored{QStringLiteral("libretranslate"), url, QStringLiteral("k"), 0};
    ASSERT_TRUE(SettingsStore(settingsPath()).WriteService(stored));
    m_server.setReply("/translate", CannedReply::withStatus(429, R"({"error":"Slow down"})"));
    o = run(args({"-t", "fr", "hello"}));
    EXPECT_EQ(o.exitCode, 4);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_TRUE(o.err.startsWith("verbalto-cli: LibreTranslate limits requests"))
        << o.err.toStdString();
    EXPECT_TRUE(m_server.requests().last().body.contains("api_key=k"));
}

TEST_F(CliProcess, ApertiumOnThisMachineTranslatesGoodMorning)
{
    ApertiumServer apertium;
    ASSERT_TRUE(apertium.started());
    const Outcome o =
        run(args({"--service", "apertium", "--service-url", apertium.baseUrl().toUtf8().constData(),
                  "-s", "en", "-t", "es", "Good morning"}));
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, QString::fromUtf8("Buenos días\n").toUtf8());
    const Outcome french =
        run(args({"--service", "apertium", "--service-url", apertium.baseUrl().toUtf8().constData(),
                  "-s", "en", "-t", "fr", "Good morning"}));
    EXPECT_EQ(french.exitCode, 4);
    EXPECT_TRUE(french.err.contains("English → Spanish")) << french.err.toStdString();
}

TEST_F(CliProcess, SpeakToWritesTheLocalVoiceAsMonoSixteenBitWav)
{
    const QString wav = tempPath("out.wav");
    Outcome o = run(QStringList{QStringLiteral("-s"), QStringLiteral("en"), QStringLiteral("-t"),
                                QStringLiteral("es"), QStringLiteral("--speak-to"), wav,
                                QStringLiteral("Good morning")});
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, QByteArray("Bonjour\n"));
    QProcess sox;
    sox.setProcessChannelMode(QProcess::MergedChannels);
    sox.start(QStringLiteral("sox"), {QStringLiteral("--i"), wav});
    ASSERT_TRUE(sox.waitForFinished());
    const QString info = QString::fromUtf8(sox.readAll());
    EXPECT_TRUE(info.contains(QStringLiteral("Channels       : 1"))) << qPrintable(info);
    EXPECT_TRUE(info.contains(QStringLiteral("16-bit Signed Integer PCM"))) << qPrintable(info);
    sox.start(QStringLiteral("sox"), {wav, QStringLiteral("-n"), QStringLiteral("stat")});
    ASSERT_TRUE(sox.waitForFinished());
    const QString stat = QString::fromUtf8(sox.readAll());
    const auto value = [&](const char* name) {
        const QString line = stat.section(QString::fromLatin1(name), 1).section(u'\n', 0, 0);
        return line.section(u':', 1).trimmed().toDouble();
    };
    // "Bonjour" read aloud: about a second of sound, not silence.
    EXPECT_GT(value("Length (seconds)"), 0.4) << qPrintable(stat);
    EXPECT_LT(value("Length (seconds)"), 3.0) << qPrintable(stat);
    EXPECT_GT(value("RMS     amplitude"), 0.02) << qPrintable(stat);

    // A folder that is not there, a language no voice speaks, a voice that is no choice.
    o = run(QStringList{QStringLiteral("-t"), QStringLiteral("es"), QStringLiteral("--speak-to"),
                        tempPath("no/such/folder/out.wav"), QStringLiteral("hello")});
    EXPECT_EQ(o.exitCode, 3);
    o = run(QStringList{QStringLiteral("-t"), QStringLiteral("yi"), QStringLiteral("--speak-to"),
                        wav, QStringLiteral("hello")});
    EXPECT_EQ(o.exitCode, 5);
    EXPECT_TRUE(o.err.contains("no voice speaks \"yi\"")) << o.err.toStdString();
    EXPECT_EQ(run(args({"--voice", "loud", "--speak", "hello"})).exitCode, 2);
}
