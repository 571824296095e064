#pragma once
// A bounded single-producer, single-consumer channel.
//
// make_bounded_channel<T>(capacity) gives one BoundedSender and one BoundedReceiver over a queue that never
// holds more than `capacity` values (at least 1). Both ends are move-only and belong to one thread each.
// try_send and try_receive never wait, so a thread that must not stall (the window's) uses those; send and
// receive wait for room or for a value. Either end going away wakes the other: a waiting send gives up when the
// receiver is gone, a waiting receive once the queue is empty and the sender is gone.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace qo {

namespace detail {

template <class T>
struct BoundedChannelState {
  explicit BoundedChannelState(std::size_t limit) : capacity(limit < 1 ? 1 : limit) {}

  std::mutex mutex;
  std::condition_variable changed;  // a value arrived, room was made, or an end went away
  std::deque<T> queue;
  std::size_t capacity;
  bool sender_alive = true;
  bool receiver_alive = true;
};

}  // namespace detail

enum class TrySendOutcome { sent, full, closed };

template <class T>
class BoundedReceiver;

template <class T>
class BoundedSender {
 public:
  BoundedSender() = default;
  BoundedSender(const BoundedSender&) = delete;
  BoundedSender& operator=(const BoundedSender&) = delete;
  BoundedSender(BoundedSender&&) noexcept = default;
  BoundedSender& operator=(BoundedSender&& other) noexcept {
    if (this != &other) {
      close();
      state_ = std::move(other.state_);
    }
    return *this;
  }
  ~BoundedSender() { close(); }

  // Queues the value when there is room; it is moved from only then, so a value a full queue or a missing
  // receiver refuses stays with the caller.
  TrySendOutcome try_send(T&& value) {
    if (!state_) return TrySendOutcome::closed;
    {
      std::lock_guard lock(state_->mutex);
      if (!state_->receiver_alive) return TrySendOutcome::closed;
      if (state_->queue.size() >= state_->capacity) return TrySendOutcome::full;
      state_->queue.push_back(std::move(value));
    }
    state_->changed.notify_all();
    return TrySendOutcome::sent;
  }

  // Waits for room, then queues the value; false (value dropped) once the receiver is gone.
  bool send(T value) {
    if (!state_) return false;
    {
      std::unique_lock lock(state_->mutex);
      state_->changed.wait(lock, [&] { return !state_->receiver_alive || state_->queue.size() < state_->capacity; });
      if (!state_->receiver_alive) return false;
      state_->queue.push_back(std::move(value));
    }
    state_->changed.notify_all();
    return true;
  }

  // Lets go of the channel now instead of at destruction.
  void close() {
    if (!state_) return;
    {
      std::lock_guard lock(state_->mutex);
      state_->sender_alive = false;
    }
    state_->changed.notify_all();
    state_.reset();
  }

 private:
  template <class U>
  friend std::pair<BoundedSender<U>, BoundedReceiver<U>> make_bounded_channel(std::size_t capacity);

  explicit BoundedSender(std::shared_ptr<detail::BoundedChannelState<T>> state) : state_(std::move(state)) {}

  std::shared_ptr<detail::BoundedChannelState<T>> state_;
};

template <class T>
class BoundedReceiver {
 public:
  BoundedReceiver() = default;
  BoundedReceiver(const BoundedReceiver&) = delete;
  BoundedReceiver& operator=(const BoundedReceiver&) = delete;
  BoundedReceiver(BoundedReceiver&&) noexcept = default;
  BoundedReceiver& operator=(BoundedReceiver&& other) noexcept {
    if (this != &other) {
      close();
      state_ = std::move(other.state_);
    }
    return *this;
  }
  ~BoundedReceiver() { close(); }

  // Takes the oldest queued value without waiting; nothing when the queue is empty.
  std::optional<T> try_receive() {
    if (!state_) return std::nullopt;
    std::optional<T> value;
    {
      std::lock_guard lock(state_->mutex);
      if (state_->queue.empty()) return std::nullopt;
      value.emplace(std::move(state_->queue.front()));
      state_->queue.pop_front();
    }
    state_->changed.notify_all();
    return value;
  }

  // Waits for a value; nothing once the queue is empty and the sender is gone.
  std::optional<T> receive() {
    if (!state_) return std::nullopt;
    std::optional<T> value;
    {
      std::unique_lock lock(state_->mutex);
      state_->changed.wait(lock, [&] { return !state_->queue.empty() || !state_->sender_alive; });
      if (state_->queue.empty()) return std::nullopt;
      value.emplace(std::move(state_->queue.front()));
      state_->queue.pop_front();
    }
    state_->changed.notify_all();
    return value;
  }

  // Marks the channel as unheard and destroys what is still queued (outside the lock, since a value's
  // destructor may do anything).
  void close() {
    if (!state_) return;
    std::deque<T> leftovers;
    {
      std::lock_guard lock(state_->mutex);
      state_->receiver_alive = false;
      leftovers.swap(state_->queue);
    }
    state_->changed.notify_all();
    state_.reset();
  }

 private:
  template <class U>
  friend std::pair<BoundedSender<U>, BoundedReceiver<U>> make_bounded_channel(std::size_t capacity);

  explicit BoundedReceiver(std::shared_ptr<detail::BoundedChannelState<T>> state) : state_(std::move(state)) {}

  std::shared_ptr<detail::BoundedChannelState<T>> state_;
};

// A new channel holding at most `capacity` values (0 counts as 1).
template <class T>
std::pair<BoundedSender<T>, BoundedReceiver<T>> make_bounded_channel(std::size_t capacity) {
  auto state = std::make_shared<detail::BoundedChannelState<T>>(capacity);
  return {BoundedSender<T>(state), BoundedReceiver<T>(state)};
}

}  // namespace qo
