// The main window's end of the instance endpoint: turns messages posted by
// later starts of the program into a Qt signal on the GUI thread.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "platform/InstanceMessages.h"

namespace vantrel {

class TInstanceMessageNotifier : public QObject {
    Q_OBJECT

public:
    // Opens this process's endpoint; throws std::runtime_error when it
    // cannot (the window then simply cannot be woken by a second start).
    explicit TInstanceMessageNotifier(QObject* parent = nullptr);
    // Listens at `endpoint` instead (tests).
    TInstanceMessageNotifier(const std::filesystem::path& endpoint, QObject* parent);
    ~TInstanceMessageNotifier() override;

    const std::filesystem::path& Endpoint() const { return FListener->Endpoint(); }

signals:
    // One per message, in arrival order; WM_SHOWMAINWINDOW (1025) is the
    // one a second start posts.
    void MessageReceived(quint32 message, qint64 wParam, qint64 lParam);

private:
    void Start();
    void ReadMessages();

    std::unique_ptr<platform::TInstanceMessageListener> FListener;
    QSocketNotifier* FNotifier = nullptr;
};

}  // namespace vantrel
