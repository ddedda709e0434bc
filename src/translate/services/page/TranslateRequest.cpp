#include "TranslateRequest.h"

#include <QIODevice>
#include <QUrl>

#include <cstring>
#include <memory>

QString EscapeAmpersands(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("%26"));
    return escaped;
}

namespace {

// Text is encoded a piece at a time, so that a long text is never held as UTF-8 as well.
constexpr qsizetype kPiece = 1 << 15;

// Where the piece of value starting at from ends: never between the halves of a surrogate pair.
qsizetype pieceEnd(QStringView value, qsizetype from)
{
    qsizetype end = qMin(value.size(), from + kPiece);
    if (end < value.size() && value.at(end - 1).isHighSurrogate())
        --end;
    return end;
}

bool keptAsIs(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '*';
}

void appendFormEncodedUtf8(QByteArray& out, const QByteArray& utf8)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    qsizetype at = out.size();
    out.resize(at + utf8.size() * 3);
    char* dst = out.data();
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (keptAsIs(c)) {
            dst[at++] = char(c);
        } else if (c == ' ') {
            dst[at++] = '+';
        } else {
            dst[at++] = '%';
            dst[at++] = hex[c >> 4];
            dst[at++] = hex[c & 0xF];
        }
    }
    out.truncate(at);
}

void appendFormEncoded(QByteArray& out, QStringView value)
{
    for (qsizetype at = 0, end; at < value.size(); at = end) {
        end = pieceEnd(value, at);
        appendFormEncodedUtf8(out, value.sliced(at, end - at).toUtf8());
    }
}

qint64 formEncodedSize(QStringView value)
{
    qint64 size = 0;
    for (qsizetype at = 0, end; at < value.size(); at = end) {
        end = pieceEnd(value, at);
        for (const char ch : value.sliced(at, end - at).toUtf8())
            size += keptAsIs(static_cast<unsigned char>(ch)) || ch == ' ' ? 1 : 3;
    }
    return size;
}

// Codes come from the catalogue and need no escaping; only the text does.
QByteArray formHead(const QString& hl)
{
    return "prev=hp&hl=" + hl.toUtf8() + "&ie=UTF-8&js=y&text=";
}

QByteArray formTail(const QString& sl, const QString& tl)
{
    return "&file=&sl=" + sl.toUtf8() + "&tl=" + tl.toUtf8();
}

// The form as the transport reads it: the text is encoded as it is sent, so a long text is
// never held encoded whole. Reading from an earlier place (a redirect sends the form again)
// starts over.
class FormBody final : public QIODevice
{
  public:
    FormBody(const QString& hl, const QString& text, const QString& sl, const QString& tl)
        : m_head(formHead(hl)), m_text(text), m_tail(formTail(sl, tl)),
          m_size(m_head.size() + formEncodedSize(m_text) + m_tail.size())
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

  protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 from = pos();
        if (from < m_streamPos)
            restart();
        qint64 done = 0;
        while (done < maxSize) {
            if (m_pendingAt == m_pending.size()) {
                if (!refill())
                    break;
                continue;
            }
            const qint64 available = m_pending.size() - m_pendingAt;
            const bool skipping = m_streamPos < from;
            const qint64 n = qMin(available, skipping ? from - m_streamPos : maxSize - done);
            if (!skipping) {
                std::memcpy(data + done, m_pending.constData() + m_pendingAt, size_t(n));
                done += n;
            }
            m_pendingAt += n;
            m_streamPos += n;
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    void restart()
    {
        m_stage = Stage::Head;
        m_unit = 0;
        m_pending.clear();
        m_pendingAt = 0;
        m_streamPos = 0;
    }

    // The next bytes of the form into m_pending; false at its end.
    bool refill()
    {
        m_pending.clear();
        m_pendingAt = 0;
        switch (m_stage) {
        case Stage::Head:
            m_pending = m_head;
            m_stage = Stage::Text;
            return true;
        case Stage::Text:
            if (m_unit < m_text.size()) {
                const qsizetype end = pieceEnd(m_text, m_unit);
                appendFormEncodedUtf8(m_pending,
                                      QStringView(m_text).sliced(m_unit, end - m_unit).toUtf8());
                m_unit = end;
            } else {
                m_pending = m_tail;
                m_stage = Stage::End;
            }
            return true;
        case Stage::End:
            break;
        }
        return false;
    }

    enum class Stage { Head, Text, End };

    const QByteArray m_head;
    const QString m_text;
    const QByteArray m_tail;
    const qint64 m_size;
    Stage m_stage = Stage::Head;
    qsizetype m_unit = 0; // the next text unit to encode
    QByteArray m_pending; // encoded and not yet read
    qsizetype m_pendingAt = 0;
    qint64 m_streamPos = 0; // where m_pending[m_pendingAt] stands in the form
};

} // namespace

QByteArray FormEncode(const QString& value)
{
    QByteArray out;
    out.reserve(value.size());
    appendFormEncoded(out, value);
    return out;
}

QByteArray BuildTranslateRequest(const QString& sourceText, const QString& hl, const QString& sl,
                                 const QString& tl)
{
    QByteArray body = formHead(hl);
    body.reserve(body.size() + sourceText.size() + 64);
    appendFormEncoded(body, sourceText);
    body += formTail(sl, tl); // in place: a long body is not copied
    return body;
}

HttpResult PostTranslateRequest(const QString& baseUrl, const QString& sourceText,
                                const QString& hl, const QString& sl, const QString& tl,
                                int timeoutMs)
{
    return HttpTransport::Post(QUrl(baseUrl + QStringLiteral("/translate_t")),
                               "application/x-www-form-urlencoded",
                               std::make_unique<FormBody>(hl, sourceText, sl, tl),
                               HttpTransport::Limits{timeoutMs, HttpTransport::kTranslationLimit});
}
