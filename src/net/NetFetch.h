// A GET that runs while the program goes on (a page's pictures, the parts of a spoken text).
#pragma once

#include "NetBackend.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class NetFetch final : public QObject
{
  public:
    using Answer = NetBackend::FetchAnswer;
    // Starts at once; done runs once, later, with this fetch, unless it is aborted or deleted
    // first.
    using Done = std::function<void(NetFetch*, const Answer&)>;
    NetFetch(const NetBackend::FetchRequest& request, Done done, QObject* parent = nullptr);
    ~NetFetch() override;
    void Abort();

  private:
    QPointer<QObject> m_reply;
    std::shared_ptr<bool> m_live = std::make_shared<bool>(true);
};
