#pragma once

namespace midi {

// A key going down or up, stamped on the beat clock (core::Clock seconds) with the moment it was
// played, not the moment the main thread got to it.
struct NoteEvent {
    double time = 0;
    int pitch = 60;
    int velocity = 0;
    bool on = true;
};

}
