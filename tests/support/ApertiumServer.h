// A real Apertium APY server on a free loopback port, with the pairs Debian installed.
#pragma once

#include <QProcess>
#include <QString>

class ApertiumServer final
{
  public:
    // Starts it and waits until /listPairs answers; started() tells whether it did.
    ApertiumServer();
    ~ApertiumServer();
    ApertiumServer(const ApertiumServer&) = delete;
    ApertiumServer& operator=(const ApertiumServer&) = delete;

    bool started() const { return m_started; }
    QString baseUrl() const;
    // Stops it by its process id and waits until it is gone.
    void stop();

  private:
    QProcess m_process;
    quint16 m_port = 0;
    bool m_started = false;
};
