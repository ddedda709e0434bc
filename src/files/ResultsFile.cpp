// The marker lines are part of the file format and are the same in every interface language.
#include "ResultsFile.h"

#include "ModUniTxt.h"

#include <cerrno>

namespace ResultsFile {

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString repeated(QChar c, int n)
{
    return QString(n, c);
}

// Box texts come with CR LF already; a bare CR or LF from elsewhere is made CR LF too. Appended
// in place, a run at a time: a long text is not copied once more on its way into the file.
void appendWithCrLf(QString& out, QStringView text)
{
    out.reserve(out.size() + text.size() + 16);
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        out += text.sliced(start, i - start);
        out += CrLf;
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    out += text.sliced(start);
}

void addSection(QString& out, const QString& marker, const QString& text)
{
    out += marker + CrLf;
    appendWithCrLf(out, text);
    out += CrLf;
}

} // namespace

bool IsNotBlank(const QString& text)
{
    for (const QChar c : text) {
        if (c != u' ')
            return true;
    }
    return false;
}

QString BuildResultsText(const QString& original, const QString& translation,
                         const QString& romanization, const QString& dictionary,
                         const QDateTime& when, const QLocale& locale)
{
    const QString stars18 = repeated(u'*', 18);
    const QString stars66 = repeated(u'*', 66);
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QString time = locale.toString(when, locale.timeFormat(QLocale::LongFormat));

    QString out = stars18 + u"日期:" + date + u" ;时间: " + time + stars18 + CrLf;
    addSection(out, repeated(u'-', 27) + u" 原文 " + repeated(u'-', 26), original);
    out += stars66 + CrLf;
    addSection(out, repeated(u'-', 21) + u" 翻译结果 " + repeated(u'-', 23), translation);
    if (IsNotBlank(romanization)) {
        out += stars66 + CrLf;
        addSection(out, repeated(u'-', 26) + u" 拼音 " + repeated(u'-', 26), romanization);
    }
    if (IsNotBlank(dictionary)) {
        out += stars66 + CrLf;
        addSection(out, repeated(u'-', 27) + u" 词典 " + repeated(u'-', 26), dictionary);
        out += repeated(u'*', 29) + u'完' + repeated(u'*', 29) + CrLf;
    }
    return out;
}

FileSave::SaveResult WriteResultsFile(const QString& path, const QString& text)
{
    ModUniTxt::TextFormat format = ModUniTxt::Utf16BE;
    errno = 0;
    if (ModUniTxt::WriteUniText(path, text, false, format, ModUniTxt::Utf16BE))
        return FileSave::SaveResult::Saved;
    // The failed write is the last call that sets errno; clean-up that succeeds leaves it. A
    // device such as /dev/full is written in place and has no free space to measure.
    if (errno == ENOSPC || errno == EDQUOT)
        return FileSave::SaveResult::DiskFull;
    return FileSave::WhyNotSaved(path, (text.size() + 1) * 2);
}

} // namespace ResultsFile
