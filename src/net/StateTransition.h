#pragma once

namespace net {

// The rules of an operation's state (ready, executing, finished, paused): which changes are
// allowed, and the key path observers see for each state.
class StateTransition {
public:
    // Ready goes to executing or paused, and to finished only when cancelled; executing goes to
    // paused or finished; paused goes back to ready; finished is final.
    static bool isValid(long from, long to, bool isCancelled);
    static const char* keyPath(long state);
};

}
