// Byte-level reading and writing on POSIX descriptors, so that names are passed through
// untouched and nothing is buffered behind our back.
#include "ModUniTxt.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ModUniTxt {

namespace {

class Descriptor final
{
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closing reports late write errors (network file systems), so writers check it.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Opens without blocking on a FIFO, then switches back to blocking transfers.
int openNative(const QByteArray& path, int flags)
{
    if (path.isEmpty() || path.contains('\0'))
        return -1;
    int fd;
    do {
        fd = ::open(path.constData(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        const int fl = ::fcntl(fd, F_GETFL);
        if (fl >= 0)
            ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    }
    return fd;
}

// Reads up to n bytes at offset; stops early at end of file. Returns the bytes read or -1.
qint64 readAt(int fd, char* buf, qint64 n, qint64 offset)
{
    qint64 done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd, buf + done, size_t(n - done), off_t(offset + done));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        done += r;
    }
    return done;
}

bool writeAll(int fd, const char* data, qint64 n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, data, size_t(n));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (w == 0)
            return false;
        data += w;
        n -= w;
    }
    return true;
}

bool isKnown(TextFormat f)
{
    return f >= Ansi && f <= Utf32BE;
}

QString decodeEightBit(QByteArrayView bytes, TextFormat format)
{
    // A mark inside the content is text, and a cut-off sequence at the end still shows.
    QStringDecoder decoder(format == Utf8 ? QStringConverter::Utf8 : QStringConverter::System,
                           QStringConverter::Flag::ConvertInitialBom |
                               QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QString decodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    const qsizetype units = bytes.size() / 2; // an unpaired last byte is dropped
    QString text(units, Qt::Uninitialized);
    if (bigEndian)
        qFromBigEndian<quint16>(bytes.data(), units, text.data());
    else
        qFromLittleEndian<quint16>(bytes.data(), units, text.data());
    return text;
}

QByteArray encodeUtf16(const QString& text, bool bigEndian)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    if (bigEndian)
        qToBigEndian<quint16>(text.constData(), text.size(), bytes.data());
    else
        qToLittleEndian<quint16>(text.constData(), text.size(), bytes.data());
    return bytes;
}

} // namespace

Bom DetectBom(QByteArrayView head)
{
    unsigned char b[4] = {0, 0, 0, 0};
    for (qsizetype i = 0; i < 4 && i < head.size(); ++i)
        b[i] = static_cast<unsigned char>(head[i]);
    if (b[0] == 0xFF && b[1] == 0xFE && b[2] == 0 && b[3] == 0)
        return {Utf32LE, 4};
    if (b[0] == 0 && b[1] == 0 && b[2] == 0xFE && b[3] == 0xFF)
        return {Utf32BE, 4};
    if (b[0] == 0xFF && b[1] == 0xFE)
        return {Utf16LE, 2};
    if (b[0] == 0xFE && b[1] == 0xFF)
        return {Utf16BE, 2};
    if (b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        return {Utf8, 3};
    return {Ansi, 0};
}

QByteArray BomOfFormat(TextFormat format)
{
    switch (format) {
    case Utf8:
        return QByteArray("\xEF\xBB\xBF", 3);
    case Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    case Utf32LE:
        return QByteArray("\xFF\xFE\x00\x00", 4);
    case Utf32BE:
        return QByteArray("\x00\x00\xFE\xFF", 4);
    default:
        return {};
    }
}

QString ReadUniText(const QString& path, TextFormat& Format)
{
    return ReadUniText(QFile::encodeName(path), Format);
}

QString ReadUniText(const QByteArray& nativePath, TextFormat& Format)
{
    if (Format != Detect && !isKnown(Format))
        return {};
    Descriptor file(openNative(nativePath, O_RDONLY));
    if (!file.valid())
        return {};
    struct stat st
    {
    };
    // Only regular files: a device or pipe has no size and could stall the window.
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const qint64 size = st.st_size;
    if (size >= MaxReadSize)
        return {};

    char head[4] = {0, 0, 0, 0};
    if (readAt(file.get(), head, 4, 0) < 0)
        return {};
    const Bom bom = DetectBom(QByteArrayView(head, 4));
    qint64 skip = 0;
    if (Format == Detect) {
        Format = bom.format;
        skip = bom.length;
    } else if (Format == bom.format) {
        skip = bom.length;
    }

    const qint64 count = size - skip;
    if (count <= 0 || Format == Utf32LE || Format == Utf32BE)
        return {};
    QByteArray bytes(count, Qt::Uninitialized);
    const qint64 got = readAt(file.get(), bytes.data(), count, skip);
    if (got <= 0)
        return {};
    bytes.truncate(got); // the file may have shrunk since its size was taken

    switch (Format) {
    case Ansi:
    case Utf8:
        return decodeEightBit(bytes, Format);
    case Utf16LE:
        return decodeUtf16(bytes, false);
    case Utf16BE:
        return decodeUtf16(bytes, true);
    default:
        return {};
    }
}

bool WriteUniText(const QString& path, const QString& Text, bool Append, TextFormat& Format,
                  TextFormat DefaultFormat)
{
    return WriteUniText(QFile::encodeName(path), Text, Append, Format, DefaultFormat);
}

bool WriteUniText(const QByteArray& nativePath, const QString& Text, bool Append,
                  TextFormat& Format, TextFormat DefaultFormat)
{
    if (!(isKnown(Format) || (Format == Detect && Append)))
        return false;
    Descriptor file(openNative(nativePath, O_RDWR | O_CREAT | (Append ? 0 : O_TRUNC)));
    if (!file.valid())
        return false;
    struct stat st
    {
    };
    if (::fstat(file.get(), &st) != 0)
        return false;

    bool appending = Append;
    if (st.st_size == 0) {
        appending = false;
        if (Format == Detect)
            Format = DefaultFormat;
    }

    QByteArray mark;
    if (appending && Format == Detect) {
        char head[4] = {0, 0, 0, 0};
        if (readAt(file.get(), head, 4, 0) < 0)
            return false;
        Format = DetectBom(QByteArrayView(head, 4)).format;
    } else if (!appending) {
        mark = BomOfFormat(Format);
    }

    if (::lseek(file.get(), 0, appending ? SEEK_END : SEEK_SET) < 0)
        return false;
    if (!mark.isEmpty() && !writeAll(file.get(), mark.constData(), mark.size()))
        return false;
    if (Text.isEmpty())
        return file.close();

    QByteArray bytes;
    switch (Format) {
    case Utf16LE:
        bytes = encodeUtf16(Text, false);
        break;
    case Utf16BE:
        bytes = encodeUtf16(Text, true);
        break;
    case Ansi:
    case Utf8: {
        QStringEncoder encoder(Format == Utf8 ? QStringConverter::Utf8 : QStringConverter::System,
                               QStringConverter::Flag::Stateless);
        bytes = encoder.encode(Text);
        if (bytes.isEmpty())
            return false;
        break;
    }
    default: // UTF-32 and an undecided format write no text
        return false;
    }
    if (!writeAll(file.get(), bytes.constData(), bytes.size()))
        return false;
    return file.close();
}

} // namespace ModUniTxt
