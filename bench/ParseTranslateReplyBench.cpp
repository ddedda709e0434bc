// Reply extraction from the reply's bytes at 1, 5, 20 and 50 MB, the 5 MB-class page with
// 50,000 sentence spans, the marker search the reader chose against the byte array's, and the
// text-file reader at 10 and 50 MB. Figures: ms per MB and MB/s, and
// for the reader its peak memory per file byte.
#include "ModUniTxt.h"
#include "ParseTranslateReply.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <malloc.h>

namespace {

const QString kStart = QStringLiteral("onmouseout=\"this.style.backgroundColor='#fff'\">");

QString bigReply()
{
    QString p = QStringLiteral("<html><body><div><span id=result_box>");
    for (int i = 0; i < 50000; ++i) {
        p += QStringLiteral("<span title=\"source sentence %1\" onmouseover=\"x\" ").arg(i) +
             kStart +
             QStringLiteral(
                 "Sentence number %1 &amp;quot;quoted&amp;quot; &lt;br&gt; it&#39;s fine. ")
                 .arg(i) +
             QStringLiteral("</span>");
    }
    p += QStringLiteral("</span></div>");
    p += QStringLiteral("<div id=res-translit class=translit dir=ltr style=\"text-align:\">");
    for (int i = 0; i < 2000; ++i)
        p += QStringLiteral("pin yin %1  ").arg(i);
    p += QStringLiteral("</div><h3>Dictionary</h3><ol><li>");
    for (int pos = 0; pos < 400; ++pos) {
        if (pos)
            p += QStringLiteral("</li><li>");
        p += QStringLiteral("part%1<div><div>").arg(pos);
        for (int w = 0; w < 40; ++w)
            p += (w ? QStringLiteral("</div><div>") : QString()) + QStringLiteral("word%1").arg(w);
        p += QStringLiteral("</div></div>");
    }
    p += QStringLiteral("</li></ol>");
    while (p.size() < 5 * 1000 * 1000)
        p += QStringLiteral("<p>padding of the page after the results</p>");
    return p + QStringLiteral("</body></html>");
}

// A page of about `bytes` UTF-8 bytes: 60% sentence spans, 10% romanization, 25% dictionary.
QByteArray sizedReply(qsizetype bytes)
{
    QString p = QStringLiteral("<html><body><div><span id=result_box>");
    for (int i = 0; p.size() < bytes * 60 / 100; ++i) {
        p += QStringLiteral("<span title=\"source sentence %1\" onmouseover=\"x\" ").arg(i) +
             kStart +
             QStringLiteral(
                 "Sentence %1 &amp;quot;quoted&amp;quot; &lt;br&gt; it&#39;s naïve. </span>")
                 .arg(i);
    }
    p += QStringLiteral(
        "</span></div><div id=res-translit class=translit dir=ltr style=\"text-align:\">");
    for (int i = 0; p.size() < bytes * 70 / 100; ++i)
        p += QStringLiteral("ni hao %1  ").arg(i % 1000);
    p += QStringLiteral("</div><h3>Dictionary</h3><ol><li>");
    for (int pos = 0; p.size() < bytes * 95 / 100; ++pos) {
        p += (pos ? QStringLiteral("</li><li>") : QString()) +
             QStringLiteral("part%1<div><div>").arg(pos);
        for (int w = 0; w < 30; ++w)
            p += (w ? QStringLiteral("</div><div>") : QString()) + QStringLiteral("word%1").arg(w);
        p += QStringLiteral("</div></div>");
    }
    p += QStringLiteral("</li></ol>");
    QByteArray page = p.toUtf8();
    while (page.size() < bytes)
        page += "<p>padding of the page after the results</p>";
    return page;
}

// Per-MB time and throughput for `bytes` handled per iteration.
void setRates(benchmark::State& state, qsizetype bytes)
{
    const double mb = double(bytes) / 1e6;
    state.counters["MB/s"] = benchmark::Counter(mb, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["ms/MB"] = benchmark::Counter(mb, benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

// A line of /proc/self/status in bytes: "VmRSS:" (resident now) or "VmHWM:" (its peak).
qint64 statusBytes(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    }
    return -1;
}

// Peak resident memory that `work` adds, in bytes, or -1 when the kernel cannot tell.
template <typename Work> qint64 peakAdded(Work work)
{
    malloc_trim(0); // memory freed earlier but kept would be counted as already there
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1) // peak := resident now
        return -1;
    clear.close();
    const qint64 before = statusBytes("VmRSS:");
    work();
    const qint64 peak = statusBytes("VmHWM:");
    return before < 0 || peak < 0 ? -1 : peak - before;
}

// What a caller does with the reply body: from its UTF-8 bytes to the three fields.
TranslationResult extract(const QByteArray& body)
{
    return ParseTranslateReplyUtf8(body);
}

void BM_ParseTranslateReply(benchmark::State& state)
{
    const QByteArray reply = bigReply().toUtf8();
    for (auto _ : state) {
        TranslationResult r = extract(reply);
        benchmark::DoNotOptimize(r);
    }
    setRates(state, reply.size());
}
BENCHMARK(BM_ParseTranslateReply)->Unit(benchmark::kMillisecond);

void BM_ExtractSized(benchmark::State& state)
{
    const QByteArray reply = sizedReply(state.range(0) * 1000 * 1000);
    for (auto _ : state) {
        TranslationResult r = extract(reply);
        benchmark::DoNotOptimize(r);
    }
    setRates(state, reply.size());
}
BENCHMARK(BM_ExtractSized)->Arg(1)->Arg(5)->Arg(20)->Arg(50)->Unit(benchmark::kMillisecond);

// The reader finds its markers in the reply's bytes with memmem (0) rather than the byte
// array's own search (1): the time to find the dictionary's end marker in a 20 MB page.
void BM_FindMarker(benchmark::State& state)
{
    const QByteArray reply = sizedReply(20 * 1000 * 1000);
    const QByteArrayView marker("</li></ol>");
    const bool library = state.range(0) == 1;
    for (auto _ : state) {
        qsizetype at = -1;
        if (library) {
            at = QByteArrayView(reply).indexOf(marker);
        } else if (const void* found = memmem(reply.constData(), std::size_t(reply.size()),
                                              marker.data(), std::size_t(marker.size()))) {
            at = static_cast<const char*>(found) - reply.constData();
        }
        benchmark::DoNotOptimize(at);
    }
    setRates(state, reply.size());
}
BENCHMARK(BM_FindMarker)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadUniText(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot write the text file");
        const QByteArray line =
            QStringLiteral("A line of text with naïve café and 中文 in it.\r\n").toUtf8();
        file.write("\xEF\xBB\xBF");
        for (qint64 n = 0; n < state.range(0) * 1000 * 1000; n += line.size())
            file.write(line);
    }
    const qsizetype size = QFile(path).size();
    // The text itself is about two bytes per file byte; the rest is what reading adds.
    const qint64 peak = peakAdded([&] {
        ModUniTxt::TextFormat format = ModUniTxt::Detect;
        benchmark::DoNotOptimize(ModUniTxt::ReadUniText(path, format));
    });
    if (peak >= 0)
        state.counters["peak B/B"] = double(peak) / double(size);
    for (auto _ : state) {
        ModUniTxt::TextFormat format = ModUniTxt::Detect;
        QString text = ModUniTxt::ReadUniText(path, format);
        benchmark::DoNotOptimize(text);
    }
    setRates(state, size);
}
BENCHMARK(BM_ReadUniText)->Arg(10)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
