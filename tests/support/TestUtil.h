// Small helpers shared by the tests.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QProcess;

namespace TestUtil {

// Runs the event loop until pred() holds or timeoutMs passes; returns pred().
bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& data);

// Path of a built program in the build's bin folder.
QString binPath(const QString& name);

// Runs a tool to its end and returns its standard output, trimmed ("" when it hangs).
QString runTool(const QString& program, const QStringList& args, int timeoutMs = 10000);

// Another program (xclip) holding the clipboard with data until someone takes it over.
std::unique_ptr<QProcess> xclipCopy(const QByteArray& data, const QString& type = QString());

// True when the tests run as root (mount namespaces are then available).
bool isRoot();

// Whether runOnFullDisk can run here (root and unshare).
bool canFillDisk();
// Runs program in a private mount namespace where folder is a 64 KiB tmpfs that holds folder's
// files and is then filled to the last byte, or to leaveFree bytes before it. Afterwards folder
// holds what the tmpfs held (the filler left out). Returns the program's exit code, -1 when it
// did not run to its end; with output, what it printed goes there.
int runOnFullDisk(const QString& folder, const QString& program, const QStringList& args = {},
                  int leaveFree = 0, QByteArray* output = nullptr);

} // namespace TestUtil
