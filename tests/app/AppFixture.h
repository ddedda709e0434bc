// A main window against the loopback test server, with private settings and working folders.
#pragma once

#include "AppState.h"
#include "FormMian.h"
#include "ReplyPages.h"
#include "TestHttpServer.h"
#include "TestUtil.h"
#include "TextBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <memory>

class AppFixture : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        qputenv("VERBALTO_TRANSLATE_URL", server.baseUrl().toUtf8());
        // No vendor server: update checks and promotions fail at once and stay out of the way.
        qputenv("VERBALTO_VENDOR_URL", "http://127.0.0.1:1");
        qputenv("VERBALTO_NO_AUDIO", "1");
        server.setReply("/translate_t",
                        CannedReply::ok(ReplyPages::PageUtf8({QStringLiteral("Bonjour")})));
        // Fresh defaults, but without the clipboard monitor: other tests' copies are not ours.
        QDir().mkpath(config.path() + QStringLiteral("/Verbalto"));
        TestUtil::writeFile(config.path() + QStringLiteral("/Verbalto/Verbalto.ini"),
                            "[Setup]\nOptions=0|15|1|1|15|0|1\nLanguage=2\n"
                            "[Service]\nName=page\n");
        window = std::make_unique<FormMian>(state);
        window->setRequestTimeout(2000);
        window->setOnlineCheck([] { return true; });
    }
    void TearDown() override
    {
        state.ExitRequested = true;
        window.reset();
    }

    // Types the text into the source box and presses Translate.
    void translate(const QString& text)
    {
        SetBoxText(window->SourceBox, text);
        window->Command1_Click();
    }

    // The fields of the last request body, decoded as a form.
    QUrlQuery lastForm() const
    {
        const auto requests = server.requests();
        if (requests.isEmpty())
            return {};
        QByteArray body = requests.last().body;
        body.replace('+', ' ');
        return QUrlQuery(QString::fromLatin1(body));
    }

    QString tempFile(const QString& name) const
    {
        return runtime.path() + QStringLiteral("/verbalto/") + name;
    }

    QTemporaryDir config, runtime;
    TestHttpServer server;
    AppState state;
    std::unique_ptr<FormMian> window;
};
