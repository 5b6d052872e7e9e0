#pragma once
#include <memory>
#include <mutex>

namespace core {

// Monotonic seconds. The real clock follows steady_clock; the manual clock only moves when told,
// so tests and headless runs see exact times.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    virtual bool isManual() const { return false; }

    static std::shared_ptr<Clock> real();
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 0) : m_now(start) { }
    static std::shared_ptr<ManualClock> create(double start = 0) { return std::make_shared<ManualClock>(start); }

    double now() const override;
    bool isManual() const override { return true; }
    void set(double time);
    void advance(double seconds);

private:
    mutable std::mutex m_mutex;
    double m_now;
};

}
