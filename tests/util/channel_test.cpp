#include "util/channel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qo {
namespace {

using namespace std::chrono_literals;

TEST(Channel, DeliversInSendOrderAndTryReceiveDoesNotWait) {
    auto [sender, receiver] = make_channel<int>();
    EXPECT_FALSE(receiver.try_receive().has_value());
    ASSERT_TRUE(sender.send(1).has_value());
    ASSERT_TRUE(sender.send(2).has_value());
    ChannelSender<int> copy = sender;
    ASSERT_TRUE(copy.send(3).has_value());
    EXPECT_EQ(receiver.try_receive(), 1);
    EXPECT_EQ(receiver.try_receive(), 2);
    EXPECT_EQ(receiver.try_receive(), 3);
    EXPECT_FALSE(receiver.try_receive().has_value());
}

TEST(Channel, SendAfterReceiverIsGoneHandsTheValueBack) {
    auto [sender, receiver] = make_channel<std::unique_ptr<std::string>>();
    { auto gone = std::move(receiver); }
    EXPECT_FALSE(sender.receiver_alive());
    auto result = sender.send(std::make_unique<std::string>("perdido"));
    ASSERT_FALSE(result.has_value());
    ASSERT_NE(result.error(), nullptr);
    EXPECT_EQ(*result.error(), "perdido");
}

TEST(Channel, DisconnectedSenderHandsEveryValueBack) {
    ChannelSender<int> sender;
    auto result = sender.send(7);
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error(), 7);
}

TEST(Channel, QueuedValuesAreDestroyedWithTheReceiver) {
    auto owned = std::make_shared<int>(5);
    std::weak_ptr<int> watch = owned;
    auto [sender, receiver] = make_channel<std::shared_ptr<int>>();
    ASSERT_TRUE(sender.send(std::move(owned)).has_value());
    { auto gone = std::move(receiver); }
    EXPECT_TRUE(watch.expired());
}

TEST(Channel, ReceiveReportsTheEndOnceEverySenderIsGone) {
    auto [sender, receiver] = make_channel<int>();
    ASSERT_TRUE(sender.send(4).has_value());
    EXPECT_TRUE(receiver.has_senders());
    sender.reset();
    EXPECT_FALSE(receiver.has_senders());
    EXPECT_EQ(receiver.receive(), 4);  // what was queued still arrives
    EXPECT_FALSE(receiver.receive().has_value());
    EXPECT_FALSE(receiver.receive_for(10ms).has_value());
}

TEST(Channel, ReceiveForTimesOutWhileSendersRemain) {
    auto [sender, receiver] = make_channel<int>();
    EXPECT_FALSE(receiver.receive_for(5ms).has_value());
    ASSERT_TRUE(sender.send(9).has_value());
    EXPECT_EQ(receiver.receive_for(5ms), 9);
}

TEST(ChannelConcurrent, KeepsEachSendersOrder) {
    constexpr int kSenders = 6;
    constexpr int kPerSender = 2000;
    auto [sender, receiver] = make_channel<std::pair<int, int>>();
    std::vector<std::jthread> threads;
    for (int s = 0; s < kSenders; ++s) {
        threads.emplace_back([s, tx = sender] {
            for (int i = 0; i < kPerSender; ++i) ASSERT_TRUE(tx.send({s, i}).has_value());
        });
    }
    sender.reset();

    std::vector<int> next(kSenders, 0);
    int received = 0;
    while (auto item = receiver.receive()) {
        auto [s, i] = *item;
        ASSERT_EQ(i, next[s]) << "sender " << s;
        ++next[s];
        ++received;
    }
    EXPECT_EQ(received, kSenders * kPerSender);
}

TEST(ChannelConcurrent, ReceiverDroppedWhileSendersRunReturnsTheirValues) {
    auto [sender, receiver] = make_channel<int>();
    std::atomic<int> handed_back{0};
    std::atomic<bool> dropped{false};
    std::jthread worker([&, tx = sender] {
        for (int i = 0; i < 100000 && handed_back.load() == 0; ++i) {
            if (!tx.send(i).has_value()) ++handed_back;
        }
        // Once the receiver is gone every further send must come back.
        while (!dropped.load()) std::this_thread::yield();
        if (!tx.send(-1).has_value()) ++handed_back;
    });
    while (!receiver.try_receive()) std::this_thread::yield();
    { auto gone = std::move(receiver); }
    dropped = true;
    worker.join();
    EXPECT_GE(handed_back.load(), 1);
}

}  // namespace
}  // namespace qo
