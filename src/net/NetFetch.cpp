#include "NetFetch.h"

#include <QMetaObject>
#include <QTimer>

NetFetch::NetFetch(const NetBackend::FetchRequest& request, Done done, QObject* parent)
    : QObject(parent)
{
    // Gone or aborted, this fetch has cleared live before anything here could touch it.
    const auto once = [this, live = m_live, done = std::move(done)](const Answer& answer) {
        if (!*live)
            return;
        *live = false;
        done(this, answer);
    };
    const NetBackend::Table* network = NetBackend::Get();
    if (!network) {
        Answer answer;
        answer.error = NetBackend::Unavailable();
        QTimer::singleShot(0, this, [once, answer] { once(answer); });
        return;
    }
    m_reply = network->fetch(request, once);
}

NetFetch::~NetFetch()
{
    Abort();
}

void NetFetch::Abort()
{
    if (!*m_live)
        return;
    *m_live = false;
    if (m_reply)
        QMetaObject::invokeMethod(m_reply, "abort");
}
