// The updater's download control: reads URLs in the background, writes each to a file beside
// its target as the data arrives (through a small read buffer), renames the finished file over
// the target, and reports progress (about ten times a second), failure, completion of each file
// and of the whole batch. A download is known by its target path.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;

class Downloader final : public QObject
{
    Q_OBJECT

  public:
    // Read states kept per download; other values are intermediate stages of a read.
    static constexpr quint8 kEndedWithError = 0;
    static constexpr quint8 kAllDataReceived = 6;
    static constexpr quint8 kStarted = 255;
    // Status reported with progress while data flows.
    static constexpr int kReceiving = 5;

    explicit Downloader(QObject* parent = nullptr);
    ~Downloader() override;

    // Starts reading url into a file beside saveFile, under the key saveFile. Options:
    // "TransferTimeout" (ms without data before the read fails). A url that cannot be read (empty,
    // relative, not http or https) starts nothing and raises BeginDownError instead.
    void BeginDown(const QString& url, const QString& saveFile,
                   const QVariantMap& asyncReadOptions = {});
    // Cancels every read, forgets them all and raises nothing.
    bool CancelAllDown();

    // Index 0 is an empty placeholder; downloads start at 1.
    const QStringList& FileList() const { return m_fileList; }
    const QList<quint8>& FileState() const { return m_fileState; }

    // The read service's notifications. Network reads call them; tests may call them directly.
    // On completion, data is what has not yet been written of the read (empty for a network
    // read, which writes as it goes).
    void AsyncReadProgress(const QString& key, qint64 curBytes, qint64 maxBytes, int status);
    void AsyncReadComplete(const QString& key, int status, const QByteArray& data);

  signals:
    void DownProgress(qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
    void DownError(const QString& SaveFile);
    void DownComplete(qint64 MaxBytes, const QString& SaveFile);
    // Index 0 is empty; the paths that ended with an error follow.
    void DownAllComplete(const QStringList& FileNotDown);
    // The read could not be started; nothing was added.
    void BeginDownError(int number, const QString& description, const QString& SaveFile);

  private:
    struct Read;

    void CheckAllDone();
    void cancelRead(const QString& key);
    void reset();
    Read* findRead(const QString& key);
    bool writeArrived(Read& read);
    void finishRead(QNetworkReply* reply);
    bool commit(const QString& key, const QByteArray& data, qint64& size);

    QNetworkAccessManager* m_network;
    QStringList m_fileList;
    QList<quint8> m_fileState;
    std::vector<std::unique_ptr<Read>> m_reads;
};
