#pragma once

// A hidden message window: created on the user-interface thread, it takes
// messages posted from any thread and delivers them to its receiver on the
// user-interface thread, one delivery per post, in the order posted, never
// merged. Messages still queued when the target is destroyed are dropped;
// a post that races the destruction is either delivered before it or
// dropped, never delivered to a dead receiver.
//
// Threads that may outlive the target keep a PostSender (a copyable handle)
// rather than a reference to the target itself.

#include <cstdint>
#include <functional>
#include <memory>

namespace varnel::tk {

class Backend;

struct PostedMessage {
    std::uint32_t id = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

class PostSender {
public:
    PostSender() = default;
    // Thread-safe. Returns false when the target is gone (nothing queued).
    bool post(const PostedMessage& message) const;
    bool post(std::uint32_t id, std::uint64_t wParam = 0, std::int64_t lParam = 0) const
    {
        return post(PostedMessage{id, wParam, lParam});
    }
    bool alive() const noexcept;

private:
    friend class PostTarget;
    struct State;
    explicit PostSender(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::shared_ptr<State> state_;
};

class PostTarget {
public:
    using Receiver = std::function<void(const PostedMessage&)>;

    // Uses the current Application's backend (std::logic_error when none).
    explicit PostTarget(Receiver receiver);
    PostTarget(Backend& backend, Receiver receiver);
    PostTarget(const PostTarget&) = delete;
    PostTarget& operator=(const PostTarget&) = delete;
    // Must run on the user-interface thread. After it returns no delivery
    // runs and no thread is inside post() for this target.
    ~PostTarget();

    // Thread-safe.
    bool post(const PostedMessage& message) const { return sender_.post(message); }
    bool post(std::uint32_t id, std::uint64_t wParam = 0, std::int64_t lParam = 0) const
    {
        return sender_.post(id, wParam, lParam);
    }
    PostSender sender() const { return sender_; }

private:
    PostSender sender_;
};

}  // namespace varnel::tk
