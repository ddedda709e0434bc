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

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Undoes only what the writer does: "%80" to "%FF" for UTF-8 bytes, "%26" for "&" and "%25"
// for a "%" that would read as an escape. Any other "%" is the user's own text ("50% off").
QByteArray decodeWrittenEscapes(const QByteArray& in)
{
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size()) {
            const int high = hexValue(in[i + 1]);
            const int low = hexValue(in[i + 2]);
            const int byte = high < 0 || low < 0 ? -1 : high * 16 + low;
            if (byte >= 0x80 || byte == 0x26 || byte == 0x25) {
                out += char(byte);
                i += 2;
                continue;
            }
        }
        out += in[i];
    }
    return out;
}
} // namespace

QString EscapeAmpersands(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("%26"));
    return escaped;
}

QString EscapeForPage(const QString& text, bool ampersands)
{
    const auto isHex = [&](qsizetype i) {
        return i < text.size() &&
               hexValue(char(text.at(i).unicode() < 0x80 ? text.at(i).unicode() : 0)) >= 0;
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'%' && isHex(i + 1) && isHex(i + 2))
            out += QLatin1String("%25");
        else if (c == u'&' && ampersands)
            out += QLatin1String("%26");
        else
            out += c;
    }
    return out;
}

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
    // The text comes before the language and the end marker, so the last of each is ours even
    // when the text spells them.
    const qsizetype end = page.lastIndexOf(kSoundEnd);
    const qsizetype mark = end < from ? -1 : page.lastIndexOf(kLanguageMark, end);
    if (mark < from)
        return std::nullopt;
    Sound sound;
    sound.text = QString::fromUtf8(decodeWrittenEscapes(page.mid(from, mark - from)));
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
