// SIGTERM and SIGHUP (a session ending, `kill`) as a Qt signal on the GUI
// thread, so that the program ends through the same close as "Quit": a
// running transfer is cancelled and reports its end, and start-up then saves
// the state with the download resumable.
#pragma once

#include <QObject>
#include <QSocketNotifier>

namespace vantrel {

class TTerminationSignalNotifier : public QObject {
    Q_OBJECT

public:
    // Installs the handlers; throws std::runtime_error when the pipe they
    // write to cannot be made. One notifier at a time: the handlers are
    // process-wide.
    explicit TTerminationSignalNotifier(QObject* parent = nullptr);
    // Puts the handlers found at creation back.
    ~TTerminationSignalNotifier() override;

signals:
    // Once per signal received, in arrival order.
    void Terminated(int signalNumber);

private:
    void ReadSignals();

    QSocketNotifier* FNotifier = nullptr;
};

}  // namespace vantrel
