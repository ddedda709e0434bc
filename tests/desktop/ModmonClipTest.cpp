#include "ModmonClip.h"

#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

namespace {
struct Recorder
{
    QStringList calls;
    ModmonClip::ClipActions actions()
    {
        return {[this] { calls << QStringLiteral("clear"); },
                [this] { calls << QStringLiteral("paste"); },
                [this] { calls << QStringLiteral("translate"); },
                {},
                {}};
    }
};
} // namespace

TEST(ClipDecision, TextIsClearedPastedAndTranslatedInThatOrder)
{
    Recorder r;
    bool selfCopy = false;
    EXPECT_TRUE(ModmonClip::OnDrawClipboard(QStringLiteral("  hello "), selfCopy, r.actions()));
    EXPECT_EQ(r.calls, (QStringList{QStringLiteral("clear"), QStringLiteral("paste"),
                                    QStringLiteral("translate")}));
}

TEST(ClipDecision, OnlyBlanksOrNothingDoNothing)
{
    Recorder r;
    bool selfCopy = false;
    EXPECT_FALSE(ModmonClip::OnDrawClipboard(QString(), selfCopy, r.actions()));
    EXPECT_FALSE(ModmonClip::OnDrawClipboard(QStringLiteral("     "), selfCopy, r.actions()));
    EXPECT_TRUE(r.calls.isEmpty());
}

TEST(ClipDecision, TabOrLineBreakAloneIsText)
{
    for (const QString& text : {QStringLiteral("\t"), QStringLiteral("\r\n"),
                                QStringLiteral(" \n "), QStringLiteral("\u3000")}) {
        Recorder r;
        bool selfCopy = false;
        EXPECT_TRUE(ModmonClip::OnDrawClipboard(text, selfCopy, r.actions())) << text.toStdString();
        EXPECT_EQ(r.calls.size(), 3);
    }
}

TEST(ClipDecision, OwnCopyIsSkippedOnceAndTheNextChangeActs)
{
    Recorder r;
    bool selfCopy = true;
    EXPECT_FALSE(
        ModmonClip::OnDrawClipboard(QStringLiteral("our translation"), selfCopy, r.actions()));
    EXPECT_FALSE(selfCopy);
    EXPECT_TRUE(r.calls.isEmpty());
    EXPECT_TRUE(
        ModmonClip::OnDrawClipboard(QStringLiteral("from elsewhere"), selfCopy, r.actions()));
    EXPECT_EQ(r.calls.size(), 3);
}

TEST(ClipDecision, ANotificationWithoutTextStillSpendsTheFlag)
{
    // Someone copies an image right after our Copy was armed: the flag must not linger and
    // swallow the next real copy.
    Recorder r;
    bool selfCopy = true;
    EXPECT_FALSE(ModmonClip::OnDrawClipboard(QString(), selfCopy, r.actions()));
    EXPECT_FALSE(selfCopy);
    EXPECT_TRUE(ModmonClip::OnDrawClipboard(QStringLiteral("next"), selfCopy, r.actions()));
}

TEST(ClipDecision, ACopyMadeByTheActionsArmsTheFlagAfresh)
{
    bool selfCopy = false;
    ModmonClip::ClipActions actions{{}, {}, [&] { selfCopy = true; }, {}, {}};
    EXPECT_TRUE(ModmonClip::OnDrawClipboard(QStringLiteral("x"), selfCopy, actions));
    EXPECT_TRUE(selfCopy);
}

TEST(ClipDecision, MissingActionsAreSkipped)
{
    bool selfCopy = false;
    EXPECT_TRUE(ModmonClip::OnDrawClipboard(QStringLiteral("x"), selfCopy, {}));
}

TEST(ClipContent, TextImageAndFiles)
{
    EXPECT_EQ(ModmonClip::ClipboardText(nullptr), QString());

    QMimeData text;
    text.setText(QStringLiteral("bonjour"));
    EXPECT_EQ(ModmonClip::ClipboardText(&text), u"bonjour");

    QMimeData image;
    image.setData(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n", 6));
    EXPECT_EQ(ModmonClip::ClipboardText(&image), QString());

    // A file manager's copy offers the paths as text too; that is not a text to translate.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/etc/hosts")),
                   QUrl::fromLocalFile(QStringLiteral("/tmp/a b"))});
    files.setText(QStringLiteral("/etc/hosts\n/tmp/a b"));
    EXPECT_EQ(ModmonClip::ClipboardText(&files), QString());

    QMimeData gnomeFiles;
    gnomeFiles.setData(QStringLiteral("x-special/gnome-copied-files"), "copy\nfile:///etc/hosts");
    gnomeFiles.setText(QStringLiteral("/etc/hosts"));
    EXPECT_EQ(ModmonClip::ClipboardText(&gnomeFiles), QString());

    // A link copied from a browser is text.
    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("http://example.org/page"))});
    link.setText(QStringLiteral("http://example.org/page"));
    EXPECT_EQ(ModmonClip::ClipboardText(&link), u"http://example.org/page");
}
