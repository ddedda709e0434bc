// Filling a result box with the text of a 20 MB reply: many lines against one long line, by
// QPlainTextEdit::setPlainText and by SetBoxText (a first piece at once, the rest from the event
// loop). "held ms" is the longest the window waits for one step. Run: make bench.
#include "TextBox.h"

#include <QApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// About the translation of the 20 MB page of scripts/measure-freeze: 2.75 million characters
// in lines of 6 to 40; `oneLine` has the same characters without line breaks.
QString text(bool oneLine)
{
    QString t;
    for (int i = 0; t.size() < 2750000; ++i)
        t += QStringLiteral("Sentence %1 says\nhello\n\n it's na\u00efve, caf\u00e9 & more. ")
                 .arg(i);
    if (oneLine)
        t.replace(u'\n', u' ');
    return t;
}

struct Window
{
    QWidget parent;
    TextBox* box = CreateTextBox(&parent, 2, 188, 620, 135);
    Window()
    {
        parent.resize(624, 500);
        parent.show();
        QCoreApplication::processEvents();
    }
};

void BM_SetPlainText(benchmark::State& state)
{
    const QString t = text(state.range(0) != 0);
    Window window;
    for (auto _ : state) {
        window.box->setPlainText(t);
        window.box->repaint();
        state.PauseTiming();
        window.box->clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SetPlainText)->ArgName("oneLine")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SetBoxText(benchmark::State& state)
{
    const QString t = text(state.range(0) != 0);
    Window window;
    qint64 held = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        SetBoxText(window.box, t);
        window.box->repaint();
        held = std::max(held, clock.nsecsElapsed());
        while (window.box->textBeingFilled()) {
            clock.restart();
            QCoreApplication::processEvents();
            held = std::max(held, clock.nsecsElapsed());
        }
        state.PauseTiming();
        window.box->clear();
        state.ResumeTiming();
    }
    state.counters["held ms"] = double(held) / 1e6;
}
BENCHMARK(BM_SetBoxText)->ArgName("oneLine")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
