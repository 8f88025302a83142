// What both platforms' cache files share: the words for a failed write.
#include "window/download/CacheFiles.h"

#include <cerrno>

namespace vantrel::cache {

TWriteFailure ClassifyWriteFailure(int error) {
    switch (error) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG:
            return TWriteFailure::DiskFull;
        case EROFS:
        case EACCES:
        case EPERM:
            return TWriteFailure::ReadOnly;
        default:
            return TWriteFailure::Other;
    }
}

}  // namespace vantrel::cache
