// Verbalto on the session bus: the org.freedesktop.Application object that launchers, docks and
// a later start of Verbalto call, and the calls a later start makes.
#pragma once

#include "SingleInstance.h"

#include <QDBusContext>
#include <QDBusError>
#include <QObject>
#include <QVariantMap>

#include <optional>

class QDBusMessage;

class BusApplication final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
  public:
    static constexpr const char* kName = "org.verbalto.Verbalto";
    static constexpr const char* kPath = "/org/verbalto/Verbalto";

    // The request an action stands for ("translate-selection", "translate-clipboard", "show", no
    // parameter; "translate", one string that fits a socket request too), with the caller's
    // activation token; nothing for an unknown action or wrong parameters.
    static std::optional<SingleInstance::Command>
    Action(const QString& name, const QVariantList& parameters, const QVariantMap& platformData);
    // "activation-token", else "desktop-startup-id", when it is one word of printable ASCII.
    static QString Token(const QVariantMap& platformData);
    // The call a later start makes for its request (Quiet makes none: an invalid message).
    static QDBusMessage CallFor(SingleInstance::Request request, const QString& text,
                                const QByteArray& activationToken, const QByteArray& startupId);

    explicit BusApplication(QObject* parent = nullptr) : QObject(parent) {}

  public slots:
    Q_SCRIPTABLE void Activate(const QVariantMap& platformData);
    Q_SCRIPTABLE void Open(const QStringList& uris, const QVariantMap& platformData);
    Q_SCRIPTABLE void ActivateAction(const QString& name, const QVariantList& parameters,
                                     const QVariantMap& platformData);

  signals:
    void showRequested(const QString& activationToken);
    void translateRequested(SingleInstance::Request source, const QString& text,
                            const QString& activationToken);

  private:
    void Refuse(QDBusError::ErrorType type, const QString& why);
};
