// The service's texts carry CR LF line breaks: plain output makes them "\n", JSON keeps them.
#include "CliOutput.h"

#include <QBuffer>

namespace CliOutput {
namespace {

// Collects output in a small buffer and passes it on to the device, so that a large result is
// never held a second time, whole, as output.
class Writer final
{
  public:
    explicit Writer(QIODevice& device) : m_device(device) { m_buffer.reserve(kFlushAt + 16); }
    ~Writer() { flush(); }
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    void add(QByteArrayView bytes)
    {
        m_buffer.append(bytes);
        if (m_buffer.size() >= kFlushAt)
            flush();
    }
    void add(char c) { add(QByteArrayView(&c, 1)); }

    // UTF-8 of text, a bounded piece at a time; a surrogate pair is never cut in two.
    void addUtf8(QStringView text)
    {
        while (!text.isEmpty()) {
            qsizetype n = qMin(text.size(), kPiece);
            if (n < text.size() && text.at(n - 1).isHighSurrogate())
                --n;
            add(text.first(n).toUtf8());
            text = text.sliced(n);
        }
    }

  private:
    static constexpr qsizetype kFlushAt = 1 << 16;
    static constexpr qsizetype kPiece = 1 << 15;

    void flush()
    {
        if (!m_buffer.isEmpty())
            m_device.write(m_buffer);
        m_buffer.clear();
    }

    QIODevice& m_device;
    QByteArray m_buffer;
};

// A section ends where its own text ends (the separator lines come from the caller); its
// "\r\n" and "\r" become "\n".
void addSection(Writer& out, QStringView text)
{
    while (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    for (qsizetype cr; (cr = text.indexOf(u'\r')) >= 0;) {
        out.addUtf8(text.first(cr));
        out.add('\n');
        text = text.sliced(cr + 1);
        if (text.startsWith(u'\n'))
            text = text.sliced(1);
    }
    out.addUtf8(text);
}

void appendHex4(Writer& out, char16_t unit)
{
    static constexpr char hex[] = "0123456789abcdef";
    out.add("\\u");
    for (int shift = 12; shift >= 0; shift -= 4)
        out.add(hex[(unit >> shift) & 0xF]);
}

void addJsonString(Writer& out, QStringView text)
{
    out.add('"');
    qsizetype runStart = 0;
    auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            out.addUtf8(text.mid(runStart, end - runStart));
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool pairedHigh = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                                QChar::isLowSurrogate(text.at(i + 1).unicode());
        if (pairedHigh) {
            ++i;
            continue;
        }
        const bool lone = QChar::isSurrogate(c);
        if (c >= 0x20 && c != u'"' && c != u'\\' && !lone)
            continue;
        flushRun(i);
        runStart = i + 1;
        switch (c) {
        case u'"':
            out.add("\\\"");
            break;
        case u'\\':
            out.add("\\\\");
            break;
        case u'\n':
            out.add("\\n");
            break;
        case u'\r':
            out.add("\\r");
            break;
        case u'\t':
            out.add("\\t");
            break;
        case u'\b':
            out.add("\\b");
            break;
        case u'\f':
            out.add("\\f");
            break;
        // Other control characters, and a surrogate without its partner (a broken UTF-16 file),
        // are written as escapes so that the text survives exactly.
        default:
            appendHex4(out, c);
            break;
        }
    }
    flushRun(text.size());
    out.add('"');
}

// What a write gives, collected in memory.
template <typename Write> QByteArray inMemory(Write write)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return bytes;
}

} // namespace

void WritePlainText(QIODevice& device, const TranslationResult& result)
{
    Writer out(device);
    addSection(out, result.translation);
    if (!result.romanization.isEmpty()) {
        out.add("\n\n");
        addSection(out, result.romanization);
    }
    if (!result.dictionary.isEmpty()) {
        out.add("\n\n");
        addSection(out, result.dictionary);
    }
    out.add('\n');
}

QByteArray PlainText(const TranslationResult& result)
{
    return inMemory([&](QIODevice& device) { WritePlainText(device, result); });
}

QByteArray JsonString(const QString& text)
{
    return inMemory([&](QIODevice& device) {
        Writer out(device);
        addJsonString(out, text);
    });
}

void WriteJsonLine(QIODevice& device, const TranslationResult& result, const QString& service,
                   const QString& detected, const QString& fallbackFrom,
                   const QString& fallbackReason)
{
    Writer out(device);
    const std::pair<const char*, QStringView> fields[] = {
        {"{\"source\": ", result.sourceText},
        {", \"translation\": ", result.translation},
        {", \"romanization\": ", result.romanization},
        {", \"dictionary\": ", result.dictionary},
        {", \"service\": ", service},
        {", \"detected\": ", detected},
        {", \"fallbackFrom\": ", fallbackFrom},
        {", \"fallbackReason\": ", fallbackReason},
    };
    for (const auto& [name, value] : fields) {
        out.add(name);
        addJsonString(out, value);
    }
    out.add("}\n");
}

QByteArray JsonLine(const TranslationResult& result, const QString& service,
                    const QString& detected, const QString& fallbackFrom,
                    const QString& fallbackReason)
{
    return inMemory([&](QIODevice& device) {
        WriteJsonLine(device, result, service, detected, fallbackFrom, fallbackReason);
    });
}

} // namespace CliOutput
