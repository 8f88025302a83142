#include "frontend/qt/app/InstanceMessageNotifier.h"

namespace vantrel {

TInstanceMessageNotifier::TInstanceMessageNotifier(QObject* parent)
    : QObject(parent), FListener(std::make_unique<platform::TInstanceMessageListener>()) {
    Start();
}

TInstanceMessageNotifier::TInstanceMessageNotifier(const std::filesystem::path& endpoint,
                                                   QObject* parent)
    : QObject(parent), FListener(std::make_unique<platform::TInstanceMessageListener>(endpoint)) {
    Start();
}

TInstanceMessageNotifier::~TInstanceMessageNotifier() = default;

void TInstanceMessageNotifier::Start() {
    FNotifier = new QSocketNotifier(FListener->Descriptor(), QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TInstanceMessageNotifier::ReadMessages);
}

void TInstanceMessageNotifier::ReadMessages() {
    for (const platform::TInstanceMessage& m : FListener->ReadPending())
        emit MessageReceived(m.Message, m.WParam, m.LParam);
}

}  // namespace vantrel
