// The dialog record is kept the way callers of this object know it: NUL-filled buffers with
// offsets into them. Qt's file dialog (or a test's chooser) stands in for the system dialog.
#include "cOpenSaveDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QThread>

namespace {

const QChar Nul(u'\0');

QString upToFirstNul(const QString& buffer)
{
    return buffer.left(buffer.indexOf(Nul));
}

// A positive size makes a fresh buffer of that many NULs; anything else unsets the size.
void sizeBuffer(QString& buffer, qint32& size, qint32 nSize)
{
    size = nSize > 0 ? nSize : 0;
    if (nSize > 0)
        buffer = QString(nSize, Nul);
}

// Writes value at the start of a NUL-filled buffer, growing the buffer when it would not
// hold the value and its terminating NUL.
void writeBuffer(QString& buffer, qint32& size, const QString& value, qint32 defaultSize)
{
    if (size <= 0)
        sizeBuffer(buffer, size, defaultSize);
    if (size <= value.size())
        sizeBuffer(buffer, size, qint32(value.size()) + 1);
    if (buffer.size() < size)
        buffer.append(QString(size - buffer.size(), Nul));
    buffer.replace(0, value.size() + 1, value + Nul);
}

QString errorDescription(quint32 code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Cancel was seleted");
    case 0x0001:
        return QStringLiteral("The lStructSize member of the initialization structure for the "
                              "corresponding common dialog box is invalid.");
    case 0x0002:
        return QStringLiteral("The common dialog box function failed during initialization.");
    case 0x0003:
        return QStringLiteral("The ENABLETEMPLATE flag was set in the Flags member of the "
                              "initialization structure for the corresponding common dialog "
                              "box, but you failed to provide a corresponding template.");
    case 0x0004:
        return QStringLiteral("The ENABLETEMPLATE flag was set in the Flags member of the "
                              "initialization structure for the corresponding common dialog "
                              "box, but you failed to provide a corresponding instance handle.");
    case 0x0005:
        return QStringLiteral("The common dialog box function failed to load a specified string.");
    case 0x0006:
    case 0x0007:
        return QStringLiteral(
            "The common dialog box function failed to find a specified resource.");
    case 0x0008:
        return QStringLiteral(
            "The common dialog box function failed to lock a specified resource.");
    case 0x0009:
        return QStringLiteral("The common dialog box function was unable to allocate memory for "
                              "internal structures.");
    case 0x000A:
        return QStringLiteral("The common dialog box function was unable to lock the memory "
                              "associated with a handle.");
    case 0x000C:
        return QStringLiteral("The RegisterWindowMessage function returned an error code when it "
                              "was called by the common dialog box function.");
    case 0x3001:
        return QStringLiteral("An attempt to subclass a list box failed because sufficient "
                              "memory was not available.");
    case 0x3002:
        return QStringLiteral("A file name is invalid.");
    case 0x3003:
        return QStringLiteral("The PathFileBufferSize is too small for the file name(s) "
                              "specified by the user.");
    case 0xFFFF:
        return QStringLiteral("The dialog box could not be created");
    default:
        return QStringLiteral("Unknown error code of ") + QString::number(code);
    }
}

} // namespace

cOpenSaveDialog::Error::Error(qint32 number, const QString& source, const QString& description)
    : m_number(number), m_source(source), m_description(description),
      m_what((source + QStringLiteral(": ") + description).toUtf8())
{
}

cOpenSaveDialog::cOpenSaveDialog(Chooser chooser) : m_chooser(std::move(chooser)) {}

bool cOpenSaveDialog::ShowOpen(QWidget* ownerHwnd)
{
    return show(ownerHwnd, false);
}

bool cOpenSaveDialog::ShowSave(QWidget* ownerHwnd)
{
    return show(ownerHwnd, true);
}

void cOpenSaveDialog::Clear()
{
    m_rec = Record{};
    m_storedFlags = 0;
    m_cancelError = false;
    m_minimumBufferSize = 0;
}

QString cOpenSaveDialog::FileName() const
{
    const QString& buffer = m_rec.lpstrFile;
    if (m_rec.nFileOffset == 0)
        return upToFirstNul(buffer);
    // A multiple selection is the folder and the names, each ended by NUL, then one more NUL.
    const qsizetype end = buffer.indexOf(QStringView(u"\0\0", 2), m_rec.nFileOffset - 1);
    if (end >= 0)
        return buffer.left(end);
    // A name that just fits its buffer has a single NUL after it, which is not part of it.
    qsizetype size = buffer.size();
    while (size > 0 && buffer.at(size - 1) == Nul)
        --size;
    return buffer.left(size);
}

void cOpenSaveDialog::setFileName(const QString& fTitle)
{
    writeBuffer(m_rec.lpstrFile, m_rec.nMaxFile, fTitle, DefaultMaxFile);
    // The offsets described the previous choice, which the new name replaces.
    m_rec.nFileOffset = 0;
    m_rec.nFileExtension = 0;
}

QString cOpenSaveDialog::FileTitle() const
{
    return upToFirstNul(m_rec.lpstrFileTitle);
}

void cOpenSaveDialog::setFileTitle(const QString& fTitle)
{
    writeBuffer(m_rec.lpstrFileTitle, m_rec.nMaxFileTitle, fTitle, DefaultMaxFileTitle);
}

void cOpenSaveDialog::setInitDir(const QString& fPath)
{
    m_rec.lpstrInitialDir =
        fPath.isEmpty() || fPath.endsWith(u'/') ? fPath : fPath + QLatin1Char('/');
}

QString cOpenSaveDialog::FilePath() const
{
    if (m_rec.nFileOffset <= 0)
        return {};
    const QString folder = m_rec.lpstrFile.left(m_rec.nFileOffset - 1);
    // A file in the root folder: the folder is "/", not nothing.
    if (folder.isEmpty() && m_rec.lpstrFile.startsWith(u'/'))
        return QStringLiteral("/");
    return folder;
}

QString cOpenSaveDialog::FileExtension() const
{
    if (m_rec.nFileExtension <= 0)
        return {};
    return upToFirstNul(m_rec.lpstrFile.mid(m_rec.nFileExtension));
}

QString cOpenSaveDialog::Filter() const
{
    if (m_rec.lpstrFilter.isEmpty())
        return {};
    QString text = m_rec.lpstrFilter.chopped(1);
    return text.replace(Nul, u'|');
}

void cOpenSaveDialog::setFilter(const QString& fFilter)
{
    if (fFilter.isEmpty()) {
        m_rec.lpstrFilter.clear();
        return;
    }
    m_rec.lpstrFilter = QString(fFilter).replace(u'|', Nul) + Nul;
}

void cOpenSaveDialog::setFlags(qint32 dFlags)
{
    if (dFlags < 0)
        return;
    m_storedFlags = dFlags & ~OFN_EXTENSIONDIFFERENT;
}

void cOpenSaveDialog::setMaxFileSize(qint32 nSize)
{
    sizeBuffer(m_rec.lpstrFile, m_rec.nMaxFile, nSize);
}

void cOpenSaveDialog::setMaxFileTitleSize(qint32 nSize)
{
    sizeBuffer(m_rec.lpstrFileTitle, m_rec.nMaxFileTitle, nSize);
}

void cOpenSaveDialog::setCustomFilterSize(qint32 nSize)
{
    sizeBuffer(m_rec.lpstrCustomFilter, m_rec.nMaxCustFilter, nSize);
    if (nSize <= 0)
        m_rec.lpstrCustomFilter.clear();
}

cOpenSaveDialog::Error cOpenSaveDialog::ErrorFor(quint32 code, bool save)
{
    const QString source =
        save ? QStringLiteral("Common Dialog Save") : QStringLiteral("Common Dialog Open");
    const qint32 number = code == 0 ? CancelErrorNumber : qint32(code);
    return Error(number, source, errorDescription(code));
}

QString cOpenSaveDialog::QtNameFilter(const QString& description, const QString& patterns)
{
    // Qt reads the patterns from the last parentheses, separated by blanks; a description
    // that already shows them in parentheses is shown once, with the patterns Qt understands.
    QString label = description.trimmed();
    if (label.endsWith(u')')) {
        const qsizetype open = label.lastIndexOf(u'(');
        if (open >= 0)
            label = label.left(open).trimmed();
    }
    QStringList list;
    for (const QString& p : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QString pattern = p.trimmed();
        if (!pattern.isEmpty())
            list << pattern;
    }
    if (list.isEmpty())
        list << QStringLiteral("*");
    const QString joined = list.join(u' ');
    const QString bracketed = QStringLiteral("(") + joined + u')';
    return label.isEmpty() ? bracketed : label + u' ' + bracketed;
}

void cOpenSaveDialog::prepare(QWidget* owner, bool save)
{
    if (m_rec.lStructSize == 0)
        m_rec.lStructSize = 88;
    m_rec.hwndOwner = owner;
    m_minimumBufferSize = 0;
    if (m_rec.nMaxFile <= 0)
        sizeBuffer(m_rec.lpstrFile, m_rec.nMaxFile, DefaultMaxFile);
    if (m_rec.nMaxFileTitle <= 0)
        sizeBuffer(m_rec.lpstrFileTitle, m_rec.nMaxFileTitle, DefaultMaxFileTitle);
    if (save) {
        m_rec.Flags = m_storedFlags & ~OFN_FILEMUSTEXIST;
    } else {
        m_rec.Flags = m_storedFlags & ~OFN_OVERWRITEPROMPT;
        if (m_rec.Flags & OFN_FILEMUSTEXIST)
            m_rec.Flags |= OFN_PATHMUSTEXIST;
    }
}

cOpenSaveDialog::Request cOpenSaveDialog::request(bool save) const
{
    Request r;
    r.save = save;
    r.owner = m_rec.hwndOwner;
    r.title = m_rec.lpstrTitle;
    r.directory = m_rec.lpstrInitialDir;
    if (r.directory.size() > 1 && r.directory.endsWith(u'/'))
        r.directory.chop(1);
    r.fileName = upToFirstNul(m_rec.lpstrFile);
    if (!m_rec.lpstrFilter.isEmpty()) {
        const QStringList parts = m_rec.lpstrFilter.chopped(1).split(Nul);
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
            r.nameFilters << QtNameFilter(parts.at(i), parts.at(i + 1));
    }
    if (!r.nameFilters.isEmpty())
        r.selectedFilter = m_rec.nFilterIndex >= 1 && m_rec.nFilterIndex <= r.nameFilters.size()
                               ? m_rec.nFilterIndex - 1
                               : 0;
    r.defaultSuffix = m_rec.lpstrDefExt;
    r.multiSelect = !save && (m_rec.Flags & OFN_ALLOWMULTISELECT);
    r.fileMustExist = !save && (m_rec.Flags & OFN_FILEMUSTEXIST);
    r.confirmOverwrite = save && (m_rec.Flags & OFN_OVERWRITEPROMPT);
    r.showHidden = m_rec.Flags & OFN_FORCESHOWHIDDEN;
    r.flags = m_rec.Flags;
    return r;
}

quint32 cOpenSaveDialog::store(const Answer& answer, bool save)
{
    QStringList files;
    for (const QString& f : answer.files) {
        if (f.isEmpty() || f.contains(Nul))
            return FNERR_INVALIDFILENAME;
        files << QDir::cleanPath(QFileInfo(f).absoluteFilePath());
    }

    QString content;
    qint32 required = 0;
    qint32 offset = 0;
    qint32 extension = 0;
    QString title;
    if (files.size() == 1) {
        QString path = files.first();
        offset = qint32(path.lastIndexOf(u'/')) + 1;
        if (save && !m_rec.lpstrDefExt.isEmpty() && path.mid(offset).lastIndexOf(u'.') <= 0)
            path += u'.' + m_rec.lpstrDefExt;
        title = path.mid(offset);
        const qsizetype dot = title.lastIndexOf(u'.');
        // A leading dot marks a hidden file, not an extension.
        extension = dot > 0 ? offset + qint32(dot) + 1 : qint32(path.size());
        content = path;
        required = qint32(content.size()) + 1;
    } else {
        const QString folder = QFileInfo(files.first()).absolutePath();
        content = folder + Nul;
        for (const QString& f : files)
            content += QFileInfo(f).fileName() + Nul;
        offset = qint32(folder.size()) + 1;
        required = qint32(content.size()) + 1;
    }

    if (required > m_rec.nMaxFile) {
        // The dialog reports the size it needs in the buffer's first character.
        if (!m_rec.lpstrFile.isEmpty())
            m_rec.lpstrFile[0] = QChar(char16_t(qMin(required, 0xFFFF)));
        return FNERR_BUFFERTOOSMALL;
    }
    m_rec.lpstrFile = content + QString(m_rec.nMaxFile - content.size(), Nul);
    m_rec.nFileOffset = offset;
    m_rec.nFileExtension = extension;
    // The title buffer gets the bare name when it fits, else nothing rather than a cut name.
    if (m_rec.nMaxFileTitle > 0) {
        const QString fitting = title.size() < m_rec.nMaxFileTitle ? title : QString();
        m_rec.lpstrFileTitle = fitting + QString(m_rec.nMaxFileTitle - fitting.size(), Nul);
    }
    if (answer.filterIndex > 0)
        m_rec.nFilterIndex = answer.filterIndex;
    if (!m_rec.lpstrDefExt.isEmpty() && files.size() == 1 &&
        FileExtension().compare(m_rec.lpstrDefExt, Qt::CaseInsensitive) != 0)
        m_rec.Flags |= OFN_EXTENSIONDIFFERENT;
    return 0;
}

bool cOpenSaveDialog::show(QWidget* owner, bool save)
{
    prepare(owner, save);
    const Request r = request(save);
    const Answer answer = m_chooser ? m_chooser(r) : RunFileDialog(r);
    quint32 code = answer.code;
    if (code == 0 && !answer.files.isEmpty()) {
        code = store(answer, save);
        if (code == 0)
            return true;
    }
    if (code == FNERR_BUFFERTOOSMALL)
        m_minimumBufferSize = m_rec.lpstrFile.size() < 5 ? -1 : m_rec.lpstrFile.at(0).unicode();
    if (code != 0 || m_cancelError)
        throw ErrorFor(code, save);
    return false;
}

cOpenSaveDialog::Answer cOpenSaveDialog::RunFileDialog(const Request& request)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return Answer{CDERR_DIALOGFAILURE, {}, 0};

    // Qt's own dialog: the same on every desktop, and one a test can answer.
    QPointer<QFileDialog> dialog = new QFileDialog(request.owner);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (!request.title.isEmpty())
        dialog->setWindowTitle(request.title);
    else
        dialog->setWindowTitle(request.save ? QFileDialog::tr("Save As") : QFileDialog::tr("Open"));
    dialog->setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (request.multiSelect)
        dialog->setFileMode(QFileDialog::ExistingFiles);
    else if (request.fileMustExist)
        dialog->setFileMode(QFileDialog::ExistingFile);
    else
        dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (request.showHidden)
        dialog->setFilter(dialog->filter() | QDir::Hidden);
    if (!request.nameFilters.isEmpty()) {
        dialog->setNameFilters(request.nameFilters);
        if (request.selectedFilter >= 0 && request.selectedFilter < request.nameFilters.size())
            dialog->selectNameFilter(request.nameFilters.at(request.selectedFilter));
    }
    if (!request.directory.isEmpty())
        dialog->setDirectory(request.directory);
    if (!request.fileName.isEmpty())
        dialog->selectFile(request.fileName);
    if (!request.defaultSuffix.isEmpty())
        dialog->setDefaultSuffix(request.defaultSuffix);

    const int result = dialog->exec();
    // The owner may have been closed (and the dialog with it) while the dialog was up.
    if (!dialog)
        return Answer{};
    Answer answer;
    if (result == QDialog::Accepted) {
        answer.files = dialog->selectedFiles();
        answer.filterIndex = int(request.nameFilters.indexOf(dialog->selectedNameFilter())) + 1;
    }
    delete dialog;
    return answer;
}
