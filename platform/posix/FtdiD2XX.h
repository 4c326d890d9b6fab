// The D2XX-shaped library over libftdi1, which is loaded by name at start: a machine without it
// runs on, only without USB DMX.
#pragma once

namespace platform::posix {

// Sets platform::LoadD2XXLibrary to load libftdi1 ("libftdi1.so.2") with dlopen.
void InstallFtdiD2XX();

} // namespace platform::posix
