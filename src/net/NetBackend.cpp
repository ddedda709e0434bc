#include "NetBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

// Defined when the network code is linked in (the command line, the tests); the window's
// program leaves it out and opens the module instead.
extern "C" const NetBackend::Table* verbalto_network_table() __attribute__((weak));

namespace NetBackend {
namespace {

QString g_missing;
const Table* g_table = nullptr;

const Table* Load()
{
    if (verbalto_network_table)
        return verbalto_network_table();
    const QString dir = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).path();
    // Beside the program first, where an update puts its own; then where the package puts it.
    const QString name = QStringLiteral("/verbalto-network.so");
    const QStringList places = {dir + name,
                                dir + QStringLiteral("/" VERBALTO_NETWORK_MODULE_DIR) + name};
    for (const QString& path : places) {
        if (!QFile::exists(path))
            continue;
        void* module = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            g_missing = QString::fromLocal8Bit(::dlerror());
            continue;
        }
        using Entry = const Table* (*)();
        const auto entry = reinterpret_cast<Entry>(::dlsym(module, "verbalto_network_table"));
        const Table* table = entry ? entry() : nullptr;
        if (table && table->version == kTableVersion &&
            qstrcmp(table->build, VERBALTO_VERSION) == 0)
            return table;
        g_missing = QStringLiteral("%1 belongs to another version of Verbalto").arg(path);
        ::dlclose(module);
    }
    if (g_missing.isEmpty())
        g_missing = QStringLiteral("%1 is missing").arg(QDir::cleanPath(places.last()));
    return nullptr;
}

} // namespace

const Table* Get()
{
    static const Table* table = g_table = Load();
    return table;
}

const Table* IfLoaded()
{
    return g_table;
}

QString Unavailable()
{
    return QStringLiteral("Verbalto's network part could not be loaded: %1").arg(g_missing);
}

} // namespace NetBackend
