// The update check the main window runs once from its 1000 ms timer (Timer2): fetch the list,
// compare versions, ask, then hand over to the embedded updater or open the product page.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QTimer;
class QWidget;

class UpdateCheck final : public QObject
{
    Q_OBJECT

  public:
    // The outside world the check acts on; tests replace parts of it.
    struct Hooks
    {
        // Yes/No question with the information icon; true for Yes.
        std::function<bool(QWidget* parent, const QString& title, const QString& text)> askYesNo;
        std::function<void(const QUrl&)> openUrl;
        std::function<bool(const QString& program, const QStringList& arguments,
                           const QString& workingDirectory)>
            startProgram;
    };

    // languageIndex gives the current interface language ("1", "2" or "3"); requestExit sets
    // ExitRequested and closes the main window.
    UpdateCheck(QWidget* window, std::function<QString()> languageIndex,
                std::function<void()> requestExit, QObject* parent = nullptr);

    static Hooks DefaultHooks();
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // The running executable; its folder is the program folder. Defaults to this program.
    void setProgramPath(const QString& path) { m_programPath = path; }
    void setRequestTimeoutMs(int ms) { m_timeoutMs = ms; }

    QString programFolder() const;

    // Whether the check has run (it runs once per program run).
    bool done() const { return m_done; }

  public slots:
    // Connected to Timer2's timeout; stops timer2 first when given.
    void Timer2_Timer(QTimer* timer2 = nullptr);

  signals:
    // The user said Yes but the updater could not be written or started; Verbalto stays.
    void updaterFailed();

  private:
    void run();
    QString text(int n) const;

    QPointer<QWidget> m_window;
    std::function<QString()> m_languageIndex;
    std::function<void()> m_requestExit;
    Hooks m_hooks;
    QString m_programPath;
    QString m_currentVersion;
    int m_timeoutMs;
    bool m_done = false;
    bool m_pending = false;
};
