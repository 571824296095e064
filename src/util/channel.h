#pragma once
// An unbounded multi-producer, single-consumer channel.
//
// make_channel<T>() gives one ChannelSender and one ChannelReceiver over a shared queue. Senders are copied
// freely (every copy feeds the same queue) and may send from any thread; sending never blocks. The receiver is
// move-only and belongs to one thread. Each sender's values arrive in the order that sender sent them.
//
// When the receiver is gone, send hands the value back instead of queueing it, so the caller can see that nobody
// listens; values still queued when the receiver goes away are destroyed with it.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <expected>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace qo {

namespace detail {

template <class T>
struct ChannelState {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<T> queue;
    std::size_t senders = 0;
    bool receiver_alive = true;
};

}  // namespace detail

template <class T>
class ChannelReceiver;

template <class T>
class ChannelSender {
public:
    // A sender connected to nothing: every send hands its value back.
    ChannelSender() = default;

    ChannelSender(const ChannelSender& other) : state_(other.state_) { attach(); }
    ChannelSender(ChannelSender&& other) noexcept : state_(std::move(other.state_)) {}
    ChannelSender& operator=(const ChannelSender& other) {
        if (this != &other) {
            ChannelSender copy(other);
            swap(copy);
        }
        return *this;
    }
    ChannelSender& operator=(ChannelSender&& other) noexcept {
        if (this != &other) {
            detach();
            state_ = std::move(other.state_);
        }
        return *this;
    }
    ~ChannelSender() { detach(); }

    // Queues the value. When no receiver exists any more, the value comes back as the error.
    std::expected<void, T> send(T value) const {
        if (!state_) return std::unexpected(std::move(value));
        {
            std::lock_guard lock(state_->mutex);
            if (!state_->receiver_alive) return std::unexpected(std::move(value));
            state_->queue.push_back(std::move(value));
        }
        state_->arrived.notify_one();
        return {};
    }

    // True while a receiver exists (a hint only: it may go away right after).
    bool receiver_alive() const {
        if (!state_) return false;
        std::lock_guard lock(state_->mutex);
        return state_->receiver_alive;
    }

    // Lets go of the channel now instead of at destruction.
    void reset() {
        detach();
        state_.reset();
    }

    void swap(ChannelSender& other) noexcept { state_.swap(other.state_); }

private:
    template <class U>
    friend std::pair<ChannelSender<U>, ChannelReceiver<U>> make_channel();

    explicit ChannelSender(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) { attach(); }

    void attach() {
        if (!state_) return;
        std::lock_guard lock(state_->mutex);
        ++state_->senders;
    }

    void detach() {
        if (!state_) return;
        bool last = false;
        {
            std::lock_guard lock(state_->mutex);
            last = --state_->senders == 0;
        }
        // A receiver blocked in receive() must learn that nothing more can come.
        if (last) state_->arrived.notify_all();
    }

    std::shared_ptr<detail::ChannelState<T>> state_;
};

template <class T>
class ChannelReceiver {
public:
    ChannelReceiver() = default;
    ChannelReceiver(const ChannelReceiver&) = delete;
    ChannelReceiver& operator=(const ChannelReceiver&) = delete;
    ChannelReceiver(ChannelReceiver&& other) noexcept = default;
    ChannelReceiver& operator=(ChannelReceiver&& other) noexcept {
        if (this != &other) {
            close();
            state_ = std::move(other.state_);
        }
        return *this;
    }
    ~ChannelReceiver() { close(); }

    // Takes the oldest queued value without waiting; nothing when the queue is empty.
    std::optional<T> try_receive() {
        if (!state_) return std::nullopt;
        std::lock_guard lock(state_->mutex);
        return pop_locked();
    }

    // Waits for a value; nothing once the queue is empty and every sender is gone.
    std::optional<T> receive() {
        if (!state_) return std::nullopt;
        std::unique_lock lock(state_->mutex);
        state_->arrived.wait(lock, [&] { return !state_->queue.empty() || state_->senders == 0; });
        return pop_locked();
    }

    // Waits up to the time-out for a value; nothing on time-out or when every sender is gone.
    template <class Rep, class Period>
    std::optional<T> receive_for(std::chrono::duration<Rep, Period> timeout) {
        if (!state_) return std::nullopt;
        std::unique_lock lock(state_->mutex);
        state_->arrived.wait_for(lock, timeout, [&] { return !state_->queue.empty() || state_->senders == 0; });
        return pop_locked();
    }

    // True while at least one sender exists.
    bool has_senders() const {
        if (!state_) return false;
        std::lock_guard lock(state_->mutex);
        return state_->senders > 0;
    }

private:
    template <class U>
    friend std::pair<ChannelSender<U>, ChannelReceiver<U>> make_channel();

    explicit ChannelReceiver(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) {}

    std::optional<T> pop_locked() {
        if (state_->queue.empty()) return std::nullopt;
        std::optional<T> value(std::move(state_->queue.front()));
        state_->queue.pop_front();
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
        state_.reset();
    }

    std::shared_ptr<detail::ChannelState<T>> state_;
};

// A new channel: its first sender and its receiver.
template <class T>
std::pair<ChannelSender<T>, ChannelReceiver<T>> make_channel() {
    auto state = std::make_shared<detail::ChannelState<T>>();
    return {ChannelSender<T>(state), ChannelReceiver<T>(state)};
}

}  // namespace qo
