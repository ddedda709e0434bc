#include "StringTable.h"
#include "UiFont.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRawFont>

#include <gtest/gtest.h>

// The cut must hold every caption, or Qt quietly opens the full system face again, and it must
// measure as the full face did, or captions stop fitting their fixed controls.
TEST(UiFont, EveryCaptionIsInTheCutAndMeasuresAsInTheFullFace)
{
    ASSERT_EQ(UiFont::Family(), QStringLiteral("Verbalto UI"));
    QFont cut(UiFont::Family());
    cut.setPointSize(8);
    QFont full(QStringLiteral("WenQuanYi Micro Hei"));
    full.setPointSize(8);
    const QRawFont raw = QRawFont::fromFont(cut);
    const QFontMetricsF cutMetrics(cut);
    const QFontMetricsF fullMetrics(full);

    QStringList texts{QStringLiteral("每日一句学英语")};
    for (int lang = 1; lang <= 3; ++lang) {
        for (int n = 1; n <= 117; ++n) {
            if (const std::optional<QString> text = StringTable::LoadResString(lang * 1000 + n))
                texts << *text;
        }
    }
    for (const QString& text : texts) {
        for (const QChar c : text) {
            if (c.isPrint() && !c.isSpace())
                EXPECT_TRUE(raw.supportsCharacter(c))
                    << qPrintable(text) << " U+" << std::hex << int(c.unicode());
        }
        EXPECT_DOUBLE_EQ(cutMetrics.horizontalAdvance(text), fullMetrics.horizontalAdvance(text))
            << qPrintable(text);
    }
}
