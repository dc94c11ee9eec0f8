// Zip archives for the update tests, written directly with the project's one zip writer:
// entries keep exactly the names given (unsafe ones included), and no shell or archiver is
// needed on any platform.
#pragma once

#include "songsvc/stored_zip.h"

namespace orvik::test {

using songsvc::StoredZip;

}  // namespace orvik::test
