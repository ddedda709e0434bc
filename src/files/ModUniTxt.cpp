// Byte-level reading and writing on POSIX descriptors, so that names are passed through
// untouched and nothing is buffered behind our back.
#include "ModUniTxt.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ModUniTxt {

namespace {

class Descriptor final
{
  public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closing reports late write errors (network file systems), so writers check it.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

  private:
    int m_fd;
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

// What is written: bytes (the mark, or the whole eight-bit text), then any UTF-16 text, which
// is encoded a piece at a time as it is written so that a long text is not held encoded whole.
struct Content
{
    QByteArrayView bytes;
    const QString* utf16 = nullptr;
    bool bigEndian = false;
};

bool writeContent(int fd, const Content& content)
{
    if (!writeAll(fd, content.bytes.data(), content.bytes.size()))
        return false;
    if (!content.utf16)
        return true;
    constexpr qsizetype kUnits = qsizetype(1) << 19;
    const QString& text = *content.utf16;
    QByteArray piece(qMin(text.size(), kUnits) * 2, Qt::Uninitialized);
    for (qsizetype at = 0; at < text.size(); at += kUnits) {
        const qsizetype n = qMin(text.size() - at, kUnits);
        if (content.bigEndian)
            qToBigEndian<quint16>(text.constData() + at, n, piece.data());
        else
            qToLittleEndian<quint16>(text.constData() + at, n, piece.data());
        if (!writeAll(fd, piece.constData(), n * 2))
            return false;
    }
    return true;
}

// For what is not a regular file (a device, a pipe, a link to nothing): written where it stands.
bool writeInPlace(const QByteArray& path, const Content& content)
{
    Descriptor file(openNative(path, O_WRONLY | O_CREAT | O_TRUNC));
    if (!file.valid() || !writeContent(file.get(), content))
        return false;
    return file.close();
}

bool copyAll(int from, int to, qint64 size)
{
    QByteArray chunk(qint64(1) << 20, Qt::Uninitialized);
    for (qint64 offset = 0; offset < size;) {
        const qint64 got =
            readAt(from, chunk.data(), qMin<qint64>(size - offset, chunk.size()), offset);
        if (got <= 0)
            return got == 0; // the file shrank meanwhile: what is there is kept
        if (!writeAll(to, chunk.constData(), got))
            return false;
        offset += got;
    }
    return true;
}

// Writes the new content to a file beside target and renames it over target only when every
// byte is on the disk, so a full disk or any other failure leaves the old file whole. An existing
// file (old) keeps its permissions and, where allowed, its owner; with keepFrom valid the new
// file starts with the old content (an append).
bool replaceFile(const QByteArray& target, const struct stat* old, int keepFrom,
                 const Content& content)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(qMax<qsizetype>(slash, 1));
    const mode_t mode = old ? (old->st_mode & 07777) : 0666;
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "/.verbalto-" +
               QByteArray::number(QRandomGenerator::global()->generate64(), 36) + ".tmp";
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    Descriptor file(fd);
    bool ok = true;
    if (old) {
        ok = ::fchmod(fd, mode) == 0;
        if (ok && (old->st_uid != ::geteuid() || old->st_gid != ::getegid()))
            (void)!::fchown(fd, old->st_uid, old->st_gid);
    }
    ok = ok && (keepFrom < 0 || copyAll(keepFrom, fd, old->st_size)) && writeContent(fd, content) &&
         ::fsync(fd) == 0;
    ok = file.close() && ok;
    ok = ok && ::rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temp.constData());
    return ok;
}

// Where a chunk of eight-bit text may end so that decoding it alone gives what decoding the
// whole would: after a last ASCII byte, else before the last byte that may start a UTF-8
// sequence among the last four. Four continuation bytes end no sequence that began earlier.
qint64 cutBeforeSequence(const char* chunk, qint64 length)
{
    for (qint64 i = length - 1; i > 0 && i >= length - 4; --i) {
        const auto b = static_cast<unsigned char>(chunk[i]);
        if (b < 0x80)
            return i + 1;
        if ((b & 0xC0) != 0x80)
            return i;
    }
    return length;
}

// The locale's encoding (UTF-8 here) or UTF-8, read and decoded a chunk at a time into one
// string. Each chunk is decoded on its own: a mark inside the content is text, and a cut-off
// sequence at the end still shows.
QString readEightBit(int fd, qint64 offset, qint64 count, TextFormat format)
{
    QStringDecoder decoder(format == Utf8 ? QStringConverter::Utf8 : QStringConverter::System,
                           QStringConverter::Flag::ConvertInitialBom |
                               QStringConverter::Flag::Stateless);
    // A byte gives at most one UTF-16 unit; the decoder may ask for a few units beyond that.
    QString text(count + 4, Qt::Uninitialized);
    QChar* out = text.data();
    QByteArray chunk(qMin(count, ReadChunk), Qt::Uninitialized);
    qint64 kept = 0; // bytes at the chunk's start carried over from the previous read
    for (qint64 done = 0; done < count;) {
        const qint64 want = qMin(count - done, chunk.size() - kept);
        const qint64 got = readAt(fd, chunk.data() + kept, want, offset + done);
        if (got < 0)
            return {};
        done += got;
        const bool last = got < want || done >= count;
        const qint64 have = kept + got;
        const qint64 cut = last ? have : cutBeforeSequence(chunk.constData(), have);
        out = decoder.appendToBuffer(out, QByteArrayView(chunk.constData(), cut));
        kept = have - cut;
        std::memmove(chunk.data(), chunk.constData() + cut, size_t(kept));
        if (last)
            break; // the file may have shrunk since its size was taken
    }
    if (out == text.constData())
        return {};
    text.truncate(out - text.constData());
    // A text much shorter than its bytes (most East Asian text) gives its spare room back.
    if (text.capacity() - text.size() > text.size() / 4)
        text.squeeze();
    return text;
}

// UTF-16 is read straight into the string and its byte order fixed in place.
QString readUtf16(int fd, qint64 offset, qint64 count, bool bigEndian)
{
    QString text(count / 2, Qt::Uninitialized); // an unpaired last byte is dropped
    const qint64 got = readAt(fd, reinterpret_cast<char*>(text.data()), text.size() * 2, offset);
    if (got < 2)
        return {};
    text.truncate(got / 2);
    if (bigEndian)
        qFromBigEndian<quint16>(text.constData(), text.size(), text.data());
    else
        qFromLittleEndian<quint16>(text.constData(), text.size(), text.data());
    return text;
}

// Whether a file with the UTF-32LE mark reads as UTF-32LE: whole code units, each a code point.
bool couldBeUtf32Le(int fd, qint64 size)
{
    if (size % 4 != 0)
        return false;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (qint64 at = 4; at < size;) {
        const qint64 got = readAt(fd, chunk.data(), std::min<qint64>(chunk.size(), size - at), at);
        if (got <= 0)
            return false;
        for (qint64 i = 0; i + 4 <= got; i += 4) {
            const quint32 unit = qFromLittleEndian<quint32>(chunk.constData() + i);
            if (unit > 0x10FFFF || (unit >= 0xD800 && unit <= 0xDFFF))
                return false;
        }
        at += got;
    }
    return true;
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
    Bom bom = DetectBom(QByteArrayView(head, std::min<qint64>(size, 4)));
    // FF FE 00 00 is also UTF-16LE text that starts with U+0000: so it is, where it cannot be
    // UTF-32LE.
    if (bom.format == Utf32LE && !couldBeUtf32Le(file.get(), size))
        bom = {Utf16LE, 2};
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
    switch (Format) {
    case Ansi:
    case Utf8:
        return readEightBit(file.get(), skip, count, Format);
    case Utf16LE:
        return readUtf16(file.get(), skip, count, false);
    case Utf16BE:
        return readUtf16(file.get(), skip, count, true);
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
    if (nativePath.isEmpty() || nativePath.contains('\0'))
        return false;
    struct stat st
    {
    };
    const bool exists = ::stat(nativePath.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return false;
    // Devices and pipes have nothing to keep and cannot be renamed over; a folder fails there.
    const bool regular = exists && S_ISREG(st.st_mode);

    Descriptor old(regular && Append && st.st_size > 0 ? openNative(nativePath, O_RDONLY) : -1);
    if (regular && Append && st.st_size > 0 && !old.valid())
        return false;
    const bool appending = old.valid();
    if (!appending && Format == Detect)
        Format = DefaultFormat;
    if (appending && Format == Detect) {
        char head[4] = {0, 0, 0, 0};
        if (readAt(old.get(), head, 4, 0) < 0)
            return false;
        Format = DetectBom(QByteArrayView(head, 4)).format;
    }

    QByteArray bytes = appending ? QByteArray() : BomOfFormat(Format);
    Content content;
    bool textWritten = true;
    if (!Text.isEmpty()) {
        switch (Format) {
        case Utf16LE:
        case Utf16BE:
            content.utf16 = &Text;
            content.bigEndian = Format == Utf16BE;
            break;
        case Ansi:
        case Utf8: {
            QStringEncoder encoder(Format == Utf8 ? QStringConverter::Utf8
                                                  : QStringConverter::System,
                                   QStringConverter::Flag::Stateless);
            const qsizetype at = bytes.size();
            bytes.resize(at + encoder.requiredSpace(Text.size()));
            const char* end = encoder.appendToBuffer(bytes.data() + at, Text);
            if (end == bytes.constData() + at)
                return false;
            bytes.truncate(end - bytes.constData());
            break;
        }
        default: // UTF-32 and an undecided format write no text; a new file still gets its mark
            if (appending || !isKnown(Format))
                return false;
            textWritten = false;
            break;
        }
    }
    content.bytes = bytes;

    bool written;
    struct stat link
    {
    };
    if (exists && !regular) {
        written = writeInPlace(nativePath, content);
    } else if (!exists) {
        // A link to nothing is written through, creating the file it names.
        written = ::lstat(nativePath.constData(), &link) == 0
                      ? writeInPlace(nativePath, content)
                      : replaceFile(nativePath, nullptr, -1, content);
    } else {
        // A link is followed: the file it names is replaced and the link stays.
        QByteArray target = nativePath;
        if (char* real = ::realpath(nativePath.constData(), nullptr)) {
            target = real;
            ::free(real);
        }
        // A file we may not write stays as it is, although its folder would let us replace it.
        written =
            ::access(target.constData(), W_OK) == 0 && replaceFile(target, &st, old.get(), content);
    }
    return written && textWritten;
}

} // namespace ModUniTxt
