// Whether a file is a complete program that this machine can start: read from the ELF header,
// the program headers and the dynamic section, never by running it.
#pragma once

#include <QString>
#include <optional>

class QIODevice;

namespace ElfCheck {

// What tells machines apart: class (32/64 bit), byte order and machine number.
struct Identity
{
    quint8 elfClass = 0;
    quint8 byteOrder = 0;
    quint16 machine = 0;
    bool operator==(const Identity&) const = default;
};

enum class Verdict {
    Program,      // an executable, or a position-independent one, for this machine
    NotElf,       // no ELF file, or one with a header the loader rejects
    OtherMachine, // an ELF file for another class, byte order or machine
    NotAProgram,  // an object file, a core file or a shared library
    Incomplete,   // program headers or segments reach past the end of the file
};

// The identity of the running program (from /proc/self/exe); nullopt when it cannot be read.
std::optional<Identity> Running();

// Reads file (open, random access) to its end at most once per segment header.
Verdict Check(QIODevice& file, const Identity& self);

// A sentence for the user about a verdict other than Program.
QString Describe(Verdict verdict);

} // namespace ElfCheck
