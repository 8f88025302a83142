// Saves the update state over and over, as fast as it can, until it is
// killed: the subject of the kill trials. Each save is one step on from
// the state loaded at start, with every field derived from one counter, so
// that a store holding a mix of two saves is recognised. "ready" is
// printed once the state has been loaded.
#include <cstdio>

#include "core/UpdateState.h"
#include "core/UpdateStateStore.h"
#include "core/iProcs.h"

int main() {
    vantrel::LoadUpdateState();
    std::uint32_t step = vantrel::UpdateState.DownloadingVersion;
    std::printf("ready %u\n", step);
    std::fflush(stdout);
    while (true) {
        ++step;
        vantrel::UpdateState.Status = static_cast<std::uint8_t>(step % 3);
        vantrel::UpdateState.DownloadingVersion = step;
        vantrel::UpdateState.Mode = static_cast<std::uint8_t>(1 + step % 3);
        vantrel::UpdateState.NextScheduledUpdate = step;
        vantrel::SaveUpdateState(false);
    }
}
