#include "Downloader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>

namespace {

constexpr int kDefaultTransferTimeoutMs = 30000;
// The number reported for a URL that cannot be read ("invalid procedure call or argument").
constexpr int kInvalidUrl = 5;

bool writeWhole(const QString& path, const QByteArray& data)
{
    // Written beside the target and renamed over it: a failed write leaves no half file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() alone can report success on a full disk while the write is still buffered.
    if (file.write(data) != data.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

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
    m_reads.append({saveFile, reply});

    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, saveFile](qint64 received, qint64 total) {
                AsyncReadProgress(saveFile, received, total < 0 ? 0 : total, kReceiving);
            });
    connect(reply, &QNetworkReply::finished, this, [this, saveFile, reply] {
        m_reads.removeIf([reply](const auto& read) { return read.second == reply; });
        reply->deleteLater();
        const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // An error page is not the file: only a complete 2xx reply counts as all data.
        if (reply->error() != QNetworkReply::NoError || http < 200 || http > 299)
            AsyncReadComplete(saveFile, kEndedWithError, {});
        else
            AsyncReadComplete(saveFile, kAllDataReceived, reply->readAll());
    });

    m_fileList.append(saveFile);
    m_fileState.append(kStarted);
}

void Downloader::cancelRead(const QString& key)
{
    for (qsizetype i = 0; i < m_reads.size(); ++i) {
        if (m_reads[i].first != key)
            continue;
        QNetworkReply* reply = m_reads.takeAt(i).second;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
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
        if (writeWhole(key, data)) {
            emit DownComplete(data.size(), key);
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
