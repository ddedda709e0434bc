#include "SpeechButton.h"

#include "OnlineVoice.h"
#include "SpeechPage.h"
#include "StringTable.h"

#include <QFile>
#include <QMessageBox>
#include <QStyle>
#include <QUrl>

SpeechButton::SpeechButton(QWidget* parent) : QToolButton(parent), m_player(new SpeechPlayer(this))
{
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    setIconSize(QSize(14, 14));
    setCursor(Qt::PointingHandCursor);
    connect(this, &QToolButton::clicked, this, &SpeechButton::speak);
    connect(m_player, &SpeechPlayer::requested, this, [this](const QUrl& url) {
        if (m_lastRequest.isEmpty())
            m_lastRequest = url.toString(QUrl::FullyEncoded);
        emit played(url);
    });
    connect(m_player, &SpeechPlayer::failed, this, &SpeechButton::tell);
}

void SpeechButton::showEvent(QShowEvent* event)
{
    // The style looks the picture up in the icon theme, which takes a while: only once a
    // translation shows the button, not at start.
    if (icon().isNull())
        setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    QToolButton::showEvent(event);
}

QString SpeechButton::text(int n) const
{
    return StringTable::LoadResString(StringTable::TextId(m_languageIndex, n)).value_or(QString());
}

void SpeechButton::navigate(const QString& path)
{
    m_player->stop();
    m_path = path;
    m_code.clear();
    QFile page(m_path);
    if (page.open(QIODevice::ReadOnly)) {
        if (const auto sound = SpeechPage::ParsePage(page.read(64 * 1024)))
            m_code = sound->languageCode;
    }
    refresh();
}

void SpeechButton::setService(const ServiceSettings& service)
{
    SpeechPlayer::Choice choice = m_player->choice();
    choice.onlineRoot = OnlineVoice::Root(service);
    choice.preferLocal = service.localVoice;
    m_player->setChoice(choice);
    refresh();
}

void SpeechButton::setInterfaceLanguage(const QString& languageIndex)
{
    m_languageIndex = languageIndex;
    refresh();
}

QUrl SpeechButton::lastRequest() const
{
    return QUrl(m_lastRequest);
}

void SpeechButton::refresh()
{
    const SpeechPlayer::Problem problem =
        m_code.isEmpty() ? SpeechPlayer::Problem::None : m_player->check(m_code);
    setEnabled(problem != SpeechPlayer::Problem::NoVoice);
    switch (problem) {
    case SpeechPlayer::Problem::NoOutput:
        setToolTip(text(270));
        break;
    case SpeechPlayer::Problem::NoVoice:
        setToolTip(text(271));
        break;
    default:
        setToolTip(text(274));
        break;
    }
}

void SpeechButton::speak()
{
    if (m_player->speaking()) {
        m_player->stop();
        return;
    }
    QFile page(m_path);
    if (!page.open(QIODevice::ReadOnly))
        return;
    const auto sound = SpeechPage::ParsePage(page.read(64 * 1024));
    if (!sound)
        return;
    m_lastRequest.clear();
    const SpeechPlayer::Problem problem = m_player->speak(sound->text, sound->languageCode);
    if (problem != SpeechPlayer::Problem::None)
        tell(problem);
}

void SpeechButton::tell(SpeechPlayer::Problem problem)
{
    const int n = problem == SpeechPlayer::Problem::NoOutput  ? 270
                  : problem == SpeechPlayer::Problem::NoVoice ? 271
                                                              : 272;
    setToolTip(text(n));
    // Not modal: the window stays usable while the note is read.
    if (!m_note) {
        m_note = new QMessageBox(QMessageBox::Information, text(100), QString(), QMessageBox::Ok,
                                 window());
        m_note->setAttribute(Qt::WA_DeleteOnClose);
        m_note->setModal(false);
        m_note->setWindowModality(Qt::NonModal);
    }
    m_note->setText(text(n));
    m_note->show();
}
