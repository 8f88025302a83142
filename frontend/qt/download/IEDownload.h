// The download component on the Qt front end: the core's TIEDownload (see
// window/download/IEDownload.h) on the curl binding and QTimer, owned like
// any QObject, with the system's user agent and the user's locale.
#pragma once

#include <QLocale>
#include <QObject>

#include <string>

#include "frontend/qt/platform/Timers.h"
#include "frontend/qt/platform/UrlBinding.h"
#include "window/download/IEDownload.h"

namespace vantrel {

// The front end's services, a base of their own so that they are built
// before the component and outlive its requests.
struct TQtDownloadServices {
    platform::TQtUrlBinder QtBinder;
    TQtTimers QtTimers;
};

class TQtIEDownload : public QObject, private TQtDownloadServices, public TIEDownload {
public:
    explicit TQtIEDownload(QObject* parent = nullptr);
};

// The locale parts of the progress texts, as Qt knows them.
TTransferLocale QtTransferLocale(const QLocale& locale = QLocale::system());

// The system's configured user-agent text, empty when there is none.
std::string SystemUserAgent();

}  // namespace vantrel
