#include "ClipMonitor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
// The main window's side: a source box and a count of translations.
struct FakeWindow
{
    QString source;
    QStringList translated;
    std::function<void()> duringTranslate;

    ModmonClip::ClipActions actions()
    {
        return {[this] { source.clear(); },
                [this] { source += QGuiApplication::clipboard()->text(); },
                [this] {
                    translated << source;
                    if (duringTranslate)
                        duringTranslate();
                }};
    }
};

void Spin()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

class ClipMonitorTest : public ::testing::Test
{
  protected:
    QClipboard* clipboard = QGuiApplication::clipboard();
    FakeWindow w;
    bool selfCopy = false;
    QObject owner;
    ClipMonitor monitor{clipboard, selfCopy, w.actions(), &owner};
};
} // namespace

TEST_F(ClipMonitorTest, TranslatesWhatIsThereAtStartAndEachLaterCopy)
{
    clipboard->setText(QStringLiteral("already there"));
    w.source = QStringLiteral("old text");
    monitor.StartClipMonitor();
    Spin();
    EXPECT_EQ(w.translated, QStringList{QStringLiteral("already there")});

    clipboard->setText(QStringLiteral("second"));
    Spin();
    EXPECT_EQ(w.translated.last(), u"second");
    EXPECT_EQ(w.source, u"second");

    monitor.StopClipMonitor();
    monitor.StopClipMonitor();
    clipboard->setText(QStringLiteral("after stop"));
    Spin();
    EXPECT_EQ(w.translated.size(), 2);
}

TEST_F(ClipMonitorTest, OwnCopySkipsExactlyItsOwnChange)
{
    clipboard->clear();
    monitor.StartClipMonitor();
    Spin();
    EXPECT_TRUE(w.translated.isEmpty());

    // The Copy command: empty the clipboard, arm the flag, copy.
    clipboard->clear();
    selfCopy = true;
    clipboard->setText(QStringLiteral("our translation"));
    Spin();
    EXPECT_TRUE(w.translated.isEmpty());
    EXPECT_FALSE(selfCopy);

    clipboard->setText(QStringLiteral("someone else's"));
    Spin();
    EXPECT_EQ(w.translated, QStringList{QStringLiteral("someone else's")});
}

TEST_F(ClipMonitorTest, ImagesFilesAndBlanksDoNothing)
{
    clipboard->setText(QStringLiteral("   "));
    monitor.StartClipMonitor();
    Spin();

    auto* image = new QMimeData;
    image->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
    clipboard->setMimeData(image);
    auto* files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(QStringLiteral("/etc/hosts"))});
    files->setText(QStringLiteral("/etc/hosts"));
    clipboard->setMimeData(files);
    Spin();
    EXPECT_TRUE(w.translated.isEmpty());
}

TEST_F(ClipMonitorTest, AChangeDuringATranslationWaitsForItToEnd)
{
    clipboard->clear();
    monitor.StartClipMonitor();
    Spin();
    int depth = 0;
    int deepest = 0;
    w.duringTranslate = [&] {
        ++depth;
        deepest = std::max(deepest, depth);
        if (w.translated.size() == 1)
            clipboard->setText(QStringLiteral("arrived meanwhile"));
        --depth;
    };
    clipboard->setText(QStringLiteral("first"));
    Spin();
    EXPECT_EQ(w.translated,
              (QStringList{QStringLiteral("first"), QStringLiteral("arrived meanwhile")}));
    EXPECT_EQ(deepest, 1);
}

TEST_F(ClipMonitorTest, AChangeBeforeTheStartCheckIsTranslatedOnce)
{
    clipboard->setText(QStringLiteral("old"));
    monitor.StartClipMonitor();
    clipboard->setText(QStringLiteral("new"));
    Spin();
    EXPECT_EQ(w.translated, QStringList{QStringLiteral("new")});
}
