#pragma once

namespace core {

// The common base of everything that can be the sender of an action (controls, timers), so a
// handler can receive its sender as the original's handlers do.
class Object {
public:
    virtual ~Object() = default;
};

}
