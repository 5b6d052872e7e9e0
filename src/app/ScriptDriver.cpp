#include "app/ScriptDriver.h"

#include "app/ViewDump.h"
#include "net/URLConnectionOperation.h"
#include "platform/core/Clock.h"
#include "platform/core/Dispatch.h"
#include "platform/core/FileManager.h"
#include "platform/core/Json.h"
#include "platform/core/Log.h"
#include "platform/core/Paths.h"
#include "platform/core/RunLoop.h"
#include "platform/render/Renderer.h"
#include "platform/ui/SegmentedControl.h"
#include "platform/ui/Slider.h"
#include "platform/ui/TableView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace app {

namespace {

// How long the main queue must stay empty, with no transfer or its completion still to come,
// before `idle` calls the app settled: long enough for work to hop between threads.
constexpr double kQuietSeconds = 0.2;

std::shared_ptr<ui::TableView> firstTable(const std::shared_ptr<ui::View>& view)
{
    if (!view || view->isHidden())
        return nullptr;
    if (auto table = std::dynamic_pointer_cast<ui::TableView>(view))
        return table;
    for (const auto& child : view->subviews()) {
        if (auto table = firstTable(child))
            return table;
    }
    return nullptr;
}

ui::Point windowCenter(const ui::View& view)
{
    return view.windowFrame().center();
}

}

struct ScriptDriver::Wake {
    std::mutex mutex;
    std::condition_variable condition;
    bool posted = false;
};

ScriptDriver::ScriptDriver(ui::Window& window, std::shared_ptr<core::ManualClock> clock, std::string outDirectory)
    : m_window(window)
    , m_clock(std::move(clock))
    , m_outDirectory(std::move(outDirectory))
    , m_wake(std::make_shared<Wake>())
{
    // `idle` sleeps between turns; work posted from other threads wakes it.
    core::RunLoop::main().setWakeHandler([wake = m_wake] {
        std::lock_guard lock(wake->mutex);
        wake->posted = true;
        wake->condition.notify_all();
    });
}

ScriptDriver::~ScriptDriver()
{
    core::RunLoop::main().setWakeHandler(nullptr);
}

void ScriptDriver::settle()
{
    core::RunLoop::main().runUntil(m_clock->now());
    m_window.layoutIfNeeded();
}

std::string ScriptDriver::run(const Script& script)
{
    settle();
    for (const auto& command : script.commands) {
        std::string error = execute(command);
        if (!error.empty())
            return core::format("line %d: %s", command.line, error.c_str());
        settle();
    }
    return {};
}

std::string ScriptDriver::outputPath(const std::string& file) const
{
    if (!file.empty() && file[0] == '/')
        return file;
    return core::paths::stringByAppendingPathComponent(m_outDirectory, file);
}

std::string ScriptDriver::resolve(const ScriptTarget& target, ui::Point& point, std::shared_ptr<ui::View>* viewOut)
{
    std::shared_ptr<ui::View> view;
    switch (target.kind) {
    case ScriptTarget::Kind::Point:
        point = { target.x, target.y };
        if (!m_window.bounds().contains(point))
            return core::format("point %g %g is outside the %gx%g window", target.x, target.y, m_window.size().width, m_window.size().height);
        // The view a finger there would touch, so select, slide and type work on points too.
        if (viewOut) {
            ui::View* hit = m_window.hitTest(point);
            *viewOut = hit ? hit->shared_from_this() : nullptr;
        }
        return {};
    case ScriptTarget::Kind::Identifier:
        view = m_window.viewWithAccessibilityIdentifier(target.identifier);
        if (!view)
            return core::format("no view with identifier '%s'", target.identifier.c_str());
        break;
    case ScriptTarget::Kind::Tag: {
        auto front = m_window.frontViewController();
        if (front)
            view = front->view()->viewWithTag(target.number);
        if (!view)
            return core::format("no view with tag %d", target.number);
        break;
    }
    case ScriptTarget::Kind::Row: {
        auto front = m_window.frontViewController();
        auto table = front ? firstTable(front->view()) : nullptr;
        if (!table)
            return "no table on the front screen";
        // Rows count on across sections, so row:N reads as the Nth line the user sees.
        int remaining = target.number;
        std::optional<ui::IndexPath> indexPath;
        for (int section = 0; section < table->numberOfSections() && !indexPath; section++) {
            int rows = table->numberOfRowsInSection(section);
            if (remaining < rows)
                indexPath = ui::IndexPath { section, remaining };
            else
                remaining -= rows;
        }
        if (!indexPath)
            return core::format("no row %d in the table", target.number);
        table->scrollToRowAtIndexPath(*indexPath, ui::Animated::No);
        m_window.layoutIfNeeded();
        point = table->convertRect(table->rectForRowAtIndexPath(*indexPath), nullptr).center();
        if (viewOut)
            *viewOut = table;
        return {};
    }
    }
    point = windowCenter(*view);
    // A finger cannot reach a centre off the window or scrolled out of a clipping ancestor;
    // touching there would silently reach nothing, or some other view.
    bool reachable = m_window.bounds().contains(point);
    for (ui::View* v = view->superviewPointer(); v && reachable; v = v->superviewPointer()) {
        if (v->clipsToBounds())
            reachable = v->windowFrame().contains(point);
    }
    if (!reachable)
        return core::format("%s is out of sight (its centre %g %g is outside the window or scrolled away)", target.description().c_str(), point.x, point.y);
    if (viewOut)
        *viewOut = view;
    return {};
}

void ScriptDriver::tapAt(ui::Point point)
{
    m_window.touchDown(point);
    settle();
    m_window.touchUp(point);
}

std::string ScriptDriver::execute(const ScriptCommand& command)
{
    using Kind = ScriptCommand::Kind;
    ui::Point point;
    std::shared_ptr<ui::View> view;
    auto needTarget = [&]() { return resolve(command.target, point, &view); };
    std::string what = command.target.description();

    switch (command.kind) {
    case Kind::Tap:
        if (auto error = needTarget(); !error.empty())
            return error;
        tapAt(point);
        return {};

    case Kind::Press:
        if (auto error = needTarget(); !error.empty())
            return error;
        m_window.touchDown(point);
        core::RunLoop::main().runUntil(m_clock->now() + command.number);
        m_window.layoutIfNeeded();
        m_window.touchUp(point);
        return {};

    case Kind::Select: {
        if (auto error = needTarget(); !error.empty())
            return error;
        auto control = std::dynamic_pointer_cast<ui::SegmentedControl>(view);
        if (!control)
            return what + " is not a segmented control";
        if (command.index < 0 || command.index >= control->numberOfSegments())
            return core::format("segment %d out of range (%s has %d)", command.index, what.c_str(), control->numberOfSegments());
        tapAt(control->convertPoint(control->rectForSegment(command.index).center(), nullptr));
        return {};
    }

    case Kind::Slide: {
        if (auto error = needTarget(); !error.empty())
            return error;
        auto slider = std::dynamic_pointer_cast<ui::Slider>(view);
        if (!slider)
            return what + " is not a slider";
        // Grab the thumb and drag it in a few steps, as a finger would.
        ui::Point from = slider->convertPoint(slider->pointForValue(slider->value()), nullptr);
        ui::Point to = slider->convertPoint(slider->pointForValue(static_cast<float>(command.number)), nullptr);
        m_window.touchDown(from);
        constexpr int kSteps = 4;
        for (int i = 1; i <= kSteps; i++) {
            double t = static_cast<double>(i) / kSteps;
            m_window.touchMoved({ from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t });
        }
        m_window.touchUp(to);
        return {};
    }

    case Kind::Type: {
        if (auto error = needTarget(); !error.empty())
            return error;
        auto field = std::dynamic_pointer_cast<ui::TextField>(view);
        if (!field)
            return what + " is not a text field";
        tapAt(point);
        settle();
        if (!field->isFirstResponder())
            return what + " did not take the keyboard focus (covered, hidden or disabled)";
        field->setText("");
        if (!command.text.empty())
            m_window.textInput(command.text);
        return {};
    }

    case Kind::Key:
        if (auto key = ui::keyNamed(command.text))
            m_window.keyDown(*key);
        else
            return "unknown key '" + command.text + "'";
        return {};

    case Kind::Wait:
        core::RunLoop::main().runUntil(m_clock->now() + command.number);
        return {};

    case Kind::Idle:
        return idle(command.number);

    case Kind::Screenshot: {
        std::string path = outputPath(command.text);
        core::files::createDirectoryAtPath(core::paths::stringByDeletingLastPathComponent(path), true);
        m_window.layoutIfNeeded();
        if (!render::Renderer::renderToPNG(m_window, path, 1.0))
            return "cannot write the screenshot " + path;
        return {};
    }

    case Kind::Dump: {
        std::string path = outputPath(command.text);
        core::files::createDirectoryAtPath(core::paths::stringByDeletingLastPathComponent(path), true);
        std::string text = ViewDump::window(m_window, m_clock->now()).dump(2) + "\n";
        if (auto written = core::files::writeContentsAtPath(path, text); !written)
            return "cannot write the dump: " + written.error().localizedDescription;
        return {};
    }
    }
    return "unhandled command";
}

std::string ScriptDriver::idle(double seconds)
{
    using Steady = std::chrono::steady_clock;
    auto deadline = Steady::now() + std::chrono::duration_cast<Steady::duration>(std::chrono::duration<double>(seconds));
    auto quietSince = Steady::now();
    for (;;) {
        {
            std::lock_guard lock(m_wake->mutex);
            m_wake->posted = false;
        }
        bool ran = core::RunLoop::main().hasPendingTasks();
        settle();
        auto now = Steady::now();
        // An install runs on the worker queue between the transfer and the main queue's update.
        if (ran || net::URLConnectionOperation::pendingOperationCount() > 0 || dispatch::globalQueue().pendingWorkCount() > 0)
            quietSince = now;
        else if (now - quietSince >= std::chrono::duration<double>(kQuietSeconds))
            return {};
        if (now >= deadline)
            return {};
        std::unique_lock lock(m_wake->mutex);
        auto until = std::min<Steady::time_point>(deadline, now + std::chrono::milliseconds(50));
        m_wake->condition.wait_until(lock, until, [this] { return m_wake->posted; });
    }
}

}
