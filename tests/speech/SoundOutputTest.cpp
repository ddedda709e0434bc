#include "SoundOutput.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Without a sound server the stream says so, and nothing waits for a drain that never comes.
TEST(SoundOutput, NoServerIsReportedNotWaitedFor)
{
    QTemporaryDir runtime;
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("PULSE_SERVER");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    EXPECT_FALSE(SoundOutput::Available());

    qputenv("PULSE_SERVER", "unix:" + runtime.filePath(QStringLiteral("none")).toUtf8());
    EXPECT_TRUE(SoundOutput::Available()); // an address to ask; only asking tells
    SoundOutput output;
    QSignalSpy unavailable(&output, &SoundOutput::unavailable);
    QSignalSpy drained(&output, &SoundOutput::drained);
    output.start(16000);
    output.write(QByteArray(32000, '\0'));
    output.finish();
    EXPECT_TRUE(unavailable.wait(5000));
    output.stop();
    EXPECT_EQ(drained.count(), 0);
    qunsetenv("PULSE_SERVER");
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
}
