// Puts a downloaded program in place of the old one: checked, made executable and renamed over
// it in one step. The old program is never deleted first, so any failure leaves it as it was.
#pragma once

#include <QString>

struct ReplaceResult
{
    bool ok = false;
    int number = 0; // errno of the failing call, or one of the numbers below
    QString description;

    static constexpr int kEmptyDownload = 1001;
    static constexpr int kNotAProgram = 1002;
    static constexpr int kChecksumMismatch = 1003;
};

// download and target must lie in the same folder. expectedSha256 (lower-case hex) is checked
// when not empty.
ReplaceResult ReplaceExecutable(const QString& download, const QString& target,
                                const QString& expectedSha256 = {});
