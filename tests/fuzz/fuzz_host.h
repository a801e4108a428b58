// The loader's neighbours as the fuzz target sees them: just enough of the
// run-time, the platform, the registry and the binding for the image
// loader, with a guest region that is given back after every input.
#pragma once

namespace fuzzhost {
void ReleaseRegion();
}
