// The shared window run against a recording stand-in: start-up order, frames, input rules,
// paint and resize, shutdown order and exit codes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <deque>
#include <string>
#include <vector>

#include "host/saver_run.h"
#include "host/x11_saver.h"

namespace {

using host::Event;
using host::Input;
using host::Pump;
using host::RunKind;

struct Log {
    std::vector<std::string> calls;
    int64_t now_us = 0;              // the run's clock: only waiting moves it
    std::vector<int64_t> waits_us;   // what the loop asked each turn of the pump to wait
    std::vector<int64_t> frames_at;  // when each frame was drawn
    void add(std::string call) { calls.push_back(std::move(call)); }
};

struct FakeDevice {
    Log* log;
    void begin_frame() { log->add("begin"); }
    void clear(float r, float g, float b) {
        log->add(r == 0 && g == 0 && b == 0 ? "clear black" : "clear colour");
    }
    void end_frame() { log->add("end"); }
    void present() { log->add("present"); }
    void resize(int w, int h) { log->add("resize " + std::to_string(w) + "x" + std::to_string(h)); }
};

struct FakeEngine {
    Log* log;
    picture::StartResult result = picture::StartResult::started;
    bool has_device = false;
    FakeDevice fake{log};
    picture::StartResult start(const picture::Settings&, gfx::WindowHandle window, int w, int h,
                               bool full_screen) {
        log->add("start " + std::to_string(window) + " " + std::to_string(w) + "x" +
                 std::to_string(h) + (full_screen ? " full" : " windowed"));
        has_device = result != picture::StartResult::no_device;
        return result;
    }
    // The picture holds still for `hold_us` from the end of step number `hold_at`.
    int steps = 0;
    int hold_at = 0;
    int64_t hold_us = 0;
    int64_t still_until = 0;
    void draw_frame() {
        if (!has_device) return;
        fake.begin_frame();
        fake.clear(0, 0, 0);
        log->add("step");
        if (++steps == hold_at) still_until = log->now_us + hold_us;
        fake.end_frame();
        fake.present();
    }
    uint32_t still_ms() {
        return still_until > log->now_us
                   ? static_cast<uint32_t>((still_until - log->now_us + 999) / 1000)
                   : 0;
    }
    float frame_rate() { return 50.0f; }
    FakeDevice* device() { return has_device ? &fake : nullptr; }
    void stop() {
        log->add("stop");
        has_device = false;
    }
};

// One scripted turn of the event pump: nothing waiting (a frame), an event, or the quit.
struct Turn {
    enum { idle, event, quit } what;
    Event happened{};
};

struct FakeWindow {
    Log* log;
    RunKind kind;
    std::deque<Turn> script;
    bool creates = true;
    bool waits = true;
    bool closed = false;
    bool create() {
        log->add("create");
        return creates;
    }
    picture::Settings settings() {
        log->add("settings");
        return {};
    }
    bool wait_preview_second() {
        log->add("wait");
        return waits;
    }
    int width() const { return 640; }
    int height() const { return 480; }
    gfx::WindowHandle handle() const { return 77; }
    void hide_cursor() { log->add("hide cursor"); }
    void show_cursor() { log->add("show cursor"); }
    void close() {
        log->add("close");
        closed = true;
    }
    // An idle turn lets the whole wait pass; an event comes at once.
    Pump pump(FakeEngine& engine, int64_t wait_us) {
        if (closed || script.empty()) return Pump::quit;  // a closed window is destroyed
        log->waits_us.push_back(wait_us);
        const Turn turn = script.front();
        script.pop_front();
        if (turn.what == Turn::quit) return Pump::quit;
        if (turn.what == Turn::idle) {
            log->now_us += wait_us;
            return Pump::idle;
        }
        host::on_event(*this, engine, kind, turn.happened);
        if (turn.happened.kind == Event::Kind::paint) frame_drawn();
        return turn.happened.kind == Event::Kind::resize ? Pump::redraw : Pump::handled;
    }
    int64_t now_us() const { return log->now_us; }
    void frame_drawn() { log->frames_at.push_back(log->now_us); }
};

Event input(Input i) {
    return {Event::Kind::input, i, 0, 0};
}

const std::vector<std::string> kFrame = {"begin", "clear black", "step", "end", "present"};

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(SaverRun, FullScreenStartsPaintsAndShutsDownInOrder) {
    Log log;
    FakeEngine engine{&log};
    FakeWindow window{&log, RunKind::full_screen, {{Turn::idle}, {Turn::idle}, {Turn::quit}}};
    EXPECT_EQ(host::run_saver(window, engine, RunKind::full_screen), 0);
    // The full-screen run's device is windowed too: its window covers the screen.
    EXPECT_EQ(log.calls, joined({{"create", "settings", "start 77 640x480 windowed", "hide cursor"},
                                 kFrame,
                                 kFrame,
                                 {"show cursor", "stop"}}));
}

TEST(SaverRun, PreviewWaitsAndPaints1024SquareWithTheCursorShown) {
    Log log;
    FakeEngine engine{&log};
    FakeWindow window{&log, RunKind::preview, {{Turn::idle}}};
    EXPECT_EQ(host::run_saver(window, engine, RunKind::preview), 0);
    EXPECT_EQ(log.calls, joined({{"create", "settings", "wait", "start 77 1024x1024 windowed"},
                                 kFrame,
                                 {"show cursor", "stop"}}));
}

TEST(SaverRun, FailuresGiveTheirExitCodes) {
    {  // no window: nothing else happens
        Log log;
        FakeEngine engine{&log};
        FakeWindow window{&log, RunKind::full_screen, {{Turn::idle}}};
        window.creates = false;
        EXPECT_EQ(host::run_saver(window, engine, RunKind::full_screen), 0);
        EXPECT_EQ(log.calls, std::vector<std::string>{"create"});
    }
    {  // the preview window went away during the wait
        Log log;
        FakeEngine engine{&log};
        FakeWindow window{&log, RunKind::preview, {{Turn::idle}}};
        window.waits = false;
        EXPECT_EQ(host::run_saver(window, engine, RunKind::preview), 0);
        EXPECT_EQ(log.calls, (std::vector<std::string>{"create", "settings", "wait"}));
    }
    for (const auto& [result, code] : {std::pair{picture::StartResult::no_device, 0},
                                       std::pair{picture::StartResult::no_parameters, -1}}) {
        Log log;
        FakeEngine engine{&log};
        engine.result = result;
        FakeWindow window{&log, RunKind::full_screen, {{Turn::idle}}};
        EXPECT_EQ(host::run_saver(window, engine, RunKind::full_screen), code);
        // No frame, no cursor change; the device (if any) is destroyed.
        EXPECT_EQ(log.calls, (std::vector<std::string>{"create", "settings",
                                                       "start 77 640x480 windowed", "stop"}));
    }
}

TEST(SaverRun, InputRulesPerRunKind) {
    const Input all[] = {Input::key,          Input::quit_key,      Input::left_button,
                         Input::right_button, Input::middle_button, Input::wheel,
                         Input::motion};
    const struct {
        RunKind kind;
        std::vector<bool> closes;  // in the order of `all`
    } cases[] = {
        {RunKind::full_screen, {true, true, true, true, false, false, false}},
        {RunKind::preview, {false, false, false, false, false, false, false}},
        {RunKind::embedded, {false, false, false, false, false, false, false}},
        {RunKind::own_window, {false, true, false, false, false, false, false}},
    };
    for (const auto& c : cases)
        for (size_t i = 0; i < std::size(all); ++i)
            EXPECT_EQ(host::input_closes(all[i], c.kind), c.closes[i])
                << "kind " << static_cast<int>(c.kind) << " input " << i;
}

TEST(SaverRun, InputEndsAFullScreenRunButNeverAPreview) {
    for (const RunKind kind : {RunKind::full_screen, RunKind::preview}) {
        Log log;
        FakeEngine engine{&log};
        FakeWindow window{&log,
                          kind,
                          {{Turn::event, input(Input::motion)},
                           {Turn::event, input(Input::wheel)},
                           {Turn::event, input(Input::left_button)},
                           {Turn::idle},
                           {Turn::quit}}};
        host::run_saver(window, engine, kind);
        const size_t frames =
            static_cast<size_t>(std::count(log.calls.begin(), log.calls.end(), "present"));
        EXPECT_EQ(window.closed, kind == RunKind::full_screen);
        EXPECT_EQ(frames, kind == RunKind::full_screen ? 0u : 1u);
    }
}

TEST(SaverRun, PaintDrawsAWholeFrameAndResizeReachesTheDevice) {
    Log log;
    FakeEngine engine{&log};
    FakeWindow window{&log,
                      RunKind::embedded,
                      {{Turn::event, {Event::Kind::paint}},
                       {Turn::event, {Event::Kind::resize, Input::key, 800, 600}},
                       {Turn::quit}}};
    host::run_saver(window, engine, RunKind::embedded);
    EXPECT_EQ(log.calls, joined({{"create", "settings", "start 77 640x480 windowed"},
                                 kFrame,
                                 {"resize 800x600"},
                                 kFrame,
                                 {"show cursor", "stop"}}));
    // Before the device exists, paint and resize do nothing.
    Log quiet;
    FakeEngine idle_engine{&quiet};
    FakeWindow w{&quiet, RunKind::full_screen, {}};
    host::on_event(w, idle_engine, RunKind::full_screen, {Event::Kind::paint});
    host::on_event(w, idle_engine, RunKind::full_screen, {Event::Kind::resize, Input::key, 1, 1});
    EXPECT_TRUE(quiet.calls.empty());
}

TEST(SaverRun, MovingFramesArePacedAndAStillPictureIsDrawnOnlyToRepairTheWindow) {
    Log log;
    FakeEngine engine{&log};
    engine.hold_at = 3;  // the third frame starts a hold of 5 s
    engine.hold_us = 5000000;
    FakeWindow window{&log,
                      RunKind::embedded,
                      {{Turn::idle},
                       {Turn::idle},
                       {Turn::idle},
                       {Turn::event, {Event::Kind::paint}},
                       {Turn::event, {Event::Kind::resize, Input::key, 800, 600}},
                       {Turn::idle},
                       {Turn::idle},
                       {Turn::quit}}};
    host::run_saver(window, engine, RunKind::embedded);
    // 50 frames a second while the picture moves; during the hold only the paint request and
    // the resize draw, and the loop sleeps until the hold is over.
    EXPECT_EQ(log.frames_at,
              (std::vector<int64_t>{0, 20000, 40000, 40000, 40000, 5040000, 5060000}));
    EXPECT_EQ(log.waits_us,
              (std::vector<int64_t>{0, 20000, 20000, 5000000, 5000000, 5000000, 20000, 20000}));
}

TEST(SaverRun, PreviewWindowOfAnEmptyParentIs512Square) {
    EXPECT_EQ(host::preview_window_size(0, 300).width, 512);
    EXPECT_EQ(host::preview_window_size(300, 0).height, 512);
    EXPECT_EQ(host::preview_window_size(320, 240).width, 320);
    EXPECT_EQ(host::preview_window_size(320, 240).height, 240);
}

// A stop signal ends the process by that signal (its parent sees how it ended): after the run's
// clean end, or within two seconds when a frame never finishes, or at once on a second signal.
TEST(SaverRunDeathTest, AStopSignalEndsTheProcessByThatSignal) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto stuck_for = [](int seconds) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
        }
    };
    EXPECT_EXIT(
        {
            host::install_stop_signals();
            raise(SIGTERM);
            host::end_by_stop_signal();  // the run ended cleanly
            _exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EXIT(
        {
            host::install_stop_signals();
            raise(SIGTERM);
            stuck_for(20);  // a frame that does not end
            _exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EXIT(
        {
            host::install_stop_signals();
            raise(SIGINT);
            raise(SIGINT);
            _exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
