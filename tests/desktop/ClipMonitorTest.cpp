#include "ClipMonitor.h"
#include "TestUtil.h"

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
                },
                {},
                [this](const QString& text) { source += text; }};
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

TEST_F(ClipMonitorTest, TheSameTextHandedOverAgainIsNotPastedAgain)
{
    clipboard->setText(QStringLiteral("copied once"));
    monitor.StartClipMonitor();
    Spin();
    ASSERT_EQ(w.translated.size(), 1);
    w.source = QStringLiteral("typed since");
    // Wayland hands the clipboard over again on every focus, unchanged.
    emit clipboard->dataChanged();
    Spin();
    EXPECT_EQ(w.translated.size(), 1);
    EXPECT_EQ(w.source, u"typed since");

    clipboard->setText(QStringLiteral("copied twice"));
    Spin();
    EXPECT_EQ(w.translated.last(), u"copied twice");
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

TEST_F(ClipMonitorTest, ChangesDuringAnotherTranslationWaitAndCollapseIntoTheLatest)
{
    bool userTranslation = false;
    ModmonClip::ClipActions actions = w.actions();
    actions.translating = [&] { return userTranslation; };
    ClipMonitor waiting(clipboard, selfCopy, actions, &owner);
    clipboard->clear();
    waiting.StartClipMonitor();
    Spin();

    userTranslation = true; // the user pressed Translate; the reply has not come yet
    w.source = QStringLiteral("typed by the user");
    clipboard->setText(QStringLiteral("one"));
    clipboard->setText(QStringLiteral("two"));
    Spin();
    EXPECT_TRUE(w.translated.isEmpty());
    EXPECT_EQ(w.source, u"typed by the user");
    EXPECT_TRUE(waiting.IsWaiting());

    userTranslation = false;
    ASSERT_TRUE(TestUtil::waitUntil([&] { return !waiting.IsWaiting(); }));
    EXPECT_EQ(w.translated, QStringList{QStringLiteral("two")});

    // Our own Copy made while waiting is the latest content: nothing is translated for it.
    userTranslation = true;
    clipboard->setText(QStringLiteral("three"));
    selfCopy = true;
    clipboard->setText(QStringLiteral("our translation"));
    userTranslation = false;
    Spin();
    EXPECT_FALSE(waiting.IsWaiting());
    EXPECT_FALSE(selfCopy);
    EXPECT_EQ(w.translated.size(), 1);
}

// A text handed over by a command replaces the source, monitor on or off; during another
// translation it waits, and of several the latest counts.
TEST_F(ClipMonitorTest, AHandedOverTextIsTranslatedLikeACopy)
{
    bool userTranslation = false;
    ModmonClip::ClipActions actions = w.actions();
    actions.translating = [&] { return userTranslation; };
    ClipMonitor handed(clipboard, selfCopy, actions, &owner);

    w.source = QStringLiteral("old");
    handed.TranslateText(QStringLiteral("first\nline"));
    EXPECT_EQ(w.translated, QStringList{QStringLiteral("first\nline")});
    handed.TranslateText(QStringLiteral("   "));
    EXPECT_EQ(w.translated.size(), 1);

    userTranslation = true;
    handed.TranslateText(QStringLiteral("a"));
    handed.TranslateText(QStringLiteral("b"));
    Spin();
    EXPECT_EQ(w.translated.size(), 1);
    userTranslation = false;
    ASSERT_TRUE(TestUtil::waitUntil([&] { return w.translated.size() == 2; }));
    EXPECT_EQ(w.source, u"b");
    EXPECT_FALSE(handed.IsRunning());
}

TEST_F(ClipMonitorTest, WhatAPasswordManagerMarksIsNeverTranslated)
{
    clipboard->clear();
    monitor.StartClipMonitor();
    Spin();
    auto* secret = new QMimeData;
    secret->setText(QStringLiteral("hunter2"));
    secret->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
    clipboard->setMimeData(secret);
    Spin();
    EXPECT_TRUE(w.translated.isEmpty());

    auto* marked = new QMimeData; // a hint that is not "secret" does not hide the text
    marked->setText(QStringLiteral("plain"));
    marked->setData(QStringLiteral("x-kde-passwordManagerHint"), "other");
    clipboard->setMimeData(marked);
    Spin();
    EXPECT_EQ(w.translated, QStringList{QStringLiteral("plain")});
}
