#include "util/bounded_channel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace qo {
namespace {

using namespace std::chrono_literals;

TEST(BoundedChannel, TrySendRefusesBeyondTheCapacityAndAfterTheReceiverIsGone) {
  const struct {
    size_t capacity;
    size_t holds;
  } cases[] = {{0, 1}, {1, 1}, {3, 3}};
  for (const auto& c : cases) {
    auto [sender, receiver] = make_bounded_channel<int>(c.capacity);
    for (size_t i = 0; i < c.holds; ++i) EXPECT_EQ(sender.try_send(static_cast<int>(i)), TrySendOutcome::sent);
    EXPECT_EQ(sender.try_send(99), TrySendOutcome::full) << c.capacity;
    EXPECT_EQ(receiver.try_receive(), 0);  // oldest first, and taking one makes room
    EXPECT_EQ(sender.try_send(7), TrySendOutcome::sent);
    receiver.close();
    EXPECT_EQ(sender.try_send(8), TrySendOutcome::closed);
    EXPECT_FALSE(sender.send(9));
  }
  BoundedSender<int> unconnected;
  EXPECT_EQ(unconnected.try_send(1), TrySendOutcome::closed);
}

TEST(BoundedChannel, AValueTrySendRefusesStaysWithTheCaller) {
  auto [sender, receiver] = make_bounded_channel<std::unique_ptr<int>>(1);
  auto first = std::make_unique<int>(1);
  auto second = std::make_unique<int>(2);
  ASSERT_EQ(sender.try_send(std::move(first)), TrySendOutcome::sent);
  EXPECT_EQ(first, nullptr);
  ASSERT_EQ(sender.try_send(std::move(second)), TrySendOutcome::full);
  ASSERT_NE(second, nullptr);
  receiver.close();
  ASSERT_EQ(sender.try_send(std::move(second)), TrySendOutcome::closed);
  EXPECT_EQ(*second, 2);
}

TEST(BoundedChannel, ReceiveDrainsWhatWasSentThenReportsTheEnd) {
  auto [sender, receiver] = make_bounded_channel<std::unique_ptr<int>>(2);
  ASSERT_TRUE(sender.send(std::make_unique<int>(4)));
  ASSERT_TRUE(sender.send(std::make_unique<int>(5)));
  sender.close();
  EXPECT_EQ(*receiver.receive().value(), 4);
  EXPECT_EQ(*receiver.receive().value(), 5);
  EXPECT_FALSE(receiver.receive().has_value());
  EXPECT_FALSE(receiver.try_receive().has_value());
}

TEST(BoundedChannelConcurrent, WaitingSendResumesWhenRoomIsMadeOrTheReceiverGoes) {
  for (const bool take : {true, false}) {
    auto [sender, receiver] = make_bounded_channel<int>(1);
    ASSERT_EQ(sender.try_send(1), TrySendOutcome::sent);
    std::atomic<int> outcome = -1;
    std::thread producer([&, s = std::move(sender)]() mutable { outcome = s.send(2) ? 1 : 0; });
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(outcome, -1);  // still waiting for room
    if (take) {
      EXPECT_EQ(receiver.try_receive(), 1);
    } else {
      receiver.close();
    }
    producer.join();
    EXPECT_EQ(outcome, take ? 1 : 0);
    if (take) {
      EXPECT_EQ(receiver.try_receive(), 2);
    }
  }
}

TEST(BoundedChannelConcurrent, WaitingReceiveWakesForAValueAndForTheSendersEnd) {
  auto [sender, receiver] = make_bounded_channel<int>(1);
  std::thread consumer([&, r = std::move(receiver)]() mutable {
    EXPECT_EQ(r.receive(), 3);
    EXPECT_FALSE(r.receive().has_value());
  });
  std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(sender.send(3));
  sender.close();
  consumer.join();
}

}  // namespace
}  // namespace qo
