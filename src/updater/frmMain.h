// The updater's window: shows the announced version and release notes, downloads the new
// program, puts it in place and starts Verbalto again with "UP" when it closes.
#pragma once

#include <QLocale>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <optional>

class Downloader;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class frmMain final : public QWidget
{
    Q_OBJECT

  public:
    // Where the updater works and how it reaches the outside world; tests replace parts.
    struct Setup
    {
        QString programFolder;
        QString mainExeName; // Verbalto's file name in programFolder
        QUrl updateListUrl;
        QUrl productPageUrl;
        int listTimeoutMs = 30000;
        int downloadTimeoutMs = 30000;
        int replaceWaitMs = 3000;
        int closeWaitMs = 1000;
        QLocale locale = QLocale::system();
        std::function<void(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                           const QString& text)>
            showMessage;
        std::function<void(const QUrl&)> openUrl;
        std::function<bool(const QString& program, const QStringList& arguments,
                           const QString& workingDirectory)>
            startProgram;
    };

    // The setup of a real run: this program's folder, the argument text as MainExeName.
    static Setup DefaultSetup(const QStringList& arguments);

    explicit frmMain(Setup setup, QWidget* parent = nullptr);
    ~frmMain() override;

    // Fetches the list and fills the notes box; blocks (repainting) until the list is in.
    void Form_Load();
    void DownaFile(const QString& vCaption, const QString& vURL, const QString& vFileName);

    bool UpdateFailed() const { return m_updateFailed; }
    const QString& MainExeName() const { return m_setup.mainExeName; }
    // Verbalto's executable, or "" when MainExeName names no file in the program folder.
    QString TargetPath() const;

    QPlainTextEdit* Text1 = nullptr;
    QLabel* lblCount = nullptr;
    QProgressBar* hProgress = nullptr;
    QPushButton* cmdDown = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdExit = nullptr;
    Downloader* Downer1 = nullptr;

  public slots:
    void cmdDown_Click();
    void cmdCancel_Click();
    void cmdExit_Click();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void StartDownload(const QString& vCaption, const QString& vURL, const QString& vFile);
    void Downer1_DownProgress(qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
    void Downer1_DownError(const QString& SaveFile);
    void Downer1_DownComplete(qint64 MaxBytes, const QString& SaveFile);
    void Downer1_DownAllComplete(const QStringList& FileNotDown);
    void Downer1_BeginDownError(int number, const QString& description, const QString& SaveFile);
    void setReady(bool ready);
    void showFailure(const QString& text);
    void pause(int ms);

    Setup m_setup;
    QString m_downURL;
    QString m_savePath;
    std::optional<QString> m_sha256;
    bool m_updateFailed = false;
    bool m_replacing = false;
    bool m_closed = false;
};
