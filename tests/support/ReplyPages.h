// Reply pages shaped like the translation service's, for tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ReplyPages {

// A page with the sentence spans, and the romanization and dictionary sections when given
// (a null string leaves a section out). The dictionary is the inner list markup.
inline QString Page(const QStringList& sentences, const QString& romanization = QString(),
                    const QString& dictionary = QString())
{
    const QString start = QStringLiteral("onmouseout=\"this.style.backgroundColor='#fff'\">");
    QString p = QStringLiteral("<html><head><title>Google Translate</title></head><body><div id=gt-res-content>"
                               "<div dir=\"ltr\"><span id=result_box class=\"short_text\">");
    for (const QString& s : sentences)
        p += QStringLiteral("<span title=\"src\" onmouseover=\"this.style.backgroundColor='#ebeff9'\" ") + start +
             s + QStringLiteral("</span>");
    p += QStringLiteral("</span></div></div>");
    if (!romanization.isNull())
        p += QStringLiteral("<div id=res-translit class=translit dir=ltr style=\"text-align:\">") + romanization +
             QStringLiteral("</div>");
    if (!dictionary.isNull())
        p += QStringLiteral("<div id=gt-res-dict><h3>Dictionary</h3><ol><li>") + dictionary +
             QStringLiteral("</li></ol></div>");
    return p + QStringLiteral("</body></html>");
}

inline QByteArray PageUtf8(const QStringList& sentences, const QString& romanization = QString(),
                           const QString& dictionary = QString())
{
    return Page(sentences, romanization, dictionary).toUtf8();
}

} // namespace ReplyPages
