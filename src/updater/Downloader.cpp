#include "Downloader.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace {

constexpr int kDefaultTransferTimeoutMs = 30000;
// The number reported for a URL that cannot be read ("invalid procedure call or argument").
constexpr int kInvalidUrl = 5;
// What the network may hold for a read before it is written out: memory stays small whatever
// the size of the download.
constexpr qint64 kReadBufferBytes = 256 * 1024;
constexpr qint64 kProgressIntervalMs = 100;

} // namespace

// A running read. Its file is written beside the target and renamed over it when complete, so
// a failed or cancelled read leaves no half file.
struct Downloader::Read
{
    QString key;
    QNetworkReply* reply = nullptr; // null once the network is done with it
    std::unique_ptr<QSaveFile> file;
    qint64 written = 0;
    bool failed = false;
    QElapsedTimer sinceProgress;
};

Downloader::Downloader(QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    reset();
}

Downloader::~Downloader()
{
    if (m_fileList.size() > 1)
        CancelAllDown();
}

void Downloader::reset()
{
    m_fileList = QStringList{QString()};
    m_fileState = QList<quint8>{0};
}

void Downloader::BeginDown(const QString& url, const QString& saveFile,
                           const QVariantMap& asyncReadOptions)
{
    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (!address.isValid() || address.isRelative() || address.host().isEmpty() ||
        (scheme != u"http" && scheme != u"https") || saveFile.isEmpty()) {
        emit BeginDownError(kInvalidUrl, tr("Cannot download \"%1\"").arg(url), saveFile);
        return;
    }

    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(
        asyncReadOptions.value(QStringLiteral("TransferTimeout"), kDefaultTransferTimeoutMs)
            .toInt());
    QNetworkReply* reply = m_network->get(request);
    reply->setReadBufferSize(kReadBufferBytes);
    auto owned = std::make_unique<Read>();
    Read* read = owned.get();
    read->key = saveFile;
    read->reply = reply;
    m_reads.push_back(std::move(owned));

    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, read](qint64 received, qint64 total) {
                // About ten reports a second; the last one always goes out.
                if (received != total && read->sinceProgress.isValid() &&
                    read->sinceProgress.elapsed() < kProgressIntervalMs)
                    return;
                read->sinceProgress.start();
                AsyncReadProgress(read->key, received, total < 0 ? 0 : total, kReceiving);
            });
    connect(reply, &QNetworkReply::readyRead, this, [this, read] {
        if (!writeArrived(*read)) {
            read->failed = true;
            read->reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishRead(reply); });

    m_fileList.append(saveFile);
    m_fileState.append(kStarted);
}

Downloader::Read* Downloader::findRead(const QString& key)
{
    for (const auto& read : m_reads) {
        if (read->key == key)
            return read.get();
    }
    return nullptr;
}

bool Downloader::writeArrived(Read& read)
{
    if (read.failed)
        return false;
    if (!read.file) {
        read.file = std::make_unique<QSaveFile>(read.key);
        if (!read.file->open(QIODevice::WriteOnly))
            return false;
    }
    while (read.reply->bytesAvailable() > 0) {
        const QByteArray chunk = read.reply->read(kReadBufferBytes);
        if (read.file->write(chunk) != chunk.size())
            return false;
        read.written += chunk.size();
    }
    return true;
}

void Downloader::finishRead(QNetworkReply* reply)
{
    Read* read = nullptr;
    for (const auto& r : m_reads) {
        if (r->reply == reply)
            read = r.get();
    }
    if (!read)
        return;
    const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An error page is not the file: only a complete 2xx reply counts as all data.
    const bool good = reply->error() == QNetworkReply::NoError && http >= 200 && http <= 299 &&
                      writeArrived(*read);
    read->reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();
    // A copy: completing the read ends it.
    const QString key = read->key;
    AsyncReadComplete(key, good ? kAllDataReceived : kEndedWithError, {});
}

void Downloader::cancelRead(const QString& key)
{
    for (auto it = m_reads.begin(); it != m_reads.end(); ++it) {
        if ((*it)->key != key)
            continue;
        if (QNetworkReply* reply = (*it)->reply) {
            reply->disconnect(this);
            reply->abort();
            reply->deleteLater();
        }
        // The file beside the target goes with it, unwritten.
        m_reads.erase(it);
        return;
    }
}

bool Downloader::CancelAllDown()
{
    for (qsizetype i = 1; i < m_fileList.size(); ++i)
        cancelRead(m_fileList[i]);
    reset();
    return true;
}

void Downloader::AsyncReadProgress(const QString& key, qint64 curBytes, qint64 maxBytes, int status)
{
    // The host divides by the total.
    if (maxBytes != 0)
        emit DownProgress(curBytes, maxBytes, key);
    if (status == kEndedWithError) {
        cancelRead(key);
        // A cancelled read reports nothing more itself, so its failure is reported here.
        QMetaObject::invokeMethod(
            this, [this, key] { AsyncReadComplete(key, kEndedWithError, {}); },
            Qt::QueuedConnection);
    }
}

void Downloader::AsyncReadComplete(const QString& key, int status, const QByteArray& data)
{
    quint8 state = static_cast<quint8>(status);
    if (status == kEndedWithError) {
        cancelRead(key);
        emit DownError(key);
    } else if (status == kAllDataReceived) {
        qint64 size = 0;
        if (commit(key, data, size)) {
            emit DownComplete(size, key);
        } else {
            // Reporting completion for a file that was not written would let the host act on
            // a file that is not there.
            state = kEndedWithError;
            emit DownError(key);
        }
    }
    const qsizetype i = m_fileList.indexOf(key, 1);
    if (i > 0)
        m_fileState[i] = state;
    CheckAllDone();
}

bool Downloader::commit(const QString& key, const QByteArray& data, qint64& size)
{
    Read* read = findRead(key);
    std::unique_ptr<QSaveFile> file;
    if (read && !read->failed && read->file) {
        file = std::move(read->file);
        size = read->written;
    }
    // A completion reported by hand ends the network read too.
    cancelRead(key);
    if (!file) {
        file = std::make_unique<QSaveFile>(key);
        if (!file->open(QIODevice::WriteOnly))
            return false;
    }
    // A full disk may show only at flush: commit alone can report a buffered write as done.
    if (file->write(data) != data.size() || !file->flush() || !file->commit())
        return false;
    size += data.size();
    return true;
}

void Downloader::CheckAllDone()
{
    QStringList notDown{QString()};
    for (qsizetype i = 1; i < m_fileState.size(); ++i) {
        if (m_fileState[i] == kEndedWithError)
            notDown.append(m_fileList[i]);
        else if (m_fileState[i] != kAllDataReceived)
            return;
    }
    CancelAllDown();
    emit DownAllComplete(notDown);
}
