#include "ElfCheck.h"

#include <QFile>
#include <QIODevice>

namespace ElfCheck {
namespace {

constexpr quint16 kExec = 2; // ET_EXEC
constexpr quint16 kDyn = 3;  // ET_DYN
constexpr quint32 kLoad = 1, kDynamic = 2, kInterp = 3;
constexpr quint64 kSoname = 14, kFlags1 = 0x6ffffffb, kPieFlag = 0x08000000;
// The kernel reads at most this much of program headers.
constexpr qint64 kMaxHeaderTable = 65536;
constexpr qint64 kMaxInterpreter = 4096;

// Fields of the file in its own class and byte order.
class Reader
{
  public:
    Reader(QIODevice& file, bool wide, bool little) : m_file(file), m_wide(wide), m_little(little)
    {
    }

    // The bytes at offset, or an empty array when the file ends before them.
    QByteArray bytes(quint64 offset, qint64 size)
    {
        if (offset > quint64(m_file.size()) || qint64(offset) + size > m_file.size() ||
            !m_file.seek(qint64(offset)))
            return {};
        QByteArray data = m_file.read(size);
        return data.size() == size ? data : QByteArray();
    }

    quint64 number(const QByteArray& data, int at, int size) const
    {
        quint64 value = 0;
        for (int i = 0; i < size; ++i) {
            const quint64 byte = quint8(data[at + (m_little ? i : size - 1 - i)]);
            value |= byte << (8 * i);
        }
        return value;
    }
    // A word that is 8 bytes wide in 64-bit files and 4 in 32-bit ones.
    quint64 word(const QByteArray& data, int at64, int at32) const
    {
        return m_wide ? number(data, at64, 8) : number(data, at32, 4);
    }
    bool wide() const { return m_wide; }

  private:
    QIODevice& m_file;
    bool m_wide;
    bool m_little;
};

struct Segment
{
    quint32 type;
    quint64 offset;
    quint64 size;
};

// DT_SONAME and the PIE flag of the dynamic section.
struct Dynamic
{
    bool soname = false;
    bool pie = false;
};

Dynamic readDynamic(Reader& in, const Segment& segment)
{
    Dynamic found;
    const int entry = in.wide() ? 16 : 8;
    const QByteArray table = in.bytes(segment.offset, qint64(segment.size));
    for (int at = 0; at + entry <= table.size(); at += entry) {
        const quint64 tag = in.number(table, at, entry / 2);
        const quint64 value = in.number(table, at + entry / 2, entry / 2);
        if (tag == 0)
            break;
        if (tag == kSoname)
            found.soname = true;
        else if (tag == kFlags1 && (value & kPieFlag))
            found.pie = true;
    }
    return found;
}

std::optional<Identity> identityOf(const QByteArray& head)
{
    if (head.size() < 20 || !head.startsWith("\x7f"
                                             "ELF"))
        return std::nullopt;
    const quint8 elfClass = quint8(head[4]);
    const quint8 byteOrder = quint8(head[5]);
    if ((elfClass != 1 && elfClass != 2) || (byteOrder != 1 && byteOrder != 2) || head[6] != 1)
        return std::nullopt;
    const bool little = byteOrder == 1;
    const quint16 machine = little ? quint16(quint8(head[18]) | quint8(head[19]) << 8)
                                   : quint16(quint8(head[18]) << 8 | quint8(head[19]));
    return Identity{elfClass, byteOrder, machine};
}

} // namespace

std::optional<Identity> Running()
{
    QFile self(QStringLiteral("/proc/self/exe"));
    if (!self.open(QIODevice::ReadOnly))
        return std::nullopt;
    return identityOf(self.read(20));
}

Verdict Check(QIODevice& file, const Identity& self)
{
    if (!file.seek(0))
        return Verdict::NotElf;
    const std::optional<Identity> id = identityOf(file.read(64));
    if (!id)
        return Verdict::NotElf;
    if (!(*id == self))
        return Verdict::OtherMachine;

    Reader in(file, id->elfClass == 2, id->byteOrder == 1);
    const QByteArray header = in.bytes(0, in.wide() ? 64 : 52);
    if (header.isEmpty())
        return Verdict::Incomplete;
    if (in.number(header, 20, 4) != 1)
        return Verdict::NotElf;
    const quint64 type = in.number(header, 16, 2);
    if (type != kExec && type != kDyn)
        return Verdict::NotAProgram;

    const quint64 tableAt = in.word(header, 32, 28);
    const int entrySize = int(in.number(header, in.wide() ? 54 : 42, 2));
    const int count = int(in.number(header, in.wide() ? 56 : 44, 2));
    if (entrySize != (in.wide() ? 56 : 32) || count == 0 || count * entrySize > kMaxHeaderTable)
        return Verdict::NotElf;
    const QByteArray table = in.bytes(tableAt, qint64(count) * entrySize);
    if (table.isEmpty())
        return Verdict::Incomplete;

    QList<Segment> segments;
    for (int i = 0; i < count; ++i) {
        const int at = i * entrySize;
        segments.append(Segment{quint32(in.number(table, at, 4)), in.word(table, at + 8, at + 4),
                                in.word(table, at + 32, at + 16)});
    }
    bool loads = false;
    for (const Segment& s : segments) {
        // Every segment's bytes must be in the file: a cut-off download fails here.
        if (s.offset > quint64(file.size()) || s.size > quint64(file.size()) - s.offset)
            return Verdict::Incomplete;
        loads = loads || s.type == kLoad;
    }
    if (!loads)
        return Verdict::NotAProgram;

    bool interpreter = false;
    Dynamic dynamic;
    for (const Segment& s : segments) {
        if (s.type == kInterp) {
            if (s.size == 0 || s.size > quint64(kMaxInterpreter))
                return Verdict::NotElf;
            const QByteArray path = in.bytes(s.offset, qint64(s.size)).split('\0').value(0);
            // A program for another system's loader cannot start here either.
            if (!path.startsWith('/') || !QFile::exists(QFile::decodeName(path)))
                return Verdict::OtherMachine;
            interpreter = true;
        } else if (s.type == kDynamic) {
            dynamic = readDynamic(in, s);
        }
    }
    if (type == kExec)
        return Verdict::Program;
    // A position-independent executable shares its type with shared libraries. The linker
    // flags it as such; without that flag, one that names a loader and no library name of its
    // own is a program, while a library has a name (a runnable libc included).
    if (dynamic.pie || (interpreter && !dynamic.soname))
        return Verdict::Program;
    return Verdict::NotAProgram;
}

QString Describe(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Program:
        return {};
    case Verdict::NotElf:
        return QStringLiteral("The download is not a program for this system.");
    case Verdict::OtherMachine:
        return QStringLiteral("The download is a program for another kind of computer.");
    case Verdict::NotAProgram:
        return QStringLiteral("The download is a library or part of a program, not a program.");
    case Verdict::Incomplete:
        return QStringLiteral("The download is incomplete.");
    }
    return {};
}

} // namespace ElfCheck
