#include "platform/InstanceMessages.h"

namespace vantrel::platform {

// A second start posts to the instance's windows; no endpoint files are ever
// made, so none can be left behind.
void RemoveStaleEndpointFiles() {}

}  // namespace vantrel::platform
