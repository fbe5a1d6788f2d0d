#include "toolkit/post_target.h"

#include <mutex>

#include "toolkit/application.h"
#include "toolkit/backend.h"

namespace varnel::tk {

struct PostSender::State {
    State(Backend& b, PostTarget::Receiver r) : backend(&b), receiver(std::move(r)) {}
    // Held while a post hands its entry to the backend and while the target
    // dies, so no post is half-way through once the target is gone.
    std::mutex mutex;
    bool alive = true;
    Backend* backend;
    // Only touched on the user-interface thread.
    const PostTarget::Receiver receiver;
};

bool PostSender::post(const PostedMessage& message) const
{
    if (!state_) return false;
    std::lock_guard lock(state_->mutex);
    if (!state_->alive) return false;
    state_->backend->post([state = state_, message] {
        {
            std::lock_guard aliveLock(state->mutex);
            if (!state->alive) return;
        }
        // The target is destroyed on this thread only, so it stays alive
        // for the whole delivery unless the receiver itself destroys it.
        guarded([&] { state->receiver(message); });
    });
    return true;
}

bool PostSender::alive() const noexcept
{
    if (!state_) return false;
    std::lock_guard lock(state_->mutex);
    return state_->alive;
}

PostTarget::PostTarget(Receiver receiver) : PostTarget(Application::instance().backend(), std::move(receiver)) {}

PostTarget::PostTarget(Backend& backend, Receiver receiver)
    : sender_(std::make_shared<PostSender::State>(backend, std::move(receiver)))
{
}

PostTarget::~PostTarget()
{
    std::lock_guard lock(sender_.state_->mutex);
    sender_.state_->alive = false;
}

}  // namespace varnel::tk
