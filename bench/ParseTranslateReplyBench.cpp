// Reply extraction on a 5 MB page with 50,000 sentence spans and a full dictionary.
#include "ParseTranslateReply.h"

#include <benchmark/benchmark.h>

namespace {

QString bigReply()
{
    const QString start = QStringLiteral("onmouseout=\"this.style.backgroundColor='#fff'\">");
    QString p = QStringLiteral("<html><body><div><span id=result_box>");
    for (int i = 0; i < 50000; ++i) {
        p += QStringLiteral("<span title=\"source sentence %1\" onmouseover=\"x\" ").arg(i) + start +
             QStringLiteral("Sentence number %1 &amp;quot;quoted&amp;quot; &lt;br&gt; it&#39;s fine. ").arg(i) +
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

void BM_ParseTranslateReply(benchmark::State& state)
{
    const QString reply = bigReply();
    for (auto _ : state) {
        TranslationResult r = ParseTranslateReply(reply);
        benchmark::DoNotOptimize(r);
    }
    // Throughput in characters of the reply; one character is one byte of an ASCII page.
    state.SetBytesProcessed(int64_t(state.iterations()) * reply.size());
}
BENCHMARK(BM_ParseTranslateReply)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
