#include "BusApplication.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {
using Request = SingleInstance::Request;
constexpr std::pair<Request, const char*> kActions[] = {
    {Request::Show, "show"},
    {Request::TranslateSelection, "translate-selection"},
    {Request::TranslateClipboard, "translate-clipboard"},
    {Request::TranslateText, "translate"},
};

QString Text(const QVariant& value)
{
    const QVariant inner = value.metaType() == QMetaType::fromType<QDBusVariant>()
                               ? value.value<QDBusVariant>().variant()
                               : value;
    return inner.metaType() == QMetaType::fromType<QString>() ? inner.toString() : QString();
}
} // namespace

std::optional<SingleInstance::Command> BusApplication::Action(const QString& name,
                                                              const QVariantList& parameters,
                                                              const QVariantMap& platformData)
{
    for (const auto& [request, action] : kActions) {
        if (name != QLatin1String(action))
            continue;
        SingleInstance::Command command{request, {}, Token(platformData)};
        if (request != Request::TranslateText)
            return parameters.isEmpty() ? std::optional(command) : std::nullopt;
        if (parameters.size() != 1)
            return std::nullopt;
        command.text = Text(parameters.first());
        if (command.text.isEmpty() || !SingleInstance::Fits(command.text))
            return std::nullopt;
        return command;
    }
    return std::nullopt;
}

QString BusApplication::Token(const QVariantMap& platformData)
{
    for (const char* key : {"activation-token", "desktop-startup-id"}) {
        const QString token = Text(platformData.value(QLatin1String(key)));
        if (SingleInstance::UsableToken(token.toUtf8()))
            return token;
    }
    return {};
}

QDBusMessage BusApplication::CallFor(Request request, const QString& text,
                                     const QByteArray& activationToken, const QByteArray& startupId)
{
    QVariantMap platformData;
    if (SingleInstance::UsableToken(activationToken))
        platformData.insert(QStringLiteral("activation-token"),
                            QString::fromLatin1(activationToken));
    if (SingleInstance::UsableToken(startupId))
        platformData.insert(QStringLiteral("desktop-startup-id"), QString::fromLatin1(startupId));
    const auto call = [](const char* method) {
        return QDBusMessage::createMethodCall(QLatin1String(kName), QLatin1String(kPath),
                                              QStringLiteral("org.freedesktop.Application"),
                                              QLatin1String(method));
    };
    if (request == Request::Quiet)
        return {};
    if (request == Request::Show)
        return call("Activate") << platformData;
    QVariantList parameters;
    if (request == Request::TranslateText)
        parameters << text;
    for (const auto& [r, action] : kActions) {
        if (r == request)
            return call("ActivateAction")
                   << QString::fromLatin1(action) << parameters << platformData;
    }
    return {};
}

void BusApplication::Refuse(QDBusError::ErrorType type, const QString& why)
{
    // The caller learns why; nothing else happens.
    if (calledFromDBus())
        sendErrorReply(type, why);
}

void BusApplication::Activate(const QVariantMap& platformData)
{
    emit showRequested(Token(platformData));
}

void BusApplication::Open(const QStringList& uris, const QVariantMap& platformData)
{
    // Files are not opened from the bus: the desktop entry names no file types, so no launcher
    // sends any, and a file another program names here is not the user's choice to have sent to
    // a translation service. Without files this is Activate.
    if (!uris.isEmpty()) {
        Refuse(QDBusError::NotSupported, QStringLiteral("Verbalto opens no files"));
        return;
    }
    Activate(platformData);
}

void BusApplication::ActivateAction(const QString& name, const QVariantList& parameters,
                                    const QVariantMap& platformData)
{
    const std::optional<SingleInstance::Command> command = Action(name, parameters, platformData);
    if (!command) {
        Refuse(QDBusError::InvalidArgs, QStringLiteral("no such action or parameters"));
        return;
    }
    if (command->request == Request::Show)
        emit showRequested(command->token);
    else
        emit translateRequested(command->request, command->text, command->token);
}
