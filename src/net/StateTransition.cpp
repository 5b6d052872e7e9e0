#include "net/StateTransition.h"

#include "net/URLConnectionOperation.h"

namespace net {

bool StateTransition::isValid(long from, long to, bool isCancelled)
{
    switch (from) {
    case OperationReadyState:
        switch (to) {
        case OperationPausedState:
        case OperationExecutingState: return true;
        case OperationFinishedState: return isCancelled;
        default: return false;
        }
    case OperationExecutingState:
        return to == OperationPausedState || to == OperationFinishedState;
    case OperationFinishedState:
        return false;
    case OperationPausedState:
        return to == OperationReadyState;
    default:
        return true;
    }
}

const char* StateTransition::keyPath(long state)
{
    switch (state) {
    case OperationReadyState: return "isReady";
    case OperationExecutingState: return "isExecuting";
    case OperationFinishedState: return "isFinished";
    case OperationPausedState: return "isPaused";
    default: return "state";
    }
}

}
