#include "core/Declarations.h"

// The tables are constant expressions in the header; this unit anchors the
// later non-constexpr ones (captions, templates, popup records).
