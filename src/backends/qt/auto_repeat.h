// Held keys on the X server: repeats as presses only.
#pragma once

namespace qbx {

// Asks the X server to report a held key's repeats as presses alone, with no release in
// between: the release and press of a repeat, paired by the toolkit only when both are already
// queued, can come apart on a busy machine and look like the key let go. Does nothing on other
// window systems; returns whether the server agreed.
bool AskForDetectableAutoRepeat();

}  // namespace qbx
