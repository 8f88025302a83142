// Fetches a signature file (a few hundred bytes) into memory through a
// download component of its own on the window's event loop, so the window
// never waits on the network for it: it follows redirects and checks
// certificates exactly as the package's transfer does, and is bounded in
// size and in total time, whatever pace the server keeps.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

#include "window/controller/MainServices.h"

namespace vantrel {

class TIEDownload;
class TQtIEDownload;

class TSignatureFetch : public QObject {
public:
    explicit TSignatureFetch(QObject* parent = nullptr);
    ~TSignatureFetch() override;

    // The whole fetch, however slowly the server sends.
    static constexpr int kDeadlineMs = 30000;
    // Tests shorten it.
    void SetDeadlineMs(int deadlineMs) { FDeadline.setInterval(deadlineMs); }

    using TDone = std::function<void(const TSignatureFetchResult&)>;
    // `done` runs once, from the event loop, unless Cancel comes first.
    void Start(const std::string& url, TDone done);
    // Abandons the fetch: `done` is not called.
    void Cancel();
    bool Running() const { return static_cast<bool>(FDone); }

private:
    void Connect(TIEDownload& download);
    void Finish(const TSignatureFetchResult& result);

    // One component per fetch: the events of an abandoned fetch, which may
    // still come while it ends, can never be taken for the next one's.
    TQtIEDownload* FDownload = nullptr;
    QTimer FDeadline;
    TDone FDone;
    std::size_t FReceived = 0;
    bool FTooLong = false;
    bool FTimedOut = false;
};

}  // namespace vantrel
