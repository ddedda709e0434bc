#include "TranslateRequest.h"

#include "services/FormEncoding.h"

#include <QIODevice>
#include <QUrl>

#include <cstring>
#include <memory>

namespace {

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
          m_size(m_head.size() + FormEncoding::EncodedSize(m_text) + m_tail.size())
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
                const qsizetype end = FormEncoding::PieceEnd(m_text, m_unit);
                FormEncoding::Append(m_pending, QStringView(m_text).sliced(m_unit, end - m_unit));
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

QByteArray BuildTranslateRequest(const QString& sourceText, const QString& hl, const QString& sl,
                                 const QString& tl)
{
    QByteArray body = formHead(hl);
    body.reserve(body.size() + sourceText.size() + 64);
    FormEncoding::Append(body, sourceText);
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
