#include "SpeechPage.h"

#include "FileSave.h"
#include "GetSysPath.h"
#include "LanguageCatalogue.h"

#include <QFile>

namespace SpeechPage {
namespace {
const QByteArray kSoundStart = "sound_name=translate_tts%3Fq%3D";
const QByteArray kLanguageMark = "%26tl%3D";
const QByteArray kSoundEnd = "&sound_name_cb=";
} // namespace

QString EncodeForUrl(const QString& text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(text.size() * 3);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out += c;
            continue;
        }
        // A surrogate pair is one character of four UTF-8 bytes; a lone surrogate encodes as
        // U+FFFD.
        qsizetype len = 1;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            len = 2;
        for (const char byte : QStringView(text).mid(i, len).toUtf8()) {
            const auto b = static_cast<unsigned char>(byte);
            out += QLatin1Char('%');
            out += QLatin1Char(hex[b >> 4]);
            out += QLatin1Char(hex[b & 0xF]);
        }
        i += len - 1;
    }
    return out;
}

QByteArray BuildSpeechPageText(const QString& text, const QString& languageCode,
                               const QString& serviceRoot)
{
    QByteArray page;
    page += "<html><head><base target='_blank' href='" + serviceRoot.toUtf8() +
            "'></head><body scroll=no leftmargin=0   topmargin=0   style=";
    page += "border-width=0;border-style:none>";
    page += "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" codebase=\"";
    page += "http://download.macromedia.com/pub/shockwave/cabs/flash/swflash.cab#version=5,0,0,0";
    page += "\" width=\"18\" height=\"18\" id=\"input_tts_flash\"><param value=\"";
    page += "http://www.gstatic.com/translate/sound_player2.swf";
    page += "\" name=\"movie\"/><param value=\"" + kSoundStart;
    page += EncodeForUrl(text).toUtf8();
    page += kLanguageMark;
    page += languageCode.toUtf8();
    page += kSoundEnd +
            "_inputTTSSoundFile\" name=\"flashvars\"/><param value=\"transparent\" "
            "name=\"wmode\"/><param value=\"always\" name=\"allowScriptAccess\"/></object>";
    page += "</body></html>\r\n";
    return page;
}

QString PageFileName(int index)
{
    return QStringLiteral("soun(%1).tmp").arg(index);
}

std::optional<bool> WritePage(const QString& folder, int index, const QString& text,
                              const QString& languageCode, const QString& serviceRoot)
{
    const QString path = GetSysPath::JoinPath(folder, PageFileName(index));
    if (!LanguageCatalogue::HasSpeech(languageCode)) {
        QFile::remove(path);
        return false;
    }
    if (!FileSave::SaveWhole(path, BuildSpeechPageText(text, languageCode, serviceRoot))) {
        // The page of the last translation must not stand in for this one.
        QFile::remove(path);
        return std::nullopt;
    }
    return true;
}

std::optional<Sound> ParsePage(const QByteArray& page)
{
    const qsizetype start = page.indexOf(kSoundStart);
    if (start < 0)
        return std::nullopt;
    const qsizetype from = start + kSoundStart.size();
    const qsizetype end = page.indexOf(kSoundEnd, from);
    const qsizetype mark = end < 0 ? -1 : page.lastIndexOf(kLanguageMark, end);
    if (mark < from)
        return std::nullopt;
    Sound sound;
    // The page holds the text percent-encoded once, with "&" already written as "%26".
    sound.text = QString::fromUtf8(QByteArray::fromPercentEncoding(page.mid(from, mark - from)));
    const qsizetype codeFrom = mark + kLanguageMark.size();
    sound.languageCode = QString::fromUtf8(page.mid(codeFrom, end - codeFrom));
    return sound;
}

QUrl SoundUrl(const QString& serviceRoot, const Sound& sound)
{
    return QUrl::fromEncoded(serviceRoot.toUtf8() +
                             "/translate_tts?q=" + QUrl::toPercentEncoding(sound.text) +
                             "&tl=" + QUrl::toPercentEncoding(sound.languageCode));
}

} // namespace SpeechPage
