// The file Open and Save As dialog object: properties in, chosen file out, numbered errors.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <exception>
#include <functional>

class cOpenSaveDialog final
{
  public:
    class Error;

    // Dialog flags the object itself acts on; the rest are stored and passed along.
    static constexpr qint32 OFN_OVERWRITEPROMPT = 0x2;
    static constexpr qint32 OFN_ALLOWMULTISELECT = 0x200;
    static constexpr qint32 OFN_EXTENSIONDIFFERENT = 0x400;
    static constexpr qint32 OFN_PATHMUSTEXIST = 0x800;
    static constexpr qint32 OFN_FILEMUSTEXIST = 0x1000;
    static constexpr qint32 OFN_FORCESHOWHIDDEN = 0x10000000;

    // Extended error codes the dialog reports; 0 is a cancel.
    static constexpr quint32 FNERR_INVALIDFILENAME = 0x3002;
    static constexpr quint32 FNERR_BUFFERTOOSMALL = 0x3003;
    static constexpr quint32 CDERR_DIALOGFAILURE = 0xFFFF;
    static constexpr qint32 CancelErrorNumber = qint32(0x80040000);

    // The dialog description. Strings stand for the buffers the dialog fills in; text
    // buffers are NUL characters up to their size.
    struct Record
    {
        qint32 lStructSize = 0;
        QPointer<QWidget> hwndOwner;
        QString lpstrFilter; // "|" stored as NUL, plus one final NUL; empty: no filter
        QString lpstrCustomFilter;
        qint32 nMaxCustFilter = 0;
        qint32 nFilterIndex = 0;
        QString lpstrFile;
        qint32 nMaxFile = 0;
        QString lpstrFileTitle;
        qint32 nMaxFileTitle = 0;
        QString lpstrInitialDir;
        QString lpstrTitle;
        qint32 Flags = 0;
        qint32 nFileOffset = 0;    // where the file name starts in lpstrFile; 0: none
        qint32 nFileExtension = 0; // where its extension starts; 0: none
        QString lpstrDefExt;
        qint32 lCustData = 0;
        qint32 lpfnHook = 0;
        qint32 FlagsEx = 0;
    };

    // What a chooser is asked to show, in the terms of a Qt file dialog.
    struct Request
    {
        bool save = false;
        QWidget* owner = nullptr;
        QString title;
        QString directory;
        QString fileName;
        QStringList nameFilters; // "Description (*.a *.b)"
        int selectedFilter = -1; // index into nameFilters
        QString defaultSuffix;
        bool multiSelect = false;
        bool fileMustExist = false;
        bool confirmOverwrite = false;
        bool showHidden = false;
        qint32 flags = 0; // the record's flags for this show
    };

    // What the user did: files chosen (absolute paths), or none with code 0 for a cancel,
    // or a nonzero extended error code.
    struct Answer
    {
        quint32 code = 0;
        QStringList files;
        int filterIndex = 0; // 1-based; 0 leaves the record's index
    };

    using Chooser = std::function<Answer(const Request&)>;

    // An empty chooser shows the real dialog (RunFileDialog).
    explicit cOpenSaveDialog(Chooser chooser = {});

    bool ShowOpen(QWidget* ownerHwnd);
    bool ShowSave(QWidget* ownerHwnd);
    void Clear();

    bool CancelError() const { return m_cancelError; }
    void setCancelError(bool cErr) { m_cancelError = cErr; }
    QString FileName() const;
    void setFileName(const QString& fTitle);
    QString FileTitle() const;
    void setFileTitle(const QString& fTitle);
    QString InitDir() const { return m_rec.lpstrInitialDir; }
    void setInitDir(const QString& fPath);
    QString FilePath() const;
    void setFilePath(const QString& fPath) { setInitDir(fPath); }
    QString FileExtension() const;
    QString DialogTitle() const { return m_rec.lpstrTitle; }
    void setDialogTitle(const QString& dTitle) { m_rec.lpstrTitle = dTitle; }
    QString Filter() const;
    void setFilter(const QString& fFilter);
    qint32 Flags() const { return m_storedFlags; }
    void setFlags(qint32 dFlags);
    qint32 FlagsEx() const { return m_rec.FlagsEx; }
    void setFlagsEx(qint32 dFlags) { m_rec.FlagsEx = dFlags; }
    qint32 MaxFileSize() const { return m_rec.nMaxFile > 0 ? m_rec.nMaxFile : DefaultMaxFile; }
    void setMaxFileSize(qint32 nSize);
    qint32 MaxFileTitleSize() const
    {
        return m_rec.nMaxFileTitle > 0 ? m_rec.nMaxFileTitle : DefaultMaxFileTitle;
    }
    void setMaxFileTitleSize(qint32 nSize);
    qint32 FilterIndex() const { return m_rec.nFilterIndex; }
    void setFilterIndex(qint32 nIndex) { m_rec.nFilterIndex = nIndex < 0 ? 0 : nIndex; }
    QString DefaultExt() const { return m_rec.lpstrDefExt; }
    void setDefaultExt(const QString& fExt) { m_rec.lpstrDefExt = fExt; }
    qint32 CustomHookData() const { return m_rec.lCustData; }
    void setCustomHookData(qint32 nPointer) { m_rec.lCustData = nPointer; }
    qint32 CustomHookProc() const { return m_rec.lpfnHook; }
    void setCustomHookProc(qint32 nProc) { m_rec.lpfnHook = nProc; }
    qint32 CustomFilterSize() const { return m_rec.nMaxCustFilter; }
    void setCustomFilterSize(qint32 nSize);
    qint32 MinimumBufferSizeRequired() const { return m_minimumBufferSize; }

    const Record& record() const { return m_rec; }

    // Shows a Qt file dialog for the request and waits for the user.
    static Answer RunFileDialog(const Request& request);
    // The error raised for an extended error code (0: the cancel error).
    static Error ErrorFor(quint32 code, bool save);
    // The Qt form of one description and pattern pair ("Text (*.TXT;*.ini)", "*.TXT;*.ini").
    static QString QtNameFilter(const QString& description, const QString& patterns);

  private:
    static constexpr qint32 DefaultMaxFile = 520;
    static constexpr qint32 DefaultMaxFileTitle = 260;

    bool show(QWidget* owner, bool save);
    void prepare(QWidget* owner, bool save);
    Request request(bool save) const;
    quint32 store(const Answer& answer, bool save);

    Record m_rec;
    qint32 m_storedFlags = 0;
    bool m_cancelError = false;
    qint32 m_minimumBufferSize = 0;
    Chooser m_chooser;
};

class cOpenSaveDialog::Error final : public std::exception
{
  public:
    Error(qint32 number, const QString& source, const QString& description);

    qint32 Number() const { return m_number; }
    QString Source() const { return m_source; }
    QString Description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

  private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QByteArray m_what;
};
