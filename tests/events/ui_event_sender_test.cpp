#include "events/ui_event_sender.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "events/progress_sink.h"

namespace qo {
namespace {

JobProgress progress(double total, std::string text, std::string detail = {}) {
    JobProgress p;
    p.total_fraction = total;
    p.text = std::move(text);
    p.detail = std::move(detail);
    return p;
}

TEST(UiEventSender, NullWindowQueuesTheEventButReportsNoWakeUp) {
    auto channel = make_ui_event_channel();
    EXPECT_FALSE(send_ui_event(channel.sender, ServerStatus{true}));
    auto event = channel.receiver.try_receive();
    ASSERT_TRUE(event.has_value());
    ASSERT_TRUE(std::holds_alternative<ServerStatus>(*event));
    EXPECT_TRUE(std::get<ServerStatus>(*event).online);
}

TEST(UiEventSender, WakesTheWindowOncePerSend) {
    ASSERT_TRUE(start_ui_wake_queue());
    const UiWakeTarget window(41);
    take_pending_ui_wakes(window);
    auto channel = make_ui_event_channel(window);
    EXPECT_TRUE(send_ui_event(channel.sender, ServerStatus{false}));
    EXPECT_TRUE(send_ui_event(channel.sender, JobFinished{std::unexpected(std::string("falhou"))}));
    EXPECT_EQ(take_pending_ui_wakes(window), 2u);
    ASSERT_TRUE(channel.receiver.try_receive().has_value());
    auto finished = channel.receiver.try_receive();
    ASSERT_TRUE(finished && std::holds_alternative<JobFinished>(*finished));
    EXPECT_EQ(std::get<JobFinished>(*finished).result.error(), "falhou");
}

TEST(UiEventSender, SendAfterTheReceiverIsGoneDropsTheEventAndPostsNothing) {
    ASSERT_TRUE(start_ui_wake_queue());
    const UiWakeTarget window(42);
    take_pending_ui_wakes(window);
    auto channel = make_ui_event_channel(window);
    { auto gone = std::move(channel.receiver); }
    auto config = std::make_unique<LauncherConfig>();
    config->server_name = "Servidor";
    EXPECT_FALSE(send_ui_event(channel.sender, RemoteConfig{std::move(config)}));
    EXPECT_FALSE(send_ui_event(channel.sender, Progress{progress(0.0, "Baixando")}));
    EXPECT_EQ(take_pending_ui_wakes(window), 0u);
}

TEST(ProgressSink, WindowSinkForwardsEventsInOrder) {
    auto channel = make_ui_event_channel();
    ProgressSink sink = make_window_progress_sink(channel.sender);
    sink(Progress{progress(0.25, "Verificando arquivos...")});
    sink(Progress{progress(0.5, "Baixando", "Data/a.bin")});
    for (double expected : {0.25, 0.5}) {
        auto event = channel.receiver.try_receive();
        ASSERT_TRUE(event && std::holds_alternative<Progress>(*event));
        EXPECT_EQ(std::get<Progress>(*event).progress.total_fraction, expected);
    }
    EXPECT_FALSE(channel.receiver.try_receive().has_value());
}

TEST(ProgressSink, CallOnceSendsThenLetsGoOfTheChannel) {
    auto [sender, receiver] = make_ui_event_channel();
    UiEventSink sink{std::move(sender)};
    ui_event_sink_call(sink, ServerStatus{true});
    ui_event_sink_call_once(std::move(sink), ServerStatus{false});
    EXPECT_TRUE(receiver.try_receive().has_value());
    EXPECT_TRUE(receiver.try_receive().has_value());
    EXPECT_FALSE(receiver.has_senders());
}

TEST(ProgressSinkConcurrent, RecordingSinkSeesOnlyProgressFromEveryThread) {
    std::mutex mutex;
    std::vector<std::string> lines;
    ProgressSink sink = make_recording_progress_sink([&](JobProgress progress) {
        std::lock_guard lock(mutex);
        lines.push_back(std::move(progress.text));
    });
    {
        std::vector<std::jthread> workers;
        for (int t = 0; t < 4; ++t) {
            workers.emplace_back([&sink] {
                for (int i = 0; i < 50; ++i) {
                    sink(Progress{progress(0.0, "linha")});
                    sink(ServerStatus{true});
                }
            });
        }
    }
    EXPECT_EQ(lines.size(), 200u);
}

}  // namespace
}  // namespace qo
