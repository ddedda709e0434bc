// Puts a downloaded program in place of the old one: checked, made executable and renamed over
// it in one step. The old program is never deleted first, so any failure leaves it as it was.
#pragma once

#include <QString>
#include <optional>

struct ReplaceResult
{
    bool ok = false;
    int number = 0; // errno of the failing call, or one of the numbers below
    QString description;

    static constexpr int kEmptyDownload = 1001;
    static constexpr int kNotAProgram = 1002; // no ELF file at all
    static constexpr int kOtherMachine = 1003;
    static constexpr int kLibrary = 1004; // or an object or core file
    static constexpr int kIncomplete = 1005;
    static constexpr int kChecksumMismatch = 1006;
    static constexpr int kChecksumMalformed = 1007;
};

// download and target must lie in the same folder. The download must be a complete program for
// this machine; when expectedSha256 is given it must be 64 lower-case hex digits and match.
// A refused download is removed; the target is left as it was.
ReplaceResult ReplaceExecutable(const QString& download, const QString& target,
                                const std::optional<QString>& expectedSha256 = std::nullopt);
