#include "SpeechButton.h"

#include "ServiceConfig.h"
#include "SpeechPage.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFile>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QStyle>
#include <QUrl>

SpeechButton::SpeechButton(QWidget* parent) : QToolButton(parent)
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    setIconSize(QSize(14, 14));
    setCursor(Qt::PointingHandCursor);
    connect(this, &QToolButton::clicked, this, &SpeechButton::speak);
}

void SpeechButton::navigate(const QString& path)
{
    m_path = path;
}

QUrl SpeechButton::lastRequest() const
{
    return QUrl(m_lastRequest);
}

void SpeechButton::speak()
{
    QFile page(m_path);
    if (!page.open(QIODevice::ReadOnly))
        return;
    const auto sound = SpeechPage::ParsePage(page.read(64 * 1024));
    if (!sound)
        return;
    const QUrl url = SpeechPage::SoundUrl(ServiceConfig::TranslateBaseUrl(), *sound);
    m_lastRequest = url.toString(QUrl::FullyEncoded);
    emit played(url);
    if (qEnvironmentVariableIsSet("VERBALTO_NO_AUDIO") || QMediaDevices::audioOutputs().isEmpty())
        return;
    if (!m_player) {
        m_player = new QMediaPlayer(this);
        m_output = new QAudioOutput(this);
        m_player->setAudioOutput(m_output);
    }
    m_player->stop();
    m_player->setSource(url);
    m_player->play();
}
