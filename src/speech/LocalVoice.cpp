#include "LocalVoice.h"

#include "LazyLibrary.h"
#include "TextParts.h"

#include <espeak-ng/speak_lib.h>

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace LocalVoice {
namespace {

// espeak-ng keeps one synthesiser per process: every call goes through this lock.
QMutex& engineLock()
{
    static QMutex lock;
    return lock;
}

struct Job
{
    QByteArray pcm;
    const std::atomic<bool>* cancel = nullptr;
};

int collect(short* samples, int count, espeak_EVENT* events)
{
    auto* job = static_cast<Job*>(events ? events->user_data : nullptr);
    if (!job)
        return 0;
    if (samples && count > 0)
        job->pcm.append(reinterpret_cast<const char*>(samples), qsizetype(count) * 2);
    return job->cancel && job->cancel->load() ? 1 : 0;
}

// espeak-ng, opened when a voice is first asked for.
struct Espeak
{
    decltype(&espeak_Initialize) initialize = nullptr;
    decltype(&espeak_SetSynthCallback) setSynthCallback = nullptr;
    decltype(&espeak_SetVoiceByProperties) setVoiceByProperties = nullptr;
    decltype(&espeak_ListVoices) listVoices = nullptr;
    decltype(&espeak_Synth) synth = nullptr;
    bool complete = false;
};

// Under engineLock(); null when the library or one of its functions is missing.
const Espeak* espeak()
{
    static const LazyLibrary library({"libespeak-ng.so.1"});
    static const Espeak functions = [] {
        Espeak e;
        e.complete = library.bind(e.initialize, "espeak_Initialize") &&
                     library.bind(e.setSynthCallback, "espeak_SetSynthCallback") &&
                     library.bind(e.setVoiceByProperties, "espeak_SetVoiceByProperties") &&
                     library.bind(e.listVoices, "espeak_ListVoices") &&
                     library.bind(e.synth, "espeak_Synth");
        return e;
    }();
    return functions.complete ? &functions : nullptr;
}

// Under engineLock(). The rate, or 0 when espeak-ng or its data are missing.
int startEngine()
{
    static int rate = [] {
        const Espeak* e = espeak();
        if (!e)
            return 0;
        const int r = e->initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr,
                                    espeakINITIALIZE_DONT_EXIT);
        if (r <= 0)
            return 0;
        e->setSynthCallback(collect);
        return r;
    }();
    return rate;
}

bool selectVoice(const QByteArray& language)
{
    espeak_VOICE spec{};
    spec.languages = language.constData();
    return espeak()->setVoiceByProperties(&spec) == EE_OK;
}

bool listed(const QByteArray& language)
{
    espeak_VOICE spec{};
    spec.languages = language.constData();
    const espeak_VOICE** voices = espeak()->listVoices(&spec);
    for (; voices && *voices; ++voices) {
        // The list starts with a priority byte, then the language name.
        if (language == QByteArray((*voices)->languages + 1))
            return true;
    }
    return false;
}

} // namespace

QString VoiceName(const QString& code)
{
    // Catalogue codes that espeak-ng spells differently; the rest are the same, or absent.
    static const QHash<QString, QString> kDifferent = {
        {QStringLiteral("zh-CN"), QStringLiteral("cmn")},
        // Traditional characters are read in Taiwan's Mandarin.
        {QStringLiteral("zh-TW"), QStringLiteral("cmn")},
        {QStringLiteral("iw"), QStringLiteral("he")},
        {QStringLiteral("no"), QStringLiteral("nb")},
    };
    static const QStringList kSame = {
        QStringLiteral("af"), QStringLiteral("sq"), QStringLiteral("ar"), QStringLiteral("hy"),
        QStringLiteral("az"), QStringLiteral("eu"), QStringLiteral("be"), QStringLiteral("bg"),
        QStringLiteral("ca"), QStringLiteral("hr"), QStringLiteral("cs"), QStringLiteral("da"),
        QStringLiteral("nl"), QStringLiteral("en"), QStringLiteral("et"), QStringLiteral("fi"),
        QStringLiteral("fr"), QStringLiteral("ka"), QStringLiteral("de"), QStringLiteral("el"),
        QStringLiteral("ht"), QStringLiteral("hi"), QStringLiteral("hu"), QStringLiteral("is"),
        QStringLiteral("id"), QStringLiteral("ga"), QStringLiteral("it"), QStringLiteral("ja"),
        QStringLiteral("ko"), QStringLiteral("la"), QStringLiteral("lv"), QStringLiteral("lt"),
        QStringLiteral("mk"), QStringLiteral("ms"), QStringLiteral("mt"), QStringLiteral("fa"),
        QStringLiteral("pl"), QStringLiteral("pt"), QStringLiteral("ro"), QStringLiteral("ru"),
        QStringLiteral("sr"), QStringLiteral("sk"), QStringLiteral("sl"), QStringLiteral("es"),
        QStringLiteral("sw"), QStringLiteral("sv"), QStringLiteral("th"), QStringLiteral("tr"),
        QStringLiteral("uk"), QStringLiteral("ur"), QStringLiteral("vi"), QStringLiteral("cy")};
    if (const auto found = kDifferent.constFind(code); found != kDifferent.constEnd())
        return *found;
    return kSame.contains(code) ? code : QString();
}

bool HasVoice(const QString& code)
{
    const QString name = VoiceName(code);
    if (name.isEmpty())
        return false;
    // Asked at every translation: the answer is kept, so the window never waits on a synthesis.
    static QMutex cacheLock;
    static QHash<QString, bool> known;
    {
        QMutexLocker cached(&cacheLock);
        if (const auto found = known.constFind(name); found != known.constEnd())
            return *found;
    }
    QMutexLocker lock(&engineLock());
    const bool has = startEngine() > 0 && listed(name.toLatin1());
    QMutexLocker cached(&cacheLock);
    known.insert(name, has);
    return has;
}

int SampleRate()
{
    QMutexLocker lock(&engineLock());
    return startEngine();
}

QByteArray Synthesize(const QString& text, const QString& code, const std::atomic<bool>* cancel)
{
    const QString name = VoiceName(code);
    if (name.isEmpty())
        return {};
    QMutexLocker lock(&engineLock());
    if (startEngine() <= 0 || !selectVoice(name.toLatin1()))
        return {};
    Job job;
    job.cancel = cancel;
    const QByteArray utf8 = text.toUtf8();
    espeak()->synth(utf8.constData(), std::size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                    espeakCHARS_UTF8, nullptr, &job);
    return job.pcm;
}

QStringList Sentences(const QString& text)
{
    QStringList pieces;
    const auto add = [&pieces](QStringView piece) {
        if (!piece.trimmed().isEmpty())
            pieces.append(piece.toString());
    };
    TextParts::Limits first;
    first.maxUnits = 80;
    const auto head = TextParts::Split(text, first);
    if (head.isEmpty())
        return pieces;
    add(head.first().text);
    const qsizetype restAt = head.first().text.size() + head.first().separator.size();
    TextParts::Limits later;
    later.maxUnits = 300;
    for (const TextParts::Part& part : TextParts::Split(QStringView(text).mid(restAt), later))
        add(part.text);
    return pieces;
}

} // namespace LocalVoice
