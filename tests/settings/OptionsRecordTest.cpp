// Stored options: exact text, and per-field fallback for anything the program never writes.
#include "OptionsRecord.h"

#include "ModLng.h"

#include <gtest/gtest.h>

namespace {

OptionsRecord make(int f0, int f1, int f2, int f3, int f4, int f5, int f6)
{
    return OptionsRecord{f0, f1, f2, f3, f4, f5, f6};
}

TEST(OptionsRecord, DefaultsMeanDetectIntoEnglishWithEverythingOn)
{
    const OptionsRecord r = OptionsRecord::Parse(OptionsRecord::kDefault);
    EXPECT_EQ(r, OptionsRecord());
    EXPECT_EQ(r.Format(), QStringLiteral("0|15|1|1|15|1|1"));
    EXPECT_EQ(r.sourceIndex, 0);
    EXPECT_EQ(r.targetIndex, 15);
    EXPECT_TRUE(r.showRomanization());
    EXPECT_TRUE(r.showDictionary());
    EXPECT_TRUE(r.monitorsClipboard());
    EXPECT_TRUE(r.cachesTranslations());
    EXPECT_EQ(ModLng::HostLanguageCode(r), QStringLiteral("en"));
}

TEST(OptionsRecord, WellFormedValuesRoundTrip)
{
    for (const OptionsRecord& r : {make(1, 0, 0, 0, 0, 0, 0), make(60, 58, 1, 0, 58, 1, 0),
                                   make(11, 9, -1, -1, 10, -1, -1)}) {
        EXPECT_EQ(OptionsRecord::Parse(r.Format()), r) << r.Format().toStdString();
    }
    EXPECT_EQ(make(2, 9, -1, 0, 10, 1, 0).Format(), QStringLiteral("2|9|-1|0|10|1|0"));
}

TEST(OptionsRecord, NegativeCheckValuesReadAsTicked)
{
    const OptionsRecord r = OptionsRecord::Parse(QStringLiteral("0|15|-1|-1|15|-1|-1"));
    EXPECT_TRUE(r.showRomanization());
    EXPECT_TRUE(r.showDictionary());
    EXPECT_TRUE(r.monitorsClipboard());
    EXPECT_TRUE(r.cachesTranslations());
}

TEST(OptionsRecord, HostLanguageComesFromSystemLanguageField)
{
    EXPECT_EQ(ModLng::HostLanguageCode(OptionsRecord::Parse(QStringLiteral("0|15|1|1|9|1|1"))),
              QStringLiteral("zh-CN"));
    EXPECT_EQ(ModLng::HostLanguageCode(OptionsRecord::Parse(QStringLiteral("0|15|1|1|58|1|1"))),
              QStringLiteral("yi"));
    EXPECT_EQ(ModLng::HostLanguageCode(OptionsRecord::Parse(QStringLiteral("0|15|1|1|0|1|1"))),
              QStringLiteral("af"));
}

struct Malformed
{
    const char* stored;
    OptionsRecord expected;
};

class OptionsRecordMalformed : public ::testing::TestWithParam<Malformed>
{
};

TEST_P(OptionsRecordMalformed, FallsBackFieldByField)
{
    const OptionsRecord r = OptionsRecord::Parse(QString::fromUtf8(GetParam().stored));
    EXPECT_EQ(r, GetParam().expected) << r.Format().toStdString();
    EXPECT_GE(r.sourceIndex, 0);
    EXPECT_LT(r.sourceIndex, OptionsRecord::kSourceListCount);
    EXPECT_GE(r.targetIndex, 0);
    EXPECT_LT(r.targetIndex, OptionsRecord::kTargetListCount);
    EXPECT_FALSE(ModLng::HostLanguageCode(r).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Stored, OptionsRecordMalformed,
    ::testing::Values(Malformed{"", OptionsRecord()}, Malformed{"1|2", make(1, 2, 1, 1, 15, 1, 1)},
                      Malformed{"a|b|c|d|e|f|g", OptionsRecord()},
                      Malformed{"-1|99|1|1|59|1|1", OptionsRecord()},
                      Malformed{"61|59|0|0|-1|0|0", make(0, 15, 0, 0, 15, 0, 0)},
                      Malformed{"3|4|2|-2|5|7|-9", make(3, 4, 1, 1, 5, 1, 1)},
                      Malformed{"3|4|1.5|0x1|5|one|", make(3, 4, 1, 1, 5, 1, 1)},
                      Malformed{"4|5|0|0|6|0|0|extra|fields", make(4, 5, 0, 0, 6, 0, 0)},
                      Malformed{" 4 | 5 |0|0|6|0|0", make(4, 5, 0, 0, 6, 0, 0)},
                      Malformed{"99999999999999999999|5|0|0|6|0|0", make(0, 5, 0, 0, 6, 0, 0)},
                      Malformed{"|||||||", OptionsRecord()}));

} // namespace
