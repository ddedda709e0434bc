// The Service settings dialog's Test button asks the address in the fields, afresh each time,
// and stores nothing.
#include "ServiceDialog.h"

#include "SettingsStore.h"
#include "TestHttpServer.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ServiceDialog, TestAsksTheTypedAddressAfreshAndStoresNothing)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath(QStringLiteral("Verbalto.ini")));
    TestHttpServer server;
    server.setReply("/languages",
                    CannedReply::ok(R"([{"code":"en"},{"code":"fr"}])", "application/json"));
    ServiceDialog dialog(store, QStringLiteral("1"));
    dialog.serviceList()->setCurrentIndex(
        dialog.serviceList()->findData(QStringLiteral("libretranslate")));
    dialog.urlField()->setText(server.baseUrl());

    dialog.testButton()->click();
    EXPECT_TRUE(dialog.testOutcome()->text().contains(u"offers 2 languages"))
        << dialog.testOutcome()->text().toStdString();
    EXPECT_EQ(server.requests().last().path, QByteArray("/languages"));

    // A second press asks again: a list kept from the first would hide the change.
    server.setReply("/languages", CannedReply::withStatus(500, R"({"error":"Model crashed"})"));
    dialog.testButton()->click();
    EXPECT_EQ(server.requestCount(), 2);
    EXPECT_TRUE(dialog.testOutcome()->text().contains(u"Model crashed"))
        << dialog.testOutcome()->text().toStdString();
    EXPECT_TRUE(dialog.testButton()->isEnabled());

    // Another service clears what was said of the last one.
    dialog.serviceList()->setCurrentIndex(dialog.serviceList()->findData(QStringLiteral("deepl")));
    EXPECT_TRUE(dialog.testOutcome()->text().isEmpty());
    EXPECT_FALSE(QFile::exists(store.filePath()));
}
