#pragma once

namespace core {
class Clock;
class ManualClock;
class Object;
class RunLoop;
class Thread;
class Timer;
class UserDefaults;
class NotificationCenter;
struct Error;
}

namespace dispatch {
class Queue;
class Group;
}
